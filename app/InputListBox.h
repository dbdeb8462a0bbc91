// The input list's view: rows are the album's entries, several may be selected, and rows are
// dragged to a new place or moved by keys. The view never reorders or removes its rows itself:
// it asks the window, which moves the entries in the album state and shows the list again.
#pragma once

#include <QListWidget>

namespace albumon {

class InputListBox : public QListWidget {
    Q_OBJECT

  public:
    // Where a key asks the selected rows to go.
    enum Move { OneUp, OneDown, ToTop, ToBottom };

    explicit InputListBox(QWidget* parent);

    // The selected rows, top first.
    QList<int> SelectedRows() const;

  signals:
    // The selected rows were dropped before row (the row count: after the last row).
    void RowsDropped(int before);
    void MoveAsked(InputListBox::Move move);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int DropRow(const QPoint& at) const;
    bool OwnRows(const QDropEvent* event) const;
};

}  // namespace albumon
