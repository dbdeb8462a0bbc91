// The input list and its buttons: drops, folder selection, sort, moves, delete, insert, clear.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <memory>
#include <set>

#include "AlbumReadBack.h"
#include "AlbumReading.h"
#include "FileSystem.h"
#include "InputList.h"
#include "InputListBox.h"
#include "ListChanges.h"
#include "ListOrder.h"
#include "MessageBoxes.h"
#include "NewCtrls.h"
#include "OutputNames.h"
#include "Paths.h"
#include "PictureBox.h"
#include "QtText.h"
#include "SaveNoticeBar.h"
#include "Unit1.h"
#include "metadata/TakenTime.h"
#include "renditions/PictureView.h"

namespace albumon {

namespace {

std::vector<int> RowList(const QList<int>& rows) {
    return {rows.begin(), rows.end()};
}

}  // namespace

// The row the picture page shows and edits: the current row when it is selected, else the
// first selected row.
int TForm1::SelectedRow() const {
    const QListWidgetItem* current = ListBoxIn->currentItem();
    if (current != nullptr && current->isSelected())
        return ListBoxIn->row(current);
    const auto selected = ListBoxIn->selectedItems();
    return selected.isEmpty() ? -1 : ListBoxIn->row(selected.first());
}

QList<int> TForm1::SelectedRows() const {
    return static_cast<const InputListBox*>(ListBoxIn)->SelectedRows();
}

void TForm1::SelectRow(int row) {
    QSignalBlocker block(ListBoxIn);
    if (row < 0 || row >= ListBoxIn->count()) {
        ListBoxIn->clearSelection();
        ListBoxIn->setCurrentRow(-1);
        return;
    }
    // The row alone stays highlighted: what the list's buttons act on is what the page shows.
    ListBoxIn->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void TForm1::RebuildInputList() {
    QSignalBlocker block(ListBoxIn);
    ListBoxIn->clear();
    for (int k = 0; k < album_.EntryCount; ++k) {
        const std::string& path = album_.Entries[k].SourcePath;
        ListBoxIn->addItem(Text(FileNamePart(path)));
    }
    DecorateInputRows();
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

// The entries added from slot first on are put in their own name order and, for a drop on the
// list, where they were dropped: the entries listed before keep their order.
// An earlier album's folder keeps the album's order (sort false).
void TForm1::AfterAddition(int first, int before, int refused, bool sort,
                           const std::vector<std::string>& warnings) {
    if (sort)
        SortEntries(album_, first);
    if (before >= 0 && before < first) {
        std::vector<int> added;
        for (int row = first; row < album_.EntryCount; ++row)
            added.push_back(row);
        ApplyOrder(album_, BlockOrder(album_.EntryCount, added, before), added);
    }
    RebuildInputList();
    RefreshOutputNames();
    if (album_.EntryCount > 0) {
        SelectRow(0);
        ShowWithoutStoring();
    }
    if (refused > 0) {
        ShowUserError(
            this, QStringLiteral("入力ファイルは%1個までです。%2個のファイルは追加されませんでした")
                      .arg(kEntryCapacity)
                      .arg(refused));
    }
    if (!warnings.empty()) {
        QStringList lines;
        for (const std::string& warning : warnings)
            lines << Text(warning);
        ShowUserError(this, lines.join(QLatin1Char('\n')));
    }
}

// Dropped pictures, read once what a killed save left in the albums they lie in is finished or
// undone (one reading per folder: a second lock on one album would wait for the first).
AdditionResult TForm1::AddDroppedFiles(const std::vector<std::string>& paths) {
    std::vector<std::unique_ptr<AlbumReading>> readings;
    std::set<std::string> folders;
    for (const std::string& path : paths) {
        if (folders.insert(FolderPart(path)).second)
            readings.push_back(std::make_unique<AlbumReading>(path, true));
    }
    return AddFiles(album_, paths, Naming());
}

// A folder, or the album a folder or index page stands for, read once what a killed save left
// in the album is finished or undone.
FolderAddition TForm1::AddAlbumOrFolder(const std::string& path, FolderOrder order) {
    const AlbumReading reading(path, true);
    return AddFolderOrAlbum(album_, path, order, Naming());
}

// What was typed for the shown entry is stored first (RunStep), so a drop never loses it.
void TForm1::FileDrop1FileDrop(QObject*, int, const QStringList& files, int x, int y) {
    RunStep(QStringLiteral("追加"), [&] {
        std::vector<std::string> paths;
        std::vector<std::string> albums;  // index pages of earlier albums
        for (const QString& file : files) {
            const std::string path = file.toStdString();
            (FileExists(path) && AlbumFolderOf(path) ? albums : paths).push_back(path);
        }
        const int first = album_.EntryCount;
        const bool emptyBefore = album_.EntryCount == 0;
        const QModelIndex at = ListBoxIn->indexAt(QPoint(x, y));
        bool albumOrder = false;
        AdditionResult result = RunAddition([&] {
            AdditionResult added = AddDroppedFiles(paths);
            for (const std::string& album : albums) {
                const FolderAddition more = AddAlbumOrFolder(album, FolderOrder::ByName);
                albumOrder = albumOrder || more.AlbumOrder;
                added.Refused += more.Added.Refused;
                added.Warnings.insert(added.Warnings.end(), more.Added.Warnings.begin(),
                                      more.Added.Warnings.end());
                // The first album dropped gives its head text, as choosing its folder does.
                if (!added.HeadText)
                    added.HeadText = more.Added.HeadText;
            }
            return added;
        });
        if (result.HeadText)
            EditHedFix->setText(Text(*result.HeadText));
        // An earlier album keeps the album's order.
        AfterAddition(first, at.isValid() ? at.row() : -1, result.Refused, !albumOrder,
                      result.Warnings);
        // An earlier album dropped alone into an empty list holds nothing unsaved yet.
        if (emptyBefore && paths.empty() && result.HeadText)
            MarkListSaved(album_);
    });
}

void TForm1::BitBtnOpenClick() {
    RunStep(QStringLiteral("追加"), [this] {
        StoreSelected();
        const int first = album_.EntryCount;
        const bool emptyBefore = album_.EntryCount == 0;
        // An earlier album's folder comes back in the album's order, which a sort would undo.
        bool albumOrder = false;
        AdditionResult result = RunAddition([this, &albumOrder] {
            FolderAddition added = AddAlbumOrFolder(album_.InPath, FolderOrder::FileSystem);
            albumOrder = added.AlbumOrder;
            return added.Added;
        });
        if (result.HeadText)
            EditHedFix->setText(Text(*result.HeadText));
        AfterAddition(first, -1, result.Refused, !albumOrder, result.Warnings);
        // An earlier album opened into an empty list holds nothing unsaved yet.
        if (emptyBefore && result.HeadText)
            MarkListSaved(album_);
    });
}

void TForm1::BitBtnSortClick() {
    RunStep(QStringLiteral("ソート"), [this] {
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

// Orders the entries by when their pictures were taken; the selected entries stay selected and
// the picture page keeps the entry it shows.
void TForm1::mnuSortDateClick() {
    RunStep(QStringLiteral("撮影日時順"), [this] {
        StoreSelected();
        if (album_.EntryCount < 2)
            return;
        ReorderKeepingSelection(TakenOrder(album_, TakenTime));
    });
}

// Moves the selected rows as one block before row `before` (or, with a step, each one place).
void TForm1::MoveSelectedTo(int before, int step) {
    const std::vector<int> rows = RowList(SelectedRows());
    if (rows.empty())
        return;
    ReorderKeepingSelection(step == 0 ? BlockOrder(album_.EntryCount, rows, before)
                                      : StepOrder(album_.EntryCount, rows, step));
}

// Puts the entries into the order and shows the list again with the same entries selected; the
// picture page keeps the entry it shows, with its new name.
void TForm1::ReorderKeepingSelection(const std::vector<int>& order) {
    const QList<int> rows = SelectedRows();
    const int currentAt = static_cast<int>(rows.indexOf(SelectedRow()));
    const std::vector<int> now = ApplyOrder(album_, order, RowList(rows));
    RebuildInputList();
    RefreshOutputNames();
    if (now.empty())
        return;
    {
        QSignalBlocker block(ListBoxIn);
        const int shownRow = now[currentAt < 0 ? 0 : currentAt];
        ListBoxIn->setCurrentRow(shownRow, QItemSelectionModel::ClearAndSelect);
        for (int row : now)
            ListBoxIn->item(row)->setSelected(true);
        album_.CurrentIndex = shownRow;
    }
    EditName->setText(
        QString::fromStdString(ReplaceExtension(album_.Entries[album_.CurrentIndex].OutName, "")));
}

void TForm1::MoveSelected(int step) {
    StoreSelected();
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    if (step < 0 && rows.front() == 0) {
        ShowUserError(this, QStringLiteral("最上位は上に移動できません"));
        return;
    }
    if (step > 0 && rows.back() == album_.EntryCount - 1) {
        ShowUserError(this, QStringLiteral("最下位は下に移動できません"));
        return;
    }
    MoveSelectedTo(-1, step);
}

void TForm1::MoveSelectedByKey(int move) {
    const QString step = move == InputListBox::OneUp     ? QStringLiteral("上へ")
                         : move == InputListBox::OneDown ? QStringLiteral("下へ")
                                                         : QStringLiteral("移動");
    RunStep(step, [this, move] {
        switch (move) {
            case InputListBox::OneUp:
                MoveSelected(-1);
                break;
            case InputListBox::OneDown:
                MoveSelected(+1);
                break;
            default:
                StoreSelected();
                MoveSelectedTo(move == InputListBox::ToTop ? 0 : album_.EntryCount);
        }
    });
}

// The dropped rows stay highlighted and the picture page shows the first of them.
void TForm1::RowsDroppedAt(int before) {
    RunStep(QStringLiteral("移動"), [this, before] {
        StoreSelected();
        MoveSelectedTo(before);
        const QList<int> rows = SelectedRows();
        if (rows.isEmpty())
            return;
        {
            QSignalBlocker block(ListBoxIn);
            ListBoxIn->setCurrentRow(rows.front(), QItemSelectionModel::NoUpdate);
        }
        ShowWithoutStoring();
    });
}

void TForm1::BitBtnUpClick() {
    RunStep(QStringLiteral("上へ"), [this] { MoveSelected(-1); });
}

void TForm1::BitBtnDownClick() {
    RunStep(QStringLiteral("下へ"), [this] { MoveSelected(+1); });
}

void TForm1::BitBtnDeleteClick() {
    RunStep(QStringLiteral("削除"), [this] {
        StoreSelected();
        const QList<int> rows = SelectedRows();
        if (rows.isEmpty())
            return;
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            DeleteEntry(album_, *it);
        const int row = rows.front();
        RebuildInputList();
        RefreshOutputNames();
        SelectRow(row < album_.EntryCount ? row : -1);
        ShowWithoutStoring();
    });
}

void TForm1::InsBitBtnClick() {
    RunStep(QStringLiteral("挿入"), [this] {
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

// No question first: the clear is a step that can be undone.
void TForm1::ClearBitBtnClick() {
    RunStep(QStringLiteral("クリア"), [this] { ClearEntriesAndControls(); });
}

}  // namespace albumon
