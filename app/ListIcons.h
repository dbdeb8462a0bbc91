// The second line of the window's input rows: an entry's marks, and the delegate that draws the
// line below the row's text.
#pragma once

#include <QStyledItemDelegate>

#include "AlbumState.h"

namespace albumon {

// The role of an input row's second line: the note position and turn marks and, for a commentary
// entry, its note's first line.
inline constexpr int kRowDetailRole = Qt::UserRole + 1;

// The marks of an entry: "上" or "下" for a note shown above or below the picture, "↻" for a
// quarter turn clockwise, "↻↻" for a half turn, "↺" for a quarter turn counter-clockwise.
QString EntryMarks(const EntryRecord& entry);

// Draws a row's second line (kRowDetailRole) below its text.
class RowDetailDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace albumon
