// The picture editing page: showing an entry, storing the edits, notes, turns and stepping.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextDocument>
#include <exception>
#include <optional>

#include "FileSystem.h"
#include "InputList.h"
#include "ListHistory.h"
#include "MessageBoxes.h"
#include "Paths.h"
#include "PictureBox.h"
#include "QtText.h"
#include "SaveAlbum.h"
#include "TextFile.h"
#include "Unit1.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/PictureView.h"

namespace albumon {

EditingState TForm1::Editing() const {
    EditingState editing;
    editing.Naming = RadioButton3->isChecked()   ? EditingState::Auto
                     : RadioButton4->isChecked() ? EditingState::Specified
                     : RadioButton5->isChecked() ? EditingState::Keep
                                                 : EditingState::None;
    editing.EditName = EditName->text().toStdString();
    editing.MemoLines = MemoLines();
    editing.NoteAbove = RadioButton1->isChecked();
    return editing;
}

std::vector<std::string> TForm1::MemoLines() const {
    QString text = Memo->toPlainText();
    if (text == memoShown_)
        return memoNote_;  // a lone LF inside a line read from a note stays one line
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    std::vector<std::string> result;
    for (const QString& line : lines)
        result.push_back(line.toStdString());
    return result;
}

void TForm1::SetMemoLines(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) {
        text << Text(line);
    }
    fillingMemo_ = true;
    Memo->setPlainText(text.join(QLatin1Char('\n')));
    fillingMemo_ = false;
    memoNote_ = lines;
    memoShown_ = Memo->toPlainText();
}

// Outside a change of the list, the edits stored are a step of their own, which shows the entry
// they were made for.
void TForm1::StoreAt(int slot) {
    std::optional<ListSnapshot> before;
    if (!recordingStep_)
        before = TakeSnapshot(album_, {slot}, slot);
    StoreCurrentEntry(album_, slot, Editing(), Naming());
    RefreshOutputNames();
    DecorateInputRow(slot, CommentaryPicturePath(album_));
    if (!before)
        return;
    ListSnapshot after = TakeSnapshot(album_, {slot}, slot);
    const std::string step = EditStepName(*before, after);
    if (!step.empty())
        PushStep(QString::fromStdString(step), std::move(*before), std::move(after));
}

void TForm1::StoreSelected() {
    int row = SelectedRow();
    if (row >= 0)
        StoreAt(row);
}

void TForm1::ListBoxInClick() {
    RunHandler(this, [this] {
        int row = SelectedRow();
        if (ListBoxIn->count() == 0 || row < 0) {
            view_->ClearPicture();
            Image1->update();
            SetMemoLines({});
            return;
        }
        LeaveShownEntry();
        const EntryRecord& entry = album_.Entries[row];
        // A picture that cannot be read still leaves its entry shown, so the controls, the
        // selection and CurrentIndex agree when the error is reported.
        std::exception_ptr loadError;
        Image1->hide();
        try {
            LoadPreview(entry);
        } catch (...) {
            loadError = std::current_exception();
            view_->ClearPicture();
        }
        // An undecodable HEIF, PNG or WebP shows the "no preview" picture and says why.
        Image1->setToolTip(ShowsNoPreview(*view_) ? Text(NoticeText({.SourcePath = entry.SourcePath,
                                                                     .Kind = pnNoPicture}))
                                                  : QString());
        Image1->SyncGeometry();
        Image1->show();
        album_.CurrentIndex = row;  // set first: a note that cannot be read leaves it shown
        ShowEntryValues(row);
        if (loadError)
            std::rethrow_exception(loadError);
    });
}

void TForm1::LoadPreview(const EntryRecord& entry) {
    LoadPicture(*view_, entry.SourcePath, entry.Rotation, Panel3->width(), Panel3->height());
}

// After the preview's panel changed its size: the shown picture fitted anew, decoded at the
// scale the new size needs. A picture that cannot be read now is simply no longer shown.
void TForm1::RefitPreview() {
    const int row = album_.CurrentIndex;
    if (row < 0 || row >= static_cast<int>(album_.Entries.size()) || !view_->HasPicture())
        return;
    Image1->hide();
    try {
        LoadPreview(album_.Entries[row]);
    } catch (...) {
        view_->ClearPicture();
    }
    Image1->SyncGeometry();
    Image1->show();
}

// Stores the edits of the entry being left. When that fails, the selection goes back to it:
// its edits stay in the controls and are never stored into another entry.
void TForm1::LeaveShownEntry() {
    if (album_.CurrentIndex == -1)
        return;
    try {
        bool hadNote = !MemoLines().empty();
        StoreAt(album_.CurrentIndex);
        if (hadNote)
            SetMemoLines({});
    } catch (...) {
        SelectRow(album_.CurrentIndex);
        throw;
    }
}

void TForm1::ShowEntryValues(int row) {
    const EntryRecord& entry = album_.Entries[row];
    QRadioButton* naming[] = {RadioButton3, RadioButton4, RadioButton5};
    if (entry.NameMode >= 0 && entry.NameMode <= 2)
        naming[entry.NameMode]->setChecked(true);
    EditName->setText(QString::fromStdString(ReplaceExtension(entry.OutName, "")));
    EditName->setEnabled(RadioButton4->isChecked());
    if (entry.NotePos == npAbove || entry.NotePos == npBelow) {
        (entry.NotePos == npAbove ? RadioButton1 : RadioButton2)->setChecked(true);
        std::string note = NoteFilePath(album_, entry);
        if (FileExists(note))
            SetMemoLines(ReadTextLines(note));
    } else {
        RadioButton2->setChecked(true);
        SetMemoLines({});
    }
}

void TForm1::MemoChange() {
    // Without a selected row the memo is empty: a change that leaves it empty changed nothing.
    if (fillingMemo_ || SelectedRow() >= 0 || Memo->document()->isEmpty())
        return;
    ShowUserError(this, QStringLiteral("入力を選択してください"));
    SetMemoLines({});
}

void TForm1::RadioButton3Click() {
    EditName->setEnabled(RadioButton4->isChecked());
}

void TForm1::TurnSelected(void (*turn)(PictureView&), int quarterTurns) {
    RunStep(quarterTurns == 1 ? QStringLiteral("右回転") : QStringLiteral("左回転"), [&] {
        int row = SelectedRow();
        if (row < 0)
            return;
        Image1->hide();
        turn(*view_);
        album_.Entries[row].Rotation = (album_.Entries[row].Rotation + quarterTurns) % 4;
        DecorateInputRow(row, CommentaryPicturePath(album_));
        // In a panel that is not square the turned picture has a fit of its own.
        if (Panel3->width() != Panel3->height())
            LoadPreview(album_.Entries[row]);
        Image1->SyncGeometry();
        Image1->show();
    });
}

void TForm1::RotRBitBtnClick() {
    TurnSelected(&RotateRight, 1);
}

void TForm1::RotLBitBtnClick() {
    TurnSelected(&RotateLeft, 3);
}

// A store that fails ends the step: the selection stays with the entry shown.
void TForm1::BackBitBtnClick() {
    RunHandler(this, [this] {
        int row = SelectedRow();
        if (row <= 0)
            return;
        StoreSelected();
        SelectRow(row - 1);
        ListBoxInClick();
    });
}

void TForm1::FwdBitBtnClick() {
    RunHandler(this, [this] {
        int row = SelectedRow();
        if (ListBoxIn->count() == 0 || row == ListBoxIn->count() - 1)
            return;
        StoreSelected();
        SelectRow(row + 1);
        ListBoxInClick();
    });
}

}  // namespace albumon
