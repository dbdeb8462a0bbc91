// Removes albumon-make's work folder when the process is asked to end (Ctrl+C, kill, hang-up),
// then ends the process by that signal.
#pragma once

#include <signal.h>

#include <atomic>
#include <string>
#include <thread>

namespace albumon {

class SignalCleanup {
  public:
    // Blocks SIGINT, SIGTERM and SIGHUP in this thread (and so in the threads it starts later)
    // and waits for them on a thread of its own. Without a thread the signals act as before.
    explicit SignalCleanup(std::string folder);
    // Stops waiting and puts the signal mask back; a signal that came meanwhile then acts.
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;

  private:
    void Wait();

    std::string folder_;
    sigset_t signals_{};
    sigset_t previous_{};
    std::atomic<bool> done_{false};
    std::thread waiter_;
};

}  // namespace albumon
