// Tests of the "Zip" operation on libzip: archives checked with unzip and Python's zipfile,
// in-place update, switches, unsafe names, links and failures that must leave the old archive.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <map>

#include "ArchiveApi.h"
#include "ArchiveCheck.h"
#include "FileSystem.h"
#include "TestSupport.h"
#include "ZipCommand.h"

namespace albumon {
namespace {

using test::PythonZipEntries;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Entries = std::map<std::string, std::string>;

class ZipArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = dir_.path() + "/out/";
        WriteFile(base_ + "無題.htm", "<html>index</html>");
        WriteFile(base_ + "無題.files/無題001.jpg", "picture one");
        WriteFile(base_ + "無題.files/$_無題001.jpg", "thumb one");
        WriteFile(base_ + "無題.files/noext", "no extension");
        WriteFile(base_ + "無題.files/.hidden", "hidden");
        WriteFile(base_ + "無題.files/sub/deep.txt", "deep");
        archive_ = base_ + "無題.zip";
    }

    // Runs "Zip" with switches and names, quoted as the packing quotes them.
    int Zip(const std::string& switches, const std::vector<std::string>& names) {
        std::string line = switches + " " + QuoteArgument(archive_) + " " + QuoteArgument(base_);
        for (const auto& name : names)
            line += " " + QuoteArgument(name);
        return api_.Zip(line);
    }

    TempDir dir_;
    std::string base_;
    std::string archive_;
    ArchiveApi api_;
};

TEST_F(ZipArchiveTest, AlbumArchiveOpensInStandardTools) {
    ASSERT_EQ(Zip("-S -6", {base_ + "無題.htm", base_ + "無題.files/*.*"}), 0);
    EXPECT_TRUE(test::UnzipTestsClean(archive_));
    EXPECT_EQ(PythonZipEntries(archive_), (Entries{{"無題.htm", "<html>index</html>"},
                                                   {"無題.files/無題001.jpg", "picture one"},
                                                   {"無題.files/$_無題001.jpg", "thumb one"},
                                                   {"無題.files/noext", "no extension"},
                                                   {"無題.files/.hidden", "hidden"}}));
    EXPECT_EQ(api_.UnZipCheckArchive(archive_, 1), 1);
    EXPECT_EQ(api_.UnZipCheckArchive(archive_, 2), 1);
    EXPECT_EQ(api_.UnZipEntryNames(archive_).size(), 5u);
}

TEST_F(ZipArchiveTest, SwitchesChooseHiddenFilesFoldersAndLevel) {
    ASSERT_EQ(Zip("-0", {"無題.files/*.*"}), 0);
    Entries plain = PythonZipEntries(archive_);
    EXPECT_EQ(plain.size(), 3u);
    EXPECT_EQ(plain.count("無題.files/.hidden"), 0u);
    EXPECT_EQ(plain.count("無題.files/sub/deep.txt"), 0u);
    ASSERT_EQ(::unlink(archive_.c_str()), 0);

    ASSERT_EQ(Zip("-r -9", {"無題.files/*"}), 0);
    EXPECT_EQ(PythonZipEntries(archive_), (Entries{{"無題.files/無題001.jpg", "picture one"},
                                                   {"無題.files/$_無題001.jpg", "thumb one"},
                                                   {"無題.files/noext", "no extension"},
                                                   {"無題.files/sub/deep.txt", "deep"}}));
    ASSERT_EQ(::unlink(archive_.c_str()), 0);

    ASSERT_EQ(Zip("-r -j", {"無題.files"}), 0);
    Entries junked = PythonZipEntries(archive_);
    EXPECT_EQ(junked.size(), 4u);
    EXPECT_EQ(junked["deep.txt"], "deep");
    EXPECT_TRUE(test::UnzipTestsClean(archive_));
}

TEST_F(ZipArchiveTest, UpdateKeepsOtherEntriesAndReplacesNamedOnes) {
    ASSERT_EQ(Zip("-6", {"無題.htm", "無題.files/無題001.jpg"}), 0);
    WriteFile(base_ + "無題.htm", "second index");
    ::unlink((base_ + "無題.files/無題001.jpg").c_str());
    WriteFile(base_ + "無題.files/無題002.jpg", "picture two");
    ASSERT_EQ(Zip("-6", {"無題.htm", "無題.files/無題002.jpg"}), 0);
    EXPECT_EQ(PythonZipEntries(archive_), (Entries{{"無題.htm", "second index"},
                                                   {"無題.files/無題001.jpg", "picture one"},
                                                   {"無題.files/無題002.jpg", "picture two"}}));
    EXPECT_TRUE(test::UnzipTestsClean(archive_));
}

TEST_F(ZipArchiveTest, OnlyANameEndingInAWildcardIsAPattern) {
    for (const char* name : {"a?b.htm", "aXb.htm", "*.htm", "[ab].htm", "a.htm", "b.htm", "x*",
                             "xy", "x?", "無題.files/k.jpg.albumon-0a1b2c"}) {
        WriteFile(base_ + name, name);
    }
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"a?b.htm", {"a?b.htm"}},
        {"*.htm", {"*.htm"}},
        {"[ab].htm", {"[ab].htm"}},
        {"x*", {"x*", "xy", "x?"}},
        {"x?", {"x*", "xy", "x?"}},
        {"無題.files/無題00?", {}},
        {"無題.files/無題*", {"無題.files/無題001.jpg"}},
        {"無題.files/*",
         {"無題.files/無題001.jpg", "無題.files/$_無題001.jpg", "無題.files/noext"}},
    };
    for (const auto& [name, stored] : cases) {
        ::unlink(archive_.c_str());
        const int result = Zip("-6", {name});
        Entries expected;
        for (const std::string& entry : stored)
            expected[entry] =
                entry.find('/') == std::string::npos ? entry : ReadFile(base_ + entry);
        EXPECT_EQ(result, stored.empty() ? 12 : 0) << name;
        EXPECT_EQ(PythonZipEntries(archive_), expected) << name;
    }
}

TEST_F(ZipArchiveTest, FileSyncRemovesEntriesOfFilesNotNamed) {
    ASSERT_EQ(Zip("-S -6", {"無題.htm", "無題.files/*"}), 0);
    ASSERT_EQ(PythonZipEntries(archive_).size(), 5u);
    WriteFile(base_ + "無題.htm", "second index");
    ASSERT_EQ(Zip("-S -FS -6", {"無題.htm", "無題.files/noext"}), 0);
    EXPECT_EQ(PythonZipEntries(archive_),
              (Entries{{"無題.htm", "second index"}, {"無題.files/noext", "no extension"}}));
    EXPECT_TRUE(test::UnzipTestsClean(archive_));
    // Nothing to remove, nothing changed: the archive stays as it was.
    const std::string before = ReadFile(archive_);
    ASSERT_EQ(Zip("-u -FS -6", {"無題.htm", "無題.files/noext"}), 0);
    EXPECT_EQ(ReadFile(archive_), before);
}

TEST_F(ZipArchiveTest, ReadOnlyArchiveIsNotRewritten) {
    ASSERT_EQ(Zip("-6", {"無題.htm"}), 0);
    const std::string before = ReadFile(archive_);
    ASSERT_EQ(::chmod(archive_.c_str(), 0444), 0);
    EXPECT_NE(Zip("-6", {"無題.htm", "無題.files/noext"}), 0);
    EXPECT_EQ(ReadFile(archive_), before);
    struct stat st {};
    ASSERT_EQ(::stat(archive_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    ASSERT_EQ(::chmod(archive_.c_str(), 0644), 0);
    EXPECT_EQ(Zip("-6", {"無題.htm", "無題.files/noext"}), 0);
}

TEST_F(ZipArchiveTest, UpdateOnlyReplacesOlderEntries) {
    ASSERT_EQ(Zip("-6", {"無題.htm", "無題.files/noext"}), 0);
    WriteFile(base_ + "無題.htm", "newer");
    WriteFile(base_ + "無題.files/noext", "older");
    utimbuf old{1000000000, 1000000000};
    ::utime((base_ + "無題.files/noext").c_str(), &old);
    utimbuf later{::time(nullptr) + 100, ::time(nullptr) + 100};
    ::utime((base_ + "無題.htm").c_str(), &later);
    ASSERT_EQ(Zip("-u -6", {"無題.htm", "無題.files/noext"}), 0);
    Entries entries = PythonZipEntries(archive_);
    EXPECT_EQ(entries["無題.htm"], "newer");
    EXPECT_EQ(entries["無題.files/noext"], "no extension");
}

TEST_F(ZipArchiveTest, NamesOutsideTheBaseAreRefused) {
    WriteFile(dir_ / "secret.txt", "outside");
    for (const std::string& name :
         {std::string("../secret.txt"), dir_ / "secret.txt",
          std::string("無題.files/../../secret.txt"), std::string("../*.*")}) {
        EXPECT_NE(Zip("-6", {name}), 0) << name;
        EXPECT_FALSE(FileExists(archive_)) << name;
    }
    ASSERT_EQ(Zip("-6", {"無題.files/sub/../noext", "./無題.htm"}), 0);
    EXPECT_EQ(PythonZipEntries(archive_),
              (Entries{{"無題.files/noext", "no extension"}, {"無題.htm", "<html>index</html>"}}));
}

TEST_F(ZipArchiveTest, LinkedArchiveUpdatesTheFileItPointsTo) {
    std::string real = dir_ / "store/real.zip";
    ::mkdir((dir_ / "store").c_str(), 0755);
    ASSERT_EQ(::symlink(real.c_str(), archive_.c_str()), 0);
    EXPECT_NE(Zip("-6", {"無題.htm"}), 0) << "a link that leads nowhere fails";
    EXPECT_FALSE(FileExists(real));
    ASSERT_EQ(api_.Zip("-6 " + QuoteArgument(real) + " " + QuoteArgument(base_) +
                       " \"無題.files/noext\""),
              0);
    ASSERT_EQ(Zip("-6", {"無題.htm"}), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(archive_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(PythonZipEntries(real),
              (Entries{{"無題.files/noext", "no extension"}, {"無題.htm", "<html>index</html>"}}));
}

TEST_F(ZipArchiveTest, FailuresLeaveTheOldArchiveAsItWas) {
    ASSERT_EQ(Zip("-6", {"無題.htm"}), 0);
    std::string before = ReadFile(archive_);
    EXPECT_NE(Zip("-6", {"無題.files/noext", "vanished.jpg"}), 0);
    EXPECT_NE(Zip("-6", {"無題.files/*.none"}), 0) << "nothing to do";
    EXPECT_NE(api_.Zip("-6 \"" + archive_ + "\" \"" + base_ + "\" \"@/no/response.txt\""), 0);
    EXPECT_NE(api_.Zip("-q \"" + archive_ + "\" \"" + base_ + "\" \"無題.htm\""), 0);
    EXPECT_EQ(ReadFile(archive_), before);

    WriteFile(base_ + "not.zip", "this is not a zip archive");
    archive_ = base_ + "not.zip";
    EXPECT_NE(Zip("-6", {"無題.htm"}), 0);
    EXPECT_EQ(ReadFile(archive_), "this is not a zip archive");
    EXPECT_EQ(api_.UnZipCheckArchive(archive_, 1), 0);
    EXPECT_EQ(test::FolderNames(base_),
              (std::vector<std::string>{"not.zip", "無題.files", "無題.htm", "無題.zip"}));
}

TEST_F(ZipArchiveTest, EmptyArchiveIsNeverDeleted) {
    // An archive with no entries: the end-of-directory record alone.
    std::string empty("PK\x05\x06", 4);
    empty.append(18, '\0');
    WriteFile(archive_, empty);
    EXPECT_NE(Zip("-6", {"*.none"}), 0);
    ASSERT_EQ(Zip("-u -6", {}), 12);
    EXPECT_EQ(ReadFile(archive_), empty);
}

// A full disk, played by a file-size limit in a child process.
TEST_F(ZipArchiveTest, FullDiskLeavesTheOldArchiveWhole) {
    ASSERT_EQ(Zip("-6", {"無題.htm"}), 0);
    std::string before = ReadFile(archive_);
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += static_cast<char>((i * 7919) ^ (i >> 3));
    WriteFile(base_ + "big.bin", big);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{65536, 65536};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(Zip("-0", {"big.bin"}) == 0 ? 0 : 7);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(ReadFile(archive_), before);
    EXPECT_EQ(test::FolderNames(base_),
              (std::vector<std::string>{"big.bin", "無題.files", "無題.htm", "無題.zip"}));
}

}  // namespace
}  // namespace albumon
