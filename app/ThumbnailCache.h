// The thumbnails of the window's lists: decoded on worker threads, kept per file path and
// modification time, handed to the lists on the user-interface thread as they come in.
#pragma once

#include <QCache>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QThreadPool>
#include <QWaitCondition>
#include <atomic>
#include <cstdint>
#include <string>

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
    // Lets held decodes go and waits for the workers: no decode outlives the cache.
    ~ThumbnailCache() override;

    // The thumbnail of the file as it is now (its path and modification time). When the cache
    // does not hold it, it is decoded on a worker (once per path and time) and Ready follows;
    // meanwhile the state is tsLoading. A file that cannot be read or decoded is tsFailed.
    Thumbnail Find(const std::string& path);
    // The icon of the file's thumbnail as ThumbnailIcon makes it (turned by rotation, in a square
    // of side pixels); made once for each turn and side while the thumbnail is held.
    QIcon Icon(const std::string& path, int rotation, int side);

    // While held, the workers wait before they decode (for tests: the lists are seen without
    // their thumbnails, and the window answers while decodes are under way).
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
    void Decode(const std::string& path, std::int64_t modified);
    void Store(const std::string& path, std::int64_t modified, const Thumbnail& thumbnail);
    void WaitWhileHeld();

    QCache<QByteArray, Held> cache_;          // cost: the image's bytes
    QHash<QByteArray, std::int64_t> queued_;  // decodes under way, by modification time
    QThreadPool pool_;
    QMutex holdLock_;
    QWaitCondition released_;
    bool held_ = false;
    std::atomic<int> decodes_{0};
};

}  // namespace albumon
