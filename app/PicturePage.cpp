// The picture editing page: showing an entry, storing the edits, notes, turns and stepping.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include "FileSystem.h"
#include "Images.h"
#include "MessageBoxes.h"
#include "Paths.h"
#include "PictureBox.h"
#include "PictureView.h"
#include "QtText.h"
#include "SaveAlbum.h"
#include "TextFile.h"
#include "Unit1.h"

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
}

void TForm1::StoreAt(int slot) {
    StoreCurrentEntry(album_, slot, Editing(), Naming());
    RefreshOutputNames();
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
        const EntryRecord& entry = album_.Entries[row];
        Image1->hide();
        LoadPicture(*view_, entry.SourcePath, entry.Rotation, kPreviewPanelWidth);
        Image1->SyncGeometry();
        Image1->show();
        if (album_.CurrentIndex != -1) {
            bool hadNote = !MemoLines().empty();
            StoreAt(album_.CurrentIndex);
            if (hadNote)
                SetMemoLines({});
        }
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
        album_.CurrentIndex = row;
    });
}

void TForm1::MemoChange() {
    if (fillingMemo_ || SelectedRow() >= 0)
        return;
    ShowUserError(this, QStringLiteral("入力を選択してください"));
    SetMemoLines({});
}

void TForm1::RadioButton3Click() {
    EditName->setEnabled(RadioButton4->isChecked());
}

void TForm1::TurnSelected(void (*turn)(PictureView&), int quarterTurns) {
    RunHandler(this, [&] {
        int row = SelectedRow();
        if (row < 0)
            return;
        Image1->hide();
        turn(*view_);
        album_.Entries[row].Rotation = (album_.Entries[row].Rotation + quarterTurns) % 4;
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

void TForm1::BackBitBtnClick() {
    int row = SelectedRow();
    if (row <= 0)
        return;
    RunHandler(this, [this] { StoreSelected(); });
    SelectRow(row - 1);
    ListBoxInClick();
}

void TForm1::FwdBitBtnClick() {
    int row = SelectedRow();
    if (ListBoxIn->count() == 0 || row == ListBoxIn->count() - 1)
        return;
    RunHandler(this, [this] { StoreSelected(); });
    SelectRow(row + 1);
    ListBoxInClick();
}

}  // namespace albumon
