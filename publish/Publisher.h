// Publishing a saved album: the changed files go up under temporary names and are then renamed
// into place, the index last, so that the server holds the old album or the new one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Transport.h"

namespace albumon {

struct PublishProgress {
    int files = 0;  // sent so far, of fileCount to send
    int fileCount = 0;
    std::uint64_t bytes = 0;  // sent so far, of byteCount
    std::uint64_t byteCount = 0;
};

// The progress as the window and albumon-make show it: files and kilobytes sent so far of the
// total ("3 / 10 ファイル　120 / 2048 KB", kilobytes rounded up).
std::string ProgressWords(const PublishProgress& shown);

// Called before each file and once at the end; returning false cancels the publish.
using PublishProgressFn = std::function<bool(const PublishProgress&)>;

// A publish the user cancelled; the server's album is as it was.
class EPublishCancelled : public PublishError {
  public:
    EPublishCancelled() : PublishError("公開を中止しました") {}
};

struct PublishSummary {
    int albumFiles = 0;
    std::uint64_t albumBytes = 0;
    int sentFiles = 0;  // the remote record included
    std::uint64_t sentBytes = 0;
};

// Publishes the album head saved in outFolder (ending with "/") through server. Raises
// PublishError (EPublishCancelled when progress says stop) or albumon::Exception.
PublishSummary PublishAlbum(Transport& server, const std::string& outFolder,
                            const std::string& head, const PublishProgressFn& progress = {});

}  // namespace albumon
