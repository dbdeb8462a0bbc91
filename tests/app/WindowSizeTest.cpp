// The window's size: every control where the design puts it at 577 x 490 (against the geometry
// recorded in data/design-geometry.txt), the room of a larger window going to the lists, the
// preview and the note, and the size kept from one run to the next.
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "FileSystem.h"
#include "PictureBox.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

// One line per named control: its name, its parent's name and its place in the parent.
QStringList ControlGeometry(const QWidget& form) {
    QStringList lines;
    // Menus are windows of their own; the tab bar's scroll buttons are the style's.
    for (const QWidget* control : form.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || control->isWindow() ||
            control->parentWidget()->objectName() == QLatin1String("qt_tabwidget_tabbar"))
            continue;
        const QRect r = control->geometry();
        lines << QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(name, control->parentWidget()->objectName())
                     .arg(r.x())
                     .arg(r.y())
                     .arg(r.width())
                     .arg(r.height());
    }
    lines.sort();
    return lines;
}

QStringList RecordedGeometry() {
    QFile file(QStringLiteral(ALBUMON_SOURCE_DIR "/tests/app/data/design-geometry.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

using WindowSizeTest = WindowTest;

// Lays every page out once, at the window's present size.
void VisitPages(TForm1& window) {
    for (int page = window.PageControl1->count() - 1; page >= 0; --page)
        window.PageControl1->setCurrentIndex(page);
    QApplication::processEvents();
}

TEST_F(WindowSizeTest, DesignSizeKeepsEveryControlInPlace) {
    Open();
    EXPECT_EQ(form->size(), QSize(577, 490));
    VisitPages(*form);
    EXPECT_EQ(ControlGeometry(*form), RecordedGeometry());
    form->resize(1600, 1000);
    VisitPages(*form);
    form->resize(577, 490);
    VisitPages(*form);
    EXPECT_EQ(ControlGeometry(*form), RecordedGeometry());
}

TEST_F(WindowSizeTest, LargerWindowGivesTheRoomToListsPreviewAndNote) {
    WriteJpeg(data / "wide.jpg", 2000, 1500);
    Open();
    Drop({QString::fromStdString(data / "wide.jpg")});
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    ClickRow(0);
    EXPECT_EQ(form->Image1->geometry(), QRect(2, 30, 240, 180));
    form->resize(1600, 1000);
    VisitPages(*form);
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    // The page grows by three fifths of the extra width; the preview by two thirds of the extra
    // height, the note by the rest.
    EXPECT_EQ(form->Panel3->size(), QSize(244 + 614, 244 + 340));
    EXPECT_EQ(form->Memo->geometry(), QRect(6, 256 + 340, 334 + 614, 110 + 170));
    EXPECT_EQ(form->ListBoxIn->size(), QSize(209 + 409, 356 + 510));
    EXPECT_EQ(form->ListBoxOut->size(), QSize(332 + 614, 120 + 510));
    EXPECT_EQ(form->FileListBox1->geometry(), QRect(6, 234 + 255, 334 + 614, 124 + 255));
    EXPECT_EQ(form->SaveBitBtn->pos(), QPoint(250 + 614, 388 + 510));
    // The picture is fitted to the larger panel (its height is the limit there).
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form->Image1->size() == QSize(580 * 2000 / 1500, 580); }, kPatienceMs))
        << form->Image1->width() << "x" << form->Image1->height();
    form->RotRBitBtn->click();
    EXPECT_EQ(form->Image1->size(), QSize(580 * 1500 / 2000, 580));
    Close();
    // Larger than the test screen: the next start fits the window on it.
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(room.height(), 1000);
    Open();
    EXPECT_TRUE(room.contains(QRect(form->pos(), form->size()))) << room.width();
    EXPECT_GT(form->height(), 490);
    form->resize(640, 520);
    form->move(room.topLeft() + QPoint(10, 20));
    Close();
    Open();
    EXPECT_EQ(QRect(form->pos(), form->size()),
              QRect(room.topLeft() + QPoint(10, 20), QSize(640, 520)));
}

// A window closed maximised opens maximised; its normal place and size stay as they were read.
TEST_F(WindowSizeTest, MaximisedWindowComesBackMaximised) {
    WriteFile(Program("albumon.INI"),
              "[Pos]\r\nTop=30\r\nLeft=40\r\n[Option]\r\nWidth=600\r\nHeight=500\r\n");
    Open();
    EXPECT_FALSE(form->isMaximized());
    form->showMaximized();
    Close();
    const std::string ini = ReadFile(Program("albumon.INI"));
    for (const char* line :
         {"Top=30\r\n", "Left=40\r\n", "Width=600\r\n", "Height=500\r\n", "Maximized=1\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    Open();
    EXPECT_TRUE(form->isMaximized());
    form->showNormal();
    Close();
    EXPECT_NE(ReadFile(Program("albumon.INI")).find("Maximized=0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace albumon::test
