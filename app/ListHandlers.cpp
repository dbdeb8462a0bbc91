// The input list and its buttons: drops, folder selection, sort, moves, delete, insert, clear.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include "AlbumReadBack.h"
#include "InputList.h"
#include "ListChanges.h"
#include "MessageBoxes.h"
#include "NewCtrls.h"
#include "OutputNames.h"
#include "Paths.h"
#include "PictureBox.h"
#include "PictureView.h"
#include "QtText.h"
#include "SaveNoticeBar.h"
#include "Unit1.h"

namespace albumon {

int TForm1::SelectedRow() const {
    const auto selected = ListBoxIn->selectedItems();
    return selected.isEmpty() ? -1 : ListBoxIn->row(selected.first());
}

void TForm1::SelectRow(int row) {
    QSignalBlocker block(ListBoxIn);
    if (row < 0 || row >= ListBoxIn->count()) {
        ListBoxIn->clearSelection();
        ListBoxIn->setCurrentRow(-1);
        return;
    }
    ListBoxIn->setCurrentRow(row);
}

void TForm1::RebuildInputList() {
    QSignalBlocker block(ListBoxIn);
    ListBoxIn->clear();
    for (int k = 0; k < album_.EntryCount; ++k) {
        const std::string& path = album_.Entries[k].SourcePath;
        ListBoxIn->addItem(Text(FileNamePart(path)));
    }
}

void TForm1::ShowWithoutStoring() {
    album_.CurrentIndex = -1;
    ListBoxInClick();
    album_.CurrentIndex = SelectedRow();
}

// A gesture that would leave the list without a selected row (a click below the rows, Ctrl+click
// or Ctrl+Space on the selected row) selects the shown row again: what was typed for it stays.
bool TForm1::KeepSelection() {
    if (SelectedRow() >= 0 || album_.CurrentIndex < 0 || album_.CurrentIndex >= ListBoxIn->count())
        return false;
    SelectRow(album_.CurrentIndex);
    return true;
}

// Runs an addition; when it fails part way (a note that cannot be read back), the list still
// shows every entry the table holds and the shown row stays selected.
AdditionResult TForm1::RunAddition(const std::function<AdditionResult()>& addition) {
    NoticeBar->Dismiss();
    try {
        return addition();
    } catch (...) {
        RebuildInputList();
        SelectRow(album_.CurrentIndex);
        RefreshOutputNames();
        throw;
    }
}

void TForm1::AfterAddition(int refused, bool sort) {
    RebuildInputList();
    if (album_.EntryCount > 0) {
        SelectRow(0);
        ShowWithoutStoring();
    }
    if (sort)
        BitBtnSortClick();
    RefreshOutputNames();
    if (refused > 0) {
        ShowUserError(
            this, QStringLiteral("入力ファイルは%1個までです。%2個のファイルは追加されませんでした")
                      .arg(kEntryCapacity)
                      .arg(refused));
    }
}

void TForm1::FileDrop1FileDrop(QObject*, int, const QStringList& files, int, int) {
    // What was typed for the shown entry is stored first, so a drop never loses it.
    StoreSelected();
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(file.toStdString());
    AdditionResult result = RunAddition([&] { return AddFiles(album_, paths, Naming()); });
    AfterAddition(result.Refused);
}

void TForm1::BitBtnOpenClick() {
    RunHandler(this, [this] {
        StoreSelected();
        const bool emptyBefore = album_.EntryCount == 0;
        // An earlier album's folder comes back in the album's order, which a sort would undo.
        bool albumOrder = false;
        AdditionResult result = RunAddition([this, &albumOrder] {
            FolderAddition added =
                AddFolderOrAlbum(album_, album_.InPath, FolderOrder::FileSystem, Naming());
            albumOrder = added.AlbumOrder;
            return added.Added;
        });
        if (result.HeadText)
            EditHedFix->setText(Text(*result.HeadText));
        AfterAddition(result.Refused, !albumOrder);
        // An earlier album opened into an empty list holds nothing unsaved yet.
        if (emptyBefore && result.HeadText)
            MarkListSaved(album_);
    });
}

void TForm1::BitBtnSortClick() {
    RunHandler(this, [this] {
        StoreSelected();
        if (album_.EntryCount < 2)
            return;
        int row = SelectedRow();
        SortEntries(album_);
        RebuildInputList();
        SelectRow(row);
        RefreshOutputNames();
        ShowWithoutStoring();
    });
}

void TForm1::MoveSelected(int step) {
    StoreSelected();
    int row = SelectedRow();
    if (row < 0)
        return;
    if (step < 0 && row == 0) {
        ShowUserError(this, QStringLiteral("最上位は上に移動できません"));
        return;
    }
    if (step > 0 && row == album_.EntryCount - 1) {
        ShowUserError(this, QStringLiteral("最下位は下に移動できません"));
        return;
    }
    SwapEntries(album_, row, row + step);
    RebuildInputList();
    SelectRow(row + step);
    album_.CurrentIndex = row + step;
    RefreshOutputNames();
}

void TForm1::BitBtnUpClick() {
    RunHandler(this, [this] { MoveSelected(-1); });
}

void TForm1::BitBtnDownClick() {
    RunHandler(this, [this] { MoveSelected(+1); });
}

void TForm1::BitBtnDeleteClick() {
    RunHandler(this, [this] {
        StoreSelected();
        int row = SelectedRow();
        if (row < 0)
            return;
        DeleteEntry(album_, row);
        RebuildInputList();
        RefreshOutputNames();
        SelectRow(row < album_.EntryCount ? row : -1);
        ShowWithoutStoring();
    });
}

void TForm1::InsBitBtnClick() {
    RunHandler(this, [this] {
        NoticeBar->Dismiss();
        StoreSelected();
        int slot = InsertCommentary(album_, SelectedRow());
        if (slot < 0) {
            ShowUserError(this, QStringLiteral("入力ファイルは%1個までです").arg(kEntryCapacity));
            return;
        }
        RebuildInputList();
        RefreshOutputNames();
        SelectRow(slot);
        ShowWithoutStoring();
    });
}

void TForm1::ClearEntriesAndControls() {
    NoticeBar->Dismiss();
    ClearAlbum(album_);
    view_->ClearPicture();
    Image1->update();
    {
        QSignalBlocker block(ListBoxIn);
        ListBoxIn->clear();
    }
    ListBoxOut->clear();
    SetMemoLines({});
}

void TForm1::ClearBitBtnClick() {
    ClearEntriesAndControls();
}

}  // namespace albumon
