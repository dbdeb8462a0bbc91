// Helpers shared by the tests.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace albumon::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "albumon-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RecordWithoutTimes(const std::string& record) {
    return std::regex_replace(record, std::regex(":[0-9]+([ #/])"), "$1");
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) {
        if (item.path().filename() != kSaveRecord)
            names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Watchdog::Watchdog(unsigned seconds) {
    ::alarm(seconds);
}

Watchdog::~Watchdog() {
    ::alarm(0);
}

std::map<std::string, std::string> ZipEntries(const std::string& path, bool stored) {
    std::map<std::string, std::string> entries;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0)
            continue;
        zip_file_t* file =
            zip_fopen_index(archive, static_cast<zip_uint64_t>(i), stored ? ZIP_FL_COMPRESSED : 0);
        if (file == nullptr)
            continue;
        const zip_uint64_t size = stored ? st.comp_size : st.size;
        std::string bytes(size, '\0');
        zip_fread(file, bytes.data(), size);
        zip_fclose(file);
        entries[st.name] = std::move(bytes);
    }
    zip_discard(archive);
    return entries;
}

}  // namespace albumon::test
