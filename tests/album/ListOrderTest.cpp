// How the list's rows move: blocks before a row, rows one place up or down, the entries following.
#include "AlbumFixture.h"
#include "ListOrder.h"

namespace albumon {
namespace {

using Slots = std::vector<int>;

// Five rows; order[k] is the row that ends up at k.
TEST(ListOrderTest, ABlockMovesBeforeARowInItsOwnOrder) {
    struct Case {
        const char* name;
        Slots rows;
        int before;
        Slots order;
    };
    const Case cases[] = {
        {"one row to the top", {3}, 0, {3, 0, 1, 2, 4}},
        {"one row to the bottom", {1}, 5, {0, 2, 3, 4, 1}},
        {"a block down into the middle", {0, 1}, 3, {2, 0, 1, 3, 4}},
        {"a block up into the middle", {3, 4}, 1, {0, 3, 4, 1, 2}},
        {"a block already at the top", {0, 1}, 0, {0, 1, 2, 3, 4}},
        {"a block already at the bottom", {3, 4}, 5, {0, 1, 2, 3, 4}},
        {"before a row of the block itself", {1, 2}, 2, {0, 1, 2, 3, 4}},
        {"rows apart close up at the top", {1, 3}, 0, {1, 3, 0, 2, 4}},
        {"rows apart close up at the bottom", {0, 2, 4}, 5, {1, 3, 0, 2, 4}},
        {"rows apart before one of them", {0, 3}, 3, {1, 2, 0, 3, 4}},
        {"every row", {0, 1, 2, 3, 4}, 2, {0, 1, 2, 3, 4}},
        {"no row", {}, 2, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlockOrder(5, c.rows, c.before), c.order) << c.name;
}

TEST(ListOrderTest, RowsStepOnePlaceTogether) {
    struct Case {
        const char* name;
        Slots rows;
        int step;
        Slots order;
    };
    const Case cases[] = {
        {"one row up", {2}, -1, {0, 2, 1, 3, 4}},
        {"one row down", {2}, +1, {0, 1, 3, 2, 4}},
        {"the first row down", {0}, +1, {1, 0, 2, 3, 4}},
        {"the last row up", {4}, -1, {0, 1, 2, 4, 3}},
        {"a block up", {1, 2}, -1, {1, 2, 0, 3, 4}},
        {"a block down", {1, 2}, +1, {0, 3, 1, 2, 4}},
        {"a block at the top down", {0, 1}, +1, {2, 0, 1, 3, 4}},
        {"a block at the bottom up", {3, 4}, -1, {0, 1, 3, 4, 2}},
        {"rows apart up", {1, 3}, -1, {1, 0, 3, 2, 4}},
        {"rows apart down", {1, 3}, +1, {0, 2, 1, 4, 3}},
        {"a block and a row apart up", {1, 2, 4}, -1, {1, 2, 0, 4, 3}},
        {"no row", {}, -1, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepOrder(5, c.rows, c.step), c.order) << c.name;
}

class ApplyOrderTest : public test::AlbumTest {};

// The entries take the order; the shown entry and the moved rows are followed to their new slots.
TEST_F(ApplyOrderTest, EntriesTakeTheOrderAndTheShownOneIsFollowed) {
    struct Case {
        const char* name;
        Slots order;
        Slots rows;
        int current;
        const char* sources;
        Slots now;
        int currentNow;
    };
    const Case cases[] = {
        {"a shown row to the top", {3, 0, 1, 2, 4}, {3}, 3, "dabce", {0}, 0},
        {"a block down", {2, 0, 1, 3, 4}, {0, 1}, 1, "cabde", {1, 2}, 2},
        {"rows apart up, another row shown", {1, 0, 3, 2, 4}, {1, 3}, 4, "badce", {0, 2}, 4},
        {"a row passed over", {0, 2, 1, 3, 4}, {2}, 1, "acbde", {1}, 2},
        {"nothing shown", {1, 0, 2, 3, 4}, {}, -1, "bacde", {}, -1},
        {"the same order", {0, 1, 2, 3, 4}, {0, 1}, 2, "abcde", {0, 1}, 2},
    };
    for (const Case& c : cases) {
        state = AlbumState{};
        for (const char* name : {"a", "b", "c", "d", "e"})
            Add(name);
        state.CurrentIndex = c.current;
        EXPECT_EQ(ApplyOrder(state, c.order, c.rows), c.now) << c.name;
        std::string sources;
        for (int k = 0; k < state.EntryCount; ++k)
            sources += state.Entries[k].SourcePath;
        EXPECT_EQ(sources, c.sources) << c.name;
        EXPECT_EQ(state.CurrentIndex, c.currentNow) << c.name;
        EXPECT_EQ(state.EntryCount, 5) << c.name;
    }
}

}  // namespace
}  // namespace albumon
