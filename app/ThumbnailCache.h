// The thumbnails of the window's lists: decoded on worker threads, kept per file path and
// modification time, handed to the lists on the user-interface thread as they come in.
#pragma once

#include <QCache>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pixels/Raster.h"

namespace albumon {

class ThumbnailCache : public QObject {
    Q_OBJECT

  public:
    enum State { tsLoading, tsReady, tsFailed };
    struct Thumbnail {
        State state = tsLoading;
        QImage image;  // upright as the file's orientation asks, long side at most 128 px
    };

    explicit ThumbnailCache(QObject* parent = nullptr);
    // Drops the decodes not begun and waits for the workers: no decode outlives the cache.
    ~ThumbnailCache() override;

    // The thumbnail of the file as it is now (its path and modification time). When the cache
    // does not hold it, it is decoded on a worker (once per path and time) and Ready follows;
    // meanwhile the state is tsLoading. A file that cannot be read or decoded is tsFailed.
    Thumbnail Find(const std::string& path);
    // The icon of the file's thumbnail, turned by rotation (quarter turns clockwise) and centred
    // in a square of side pixels; made once for each turn and side while the thumbnail is held.
    QIcon Icon(const std::string& path, int rotation, int side);

    // While held, the workers wait before they take a decode (for tests: the lists are seen
    // without their thumbnails, and the window answers while decodes are waiting).
    void HoldBack(bool hold);
    // How many decodes have been finished.
    int Decodes() const { return decodes_.load(); }
    // The bytes the images held take.
    qint64 Bytes() const { return cache_.totalCost(); }

  signals:
    // The thumbnail of the file came in (or the file turned out undecodable).
    void Ready(const std::string& path);

  private:
    struct Held {
        std::int64_t modified = 0;
        Thumbnail thumbnail;
        QHash<QPair<int, int>, QIcon> icons;  // by rotation and side
    };
    struct Job {
        std::string path;
        std::int64_t modified = 0;
        std::optional<Raster> picture =
            std::nullopt;  // when done: the decoded picture, none when it failed
    };
    void Queue(Job job);
    void Work();
    void Deliver();

    QCache<QByteArray, Held> cache_;          // cost: the image's bytes
    QHash<QByteArray, std::int64_t> queued_;  // decodes asked for, by modification time
    // Plain threads, one a core, started with the first decode; they touch nothing of Qt and so
    // hold no handles of their own. What they decode is taken in on the user-interface thread
    // while decodes are outstanding.
    std::vector<std::thread> workers_;
    std::mutex lock_;  // guards jobs_, done_, held_ and stopping_
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::deque<Job> done_;
    QTimer* deliver_ = nullptr;
    bool held_ = false;
    bool stopping_ = false;
    std::atomic<int> decodes_{0};
};

}  // namespace albumon
