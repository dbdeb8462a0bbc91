// The archive component's folder watcher: watches the folder of the current archive and, once
// changes have settled, lets the user-interface thread check whether the archive changed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "TextFile.h"

namespace albumon {

// Runs a closure on the user-interface thread (the window hands in a queued invocation).
using UiDispatcher = std::function<void(std::function<void()>)>;

class TArchiveNotifyThread {
  public:
    // changed runs on the user-interface thread when the archive's size or last-write time
    // differs from what was recorded, or the archive is gone. Closures handed to post must run
    // on the thread that destroys the watcher.
    TArchiveNotifyThread(UiDispatcher post, std::function<void()> changed,
                         std::chrono::milliseconds quiet = std::chrono::milliseconds(3000));
    ~TArchiveNotifyThread();
    TArchiveNotifyThread(const TArchiveNotifyThread&) = delete;
    TArchiveNotifyThread& operator=(const TArchiveNotifyThread&) = delete;

    // Watches the folder of archiveFile from now on and records the archive's size and time;
    // an empty name stops the watching.
    void Point(const std::string& archiveFile);

  private:
    // What the watcher looks at, shared with the closures it posts.
    struct Target {
        std::mutex lock;
        std::string file;
        std::string folder;
        bool exists = false;
        off_t size = 0;
        std::int64_t modified = 0;
        std::function<void()> changed;
    };

    void Run();
    void Wake();
    int Rewatch(int oldWatch);
    bool TakeFolderEvents(int watch);
    void PostCheck();
    static void Record(Target& target);
    static void CheckOnUiThread(const std::weak_ptr<Target>& weak);

    UiDispatcher post_;
    std::chrono::milliseconds quiet_;
    std::shared_ptr<Target> target_;
    FileHandle inotify_;
    FileHandle wake_;
    std::atomic<bool> stop_{false};     // stays set once set
    std::atomic<bool> repoint_{false};  // cleared when taken
    std::thread thread_;
};

}  // namespace albumon
