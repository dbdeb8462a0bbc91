// Fuzz target: leaving the location out of arbitrary data taken as a JPEG file, and the readers
// of Photoshop resources and of XMP packets on their own. Leaving it out twice must change
// nothing the second time: what the first pass writes, it can read again, and no place is left.
#include <cstddef>
#include <cstdint>
#include <string>

#include "metadata/IptcLocation.h"
#include "metadata/LocationStrip.h"
#include "metadata/XmpLocation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace albumon;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const LocationFree once = JpegWithoutLocation(bytes);
    if (once.changed && JpegWithoutLocation(once.bytes).changed)
        __builtin_trap();
    const BlockEdit resources = PhotoshopLocationEdit(bytes);
    if (resources.changed && !resources.unreadable && PhotoshopLocationEdit(resources.data).changed)
        __builtin_trap();
    const std::string header("http://ns.adobe.com/xap/1.0/\0", 29);
    const XmpEdit xmp = XmpLocationEdit({header + bytes}, {});
    if (xmp.changed && !xmp.payloads.empty() && XmpLocationEdit(xmp.payloads, {}).changed)
        __builtin_trap();
    return 0;
}
