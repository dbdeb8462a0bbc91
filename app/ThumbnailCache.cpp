// The thumbnails of the window's lists.
#include "ThumbnailCache.h"

#include <sys/stat.h>

#include <QMutexLocker>

#include "ListIcons.h"
#include "ListThumbnail.h"
#include "PictureBox.h"
#include "Raster.h"

namespace albumon {

namespace {

// Room for about a thousand thumbnails; the least recently used go first.
constexpr qsizetype kCacheBytes = qsizetype{64} << 20;

// The file's modification time in nanoseconds; -1 when it cannot be read.
std::int64_t ModificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
}

}  // namespace

ThumbnailCache::ThumbnailCache(QObject* parent) : QObject(parent), cache_(kCacheBytes) {}

ThumbnailCache::~ThumbnailCache() {
    pool_.clear();
    HoldBack(false);
    pool_.waitForDone();
}

ThumbnailCache::Thumbnail ThumbnailCache::Find(const std::string& path) {
    const std::int64_t modified = ModificationTime(path);
    if (modified < 0)
        return {tsFailed, {}};
    const QByteArray key = QByteArray::fromStdString(path);
    if (const Held* held = cache_.object(key); held && held->modified == modified)
        return held->thumbnail;
    const auto queued = queued_.constFind(key);
    if (queued == queued_.cend() || *queued != modified) {
        queued_.insert(key, modified);
        pool_.start([this, path, modified] { Decode(path, modified); });
    }
    return {};
}

QIcon ThumbnailCache::Icon(const std::string& path, int rotation, int side) {
    const Thumbnail thumbnail = Find(path);
    Held* held = cache_.object(QByteArray::fromStdString(path));
    if (thumbnail.state == tsLoading || held == nullptr)
        return ThumbnailIcon(thumbnail, rotation, side);
    QIcon& icon = held->icons[{rotation, side}];
    if (icon.isNull())
        icon = ThumbnailIcon(thumbnail, rotation, side);
    return icon;
}

void ThumbnailCache::HoldBack(bool hold) {
    QMutexLocker lock(&holdLock_);
    held_ = hold;
    if (!hold)
        released_.wakeAll();
}

void ThumbnailCache::WaitWhileHeld() {
    QMutexLocker lock(&holdLock_);
    while (held_)
        released_.wait(&holdLock_);
}

// On a worker: nothing escapes it, an undecodable file is a failed thumbnail.
void ThumbnailCache::Decode(const std::string& path, std::int64_t modified) {
    WaitWhileHeld();
    Thumbnail thumbnail{tsFailed, {}};
    try {
        thumbnail.image = RasterImage(ListThumbnail(path)).convertToFormat(QImage::Format_RGB32);
        thumbnail.state = thumbnail.image.isNull() ? tsFailed : tsReady;
    } catch (...) {
        thumbnail.image = QImage();
    }
    ++decodes_;
    QMetaObject::invokeMethod(
        this, [this, path, modified, thumbnail] { Store(path, modified, thumbnail); },
        Qt::QueuedConnection);
}

void ThumbnailCache::Store(const std::string& path, std::int64_t modified,
                           const Thumbnail& thumbnail) {
    const QByteArray key = QByteArray::fromStdString(path);
    if (queued_.value(key, -1) == modified)
        queued_.remove(key);
    const qsizetype cost = std::max<qsizetype>(thumbnail.image.sizeInBytes(), 1);
    cache_.insert(key, new Held{modified, thumbnail}, cost);
    emit Ready(path);
}

}  // namespace albumon
