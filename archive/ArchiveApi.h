// The archiver library interface: the busy checks, the archive check and the creation of a
// zip archive from a command line, carried out in this process on libzip.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

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

    // An earlier archive whose members Zip copies as they are stored for the files they match
    // in name, CRC-32 and size, instead of compressing those files again; none when empty.
    std::string ReuseArchive;
    // How many members the last Zip copied from ReuseArchive.
    int ZipReused() const { return zipReused_.load(); }

    // The entry names of an archive, in its order; empty when it cannot be read.
    std::vector<std::string> UnZipEntryNames(const std::string& path);

  private:
    std::atomic<int> zipRunning_{0};
    std::atomic<int> unzipRunning_{0};
    std::atomic<int> zipReused_{0};
};

}  // namespace albumon
