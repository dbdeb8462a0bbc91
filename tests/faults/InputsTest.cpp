// Inputs that are no plain files: links leading out of a template's support folder and special
// files in it, for albumon-make and the window (each under a time limit, as a fifo would hold a
// save for ever); a settings file that is a link or that may be written in a folder that may not.
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "SaveNoticeBar.h"

namespace albumon::test {
namespace {

class InputsTest : public FaultTest {
  protected:
    // A template with its support folder holding a link inside the template, a link to a private
    // file elsewhere and a fifo.
    void HostileTemplate() {
        std::filesystem::copy(ALBUMON_SOURCE_DIR "/Def", data / "tpl",
                              std::filesystem::copy_options::recursive);
        WriteFile(data / "private/secret.txt", "secret");
        WriteFile(data / "tpl/extra.css", "extra");
        const std::string support = data / "tpl/Def.files/";
        ASSERT_EQ(::symlink("../extra.css", (support + "extra.css").c_str()), 0);
        ASSERT_EQ(
            ::symlink((data / "private/secret.txt").c_str(), (support + "secret.txt").c_str()), 0);
        ASSERT_EQ(::mkfifo((support + "pipe.js").c_str(), 0644), 0);
        for (int k = 0; k < 2; ++k) {
            pictures.push_back(data / ("in/p" + std::to_string(k) + ".jpg"));
            WriteJpeg(pictures.back(), 80, 60);
        }
    }

    // The album folder holds the template's own files and the linked one inside it, nothing else.
    void ExpectNothingLeaked(const std::string& out) {
        const std::vector<std::string> names = Names(out + "/無題.files");
        for (const char* name :
             {"album.css", "album.js", "extra.css", "無題001.jpg", "無題002.jpg"})
            EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        for (const char* name : {"secret.txt", "pipe.js"})
            EXPECT_EQ(std::find(names.begin(), names.end(), name), names.end()) << name;
        for (const auto& item : std::filesystem::recursive_directory_iterator(out)) {
            if (item.is_regular_file()) {
                EXPECT_EQ(ReadFile(item.path()).find("secret"), std::string::npos) << item.path();
            }
        }
    }

    std::vector<std::string> pictures;
};

TEST_F(InputsTest, SupportFolderWithLinksAndFifoThroughMake) {
    FaultCase fault("links, fifo in support folder");
    HostileTemplate();
    fault.sources.Add(data / "private/secret.txt");
    for (const std::string& picture : pictures)
        fault.sources.Add(picture);
    ChildRun run = RunChild("/usr/bin/timeout",
                            {"-s", "KILL", "60", ALBUMON_MAKE, "-q", "--zip", "--template",
                             data / "tpl", "-o", data / "out", pictures[0], pictures[1]},
                            data / "tmp");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("albumon-make: 警告: " + data / "tpl/Def.files/pipe.js: "),
              std::string::npos)
        << run.err;
    ExpectNothingLeaked(data / "out");
}

TEST_F(InputsTest, SupportFolderWithLinksAndFifoInTheWindow) {
    FaultCase fault("links, fifo in support folder");
    const Watchdog watchdog(120);
    HostileTemplate();
    fault.sources.Add(data / "private/secret.txt");
    for (const std::string& picture : pictures)
        fault.sources.Add(picture);
    Settings(data / "out", true, "Def=" + data / "tpl/\r\n");
    Open();
    Drop(Q(pictures));
    Click(form->SaveBitBtn);
    // The refused support file is a warning of the save, listed in its notice.
    EXPECT_TRUE(boxes.seen.empty()) << BoxTexts();
    ASSERT_TRUE(form->NoticeBar->isVisible());
    const QString warnings = form->NoticeBar->Warnings->text();
    EXPECT_TRUE(warnings.contains(QString::fromStdString(data / "tpl/Def.files/pipe.js")))
        << warnings.toStdString();
    ExpectNothingLeaked(data / "out");
}

using SettingsFileTest = FaultTest;

TEST_F(SettingsFileTest, LinkedSettingsFileStaysALink) {
    FaultCase fault("settings linked, in ro folder");
    const std::string shared = data / "shared/albumon.INI";
    WriteFile(shared, "; shared\r\n[Thumb]\r\nSize=80\r\n");
    ASSERT_EQ(::symlink(shared.c_str(), Program("albumon.INI").c_str()), 0);
    Open();
    form->ThumbTopEdit->setText("linked_");
    Close();
    EXPECT_TRUE(boxes.seen.empty()) << BoxTexts();
    struct stat st {};
    ASSERT_EQ(::lstat(Program("albumon.INI").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(shared).rfind("; shared\r\n[Thumb]\r\nSize=80\r\nHead=linked_\r\n", 0), 0u)
        << ReadFile(shared);
}

TEST_F(SettingsFileTest, WritableSettingsFileInReadOnlyFolder) {
    FaultCase fault("settings linked, in ro folder");
    const std::string ini = Program("albumon.INI");
    WriteFile(data / "rw/albumon.INI", "; writable\r\n");
    WriteFile(ini, "");
    Open();
    // The program's folder read-only, the settings file in it bound from a writable place.
    std::unique_ptr<Mount> folder = Mount::ReadOnlyBind(program.path(), program.path());
    ASSERT_TRUE(folder);
    std::unique_ptr<Mount> file = Mount::Bind(data / "rw/albumon.INI", ini);
    ASSERT_TRUE(file);
    form->ThumbTopEdit->setText("in_place_");
    Close();
    EXPECT_TRUE(boxes.seen.empty()) << BoxTexts();
    file.reset();
    folder.reset();
    const std::string written = ReadFile(data / "rw/albumon.INI");
    EXPECT_EQ(written.rfind("; writable\r\n[Pos]\r\n", 0), 0u) << written;
    EXPECT_NE(written.find("Head=in_place_\r\n"), std::string::npos) << written;
}

}  // namespace
}  // namespace albumon::test
