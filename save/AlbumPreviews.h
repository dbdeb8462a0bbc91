// The link previews of a save's pages: with a public address, a cover for the index page and
// for every picture page, made from its photo (or kept as an earlier save made it, when its key
// is the same) and staged with the album's other files, and the tags that name them.
#pragma once

#include <optional>
#include <string>

#include "AlbumState.h"
#include "LinkPreview.h"

namespace albumon {

class OutputReuse;
class StagedSave;

class AlbumPreviews {
  public:
    // Previews of the album under head in album (no trailing "/"); none when the state has no
    // public address. Covers an earlier save made come from reuse (none: every cover is made).
    AlbumPreviews(const AlbumState& state, const std::string& head, const std::string& album,
                  OutputReuse* reuse);

    // The preview of entry k's page, its cover (the entry's photo, when it can be decoded)
    // staged; null without a public address.
    const LinkPreview* Page(int k, StagedSave& staged);
    // The preview of the index page, its cover from the first photo that can be decoded; null
    // without a public address.
    const LinkPreview* Index(StagedSave& staged);
    // How many covers were made (decoded and encoded), not kept.
    int Made() const { return made_; }

  private:
    // The cover of entry k's photo staged as name in the picture sub-folder, kept when an
    // earlier save made it of the same photo and turn; none when the photo cannot be decoded.
    PreviewImage WriteCover(int k, const std::string& name, StagedSave& staged);
    // The cover of entry k's photo, made once for entry 0 (its page and the index share it).
    std::optional<std::string> Cover(int k);

    const AlbumState& state_;
    std::string head_;
    std::string album_;
    OutputReuse* reuse_;
    int made_ = 0;
    std::optional<LinkPreview> preview_;
    std::optional<std::string> firstCover_;  // entry 0's cover, once made
};

}  // namespace albumon
