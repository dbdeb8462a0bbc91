// The naming page: head text, start number, the output list, and the save.
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QUndoStack>
#include <algorithm>
#include <optional>

#include "ArchiveCtrls.h"
#include "FileSystem.h"
#include "MessageBoxes.h"
#include "OutputNames.h"
#include "PictureBox.h"
#include "QtText.h"
#include "SaveAlbum.h"
#include "SaveChecks.h"
#include "SaveNoticeBar.h"
#include "Unit1.h"
#include "UpDownSpinBox.h"
#include "renditions/PictureView.h"

namespace albumon {

namespace {

// While a save runs, only the cancel button takes what the user types or clicks.
class OnlyCancelInput : public QObject {
  public:
    explicit OnlyCancelInput(QWidget* cancel) : cancel_(cancel) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~OnlyCancelInput() override { QCoreApplication::instance()->removeEventFilter(this); }
    OnlyCancelInput(const OnlyCancelInput&) = delete;
    OnlyCancelInput& operator=(const OnlyCancelInput&) = delete;

  protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
                return target != cancel_;
            default:
                return false;
        }
    }

  private:
    QObject* cancel_;
};

}  // namespace

NamingBase TForm1::Naming() const {
    return {EditHedFix->text().toStdString(), UpDown1->value()};
}

void TForm1::RefreshOutputNames() {
    albumon::RefreshOutputNames(album_, Naming());
    ListBoxOut->clear();
    for (const std::string& row : OutputListRows(album_)) {
        ListBoxOut->addItem(Text(row));
    }
}

void TForm1::EditHedFixChange() {
    RefreshOutputNames();
}

void TForm1::UpDown1Click() {
    RefreshOutputNames();
}

void TForm1::ListBoxOutClick() {
    ListBoxOut->clearSelection();
    ListBoxOut->setCurrentRow(-1, QItemSelectionModel::Clear);
}

void TForm1::SaveBitBtnClick() {
    // Clicks that arrive while the save runs (the second click of a double click) reach a
    // disabled button and are dropped: a second save would write the emptied list over the
    // album's index page. A close asked for meanwhile waits until the save has ended.
    SaveBitBtn->setEnabled(false);
    phase_.save = SaveCloseState::Save::Running;
    SaveAlbumNow();
    EndSteps();
    phase_.save = SaveCloseState::Save::Idle;
    QCoreApplication::processEvents();
    SaveBitBtn->setEnabled(true);
    if (phase_.closeAfterSave)
        close();
}

// An empty list would replace an existing album's index page with an empty one: ask first.
bool TForm1::ConfirmEmptySave(const std::string& head) {
    const std::string index = album_.OutPath + head + ".htm";
    if (album_.EntryCount > 0 || !FileExists(index))
        return true;
    return AskYesNo(this,
                    QStringLiteral("%1 は既にあります。\n画像のない空のアルバムで置き換えますか？")
                        .arg(Text(index)));
}

void TForm1::SaveAlbumNow() {
    RunHandler(this, [this] {
        NoticeBar->Dismiss();
        const std::string head = EditHedFix->text().toStdString();
        if (!ConfirmEmptySave(head))
            return;
        StoreSelected();
        TakeGeneralPageSettings();
        if (auto problem = SaveProblem(album_, head)) {
            ShowUserError(this, Text(*problem));
            return;
        }
        if (!ConfirmReplaceAlbum(head))
            return;
        SaveTally tally{album_.EntryCount, album_.EntryCount, album_.EntryCount};
        Image1->hide();
        phase_.save = SaveCloseState::Save::Running;  // a cancel counts from here on
        SaveCancelBtn->setEnabled(true);
        std::optional<OnlyCancelInput> onlyCancel(SaveCancelBtn);
        SaveOptions options;
        options.Tally = &tally;
        options.Cancelled = [this] { return phase_.save == SaveCloseState::Save::CancelAsked; };
        options.AfterPlaced = [this](const std::string&) {
            ClearEntriesAndControls();
            History->clear();  // the saved album is on disk: its steps end with it
            Image1->show();
            ProgressBar1->setValue(0);
            SaveCancelBtn->setEnabled(false);
        };
        // The question takes the user's answer: the filter lets only the cancel button through.
        options.ReplaceOthers = [this, &onlyCancel](const std::vector<std::string>& files) {
            onlyCancel.reset();
            const bool yes = ConfirmReplaceOthers(files);
            onlyCancel.emplace(SaveCancelBtn);
            return yes;
        };
        options.Archive = ArchiveControl1.get();
        options.Packing = [this] {
            ShowStep(QStringLiteral("圧縮 %p%"));
            ProgressBar1->setMaximum(100);
        };
        ShowStep(QStringLiteral("画像 %v / %m"));
        std::vector<SaveNotice> notices;
        try {
            notices = SaveAlbum(
                album_, *view_, head,
                [this](int position, int maximum) {
                    // A range of 0..0 would be the busy bar: an empty save shows an empty bar.
                    ProgressBar1->setMaximum(std::max(maximum, 1));
                    ProgressBar1->setValue(position);
                    ProgressBar1->repaint();
                    // The window keeps painting and answering the window manager between
                    // entries; of what the user does only the cancel button is taken.
                    QCoreApplication::processEvents();
                },
                options);
        } catch (...) {
            // However the save ended early, the cancel button and the progress bar are put
            // back; a cancel is not reported.
            SaveCancelBtn->setEnabled(false);
            EndSteps();
            try {
                throw;
            } catch (const ESaveCancelled&) {
                return;
            } catch (const EForeignFiles&) {
                return;  // the user said no to replacing them
            }
        }
        ShowSaveNotice(head, tally, notices);
        QApplication::beep();
    });
}

// The progress bar names the step that runs: the pictures, then the archive.
void TForm1::ShowStep(const QString& format) {
    ProgressBar1->setFormat(format);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setValue(0);
}

void TForm1::ShowPackingProgress(double done) {
    ProgressBar1->setValue(static_cast<int>(done * 100));
    ProgressBar1->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm1::EndSteps() {
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
}

// Files in the way of the save that no save of the album wrote, or that changed since: listed,
// and replaced only when the user says yes.
bool TForm1::ConfirmReplaceOthers(const std::vector<std::string>& files) {
    QStringList lines;
    for (const std::string& file : files)
        lines << Text(file);
    return AskYesNo(this, QStringLiteral("次のファイルは Albumon の保存したものではありません。"
                                         "置き換えますか？\n%1")
                              .arg(lines.join(QLatin1Char('\n'))));
}

}  // namespace albumon
