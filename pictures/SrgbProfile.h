// Converting pixels to sRGB (ConvertToSrgb) lives with the other lcms2 colour profile code.
#pragma once

#include "ColourProfiles.h"
