// What the fault suite needs besides the window: checksums of the source pictures with the
// suite's closing table, mounts that are always undone, albumon-make run as a child with resource
// limits, and snapshots of folders to compare before and after a failed save.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace albumon::test {

// The bytes of every file of a folder and its sub-folders, by path below it; the save's hidden
// record left out.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot Snapshot(const std::string& folder);

// Checksums of files taken now, compared later.
class SourceLedger {
  public:
    void Add(const std::string& path);
    void AddFolder(const std::string& folder);
    // The files that differ from when they were taken, and the bytes of theirs that are gone
    // (a missing file loses all its bytes, a changed one the size it had).
    struct Damage {
        std::vector<std::string> changed;
        std::uint64_t bytesLost = 0;
    };
    Damage Verify() const;
    std::size_t Count() const { return files_.size(); }

  private:
    struct Sum {
        std::uint64_t size = 0;
        std::uint64_t hash = 0;
    };
    std::map<std::string, Sum> files_;
};

// The table printed when the suite ends: per fault the cases run, files checked and bytes lost.
class FaultReport : public ::testing::Environment {
  public:
    static FaultReport& Instance();
    void Add(const std::string& fault, std::size_t files, std::uint64_t bytesLost);
    void TearDown() override;

  private:
    struct Row {
        int cases = 0;
        std::size_t files = 0;
        std::uint64_t bytesLost = 0;
    };
    std::vector<std::pair<std::string, Row>> rows_;
};

// One case of a fault: the source pictures registered with it are checked when it ends; any
// change fails the test and every case lands in the table.
class FaultCase {
  public:
    explicit FaultCase(std::string fault) : fault_(std::move(fault)) {}
    ~FaultCase();
    FaultCase(const FaultCase&) = delete;
    FaultCase& operator=(const FaultCase&) = delete;
    // Counts files the case checked itself (sources it re-saves on purpose) and bytes of them
    // it found lost.
    void Checked(std::size_t files, std::uint64_t bytesLost) {
        files_ += files;
        lost_ += bytesLost;
    }
    SourceLedger sources;

  private:
    std::string fault_;
    std::size_t files_ = 0;
    std::uint64_t lost_ = 0;
};

// A mount undone when the object goes (lazily when the mount is busy).
class Mount {
  public:
    // A tmpfs of bytes at target; fails the test (and returns null) when mounting is impossible.
    static std::unique_ptr<Mount> Tmpfs(const std::string& target, std::uint64_t bytes);
    // source bound read-only onto target.
    static std::unique_ptr<Mount> ReadOnlyBind(const std::string& source,
                                               const std::string& target);
    // source bound onto target.
    static std::unique_ptr<Mount> Bind(const std::string& source, const std::string& target);
    ~Mount();
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    // Changes a tmpfs's size; false (with the reason added to the test) when that fails.
    bool Resize(std::uint64_t bytes);
    // Bytes in use on the mounted file system.
    std::uint64_t Used() const;

  private:
    explicit Mount(std::string target) : target_(std::move(target)) {}
    std::string target_;
};

// A resource limit for a child process.
struct ChildLimit {
    int resource = RLIMIT_NOFILE;
    rlim_t value = 0;
};

struct ChildRun {
    int status = -1;  // exit status, or -1 when killed by a signal
    int signal = 0;
    long peakKiB = 0;      // the child's peak resident memory
    double seconds = 0;    // from start to end
    bool overran = false;  // still running at the deadline, then killed
    std::string out;
    std::string err;
};

// Runs program with args (and TMPDIR=tmp) in a child under the limits; stdout and stderr are
// captured through files in tmp. A child still running after deadlineSeconds is killed.
ChildRun RunChild(const std::string& program, const std::vector<std::string>& args,
                  const std::string& tmp, const std::vector<ChildLimit>& limits = {},
                  double deadlineSeconds = 600);

// A JPEG picture of random noise (large for its size); seed makes each different.
void WriteNoiseJpeg(const std::string& path, int width, int height, unsigned seed);

// The number of file descriptors this process holds open, the eventfds of threads left out.
int OpenDescriptors();

// Files whose name shows an unfinished replacement (Albumon's or the archiver's temporary).
std::vector<std::string> LeftoverTemporaries(const std::string& folder);

}  // namespace albumon::test

namespace albumon::test {

// The names of a zip archive's entries, sorted.
std::vector<std::string> ZipNames(const std::string& path);

// What the archive of album head in folder out should hold: the index page and every file below
// the album folder (its sub-folders' too) that the save's record names as the save's own, as
// entry names, sorted; the user's files beside them are no part of the album.
std::vector<std::string> AlbumFiles(const std::string& out, const std::string& head);

// Rounds bytes up to whole pages of a tmpfs.
inline std::uint64_t Pages(std::uint64_t bytes) {
    return (bytes + 4095) / 4096 * 4096;
}

}  // namespace albumon::test
