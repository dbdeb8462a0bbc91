// How the window's lists show pictures: thumbnails as icons of one square size (turned as their
// entries are; blank while they load, the "no preview" picture when they cannot be decoded) and
// the second line of an input row with its marks.
#pragma once

#include <QIcon>
#include <QSize>
#include <QStyledItemDelegate>

#include "AlbumState.h"
#include "ThumbnailCache.h"

namespace albumon {

// The role of an input row's second line: the note position and turn marks and, for a commentary
// entry, its note's first line.
inline constexpr int kRowDetailRole = Qt::UserRole + 1;

// The icon of a thumbnail turned by rotation (quarter turns clockwise), centred in a square of
// side pixels.
QIcon ThumbnailIcon(const ThumbnailCache::Thumbnail& thumbnail, int rotation, int side);

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
