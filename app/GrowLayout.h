// The main window's layout: at the design size every control keeps its design place; beyond it
// the edges named for a control follow the window's growth, so the room goes where it is useful.
#pragma once

#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace albumon {

class GrowLayout : public QLayout {
  public:
    // How far an edge moves when the window is larger than its design size.
    enum Share {
        Fixed,       // not at all
        LeftColumn,  // two fifths of the extra width: the input panel's share
        RightPages,  // the rest of the extra width: the pages' share
        AllWidth,    // all of the extra width
        AllHeight,   // all of the extra height
        Preview,     // two thirds of the extra height: the preview's share on the picture page
        Tree,        // half of the extra height: the folder tree's share on the input page
    };
    struct Edges {
        Share left = Fixed;
        Share top = Fixed;
        Share right = Fixed;
        Share bottom = Fixed;
    };

    GrowLayout(QWidget* window, QSize designSize);

    // Lets the control's edges follow the window; its present geometry is its design place.
    void Follow(QWidget* control, Edges edges);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

    // A strip of the given height along the window's bottom edge, below every control (0: none,
    // and the footer is left where it is).
    void SetFooter(QWidget* footer, int height);

  private:
    struct Control {
        QPointer<QWidget> widget;
        QRect design;
        Edges edges;
    };

    QSize designSize_;
    std::vector<Control> controls_;
    QPointer<QWidget> footer_;
    int footerHeight_ = 0;
};

}  // namespace albumon
