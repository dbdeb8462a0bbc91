// Warnings of one kind about many files: the first few of each kind are shown, the rest only
// counted and summed up in one line ("ほか N 件"), so that a long list does not bury the others.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace albumon {

class RepeatedWarnings {
  public:
    // Warnings of one kind shown before the rest are counted.
    static constexpr int kShown = 10;

    // True when this warning of kind is to be shown; otherwise it is counted.
    bool Show(int kind) { return ++seen_[kind] <= kShown; }
    // The kinds with warnings left out, in kind order, with how many were left out.
    std::vector<std::pair<int, int>> LeftOut() const {
        std::vector<std::pair<int, int>> left;
        for (const auto& [kind, count] : seen_)
            if (count > kShown)
                left.emplace_back(kind, count - kShown);
        return left;
    }

  private:
    std::map<int, int> seen_;
};

// The words that stand for warnings left out: "ほか N 件".
inline std::string LeftOutWords(int count) {
    return "ほか " + std::to_string(count) + " 件";
}

}  // namespace albumon
