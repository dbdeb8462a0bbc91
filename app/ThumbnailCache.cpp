// The thumbnails of the window's lists.
#include "ThumbnailCache.h"

#include <sys/stat.h>

#include <QPainter>
#include <QPixmap>
#include <QTransform>
#include <algorithm>

#include "PictureBox.h"
#include "pixels/Raster.h"
#include "renditions/ListThumbnail.h"
#include "renditions/Thumbnails.h"

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

// How often finished decodes are taken in while some are outstanding, in milliseconds.
constexpr int kDeliveryInterval = 20;

// The icon of a thumbnail turned by rotation (quarter turns clockwise), centred in a square of
// side pixels: blank while it loads, the "no preview" picture when it cannot be decoded.
QIcon ThumbnailIcon(const ThumbnailCache::Thumbnail& thumbnail, int rotation, int side) {
    QImage picture;
    if (thumbnail.state == ThumbnailCache::tsReady) {
        picture = thumbnail.image;
        if (rotation >= 1 && rotation <= 3)
            picture = picture.transformed(QTransform().rotate(90.0 * rotation));
    } else if (thumbnail.state == ThumbnailCache::tsFailed) {
        picture = RasterImage(NoPreviewRaster(side, side * 3 / 4));
    }
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    if (!picture.isNull()) {
        const QImage fitted =
            picture.width() > side || picture.height() > side
                ? picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : picture;
        QPainter painter(&square);
        painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    }
    return QIcon(square);
}

}  // namespace

ThumbnailCache::ThumbnailCache(QObject* parent)
    : QObject(parent), cache_(kCacheBytes), deliver_(new QTimer(this)) {
    deliver_->setInterval(kDeliveryInterval);
    connect(deliver_, &QTimer::timeout, this, [this] { Deliver(); });
}

ThumbnailCache::~ThumbnailCache() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
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
        Queue({path, modified});
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
    {
        std::lock_guard<std::mutex> guard(lock_);
        held_ = hold;
    }
    wake_.notify_all();
}

void ThumbnailCache::Queue(Job job) {
    if (workers_.empty()) {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned k = 0; k < cores; ++k)
            workers_.emplace_back([this] { Work(); });
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    deliver_->start();
}

void ThumbnailCache::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || (!held_ && !jobs_.empty()); });
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job.picture = ListThumbnail(job.path);
        } catch (...) {
            job.picture.reset();  // nothing escapes a worker: an undecodable file fails
        }
        ++decodes_;
        std::lock_guard<std::mutex> guard(lock_);
        done_.push_back(std::move(job));
    }
}

void ThumbnailCache::Deliver() {
    std::deque<Job> done;
    {
        std::lock_guard<std::mutex> guard(lock_);
        done.swap(done_);
    }
    for (const Job& job : done) {
        Thumbnail thumbnail{tsFailed, {}};
        if (job.picture) {
            thumbnail.image = RasterImage(*job.picture).convertToFormat(QImage::Format_RGB32);
            thumbnail.state = thumbnail.image.isNull() ? tsFailed : tsReady;
        }
        const QByteArray key = QByteArray::fromStdString(job.path);
        if (queued_.value(key, -1) == job.modified)
            queued_.remove(key);
        const qsizetype cost = std::max<qsizetype>(thumbnail.image.sizeInBytes(), 1);
        cache_.insert(key, new Held{job.modified, thumbnail, {}}, cost);
        emit Ready(job.path);
    }
    if (queued_.isEmpty())
        deliver_->stop();
}

}  // namespace albumon
