// The mail and home-page launcher.
#include "MailHP.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>

namespace albumon {

namespace {

class ClickFilter : public QObject {
  public:
    ClickFilter(QLabel* label, std::function<void()> handler)
        : QObject(label), handler_(std::move(handler)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            handler_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> handler_;
};

}  // namespace

TMailAndHP::TMailAndHP(QObject* owner) : QObject(owner), launcher_(OpenWithDesktop) {}

void TMailAndHP::SendMail() {
    success_ = launcher_(QStringLiteral("mailto:") + MailAddress);
}

void TMailAndHP::OpenHomePage() {
    success_ = launcher_(HomePageAddress);
}

bool OpenWithDesktop(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void OnLabelClick(QLabel* label, std::function<void()> handler) {
    label->installEventFilter(new ClickFilter(label, std::move(handler)));
}

}  // namespace albumon
