// albumon-make writes the very album the window's "保存" writes for the same list and choices.
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <map>

#include "FileSystem.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            const std::string bytes = ReadFile(item.path());
            files[fs::relative(item.path(), folder).string()] =
                item.path().filename() == kSaveRecord ? RecordWithoutTimes(bytes) : bytes;
        }
    }
    return files;
}

using MakeEqualsWindowTest = WindowTest;

TEST_F(MakeEqualsWindowTest, SameFilesSameBytes) {
    WriteJpeg(data / "in/a.jpg", 300, 200);
    WriteJpeg(data / "in/b.jpg", 120, 160);
    WriteFile(data / "in/c.jpg", PhoneJpeg(QuadrantRaster(64, 64), {1, true}));  // with GPS
    WriteFile(data / "note.txt", "夕方の海\r\n<i>静か</i>\r\n");
    ForceDirectories(data / "window");
    WriteFile(Program("albumon.INI"), "[File]\r\nOut=" + data.path() + "/window/\r\nZip=1\r\n");
    Open();
    Drop({QString::fromStdString(data / "in/a.jpg"), QString::fromStdString(data / "in/b.jpg"),
          QString::fromStdString(data / "in/c.jpg")});
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    ClickRow(0);
    Click(form->RotRBitBtn);
    ClickRow(1);
    TypeMemo("夕方の海\n<i>静か</i>");
    form->CheckBoxNoGps->setChecked(true);
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();

    std::string command = std::string("'") + ALBUMON_MAKE + "' -q --zip --strip-location -o '" +
                          data.path() + "/make' '" + (data / "in/a.jpg") + "' --rotate 1 '" +
                          (data / "in/b.jpg") + "' --note-below '" + (data / "note.txt") + "' '" +
                          (data / "in/c.jpg") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto window = Contents(data / "window");
    auto made = Contents(data / "make");
    window.erase("無題.zip");  // archives differ in their time stamps; list their names instead
    made.erase("無題.zip");
    // with the save's record in the album folder and one screen-size picture
    EXPECT_EQ(window.size(), 12u);
    EXPECT_TRUE(window == made);
    EXPECT_FALSE(ReadExifFacts(window["無題.files/無題003.jpg"]).gps);
    auto names = [&](const std::string& folder) {
        std::string listing = data / "names.txt";
        EXPECT_EQ(
            std::system(("unzip -Z1 '" + folder + "/無題.zip' | sort > '" + listing + "'").c_str()),
            0);
        return ReadFile(listing);
    };
    EXPECT_EQ(names(data / "window"), names(data / "make"));
}

}  // namespace
}  // namespace albumon::test
