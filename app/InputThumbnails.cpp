// The pictures of the input list's rows and of the file list's icon view, with the rows' marks:
// names show at once, thumbnails follow from one cache as the workers decode them.
#include <QAction>
#include <QListWidget>
#include <QMenu>

#include "FileListBox.h"
#include "FileSystem.h"
#include "InputList.h"
#include "ListIcons.h"
#include "QtText.h"
#include "TextFile.h"
#include "ThumbnailCache.h"
#include "Unit1.h"

namespace albumon {

namespace {

// Side of an input row's picture, in pixels.
constexpr int kRowIconSide = 40;
// Side of the file list's pictures in its icon view.
constexpr int kFileIconSide = 64;

}  // namespace

void TForm1::CreateThumbnails() {
    thumbnails_ = std::make_unique<ThumbnailCache>();
    connect(thumbnails_.get(), &ThumbnailCache::Ready, this,
            [this](const std::string& path) { ThumbnailReady(path); });
    ListBoxIn->setIconSize(QSize(kRowIconSide, kRowIconSide));
    ListBoxIn->setItemDelegate(new RowDetailDelegate(ListBoxIn));
    FileListBox1->PictureIcon = [this](const std::string& path) {
        return thumbnails_->Icon(path, 0, kFileIconSide);
    };
    mnuIcons = PopupMenu2->addAction(QStringLiteral("サムネイル表示"));
    mnuIcons->setObjectName(QStringLiteral("mnuIcons"));
    mnuIcons->setCheckable(true);
    connect(mnuIcons, &QAction::toggled, this, [this](bool on) { FileListBox1->SetIconView(on); });
}

void TForm1::DecorateInputRows() {
    const std::string commentary = CommentaryPicturePath(album_);
    for (int row = 0; row < ListBoxIn->count(); ++row)
        DecorateInputRow(row, commentary);
}

// The row's picture (turned as the entry is) and its second line: the marks and, for a
// commentary entry, its note's first line.
void TForm1::DecorateInputRow(int row, const std::string& commentaryPath) {
    QListWidgetItem* item = ListBoxIn->item(row);
    if (item == nullptr || row >= album_.EntryCount)
        return;
    const EntryRecord& entry = album_.Entries[row];
    item->setIcon(thumbnails_->Icon(entry.SourcePath, entry.Rotation, kRowIconSide));
    QString detail = EntryMarks(entry);
    if (entry.SourcePath == commentaryPath && entry.NotePos != npNone) {
        try {
            const std::string note = NoteFilePath(album_, entry);
            const std::vector<std::string> lines =
                FileExists(note) ? ReadTextLines(note) : std::vector<std::string>();
            if (!lines.empty())
                detail +=
                    (detail.isEmpty() ? QString() : QStringLiteral(" ")) + Text(lines.front());
        } catch (...) {
            // a note that cannot be read is simply not shown in the list
        }
    }
    item->setData(kRowDetailRole, detail);
}

void TForm1::ThumbnailReady(const std::string& path) {
    for (int row = 0; row < ListBoxIn->count() && row < album_.EntryCount; ++row) {
        const EntryRecord& entry = album_.Entries[row];
        if (entry.SourcePath == path) {
            ListBoxIn->item(row)->setIcon(thumbnails_->Icon(path, entry.Rotation, kRowIconSide));
        }
    }
    FileListBox1->PictureChanged(path);
}

}  // namespace albumon
