// The program's start: paths named on the command line, the places an installed program uses,
// the version on the About page, and the running program closed by a termination signal.
#include <signal.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <thread>

#include "FileSystem.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

using ProgramStartTest = WindowTest;

TEST_F(ProgramStartTest, CommandLinePathsAreAddedAsDropAndFolderChoiceAddThem) {
    WriteJpeg(data / "b.jpg", 40, 30);
    WriteJpeg(data / "旅行.files/p2.jpg", 40, 30);
    WriteJpeg(data / "旅行.files/p1.jpg", 40, 30);
    WriteJpeg(data / "旅行.files/$_p1.jpg", 20, 15);
    WriteFile(data / "notes.txt", "not a picture");
    Open();
    form->AddStartPaths(
        {data / "b.jpg", data / "notes.txt", data / "旅行.files", data / "none.jpg"});
    EXPECT_EQ(InputRows(), (QStringList{"b.jpg", "p1.jpg", "p2.jpg"}));
    EXPECT_EQ(form->EditHedFix->text(), QStringLiteral("旅行"));
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(ProgramStartTest, InstalledWindowUsesItsOwnFoldersAndWritesNothingBesideItself) {
    // An installed program's folder cannot be written; here it does not even exist.
    ProgramPaths paths = ProgramPaths::Beside(data / "usr/bin/albumon");
    paths.SettingsFile = data / "config/albumon/albumon.INI";
    paths.WorkFolder = data / "cache/albumon/Temp";
    paths.OutFolder = data / "home/";
    paths.TemplateFolder = data / "share/Def/";
    ForceDirectories(data / "share");
    std::filesystem::copy(ALBUMON_SOURCE_DIR "/Def", data / "share/Def",
                          std::filesystem::copy_options::recursive);
    ForceDirectories(data / "home");
    WriteFile(data / "cache/albumon/Temp/Note1.txt", "left over");
    WriteJpeg(data / "in/p1.jpg", 64, 48);
    form = std::make_unique<TForm1>(paths);
    form->show();
    EXPECT_EQ(form->OutPathLabel->text().toStdString(), data / "home/");
    EXPECT_EQ(form->TP_PathLabel->text().toStdString(), data / "share/Def/");
    EXPECT_TRUE(FolderNames(data / "cache/albumon/Temp").empty());
    Click(form->CheckBoxComp);
    Drop({QString::fromStdString(data / "in/p1.jpg")});
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    EXPECT_TRUE(FileExists(data / "home/無題.zip"));
    Close();
    EXPECT_NE(ReadFile(data / "config/albumon/albumon.INI").find("Zip=1"), std::string::npos);
    EXPECT_FALSE(DirectoryExists(data / "usr"));
}

TEST_F(ProgramStartTest, AboutPageShowsTheProjectVersion) {
    Open();
    EXPECT_TRUE(
        form->Label8->text().startsWith(QStringLiteral("Version " ALBUMON_SHORT_VERSION " ")))
        << form->Label8->text().toStdString();
}

// The built program, copied into a folder of its own, run offscreen with an unsaved picture in
// its list and sent a signal: it closes without asking.
TEST_F(ProgramStartTest, TerminationSignalClosesTheWindowAndWritesTheSettings) {
    std::filesystem::copy_file(ALBUMON_PROGRAM, Program("albumon"));
    WriteJpeg(data / "a.jpg", 40, 30);
    for (int signal : {SIGTERM, SIGINT}) {
        std::filesystem::remove(Program("albumon.INI"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QString::fromStdString(Program("albumon")),
                      {QString::fromStdString(data / "a.jpg")});
        ASSERT_TRUE(process.waitForStarted());
        // The work folder is made while the window is created, after the handlers are set: from
        // then on the signal closes the window whenever it comes.
        for (int k = 0; k < kPatienceMs / 10 && !DirectoryExists(Program("Temp")); ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(DirectoryExists(Program("Temp"))) << signal;
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(kPatienceMs)) << signal;
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(process.exitCode(), 0) << signal;
        EXPECT_TRUE(FileExists(Program("albumon.INI"))) << signal;
        std::filesystem::remove_all(Program("Temp"));
    }
}

}  // namespace
}  // namespace albumon::test
