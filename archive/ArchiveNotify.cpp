// The archive component's folder watcher on inotify.
#include "ArchiveNotify.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <system_error>

#include "Paths.h"

namespace albumon {

namespace {

constexpr std::uint32_t kFolderChanges = IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM |
                                         IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF |
                                         IN_MOVE_SELF;

}  // namespace

TArchiveNotifyThread::TArchiveNotifyThread(UiDispatcher post, std::function<void()> changed,
                                           std::chrono::milliseconds quiet)
    : post_(std::move(post)),
      quiet_(quiet),
      target_(std::make_shared<Target>()),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    target_->changed = std::move(changed);
    // Without a thread to run on (the system has none to give) the watcher watches nothing;
    // nothing visible depends on it.
    if (inotify_.valid() && wake_.valid()) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
        }
    }
}

TArchiveNotifyThread::~TArchiveNotifyThread() {
    stop_ = true;
    Wake();
    if (thread_.joinable())
        thread_.join();
}

void TArchiveNotifyThread::Wake() {
    std::uint64_t one = 1;
    if (!wake_.valid())
        return;
    ssize_t written = ::write(wake_.get(), &one, sizeof one);
    static_cast<void>(written);
}

void TArchiveNotifyThread::Record(Target& target) {
    struct stat st {};
    target.exists = !target.file.empty() && ::stat(target.file.c_str(), &st) == 0;
    target.size = target.exists ? st.st_size : 0;
    target.modified = target.exists ? st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec : 0;
}

void TArchiveNotifyThread::Point(const std::string& archiveFile) {
    {
        std::lock_guard guard(target_->lock);
        target_->file = archiveFile;
        target_->folder = archiveFile.empty() ? std::string() : FolderPart(archiveFile);
        Record(*target_);
    }
    repoint_ = true;
    Wake();
}

int TArchiveNotifyThread::Rewatch(int oldWatch) {
    if (oldWatch >= 0)
        ::inotify_rm_watch(inotify_.get(), oldWatch);
    std::string folder;
    {
        std::lock_guard guard(target_->lock);
        folder = target_->folder;
    }
    if (folder.empty())
        return -1;
    return ::inotify_add_watch(inotify_.get(), folder.c_str(), kFolderChanges | IN_ONLYDIR);
}

bool TArchiveNotifyThread::TakeFolderEvents(int watch) {
    alignas(inotify_event) char buffer[8192];
    bool seen = false;
    for (;;) {
        ssize_t n = ::read(inotify_.get(), buffer, sizeof buffer);
        if (n <= 0)
            return seen;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (watch >= 0 && event->wd == watch)
                seen = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void TArchiveNotifyThread::CheckOnUiThread(const std::weak_ptr<Target>& weak) {
    auto target = weak.lock();
    if (!target)
        return;
    bool changed = false;
    {
        std::lock_guard guard(target->lock);
        if (target->file.empty())
            return;
        off_t size = target->size;
        std::int64_t modified = target->modified;
        Record(*target);
        changed = !target->exists || target->size != size || target->modified != modified;
    }
    if (changed && target->changed)
        target->changed();
}

void TArchiveNotifyThread::PostCheck() {
    if (!post_)
        return;
    std::weak_ptr<Target> weak = target_;
    post_([weak] { CheckOnUiThread(weak); });
}

void TArchiveNotifyThread::Run() {
    using Clock = std::chrono::steady_clock;
    int watch = -1;
    std::optional<Clock::time_point> settlesAt;
    while (!stop_) {
        if (repoint_.exchange(false)) {
            watch = Rewatch(watch);
            settlesAt.reset();
        }
        int timeout = -1;
        if (settlesAt) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*settlesAt - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        pollfd fds[2] = {{inotify_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        int ready = ::poll(fds, 2, timeout);
        if (ready < 0)
            continue;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            ssize_t taken = ::read(wake_.get(), &count, sizeof count);
            static_cast<void>(taken);
        }
        if ((fds[0].revents & POLLIN) && TakeFolderEvents(watch)) {
            settlesAt = Clock::now() + quiet_;
        } else if (ready == 0 && settlesAt) {
            settlesAt.reset();
            PostCheck();
        }
    }
}

}  // namespace albumon
