// Checksums, the closing table, mounts, child processes and noise pictures for the fault suite.
#include "FaultSupport.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "FileSystem.h"
#include "SaveRecord.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon::test {

namespace fs = std::filesystem;

namespace {

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

bool Read(const std::string& path, std::string& bytes) {
    return ReadWholeFile(path, bytes) == 0;
}

}  // namespace

namespace {

// Files of sub-folders are named "sub/name".
void TakeSnapshot(const std::string& folder, const std::string& prefix, FolderSnapshot& files) {
    for (const DirEntry& item : ListFolder(folder)) {
        std::string bytes;
        if (item.isFolder)
            TakeSnapshot(folder + "/" + item.name, prefix + item.name + "/", files);
        else if (item.name != kSaveRecord && Read(folder + "/" + item.name, bytes))
            files[prefix + item.name] = std::move(bytes);
    }
}

}  // namespace

FolderSnapshot Snapshot(const std::string& folder) {
    FolderSnapshot files;
    TakeSnapshot(folder, "", files);
    return files;
}

void SourceLedger::Add(const std::string& path) {
    std::string bytes;
    if (!Read(path, bytes)) {
        ADD_FAILURE() << "source " << path << " cannot be read to take its checksum";
        return;
    }
    files_[path] = {bytes.size(), Fnv1a(bytes)};
}

void SourceLedger::AddFolder(const std::string& folder) {
    for (const DirEntry& item : ListFolder(folder)) {
        if (!item.isFolder)
            Add(folder + "/" + item.name);
    }
}

SourceLedger::Damage SourceLedger::Verify() const {
    Damage damage;
    for (const auto& [path, sum] : files_) {
        std::string bytes;
        if (Read(path, bytes) && bytes.size() == sum.size && Fnv1a(bytes) == sum.hash)
            continue;
        damage.changed.push_back(path);
        damage.bytesLost += sum.size;
    }
    return damage;
}

FaultReport& FaultReport::Instance() {
    // Owned by gtest once registered in main.
    static FaultReport* report = new FaultReport;
    return *report;
}

void FaultReport::Add(const std::string& fault, std::size_t files, std::uint64_t bytesLost) {
    auto row = std::find_if(rows_.begin(), rows_.end(), [&](auto& r) { return r.first == fault; });
    if (row == rows_.end())
        row = rows_.insert(rows_.end(), {fault, Row{}});
    row->second.cases += 1;
    row->second.files += files;
    row->second.bytesLost += bytesLost;
}

void FaultReport::TearDown() {
    std::string table = "\nfault                              cases  files checked  bytes lost\n";
    int cases = 0;
    std::size_t files = 0;
    std::uint64_t lost = 0;
    auto line = [&](const std::string& fault, int c, std::size_t f, std::uint64_t l) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "%-34s %5d  %13zu  %10llu\n", fault.c_str(), c, f,
                      static_cast<unsigned long long>(l));
        table += buffer;
    };
    for (const auto& [fault, row] : rows_) {
        line(fault, row.cases, row.files, row.bytesLost);
        cases += row.cases;
        files += row.files;
        lost += row.bytesLost;
    }
    line("total", cases, files, lost);
    std::fputs(table.c_str(), stdout);
    std::fflush(stdout);
    if (const char* copy = std::getenv("ALBUMON_FAULT_TABLE"))
        WriteFile(copy, table);
}

FaultCase::~FaultCase() {
    SourceLedger::Damage damage = sources.Verify();
    for (const std::string& path : damage.changed)
        ADD_FAILURE() << fault_ << ": source " << path << " changed or lost";
    EXPECT_EQ(lost_, 0u) << fault_ << ": bytes of re-saved sources lost";
    FaultReport::Instance().Add(fault_, sources.Count() + files_, damage.bytesLost + lost_);
}

std::unique_ptr<Mount> Mount::Tmpfs(const std::string& target, std::uint64_t bytes) {
    ForceDirectories(target);
    std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", target.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        ADD_FAILURE() << "cannot mount a tmpfs at " << target << ": " << std::strerror(errno)
                      << " (the fault suite needs root to mount; it cannot run here)";
        return nullptr;
    }
    return std::unique_ptr<Mount>(new Mount(target));
}

std::unique_ptr<Mount> Mount::Bind(const std::string& source, const std::string& target) {
    if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        ADD_FAILURE() << "cannot bind " << source << " onto " << target << ": "
                      << std::strerror(errno)
                      << " (the fault suite needs root to mount; it cannot run here)";
        return nullptr;
    }
    return std::unique_ptr<Mount>(new Mount(target));
}

std::unique_ptr<Mount> Mount::ReadOnlyBind(const std::string& source, const std::string& target) {
    std::unique_ptr<Mount> mount = Bind(source, target);
    if (mount &&
        ::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        ADD_FAILURE() << "cannot make " << target << " read-only: " << std::strerror(errno);
        return nullptr;
    }
    return mount;
}

Mount::~Mount() {
    // The archive step makes the output folder the current one; leave it so the unmount works.
    std::error_code error;
    std::string cwd = fs::current_path(error).string();
    if (!error && cwd.compare(0, target_.size(), target_) == 0)
        fs::current_path("/", error);
    if (::umount2(target_.c_str(), 0) != 0 && ::umount2(target_.c_str(), MNT_DETACH) != 0)
        std::fprintf(stderr, "cannot unmount %s: %s\n", target_.c_str(), std::strerror(errno));
}

bool Mount::Resize(std::uint64_t bytes) {
    std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", target_.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) != 0) {
        ADD_FAILURE() << "cannot resize the tmpfs at " << target_ << ": " << std::strerror(errno);
        return false;
    }
    return true;
}

std::uint64_t Mount::Used() const {
    struct statvfs st {};
    if (::statvfs(target_.c_str(), &st) != 0)
        return 0;
    return (st.f_blocks - st.f_bfree) * st.f_frsize;
}

ChildRun RunChild(const std::string& program, const std::vector<std::string>& args,
                  const std::string& tmp, const std::vector<ChildLimit>& limits,
                  double deadlineSeconds) {
    const std::string outPath = tmp + "/child.out";
    const std::string errPath = tmp + "/child.err";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    std::string tmpdir = "TMPDIR=" + tmp;
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // Only the three standard descriptors go to the child.
        ::close_range(3, ~0u, 0);
        for (const ChildLimit& limit : limits) {
            rlimit value{limit.value, limit.value};
            if (::setrlimit(limit.resource, &value) != 0)
                ::_exit(126);
        }
        ::putenv(tmpdir.data());
        ::execv(program.c_str(), pointers.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t ended = pid < 0 ? -1 : ::wait4(pid, &status, WNOHANG, &usage);
        if (ended < 0)
            return run;
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (ended == pid)
            break;
        if (run.seconds > deadlineSeconds && !run.overran) {
            run.overran = true;
            ::kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.peakKiB = usage.ru_maxrss;
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    Read(outPath, run.out);
    Read(errPath, run.err);
    return run;
}

void WriteNoiseJpeg(const std::string& path, int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    Raster raster(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raster.Row(y);
        for (int x = 0; x < 3 * width; ++x)
            row[x] = static_cast<std::uint8_t>(random());
    }
    EncodeOptions options;
    options.quality = 90;
    WriteFile(path, EncodeJpeg(raster, options));
}

int OpenDescriptors() {
    int count = 0;
    for (const auto& item : fs::directory_iterator("/proc/self/fd")) {
        // Qt starts threads of its own as it paints (each with the eventfd it waits on): they
        // are no handles a save opened.
        std::error_code error;
        if (fs::read_symlink(item.path(), error).string() != "anon_inode:[eventfd]")
            ++count;
    }
    return count - 1;  // the iterator's own
}

std::vector<std::string> LeftoverTemporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const DirEntry& item : ListFolder(folder)) {
        const std::string& name = item.name;
        auto zip = name.find(".zip.");
        if (name.find(".albumon-") != std::string::npos ||
            (zip != std::string::npos && name.size() == zip + 11)) {
            found.push_back(name);
        }
    }
    return found;
}

namespace {

void AddFilesBelow(const std::string& folder, const std::string& prefix,
                   std::vector<std::string>& names) {
    for (const DirEntry& item : ListFolder(folder)) {
        if (item.isFolder)
            AddFilesBelow(folder + "/" + item.name, prefix + item.name + "/", names);
        else if (item.name != kSaveRecord)
            names.push_back(prefix + item.name);
    }
}

}  // namespace

std::vector<std::string> AlbumFiles(const std::string& out, const std::string& head) {
    const std::string album = out + "/" + head + ".files";
    std::vector<std::string> below;
    AddFilesBelow(album, "", below);
    const std::optional<RecordContents> record = ReadSaveRecord(album);
    std::vector<std::string> names{head + ".htm"};
    for (const std::string& name : below) {
        if (record && record->files.count(name))
            names.push_back(head + ".files/" + name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ZipNames(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : ZipEntries(path))
        names.push_back(name);
    return names;
}

}  // namespace albumon::test
