// What the save refuses before it writes anything: colliding names, an output folder in the
// template, a template in the album folder, names that are not UTF-8, "\" with a zip and names
// too long for the file system. A refused save leaves every folder as it was.
#include <unistd.h>

#include <functional>

#include "Errors.h"
#include "SaveChecks.h"
#include "SaveFixture.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;

class SaveChecksTest : public test::SaveAlbumTest {
  protected:
    SaveChecksTest() { naming.HeadText = "旅"; }

    void Name(int k, const std::string& typed) {
        state.Entries[k].NameMode = nmSpecified;
        state.Entries[k].OutName = SpecifiedOutName(typed);
    }

    // Every path below the test folder, folders included.
    std::vector<std::string> Tree() const {
        std::vector<std::string> paths;
        for (const auto& item : fs::recursive_directory_iterator(dir.path()))
            paths.push_back(item.path().string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

TEST_F(SaveChecksTest, RefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        std::function<void()> change;
        std::string message;
    };
    ASSERT_EQ(::symlink((dir / "Def").c_str(), (dir / "link").c_str()), 0);
    const std::string longName(250, 'n');
    const Case cases[] = {
        {"a given name equal to an automatic one", [&] { Name(3, "旅001"); },
         "1番目（a.jpg）と4番目（g.jpg）: 「旅001.jpg」"},
        {"a kept name equal to a given one but for case",
         [&] {
             state.Entries[2].NameMode = nmKeep;
             state.Entries[2].SourcePath = dir / "in/A.jpg";
             Name(3, "a");
             RefreshOutputNames(state, naming);
         },
         "3番目（A.jpg）と4番目（g.jpg）: 「a.jpg」"},
        {"output folder is the template", [&] { state.OutPath = dir / "Def/"; },
         "テンプレートフォルダー"},
        {"output folder inside the template, through a link",
         [&] { state.OutPath = dir / "link/new/"; }, "テンプレートフォルダー"},
        {"template inside the album folder",
         [&] {
             ForceDirectories(dir / "out/旅.files");
             fs::copy(dir / "Def", dir / "out/旅.files/t", fs::copy_options::recursive);
             state.TemplatePath = dir / "out/旅.files/t/";
         },
         "アルバムのフォルダー"},
        {"kept name not UTF-8",
         [&] {
             state.Entries[0].NameMode = nmKeep;
             state.Entries[0].SourcePath = dir / "in/\xff.jpg";
             RefreshOutputNames(state, naming);
         },
         "UTF-8"},
        {"\\ in a name with a zip",
         [&] {
             state.MakeZip = true;
             Name(0, "..\\..\\x");
         },
         "「..\\..\\x.jpg」には「\\」"},
        {"a thumbnail name of 256 bytes", [&] { Name(0, longName); }, "長すぎます"},
    };
    for (const Case& c : cases) {
        Fill(dir / "out");
        state.MakeZip = false;
        state.TemplatePath = dir / "Def/";
        ASSERT_FALSE(SaveProblem(state, "旅")) << c.what;
        c.change();
        const std::vector<std::string> before = Tree();
        const auto problem = SaveProblem(state, "旅");
        ASSERT_TRUE(problem) << c.what;
        EXPECT_NE(problem->find(c.message), std::string::npos) << c.what << ": " << *problem;
        EXPECT_THROW(SaveAlbum(state, view, "旅", nullptr), Exception) << c.what;
        EXPECT_EQ(Tree(), before) << c.what;
        EXPECT_EQ(state.EntryCount, 5);
        fs::remove_all(dir / "out");
    }
}

TEST_F(SaveChecksTest, WhatIsAllowed) {
    // "\" without a zip, names up to 255 bytes, head and prefix in UTF-8, names that differ
    // in an accent.
    Fill(dir / "out");
    Name(0, "a\\b");
    // The template asks for screen sizes: the largest, n...n.3072.jpg, takes 246 + 9 = 255 bytes.
    Name(1, std::string(246, 'n'));
    Name(2, "cafe");
    Name(3, "caf\u00e9");
    RefreshOutputNames(state, naming);
    EXPECT_FALSE(SaveProblem(state, "旅")) << *SaveProblem(state, "旅");
    state.MakeZip = true;
    EXPECT_TRUE(SaveProblem(state, "旅"));
    for (const char* text : {"", "ascii", "日本語", "\xF0\x9F\x93\xB7"})
        EXPECT_TRUE(IsValidUtf8(text)) << text;
    for (const char* text : {"\xff", "\xC0\xAF", "\xED\xA0\x80", "\xE6\x97", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(text)) << text;
}

}  // namespace
}  // namespace albumon
