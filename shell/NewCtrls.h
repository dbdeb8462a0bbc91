// The drop target: makes one control accept files dropped from the file manager and hands their
// full paths to a handler.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QWidget;

namespace albumon {

class TFileDrop : public QObject {
    Q_OBJECT

  public:
    // Sender, number of items, their full paths in the order delivered, drop point.
    using TFileDropEvent =
        std::function<void(QObject* sender, int num, const QStringList& files, int x, int y)>;

    explicit TFileDrop(QWidget* owner);
    ~TFileDrop() override;

    // Binds the component to the control whose window receives drops (the owner without one).
    void SetControl(QWidget* control);
    QWidget* Control() const { return control_; }
    // The window that receives the drops: the control, or its viewport for a scrolling one.
    QWidget* DropWindow() const;
    // Whether the bound control accepts dropped files.
    void SetAccept(bool accept);
    bool Accept() const { return accept_; }

    TFileDropEvent OnFileDrop;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Release();
    void Deliver(const QStringList& files, const QPoint& at);

    QPointer<QWidget> control_;
    bool accept_ = true;
};

// Makes every control under root except the drop target's own window refuse dropped files (text
// dragged inside a control still moves); installed once the controls exist.
void RefuseDroppedFiles(QWidget* root, const TFileDrop& target);

}  // namespace albumon
