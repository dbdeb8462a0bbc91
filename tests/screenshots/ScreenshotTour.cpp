// Opens the real main window, browses to a folder of JPEG files and adds them, writes a note,
// turns a picture, and saves a screenshot of each page: albumon-tour PICTURES OUTDIR.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "FTVEX_D3.h"
#include "PictureView.h"
#include "Unit1.h"

namespace {

void Shot(albumon::TForm1& form, const QString& path) {
    QTest::qWait(300);
    QScreen* screen = form.screen();
    QRect frame = form.frameGeometry();
    QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || shot.toImage().allGray())
        shot = form.grab();
    // 256 colours keep the pictures small enough to ship with the help page.
    shot.toImage()
        .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
        .save(path);
    std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Albumon"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: albumon-tour PICTURES OUTDIR\n");
        return 2;
    }
    const QDir pictures(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    albumon::TForm1 form(albumon::ProgramPaths::OfThisProgram());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "window not exposed\n");
    form.FolderTreeView->SelectFolder(pictures.absolutePath().toStdString());
    Shot(form, out + "/1-input.png");
    form.BitBtnOpenClick();
    Shot(form, out + "/1-input-added.png");
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    form.ListBoxIn->setCurrentRow(0);
    form.Memo->setPlainText(QStringLiteral("海辺の朝。<b>晴れ</b>ていました。"));
    if (form.ListBoxIn->count() > 1) {
        form.ListBoxIn->setCurrentRow(1);
        form.RotRBitBtnClick();
        form.Memo->setPlainText(QStringLiteral("灯台から見た海。\n風が強い日でした。"));
    }
    Shot(form, out + "/2-picture.png");
    form.PageControl1->setCurrentWidget(form.TabSheet1);
    Shot(form, out + "/3-naming.png");
    form.PageControl1->setCurrentWidget(form.TabSheet4);
    Shot(form, out + "/4-general.png");
    return 0;
}
