// The archiver library interface: the busy checks, the archive check and the creation of a
// zip archive from a command line, carried out in this process on libzip.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ZipWriter.h"

namespace albumon {

class ArchiveApi {
  public:
    // Nonzero while a "Zip" of this interface is running.
    int ZipGetRunning() const { return zipRunning_.load(); }
    // Nonzero while an archive is being checked or listed.
    int UnZipGetRunning() const { return unzipRunning_.load(); }

    // Nonzero when path is a zip archive that can be read. Mode 1 checks the archive's
    // directory only; any other mode checks its consistency as well.
    int UnZipCheckArchive(const std::string& path, int mode);

    // Creates or updates the archive the command line names (switches -j -u -S -r -FS -0..-9,
    // the archive and the base folder in double quotes, names or "@" with a response file).
    // Only a name that ends in a wildcard is a pattern. A read-only archive is not written.
    // Returns 0 when the archive was written, another value on failure; never throws.
    // Lines saying what was done are appended to output when it is given.
    int Zip(const std::string& commandLine, std::string* output = nullptr);

    // Told how much of the archive is written (0 to 1) while Zip writes it, on Zip's thread.
    std::function<void(double done)> OnProgress;

    // An earlier archive a Zip that creates its archive starts from: its members that match
    // the files in name, CRC-32 and size are kept as they are stored (not compressed again),
    // the others removed and the files that changed added at the end; none when empty.
    std::string ReuseArchive;
    // CRC-32s of files by entry name, for Zip to take instead of reading a file that still has
    // the size and modification time given with its CRC, when it compares the file with a
    // member of ReuseArchive.
    KnownCrcs KnownFileCrcs;
    // How many members the last Zip kept from ReuseArchive.
    int ZipReused() const { return zipReused_.load(); }

    // The entry names of an archive, in its order; empty when it cannot be read.
    std::vector<std::string> UnZipEntryNames(const std::string& path);
    // The CRC-32 of each member of an archive, by entry name; empty when it cannot be read.
    std::map<std::string, std::uint32_t> UnZipEntryCrcs(const std::string& path);

  private:
    std::atomic<int> zipRunning_{0};
    std::atomic<int> unzipRunning_{0};
    std::atomic<int> zipReused_{0};
};

}  // namespace albumon
