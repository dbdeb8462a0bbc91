// Carries out a parsed "Zip" request on libzip: finds the named files and stores them in the
// archive, which is updated in place and replaced as a whole only once complete.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "ZipCommand.h"

namespace albumon {

// Results of the "Zip" operation; 0 is success.
inline constexpr int kZipOk = 0;
inline constexpr int kZipBadArchive = 3;      // the existing file is not a usable zip archive
inline constexpr int kZipNothingToDo = 12;    // no file matched the names
inline constexpr int kZipWriteFailed = 14;    // the archive could not be written
inline constexpr int kZipCreateFailed = 15;   // the archive could not be opened or created
inline constexpr int kZipBadParameters = 16;  // bad command line, or a name outside the base
inline constexpr int kZipOpenFailed = 18;     // a named file is missing or cannot be read
inline constexpr int kZipLogicError = 5;      // an unexpected internal failure

// The CRC-32 of a file's bytes, taken when it had this size and modification time.
struct KnownCrc {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint32_t crc = 0;
};
using KnownCrcs = std::map<std::string, KnownCrc>;

// Told how much of the archive is written, 0 to 1, while it is written.
using ZipProgress = std::function<void(double done)>;

// An earlier archive to make the archive from, when the archive is not there yet: its members
// that hold a named file's bytes (same entry name, size, CRC-32 and compression method) stay as
// they are, the others are removed and the files that changed added after those that stayed;
// the earlier archive's start up to the first member that changed is copied in the kernel.
// reused counts the members so kept.
// known gives, by entry name, the CRC-32 of a file as it was when it had this size and
// modification time: a file that still has them is not read again for its CRC.
struct ZipReuse {
    std::string earlier;
    const KnownCrcs* known = nullptr;
    int reused = 0;
};

// Runs the request. Lines saying what happened are appended to log when it is given.
int RunZipCommand(const ZipCommand& command, std::string* log, const ZipProgress& progress = {},
                  ZipReuse* reuse = nullptr);

}  // namespace albumon
