// Covers and tags of the link previews of a save's pages.
#include "AlbumPreviews.h"

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
                             const std::string& album)
    : state_(state), head_(head), album_(album) {}

PreviewImage AlbumPreviews::WriteCover(int k, const std::string& name, StagedSave& staged) {
    if (name.size() > kLongestName)
        return {};
    const EntryRecord& entry = state_.Entries[k];
    std::optional<std::string> cover =
        k == 0 && firstCover_ ? firstCover_ : MakeCover(entry.SourcePath, entry.Rotation);
    if (!cover)
        return {};
    if (k == 0)
        firstCover_ = cover;
    SavePictureBytes(staged.Stage(ScreenFolderPath(album_) + "/" + name), *cover);
    return {head_ + ".files/" + kScreenSizeFolder + "/" + name, kCoverWidth, kCoverHeight};
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
