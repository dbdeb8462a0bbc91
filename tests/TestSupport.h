// Helpers shared by the tests: a temporary folder removed afterwards, small file utilities.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace albumon::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder path without a trailing "/".
    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Writes bytes to a file, creating its folder first.
void WriteFile(const std::string& path, const std::string& bytes);

// The bytes of a file; fails the test when it cannot be read.
std::string ReadFile(const std::string& path);

// The hidden record a save keeps in its album folder (tests that look at it say so).
inline constexpr const char* kSaveRecord = ".albumon.saved";
// A record's bytes without the times of its files, which differ from one save to the next.
std::string RecordWithoutTimes(const std::string& record);

// The names in a folder, sorted; a save's hidden record left out.
std::vector<std::string> FolderNames(const std::string& folder);

// How long a test waits for an event it expects (a box closing, a folder read, a window
// hidden) before it counts as never coming: a guard against a hang, never the verdict itself,
// so generous enough for a sanitizer build on a busy machine.
inline constexpr int kPatienceMs = 30000;

// Ends the test program with SIGALRM when the test is not done within seconds: a read that
// waits for ever fails instead of hanging.
class Watchdog {
  public:
    explicit Watchdog(unsigned seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

// The entries of a zip archive with their bytes, or with stored the bytes as they are stored
// (compressed), by name (none when it cannot be opened).
std::map<std::string, std::string> ZipEntries(const std::string& path, bool stored = false);

}  // namespace albumon::test
