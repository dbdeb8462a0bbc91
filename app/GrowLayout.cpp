// The main window's layout.
#include "GrowLayout.h"

#include <algorithm>

namespace albumon {

namespace {

int Shift(GrowLayout::Share share, QSize extra) {
    const int left = extra.width() * 2 / 5;
    switch (share) {
        case GrowLayout::Fixed:
            return 0;
        case GrowLayout::LeftColumn:
            return left;
        case GrowLayout::RightPages:
            return extra.width() - left;
        case GrowLayout::AllWidth:
            return extra.width();
        case GrowLayout::AllHeight:
            return extra.height();
        case GrowLayout::Preview:
            return extra.height() * 2 / 3;
        case GrowLayout::Tree:
            return extra.height() / 2;
    }
    return 0;
}

}  // namespace

GrowLayout::GrowLayout(QWidget* window, QSize designSize)
    : QLayout(window), designSize_(designSize) {
    setContentsMargins(0, 0, 0, 0);
}

void GrowLayout::Follow(QWidget* control, Edges edges) {
    controls_.push_back({control, control->geometry(), edges});
}

// The controls are placed by Follow, never as items.
void GrowLayout::addItem(QLayoutItem* item) {
    delete item;
}

QLayoutItem* GrowLayout::itemAt(int) const {
    return nullptr;
}

QLayoutItem* GrowLayout::takeAt(int) {
    return nullptr;
}

int GrowLayout::count() const {
    return 0;
}

QSize GrowLayout::sizeHint() const {
    return designSize_ + QSize(0, footerHeight_);
}

QSize GrowLayout::minimumSize() const {
    return designSize_ + QSize(0, footerHeight_);
}

void GrowLayout::SetFooter(QWidget* footer, int height) {
    footer_ = footer;
    footerHeight_ = height;
    invalidate();
}

void GrowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QSize extra(std::max(0, rect.width() - designSize_.width()),
                      std::max(0, rect.height() - footerHeight_ - designSize_.height()));
    if (footer_ && footerHeight_ > 0)
        footer_->setGeometry(0, rect.height() - footerHeight_, rect.width(), footerHeight_);
    for (const Control& control : controls_) {
        if (control.widget.isNull())
            continue;
        QRect place = control.design;
        place.setLeft(place.left() + Shift(control.edges.left, extra));
        place.setTop(place.top() + Shift(control.edges.top, extra));
        place.setRight(place.right() + Shift(control.edges.right, extra));
        place.setBottom(place.bottom() + Shift(control.edges.bottom, extra));
        control.widget->setGeometry(place);
    }
}

}  // namespace albumon
