// Ends the program as closing its window does when the session or a user sends SIGTERM, SIGINT
// or SIGHUP, so that the settings are still written and the work folder emptied.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace albumon {

class QuitSignals : public QObject {
  public:
    // Installs the handlers; close runs on the user-interface thread once a signal came.
    QuitSignals(std::function<void()> close, QObject* parent);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

  private:
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace albumon
