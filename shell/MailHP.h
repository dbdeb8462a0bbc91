// The mail and home-page launcher: hands "mailto:" plus an address, or a web address, to the
// desktop's "open"; and a helper that makes a label clickable.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLabel;

namespace albumon {

class TMailAndHP : public QObject {
    Q_OBJECT

  public:
    // Opens an address with the desktop's default program; true when the desktop accepted it.
    using Launcher = std::function<bool(const QString& address)>;

    explicit TMailAndHP(QObject* owner = nullptr);

    QString MailAddress;
    QString HomePageAddress = QStringLiteral("http://");

    // Opens a new message to MailAddress in the mail program.
    void SendMail();
    // Opens HomePageAddress in the browser.
    void OpenHomePage();
    // Whether the last launch was accepted.
    bool Success() const { return success_; }
    void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

  private:
    Launcher launcher_;
    bool success_ = false;
};

// The desktop's "open" for an address, passed on as written.
bool OpenWithDesktop(const QString& address);

// Runs handler when the label is clicked with the left mouse button.
void OnLabelClick(QLabel* label, std::function<void()> handler);

}  // namespace albumon
