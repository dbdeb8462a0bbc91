// A real main window on the offscreen platform for the window tests.
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "FileSystem.h"
#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon::test {

class MessageBoxWatcher::Impl {
  public:
    Impl(std::vector<Seen>& seen, const bool& sayYes, const QStringList& quiet,
         const QStringList& open)
        : seen_(seen), sayYes_(sayYes), quiet_(quiet), open_(open) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { CloseOpenBoxes(); });
        timer_.start();
    }

  private:
    void CloseOpenBoxes() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible())
                continue;
            const auto holds = [box](const QStringList& texts) {
                return std::any_of(texts.begin(), texts.end(),
                                   [box](const QString& t) { return box->text().contains(t); });
            };
            if (holds(open_))
                continue;
            const bool quiet = holds(quiet_);
            if (quiet) {
                box->button(QMessageBox::Yes)->click();
                continue;
            }
            Seen seen{box->windowTitle(), box->text(), {}, {}};
            for (QAbstractButton* button : box->buttons())
                seen.buttons << button->text();
            if (box->defaultButton() != nullptr)
                seen.defaultButton = box->defaultButton()->text();
            seen_.push_back(seen);
            QAbstractButton* answer = box->button(sayYes_ ? QMessageBox::Yes : QMessageBox::No);
            if (answer != nullptr)
                answer->click();
            else
                box->done(QMessageBox::Ok);
        }
    }

    std::vector<Seen>& seen_;
    const bool& sayYes_;
    const QStringList& quiet_;
    const QStringList& open_;
    QTimer timer_;
};

MessageBoxWatcher::MessageBoxWatcher()
    : impl_(std::make_unique<Impl>(seen, sayYes, acceptQuietly, leaveOpen)) {}
MessageBoxWatcher::~MessageBoxWatcher() = default;

void WriteJpeg(const std::string& path, int width, int height) {
    Raster raster(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        auto* row = raster.Row(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
            row[3 * x + 2] = static_cast<std::uint8_t>((x + y) % 256);
        }
    }
    EncodeOptions options;
    options.quality = 85;
    std::string bytes = EncodeJpeg(raster, options);
    WriteFile(path, bytes);
}

WindowTest::WindowTest() {
    std::filesystem::copy(ALBUMON_SOURCE_DIR "/Def", program / "Def",
                          std::filesystem::copy_options::recursive);
}

WindowTest::~WindowTest() {
    if (form)
        Close();
}

TForm1& WindowTest::Open() {
    form = std::make_unique<TForm1>(ProgramPaths::Beside(Program("albumon")));
    form->show();
    return *form;
}

void WindowTest::Close() {
    form->CloseWithoutQuestion();
    form.reset();
}

void WindowTest::Drop(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* target = form->ListBoxIn->viewport();
    const QPoint at(20, target->height() - 4);  // below the rows: the end of the list
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    ASSERT_TRUE(drop.isAccepted());
}

bool WindowTest::DropFilesOn(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    QMimeData mime;  // as a file manager offers it: the files and their names as text
    mime.setUrls(urls);
    mime.setText(paths.join(QLatin1Char('\n')));
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted() || drop.isAccepted();
}

void WindowTest::Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

void WindowTest::ClickRow(int row) {
    QListWidget* list = form->ListBoxIn;
    QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void WindowTest::TypeMemo(const QString& text) {
    form->Memo->setFocus();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(form->Memo, Qt::Key_Return);
        for (QChar c : lines[i]) {
            QTest::sendKeyEvent(QTest::Click, form->Memo, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
    }
}

static QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

QStringList WindowTest::InputRows() const {
    return Rows(form->ListBoxIn);
}
QStringList WindowTest::OutputRows() const {
    return Rows(form->ListBoxOut);
}

}  // namespace albumon::test
