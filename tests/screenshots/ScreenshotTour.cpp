// Opens the real main window, browses to a folder of JPEG files and adds them, writes a note,
// turns a picture, and saves a screenshot of each page, of the grown window with the list's
// pictures, marks and the file list's icon view, of the output folder picker, of the
// question an empty save asks, of the notice a save with a warning leaves, and of the questions
// before a save replaces another album and before a close loses unsaved pictures:
// albumon-tour PICTURES OUTDIR.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <optional>

#include "Application.h"
#include "FTVEX_D3.h"
#include "FolderDialog.h"
#include "ThumbnailCache.h"
#include "Unit1.h"
#include "renditions/PictureView.h"

namespace {

void Save(const QPixmap& shot, const QString& path) {
    // 256 colours keep the pictures small enough to ship with the help page.
    shot.toImage()
        .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
        .save(path);
    std::printf("%s\n", qPrintable(path));
}

void Shot(albumon::TForm1& form, const QString& path) {
    QTest::qWait(300);
    QScreen* screen = form.screen();
    QRect frame = form.frameGeometry();
    QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || shot.toImage().allGray())
        shot = form.grab();
    Save(shot, path);
}

// Runs open, which shows a modal dialog over the window; once the dialog is up, saves a
// screenshot of the window with the dialog and closes the dialog with close.
void ShotOfDialog(albumon::TForm1& form, const QString& path, const std::function<void()>& open,
                  const std::function<void(QWidget*)>& close) {
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialog->isVisible())
            return;
        watch.stop();
        QTest::qWait(500);
        const QRect area = form.frameGeometry().united(dialog->frameGeometry());
        Save(form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()), path);
        close(dialog);
    });
    watch.start();
    open();
}

// Lets the list's thumbnails come in (decodes on workers) before a screenshot.
void WaitForThumbnails(albumon::TForm1& form, int decodes) {
    if (!QTest::qWaitFor([&] { return form.Thumbnails().Decodes() >= decodes; }, 20000))
        std::fprintf(stderr, "thumbnails still loading\n");
    QTest::qWait(200);
}

// The window grown, on the input page: the input list's pictures with their marks (a note below,
// a turn with a note above, a commentary's first line) and the file list as icons.
void ShotOfGrownWindow(albumon::TForm1& form, const QString& path) {
    form.ListBoxIn->setCurrentRow(1);
    form.RadioButton1->click();
    form.ListBoxIn->setCurrentRow(form.ListBoxIn->count() - 1);
    form.InsBitBtnClick();
    form.Memo->setPlainText(QStringLiteral("二日目は灯台まで歩きました。\n晴れ。"));
    form.PageControl1->setCurrentWidget(form.TabSheet3);
    form.mnuIcons->trigger();
    const QSize design = form.size();
    form.resize(960, 640);
    WaitForThumbnails(form, form.ListBoxIn->count());
    Shot(form, path);
    form.mnuIcons->trigger();
    form.resize(design);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    albumon::PrepareApplication(application);
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
    WaitForThumbnails(form, form.ListBoxIn->count());
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
    ShotOfGrownWindow(form, out + "/1-thumbnails.png");

    // The output folder picker, in Japanese, on the output folder.
    form.PageControl1->setCurrentWidget(form.TabSheet1);
    ShotOfDialog(
        form, out + "/5-folder-picker.png", [&] { form.OutPathBitBtnClick(); },
        [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    // An album of the same name in the output folder, and an empty list: the save asks first.
    const QString album = QDir(out).absoluteFilePath(QStringLiteral("album"));
    QDir().mkpath(album);
    QFile index(album + QStringLiteral("/無題.htm"));
    if (index.open(QIODevice::WriteOnly))
        index.write("<html></html>\r\n");
    index.close();
    form.FolderDialog1->SetChooser([&](const albumon::TFolderDialog::Request&) {
        return std::optional<std::string>(album.toStdString());
    });
    form.OutPathBitBtnClick();
    form.ClearBitBtnClick();
    ShotOfDialog(
        form, out + "/6-empty-save.png", [&] { form.SaveBitBtnClick(); },
        [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });

    // The pictures and one file that is no picture, saved: the notice names the file.
    const QString broken = QDir(out).absoluteFilePath(QStringLiteral("壊れた写真.jpg"));
    QFile bad(broken);
    if (bad.open(QIODevice::WriteOnly))
        bad.write("not a picture");
    bad.close();
    const std::string folder = pictures.absolutePath().toStdString();
    form.AddStartPaths({folder, broken.toStdString()});
    form.EditHedFix->setText(QStringLiteral("海辺の旅"));
    form.SaveBitBtnClick();
    Shot(form, out + "/3-saved.png");
    // Other pictures under the same title, and a close with them unsaved: both ask first.
    form.AddStartPaths({folder});
    form.EditHedFix->setText(QStringLiteral("海辺の旅"));
    auto sayNo = [](QWidget* box) {
        static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
    };
    ShotOfDialog(
        form, out + "/3-replace-question.png", [&] { form.SaveBitBtnClick(); }, sayNo);
    ShotOfDialog(
        form, out + "/3-close-question.png", [&] { form.close(); }, sayNo);
    return 0;
}
