// The drop target for files dropped from the file manager.
#include "NewCtrls.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <exception>

#include "MessageBoxes.h"

namespace albumon {

TFileDrop::TFileDrop(QWidget* owner) : QObject(owner) {
    SetControl(nullptr);
}

TFileDrop::~TFileDrop() {
    Release();
}

QWidget* TFileDrop::DropWindow() const {
    if (!control_)
        return nullptr;
    // A scrolling control receives drops on its viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control_.data()))
        return area->viewport();
    return control_;
}

void TFileDrop::Release() {
    if (QWidget* window = DropWindow()) {
        window->removeEventFilter(this);
        window->setAcceptDrops(false);
    }
}

void TFileDrop::SetControl(QWidget* control) {
    Release();
    control_ = control ? control : qobject_cast<QWidget*>(parent());
    if (QWidget* window = DropWindow()) {
        window->installEventFilter(this);
        window->setAcceptDrops(accept_);
        connect(control_, &QObject::destroyed, this, [this] { accept_ = false; });
    }
}

void TFileDrop::SetAccept(bool accept) {
    accept_ = accept;
    if (QWidget* window = DropWindow())
        window->setAcceptDrops(accept);
}

static QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != DropWindow() || !accept_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (LocalFiles(drag->mimeData()).isEmpty())
                return false;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList files = LocalFiles(drop->mimeData());
            if (files.isEmpty())
                return false;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            Deliver(files, drop->position().toPoint());
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

void TFileDrop::Deliver(const QStringList& files, const QPoint& at) {
    if (!OnFileDrop)
        return;
    try {
        OnFileDrop(this, static_cast<int>(files.size()), files, at.x(), at.y());
    } catch (const std::exception& error) {
        ShowErrorBox(qobject_cast<QWidget*>(parent()), error);
    }
}

namespace {

// Refuses drags that carry files; every other drag goes on to the control.
class FileDropRefusal : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return QObject::eventFilter(watched, event);
        auto* drag = static_cast<QDropEvent*>(event);
        if (!drag->mimeData() || !drag->mimeData()->hasUrls())
            return QObject::eventFilter(watched, event);
        drag->ignore();
        return true;
    }
};

}  // namespace

void RefuseDroppedFiles(QWidget* root, const TFileDrop& target) {
    auto* refusal = new FileDropRefusal(root);
    for (QWidget* control : root->findChildren<QWidget*>()) {
        if (control != target.DropWindow() && control->acceptDrops())
            control->installEventFilter(refusal);
    }
}

}  // namespace albumon
