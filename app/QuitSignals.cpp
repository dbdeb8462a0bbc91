// Termination signals turned into a window close through a pipe the event loop watches.
#include "QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>

namespace albumon {

namespace {

// A signal handler can reach nothing but process-wide state: the pipe's write end.
std::atomic<int> signalPipe{-1};

void OnSignal(int) {
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

QuitSignals::QuitSignals(std::function<void()> close, QObject* parent) : QObject(parent) {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    signalPipe.store(fds_[1]);
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, close] {
        char bytes[16];
        while (::read(fds_[0], bytes, sizeof bytes) > 0) {
        }
        close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int signal : kSignals)
        ::signal(signal, SIG_DFL);
    signalPipe.store(-1);
    for (int fd : fds_) {
        if (fd >= 0)
            ::close(fd);
    }
}

}  // namespace albumon
