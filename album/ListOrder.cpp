// How the list's rows move.
#include "ListOrder.h"

#include <utility>

#include "InputList.h"

namespace albumon {

std::vector<int> BlockOrder(int count, const std::vector<int>& rows, int before) {
    std::vector<int> order;
    std::vector<bool> moved(count, false);
    for (int row : rows)
        moved[row] = true;
    for (int k = 0; k < before; ++k)
        if (!moved[k])
            order.push_back(k);
    order.insert(order.end(), rows.begin(), rows.end());
    for (int k = before; k < count; ++k)
        if (!moved[k])
            order.push_back(k);
    return order;
}

std::vector<int> StepOrder(int count, const std::vector<int>& rows, int step) {
    std::vector<int> order(count);
    for (int k = 0; k < count; ++k)
        order[k] = k;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const int row = rows[step < 0 ? n : rows.size() - 1 - n];
        std::swap(order[row], order[row + step]);
    }
    return order;
}

std::vector<int> ApplyOrder(AlbumState& state, const std::vector<int>& order,
                            const std::vector<int>& rows) {
    std::vector<int> at(order.size());  // the new slot of each entry
    for (std::size_t k = 0; k < order.size(); ++k)
        at[order[k]] = static_cast<int>(k);
    ReorderEntries(state, order);
    if (state.CurrentIndex >= 0 && state.CurrentIndex < state.EntryCount)
        state.CurrentIndex = at[state.CurrentIndex];
    std::vector<int> now;
    for (int row : rows)
        now.push_back(at[row]);
    return now;
}

}  // namespace albumon
