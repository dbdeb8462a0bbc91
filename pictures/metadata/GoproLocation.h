// The telemetry action cameras keep in an APP6 block ("GoPro\0"): nested key-length-value
// records (GPMF), written back without the ones from the GPS receiver.
#pragma once

#include <string>

#include "metadata/BlockEdit.h"

namespace albumon {

// Whether an APP6 payload is such a block.
bool IsGoproTelemetry(const std::string& payload);

// The payload without the records whose key starts with "GPS" (position, speed, fix, time), at
// any depth; containers shrink with what they lose. Empty data when nothing is left; unreadable
// when a record runs past its container.
BlockEdit GoproLocationEdit(const std::string& payload);

}  // namespace albumon
