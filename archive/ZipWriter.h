// Carries out a parsed "Zip" request on libzip: finds the named files and stores them in the
// archive, which is updated in place and replaced as a whole only once complete.
#pragma once

#include <functional>
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

// Told how much of the archive is written, 0 to 1, while it is written.
using ZipProgress = std::function<void(double done)>;

// An earlier archive to take members from: a file whose entry name, CRC-32, size and compression
// method match a member of it gets that member's stored bytes, not compressed again. reused
// counts the members so taken.
struct ZipReuse {
    std::string earlier;
    int reused = 0;
};

// Runs the request. Lines saying what happened are appended to log when it is given.
int RunZipCommand(const ZipCommand& command, std::string* log, const ZipProgress& progress = {},
                  ZipReuse* reuse = nullptr);

}  // namespace albumon
