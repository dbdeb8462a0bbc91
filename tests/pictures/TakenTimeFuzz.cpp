// Fuzz target: the date taken read from a file's headers (JPEG segments, PNG and WebP chunks, HEIF
// boxes down to the Exif item) and its EXIF block, the input served as a file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "TextFile.h"
#include "metadata/ExifTags.h"
#include "metadata/TakenTime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    albumon::FileHandle file(::memfd_create("taken", MFD_CLOEXEC));
    if (!file.valid() || ::write(file.get(), data, size) != static_cast<ssize_t>(size))
        return 0;
    const std::string payload = albumon::HeaderExif("/proc/self/fd/" + std::to_string(file.get()));
    albumon::ExifTakenTime(payload);
    return 0;
}
