// Quarter and half turns of a raster: whole pixels moved, never recomputed, so nothing is lost.
#pragma once

#include "pixels/Raster.h"

namespace albumon {

// Clockwise: source pixel (row y, column x) goes to (x, H - 1 - y).
Raster TurnedRight(const Raster& source);
// Counter-clockwise: source pixel (y, x) goes to (W - 1 - x, y).
Raster TurnedLeft(const Raster& source);
// Half turn: source pixel (y, x) goes to (H - 1 - y, W - 1 - x).
Raster Turned180(const Raster& source);
// The raster turned as turn says; for rtNone a copy of it.
Raster Turned(const Raster& source, RasterTurn turn);
// Left and right exchanged in place: pixel (y, x) goes to (y, W - 1 - x).
void MirrorInPlace(Raster& raster);

}  // namespace albumon
