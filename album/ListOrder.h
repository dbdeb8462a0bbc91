// How the list's rows move: the order of the entries after a block of rows moves before a row,
// or each of them one place, and applying such an order to the album.
#pragma once

#include <vector>

#include "AlbumState.h"

namespace albumon {

// In every order here, order[k] is the slot whose entry goes to slot k; rows are distinct slots
// below count, top first.

// The order of count slots after the rows move together before slot before (0 .. count: count
// moves them to the bottom), in their order; the other slots keep theirs.
std::vector<int> BlockOrder(int count, const std::vector<int>& rows, int before);

// The order of count slots after each of the rows moved one place by step: -1 up, the top row
// not the first slot, or +1 down, the bottom row not the last. Neighbouring rows move together;
// the slot they pass goes to their other end.
std::vector<int> StepOrder(int count, const std::vector<int>& rows, int step);

// Puts the entries into order (a permutation of the live slots, see ReorderEntries); the shown
// entry (CurrentIndex) is followed. Returns the new slots of the rows, in their order.
std::vector<int> ApplyOrder(AlbumState& state, const std::vector<int>& order,
                            const std::vector<int>& rows);

}  // namespace albumon
