// What the window asks before a save or a close could lose the user's work, and the notice a
// successful save leaves below the controls.
#include <QCoreApplication>
#include <QScreen>
#include <algorithm>

#include "FileSystem.h"
#include "GrowLayout.h"
#include "ListChanges.h"
#include "MessageBoxes.h"
#include "QtText.h"
#include "SaveAlbum.h"
#include "SaveNoticeBar.h"
#include "SaveRecord.h"
#include "Unit1.h"

namespace albumon {

void TForm1::CreateSaveNotice() {
    NoticeBar = new SaveNoticeBar(this);
    connect(NoticeBar, &SaveNoticeBar::heightChanged, this, [this] { MakeRoomForNotice(); });
    connect(NoticeBar, &SaveNoticeBar::publishAsked, this,
            [this] { RunHandler(this, [this] { PublishSavedAlbum(); }); });
}

// The notice lies below every control of the window: the window grows by its height, and
// nothing else moves or is covered. A maximized window keeps its size, and one reaching the
// screen's bottom grows only as far as that: there the controls give the notice its room.
void TForm1::MakeRoomForNotice() {
    const int room = NoticeBar->isHidden()            ? 0
                     : NoticeBar->hasHeightForWidth() ? NoticeBar->heightForWidth(width())
                                                      : NoticeBar->sizeHint().height();
    const int height = this->height();  // before the layout's new minimum can enlarge it
    grow_->SetFooter(NoticeBar, room);
    grow_->activate();
    if (isMaximized() || isFullScreen())
        return;
    int growth = room;
    if (const QScreen* screen = this->screen()) {
        const int below = screen->availableGeometry().bottom() - frameGeometry().bottom();
        growth = std::clamp(below + noticeGrowth_, 0, room);
    }
    // The controls keep their design size: below it the window grows all the same.
    growth = std::max(growth, minimumHeight() - height + noticeGrowth_);
    const int change = growth - noticeGrowth_;
    noticeGrowth_ = growth;
    if (change != 0)
        resize(width(), height + change);
}

void TForm1::ShowSaveNotice(const std::string& head, const SaveTally& tally,
                            const std::vector<SaveNotice>& notices) {
    QStringList warnings;
    for (const SaveNotice& notice : notices)
        warnings << Text(NoticeText(notice));
    savedHead_ = head;
    NoticeBar->ShowSaved(Text(SavedWords(tally)), Text(album_.OutPath + head + ".htm"), warnings,
                         !publish_.Destination.empty());
}

// A list that was not read back from the album of this title would replace that album, and
// with it the only copy of its notes: ask first. The album is there while its index page is,
// or its folder keeps the record of a save (the notes stay when the index page went).
bool TForm1::ConfirmReplaceAlbum(const std::string& head) {
    const std::string folder = AlbumFolderPath(album_, head);
    const bool there =
        FileExists(album_.OutPath + head + ".htm") || FileExists(folder + "/" + kSaveRecordName);
    if (album_.EntryCount == 0 || !there || EntriesReadFrom(album_, folder))
        return true;
    return AskYesNo(this, QStringLiteral("「%1」は既にあります。置き換えますか？").arg(Text(head)));
}

// What is typed for the shown entry counts as well; a store that fails still asks.
bool TForm1::ConfirmClose() {
    RunHandler(this, [this] { StoreSelected(); });
    if (!HasUnsavedChanges(album_))
        return true;
    return AskYesNo(this, QStringLiteral("保存していない写真があります。終了しますか？"));
}

void TForm1::CloseWithoutQuestion() {
    phase_.withoutQuestion = true;
    close();
}

}  // namespace albumon
