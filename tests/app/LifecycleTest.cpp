// Start-up and shut-down of the window: defaults, settings applied and written back, the work
// folder, and a settings file that cannot be written.
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "FileListBox.h"
#include "FileSystem.h"
#include "UpDownSpinBox.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

using LifecycleTest = WindowTest;

TEST_F(LifecycleTest, DefaultsWithoutSettingsFile) {
    WriteFile(Program("Temp/Note3.txt"), "left over");
    Open();
    EXPECT_EQ(form->pos(), QPoint(50, 50));
    EXPECT_EQ(form->UpDownCompress->value(), 50);
    EXPECT_EQ(form->UpDownTSize->value(), 64);
    EXPECT_EQ(form->ThumbTopEdit->text(), "$_");
    EXPECT_FALSE(form->CheckBoxComp->isChecked());
    EXPECT_TRUE(form->RadioButton6->isChecked());
    EXPECT_EQ(form->OutPathLabel->text().toStdString(), program.path() + "/");
    EXPECT_EQ(form->TP_PathLabel->text().toStdString(), program.path() + "/Def/");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    EXPECT_EQ(form->size(), QSize(577, 490));
    EXPECT_TRUE(FolderNames(Program("Temp")).empty());
}

TEST_F(LifecycleTest, SettingsAppliedAndWrittenBack) {
    WriteFile(Program("albumon.INI"),
              "; mine\r\n[Pos]\r\nTop=60\r\nLeft=0x20\r\n[File]\r\nComp=80\r\nZip=2\r\n"
              "NameDef=1\r\n[Thumb]\r\nHead=th_\r\nSize=abc\r\n[Other]\r\nKey=1\r\n"
              "[Option]\r\nIcons=1\r\n");
    Open();
    EXPECT_EQ(form->pos(), QPoint(32, 60));
    EXPECT_EQ(form->UpDownCompress->value(), 80);
    EXPECT_EQ(form->UpDownTSize->value(), 64);
    EXPECT_TRUE(form->CheckBoxComp->isChecked());
    EXPECT_TRUE(form->RadioButton7->isChecked());
    EXPECT_TRUE(form->mnuIcons->isChecked());
    EXPECT_TRUE(form->FileListBox1->IconView());
    form->mnuIcons->setChecked(false);
    form->ThumbTopEdit->setText("  t_ ");
    form->UpDownTSize->setValue(100);
    form->RadioButton6->setChecked(true);
    form->showMaximized();
    Close();
    std::string ini = ReadFile(Program("albumon.INI"));
    EXPECT_NE(ini.find("; mine"), std::string::npos);
    EXPECT_NE(ini.find("Top=60\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Left=32\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Head=t_\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Size=100\r\n"), std::string::npos);
    EXPECT_NE(ini.find("NameDef=0\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Icons=0\r\n"), std::string::npos);
    EXPECT_NE(ini.find("[Other]\r\nKey=1"), std::string::npos);
}

TEST_F(LifecycleTest, UnwritableSettingsAreReportedAndTheProgramStillCloses) {
    ForceDirectories(Program("albumon.INI"));  // a folder where the settings file should be
    Open();
    WriteFile(Program("Temp/Note0.txt"), "note");
    form->close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_TRUE(boxes.seen[0].text.contains("に書き込めません"));
    EXPECT_TRUE(FolderNames(Program("Temp")).empty());
    form.reset();
}

// The window system appends the application's display name to every title once one is set;
// without one (the display name then follows the application name) a box titled "エラー" is
// shown as "エラー", and the main window as "Albumon".
TEST_F(LifecycleTest, TitlesAreShownAsWritten) {
    EXPECT_EQ(QCoreApplication::applicationName(), "Albumon");
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName("Albumon");
    WriteJpeg(data / "a.jpg", 20, 20);
    Open();
    EXPECT_EQ(form->windowTitle(), "Albumon");
    Drop({QString::fromStdString(data / "a.jpg")});
    Click(form->BitBtnUp);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
}

}  // namespace
}  // namespace albumon::test
