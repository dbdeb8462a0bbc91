// Removal of albumon-make's work folder when the process is asked to end.
#include "SignalCleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <system_error>

#include "AlbumState.h"

namespace albumon {

SignalCleanup::SignalCleanup(std::string folder) : folder_(std::move(folder)) {
    sigemptyset(&signals_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals_, signal);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    try {
        waiter_ = std::thread([this] { Wait(); });
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
}

SignalCleanup::~SignalCleanup() {
    if (!waiter_.joinable())
        return;
    done_ = true;
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void SignalCleanup::Wait() {
    int signal = 0;
    if (sigwait(&signals_, &signal) != 0 || done_)
        return;
    // The save may be putting a file into the folder meanwhile: empty it until it goes.
    for (int attempt = 0; attempt < 10; ++attempt) {
        EmptyWorkFolder(folder_);
        if (::rmdir(folder_.c_str()) == 0)
            break;
    }
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

}  // namespace albumon
