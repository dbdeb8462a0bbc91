// albumon-make over an album it saved before: what still fits is kept and the notice says how
// many pictures were made; --rebuild makes every file again.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>

#include "FileSystem.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class MakeResaveTest : public ::testing::Test {
  protected:
    MakeResaveTest() {
        ForceDirectories(dir / "tmp");
        for (int k = 0; k < 3; ++k) {
            Raster raster(640, 480, pf24bit);
            for (int y = 0; y < 480; ++y) {
                for (int x = 0; x < 3 * 640; ++x)
                    raster.Row(y)[x] = static_cast<std::uint8_t>(x / (k + 1) + y);
            }
            test::WriteFile(dir / ("in/" + std::to_string(k) + ".jpg"),
                            EncodeJpeg(raster, EncodeOptions{}));
        }
        test::WriteFile(dir / "note.txt", "夕方\n");
    }

    // albumon-make on the three pictures (the second with the note), then extra arguments;
    // its standard output.
    std::string Make(const std::vector<std::string>& extra = {}) {
        std::string command = "cd " + Quote(dir.path()) + " && TMPDIR=" + Quote(dir / "tmp") + " " +
                              Quote(ALBUMON_MAKE) +
                              " -o out --zip in/0.jpg in/1.jpg --note-below note.txt in/2.jpg";
        for (const std::string& arg : extra)
            command += " " + Quote(arg);
        command += " 2>" + Quote(dir / "err.txt");
        std::string out;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << test::ReadFile(dir / "err.txt");
        return out;
    }

    // The file number of every file of the album (the record aside).
    std::map<std::string, ino_t> Files() const {
        std::map<std::string, ino_t> files;
        for (const auto& item : fs::recursive_directory_iterator(dir / "out")) {
            struct stat st {};
            if (item.is_regular_file() && item.path().filename() != test::kSaveRecord &&
                ::lstat(item.path().c_str(), &st) == 0)
                files[fs::relative(item.path(), dir / "out").string()] = st.st_ino;
        }
        return files;
    }

    test::TempDir dir;
};

TEST_F(MakeResaveTest, WhatStillFitsIsKeptAndRebuildMakesEverythingAgain) {
    const std::string index = " — " + dir / "out/無題.htm\n";
    EXPECT_EQ(Make(), "保存しました: 3 枚" + index);
    const auto first = Files();
    ASSERT_GT(first.size(), 10u);
    // Nothing changed: nothing is written, the zip included.
    EXPECT_EQ(Make(), "保存しました: 3 枚（新しく作成 0 枚）" + index);
    EXPECT_EQ(Files(), first);
    // One picture turned: its files, the index page and the zip are made again.
    test::WriteFile(dir / "note.txt", "夕方の海\n");
    EXPECT_EQ(Make({"--rotate", "1"}), "保存しました: 3 枚（新しく作成 1 枚）" + index);
    const auto turned = Files();
    std::vector<std::string> remade;
    for (const auto& [name, file] : turned) {
        if (first.count(name) == 0 || first.at(name) != file)
            remade.push_back(name);
    }
    for (const char* name : {"無題.zip", "無題.htm", "無題.files/無題003.jpg",
                             "無題.files/$_無題003.jpg", "無題.files/無題002.htm"})
        EXPECT_NE(std::find(remade.begin(), remade.end(), name), remade.end()) << name;
    for (const char* name : {"無題.files/無題001.jpg", "無題.files/$_無題001.jpg",
                             "無題.files/無題002.jpg", "無題.files/albumon-sizes/無題001.160.jpg"})
        EXPECT_EQ(std::find(remade.begin(), remade.end(), name), remade.end()) << name;
    // --rebuild: every file made again.
    EXPECT_EQ(Make({"--rotate", "1", "--rebuild"}), "保存しました: 3 枚" + index);
    for (const auto& [name, file] : Files())
        EXPECT_NE(turned.at(name), file) << name;
}

}  // namespace
}  // namespace albumon
