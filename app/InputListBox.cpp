// The input list's view.
#include "InputListBox.h"

#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <algorithm>

namespace albumon {

InputListBox::InputListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
}

QList<int> InputListBox::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Before the row under the point, or after it when the point is in its lower half; below the
// rows, after the last.
int InputListBox::DropRow(const QPoint& at) const {
    const QModelIndex index = indexAt(at);
    if (!index.isValid())
        return count();
    const QRect rect = visualRect(index);
    return at.y() < rect.center().y() ? index.row() : index.row() + 1;
}

// Rows of this list, dragged within it: what its own drag carries.
bool InputListBox::OwnRows(const QDropEvent* event) const {
    return (event->source() == nullptr || event->source() == this) &&
           event->mimeData() != nullptr &&
           event->mimeData()->hasFormat(model()->mimeTypes().value(0));
}

void InputListBox::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void InputListBox::dragMoveEvent(QDragMoveEvent* event) {
    if (!OwnRows(event)) {
        event->ignore();
        return;
    }
    QListWidget::dragMoveEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void InputListBox::dropEvent(QDropEvent* event) {
    // Only rows of this list come here: files are taken by the window's file drop first.
    if (!OwnRows(event)) {
        event->ignore();
        return;
    }
    const int before = DropRow(event->position().toPoint());
    event->acceptProposedAction();
    emit RowsDropped(before);
}

// The drag of the selected rows. The list's own drag would remove the selected rows after a
// drop that the platform reports as a move (as X11 does for the action accepted over the list);
// by then the window has shown the list again with the moved rows selected, so they would vanish
// from the list while the album still holds them. Here the drop's result is left to the window.
void InputListBox::startDrag(Qt::DropActions) {
    const QModelIndexList rows = selectedIndexes();
    if (rows.isEmpty())
        return;
    QRect shown;
    for (const QModelIndex& row : rows)
        shown |= visualRect(row);
    shown &= viewport()->rect();
    auto* drag = new QDrag(this);  // deleted by Qt when the drag has ended
    drag->setMimeData(model()->mimeData(rows));
    if (!shown.isEmpty()) {
        drag->setPixmap(viewport()->grab(shown));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - shown.topLeft());
    }
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void InputListBox::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool up = event->key() == Qt::Key_Up;
    const bool down = event->key() == Qt::Key_Down;
    if ((up || down) && mods == Qt::AltModifier) {
        emit MoveAsked(up ? OneUp : OneDown);
        return;
    }
    if ((up || down) && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        emit MoveAsked(up ? ToTop : ToBottom);
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace albumon
