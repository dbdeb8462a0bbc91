// The archiver library interface carried out on libzip.
#include "ArchiveApi.h"

#include <sys/stat.h>
#include <zip.h>

#include <memory>

#include "FileSystem.h"
#include "ZipCommand.h"
#include "ZipWriter.h"

namespace albumon {

namespace {

// Counts a running operation for as long as it lives.
class RunningMark {
  public:
    explicit RunningMark(std::atomic<int>& counter) : counter_(counter) { ++counter_; }
    ~RunningMark() { --counter_; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

  private:
    std::atomic<int>& counter_;
};

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

// An existing, non-empty archive opened for reading; null when it is none.
std::unique_ptr<zip_t, ZipDiscard> OpenForReading(const std::string& path, int flags) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return nullptr;
    int error = 0;
    return std::unique_ptr<zip_t, ZipDiscard>(zip_open(path.c_str(), ZIP_RDONLY | flags, &error));
}

bool ReadResponseFile(const std::string& path, std::string& bytes) {
    return ReadWholeFile(path, bytes) == 0;
}

}  // namespace

int ArchiveApi::UnZipCheckArchive(const std::string& path, int mode) {
    RunningMark mark(unzipRunning_);
    return OpenForReading(path, mode == 1 ? 0 : ZIP_CHECKCONS) ? 1 : 0;
}

int ArchiveApi::Zip(const std::string& commandLine, std::string* output) {
    RunningMark mark(zipRunning_);
    try {
        auto command = ParseZipCommand(commandLine, ReadResponseFile);
        if (!command) {
            if (output)
                *output += "zip error: bad command line\n";
            return kZipBadParameters;
        }
        ZipReuse reuse{ReuseArchive, &KnownFileCrcs};
        zipReused_ = 0;
        const int result = RunZipCommand(*command, output, OnProgress, &reuse);
        zipReused_ = reuse.reused;
        return result;
    } catch (...) {
        return kZipLogicError;
    }
}

std::vector<std::string> ArchiveApi::UnZipEntryNames(const std::string& path) {
    RunningMark mark(unzipRunning_);
    std::vector<std::string> names;
    auto archive = OpenForReading(path, 0);
    if (!archive)
        return names;
    zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (name)
            names.emplace_back(name);
    }
    return names;
}

std::map<std::string, std::uint32_t> ArchiveApi::UnZipEntryCrcs(const std::string& path) {
    RunningMark mark(unzipRunning_);
    std::map<std::string, std::uint32_t> crcs;
    auto archive = OpenForReading(path, 0);
    if (!archive)
        return crcs;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0 &&
            (st.valid & (ZIP_STAT_NAME | ZIP_STAT_CRC)) == (ZIP_STAT_NAME | ZIP_STAT_CRC))
            crcs[st.name] = st.crc;
    }
    return crcs;
}

}  // namespace albumon
