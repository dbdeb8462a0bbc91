// How a stored picture is turned to be seen as meant: the EXIF orientation and the user's
// quarter turns, as a left-right mirror followed by clockwise quarter turns.
#pragma once

#include "pixels/Raster.h"

namespace albumon {

struct Orientation {
    bool mirror = false;  // left and right exchanged first
    int quarters = 0;     // then this many clockwise quarter turns, 0..3

    bool Identity() const { return !mirror && quarters == 0; }
    bool Quarter() const { return quarters % 2 != 0; }
    // This orientation followed by more clockwise quarter turns.
    Orientation Then(int more) const { return {mirror, ((quarters + more) % 4 + 4) % 4}; }
    RasterTurn Turn() const {
        static constexpr RasterTurn kTurns[] = {rtNone, rtRight, rtHalf, rtLeft};
        return kTurns[quarters];
    }
};

// What an EXIF orientation tag (1..8) asks for; anything else is upright.
inline Orientation OrientationForTag(int tag) {
    switch (tag) {
        case 2:
            return {true, 0};
        case 3:
            return {false, 2};
        case 4:
            return {true, 2};
        case 5:
            return {true, 3};
        case 6:
            return {false, 1};
        case 7:
            return {true, 1};
        case 8:
            return {false, 3};
        default:
            return {};
    }
}

}  // namespace albumon
