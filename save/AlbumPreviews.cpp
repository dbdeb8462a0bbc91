// Covers and tags of the link previews of a save's pages.
#include "AlbumPreviews.h"

#include "OutputKeys.h"
#include "ReuseFiles.h"
#include "SaveStage.h"
#include "ScreenPictures.h"
#include "codecs/JpegImage.h"
#include "renditions/Cover.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

// Longest file name the file systems take, in bytes: a page whose cover's name would be longer
// goes without a cover.
constexpr std::size_t kLongestName = 255;

}  // namespace

AlbumPreviews::AlbumPreviews(const AlbumState& state, const std::string& head,
                             const std::string& album, OutputReuse* reuse)
    : state_(state), head_(head), album_(album), reuse_(reuse) {}

std::optional<std::string> AlbumPreviews::Cover(int k) {
    if (k == 0 && firstCover_)
        return firstCover_;
    const EntryRecord& entry = state_.Entries[k];
    std::optional<std::string> cover = MakeCover(entry.SourcePath, entry.Rotation);
    made_ += cover ? 1 : 0;
    if (k == 0)
        firstCover_ = cover;
    return cover;
}

PreviewImage AlbumPreviews::WriteCover(int k, const std::string& name, StagedSave& staged) {
    if (name.size() > kLongestName)
        return {};
    const EntryRecord& entry = state_.Entries[k];
    const PreviewImage image = {head_ + ".files/" + kScreenSizeFolder + "/" + name, kCoverWidth,
                                kCoverHeight};
    // The key is taken before the photo is read: a photo changed meanwhile makes it again.
    const std::optional<std::string> key = CoverKey(entry.SourcePath, entry.Rotation);
    const std::string inAlbum = std::string(kScreenSizeFolder) + "/" + name;
    if (key && reuse_ && reuse_->KeepFile(*key, inAlbum, staged, staged.Record()))
        return image;
    const std::optional<std::string> cover = Cover(k);
    if (!cover)
        return {};
    SavePictureBytes(staged.Stage(ScreenFolderPath(album_) + "/" + name), *cover);
    if (key)
        staged.Record().Keyed(inAlbum, *key);
    return image;
}

const LinkPreview* AlbumPreviews::Page(int k, StagedSave& staged) {
    if (state_.PublicUrl.empty())
        return nullptr;
    const PreviewImage cover = WriteCover(k, PageCoverName(state_.Entries[k].OutName), staged);
    preview_ = PagePreview(state_, head_, k, state_.PublicUrl, cover);
    return &*preview_;
}

const LinkPreview* AlbumPreviews::Index(StagedSave& staged) {
    if (state_.PublicUrl.empty())
        return nullptr;
    PreviewImage cover;
    for (int k = 0; k < state_.EntryCount && cover.path.empty(); ++k)
        cover = WriteCover(k, kIndexCoverName, staged);
    preview_ = IndexPreview(state_, head_, state_.PublicUrl, cover);
    return &*preview_;
}

}  // namespace albumon
