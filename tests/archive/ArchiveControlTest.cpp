// Tests of the archive component: archive choice, the command line it builds, the response
// file, and packing an album end to end.
#include <gtest/gtest.h>

#include "ArchiveCheck.h"
#include "ArchiveCtrls.h"
#include "FileSystem.h"
#include "TestSupport.h"

namespace albumon {
namespace {

using test::PythonZipEntries;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ArchiveControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = dir_.path() + "/album/";
        WriteFile(base_ + "無題.htm", "index");
        WriteFile(base_ + "無題.files/無題001.jpg", "one");
        WriteFile(base_ + "無題.files/sub/skip.jpg", "not packed");
        control_.ResponseFolder = dir_.path() + "/exe/";
        ForceDirectories(control_.ResponseFolder);
        control_.OnChange = [this](TArchiveControl&) { events_ += "change;"; };
        control_.OnInvalid = [this](TArchiveControl&, const std::string& file) {
            events_ += "invalid " + file + ";";
        };
    }

    TempDir dir_;
    std::string base_;
    TArchiveControl control_;
    std::string events_;
};

TEST_F(ArchiveControlTest, DefaultsAndOptionSwitches) {
    EXPECT_EQ(control_.SupportArchives.Bits(), 126);
    EXPECT_EQ(TSupportArchives{TArchiveType::atZip}.Bits(), 64);
    EXPECT_EQ(control_.ZipOptions.CompressOptions.Bits(), 7);
    EXPECT_EQ(control_.ArchiveType(), TArchiveType::atNone);
    control_.ZipOptions.SetCompressLevel(12);
    EXPECT_EQ(control_.ZipOptions.CompressLevel(), 9);

    control_.SetArchiveFile("/a/b.zip");
    TArchiveStrings list("");
    control_.ZipOptions.CompressOptions = {};
    EXPECT_EQ(control_.ZipCommandLine(list), "-j -u -9 \"/a/b.zip\" ");
    control_.ZipOptions.CompressOptions = {TCompressOption::coRecurse,
                                           TCompressOption::coIncludeHidden};
    control_.ZipOptions.SetCompressLevel(0);
    EXPECT_EQ(control_.ZipCommandLine(list), "-j -u -S -r -0 \"/a/b.zip\" ");
    control_.ZipOptions.CompressOptions.Include(TCompressOption::coFileSync);
    EXPECT_EQ(control_.ZipCommandLine(list), "-j -u -S -r -FS -0 \"/a/b.zip\" ");
}

TEST_F(ArchiveControlTest, CommandLineOfTheAlbumSave) {
    control_.SupportArchives = {TArchiveType::atZip};
    control_.SetArchiveFile(base_ + "無題.zip");
    TArchiveStrings list("");
    list.BaseDir = base_;
    list.Add(base_ + "無題.htm");
    list.Add(base_ + "無題.files/*.*");
    std::string b = base_;
    EXPECT_EQ(control_.ZipCommandLine(list), "-S -6 \"" + b + "無題.zip\" \"" + b + "\" \"" + b +
                                                 "無題.htm\" \"" + b + "無題.files/*.*\" ");
    EXPECT_FALSE(list.Quoted);
    EXPECT_EQ(list.Strings(0), base_ + "無題.htm");
}

TEST_F(ArchiveControlTest, PackFilesMakesTheAlbumArchive) {
    std::vector<std::string> seen;
    control_.OnStart = [&](TArchiveControl&, TArchiveOperation) { seen.push_back("start"); };
    control_.OnCompress = [&](TArchiveControl&, const std::string& line) { seen.push_back(line); };
    control_.OnEnd = [&](TArchiveControl&, TArchiveOperation, int result) {
        seen.push_back("end " + std::to_string(result));
    };
    control_.SupportArchives = {TArchiveType::atZip};
    control_.SetArchiveFile(base_ + "無題.zip");
    ASSERT_EQ(
        control_.PackFiles(dir_.path() + "/album", {base_ + "無題.htm", base_ + "無題.files/*.*"}),
        kPackDone);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "start");
    EXPECT_EQ(seen[1].substr(0, 7), "-S -6 \"");
    EXPECT_EQ(seen[2], "end 0");
    EXPECT_TRUE(test::UnzipTestsClean(base_ + "無題.zip"));
    EXPECT_EQ(PythonZipEntries(base_ + "無題.zip"),
              (std::map<std::string, std::string>{{"無題.htm", "index"},
                                                  {"無題.files/無題001.jpg", "one"}}));
    EXPECT_EQ(control_.Listing().size(), 2u);

    // A second save of the run updates the same archive in place.
    WriteFile(base_ + "無題.htm", "index 2");
    ::unlink((base_ + "無題.files/無題001.jpg").c_str());
    WriteFile(base_ + "無題.files/無題002.jpg", "two");
    control_.SetArchiveFile(base_ + "無題.zip");
    ASSERT_EQ(control_.PackFiles(base_, {base_ + "無題.htm", base_ + "無題.files/*.*"}), kPackDone);
    EXPECT_EQ(PythonZipEntries(base_ + "無題.zip"),
              (std::map<std::string, std::string>{{"無題.htm", "index 2"},
                                                  {"無題.files/無題001.jpg", "one"},
                                                  {"無題.files/無題002.jpg", "two"}}));
    EXPECT_EQ(control_.Listing().size(), 3u);
}

TEST_F(ArchiveControlTest, PackFilesResults) {
    control_.SetArchiveFile(base_ + "a.zip");
    EXPECT_EQ(control_.PackFiles(dir_ / "missing", {"x"}), kPackFailed);
    std::string log;
    control_.OnLog = [&](TArchiveControl&, const std::string& output) { log += output; };
    EXPECT_EQ(control_.PackFiles(base_, {"gone.htm"}), kPackFailed);
    EXPECT_NE(log.find("gone.htm"), std::string::npos);
    EXPECT_FALSE(FileExists(base_ + "a.zip"));
    EXPECT_EQ(control_.PackFiles(base_, {"無題.htm"}), kPackDone);
    EXPECT_NE(log.find("adding: 無題.htm"), std::string::npos);

    control_.SetArchiveFile(base_ + "a.lzh");
    EXPECT_EQ(control_.ArchiveType(), TArchiveType::atLha);
    EXPECT_EQ(control_.PackFiles(base_, {"無題.htm"}), kPackNoArchive);
    control_.SetArchiveFile("");
    EXPECT_EQ(control_.ArchiveType(), TArchiveType::atNone);
    EXPECT_EQ(control_.PackFiles(base_, {"無題.htm"}), kPackNoArchive);
}

TEST_F(ArchiveControlTest, ChoosingArchives) {
    control_.SetArchiveFile(base_ + "new.ZIP");
    EXPECT_EQ(control_.ArchiveType(), TArchiveType::atZip);
    control_.SetArchiveFile(base_ + "new.ZIP");
    EXPECT_EQ(events_, "change;");
    ASSERT_EQ(control_.PackFiles(base_, {"無題.htm"}), kPackDone);
    control_.SetArchiveFile("");
    control_.SetArchiveFile(base_ + "new.ZIP");
    EXPECT_EQ(control_.ArchiveType(), TArchiveType::atZip);
    EXPECT_EQ(control_.Listing(), std::vector<std::string>{"無題.htm"});

    control_.SupportArchives = {TArchiveType::atLha};
    control_.SetArchiveFile("");
    events_.clear();
    control_.SetArchiveFile(base_ + "new.ZIP");
    EXPECT_EQ(events_, "invalid " + base_ + "new.ZIP;");
    EXPECT_EQ(control_.ArchiveFile(), "");
}

// A target that exists but is no zip archive is refused; the pack must then not go into the
// archive an earlier save chose, nor touch the refused file.
TEST_F(ArchiveControlTest, RefusedTargetPacksNothing) {
    control_.SetArchiveFile(base_ + "first.zip");
    ASSERT_EQ(control_.PackFiles(base_, {"無題.htm"}), kPackDone);
    std::string first = ReadFile(base_ + "first.zip");
    WriteFile(base_ + "second.zip", "not an archive");
    WriteFile(base_ + "other.lzh", "lha?");
    for (const std::string& target : {base_ + "second.zip", base_ + "other.lzh"}) {
        events_.clear();
        control_.SetArchiveFile(target);
        EXPECT_EQ(events_,
                  "invalid " + target + ";" + (target == base_ + "second.zip" ? "change;" : ""));
        EXPECT_EQ(control_.ArchiveType(), TArchiveType::atNone);
        EXPECT_EQ(control_.PackFiles(base_, {"無題.htm", "無題.files/*.*"}), kPackNoArchive);
    }
    EXPECT_EQ(ReadFile(base_ + "first.zip"), first);
    EXPECT_EQ(ReadFile(base_ + "second.zip"), "not an archive");
}

std::vector<std::string> ManyNames(const std::string& folder, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = "写真 \"" + std::to_string(i) + "\".jpg";
        WriteFile(folder + name, "picture " + std::to_string(i));
        names.push_back(name);
    }
    return names;
}

TEST_F(ArchiveControlTest, TwoHundredFortyNamesGoInline) {
    control_.SetArchiveFile(base_ + "many.zip");
    TArchiveStrings list("");
    for (const auto& name : ManyNames(base_, 240))
        list.Add(name);
    std::string line = control_.ZipCommandLine(list);
    EXPECT_NE(line.find(" \"写真 \"\"0\"\".jpg\" "), std::string::npos);
    EXPECT_TRUE(line.ends_with(" \"写真 \"\"239\"\".jpg\" ")) << line.substr(line.size() - 40);
    EXPECT_FALSE(FileExists(control_.ResponseFolder + "Response.txt"));
}

TEST_F(ArchiveControlTest, TwoHundredFortyOneNamesGoThroughTheResponseFile) {
    control_.SetArchiveFile(base_ + "many.zip");
    std::vector<std::string> names = ManyNames(base_, 241);
    TArchiveStrings list("");
    list.BaseDir = base_;
    for (const auto& name : names)
        list.Add(name);
    std::string response = control_.ResponseFolder + "Response.txt";
    EXPECT_EQ(control_.ZipCommandLine(list),
              "-S -6 \"" + base_ + "many.zip\" \"" + base_ + "\" \"@" + response + "\"");
    std::string expected;
    for (const auto& name : names)
        expected += "\"写真 \"\"" + name.substr(8, name.size() - 13) + "\"\".jpg\"\r\n";
    EXPECT_EQ(ReadFile(response), expected);

    control_.ResponseFile = "names.rsp";
    ASSERT_EQ(control_.PackFiles(base_, names), kPackDone);
    EXPECT_TRUE(FileExists(control_.ResponseFolder + "names.rsp"));
    auto entries = PythonZipEntries(base_ + "many.zip");
    EXPECT_EQ(entries.size(), 241u);
    EXPECT_EQ(entries["写真 \"240\".jpg"], "picture 240");
    EXPECT_TRUE(test::UnzipTestsClean(base_ + "many.zip"));
}

}  // namespace
}  // namespace albumon
