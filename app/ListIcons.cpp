// How the window's lists show pictures.
#include "ListIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QTransform>

#include "PictureBox.h"
#include "renditions/Images.h"
#include "renditions/Thumbnails.h"

namespace albumon {

QIcon ThumbnailIcon(const ThumbnailCache::Thumbnail& thumbnail, int rotation, int side) {
    QImage picture;
    if (thumbnail.state == ThumbnailCache::tsReady) {
        picture = thumbnail.image;
        if (rotation >= 1 && rotation <= 3)
            picture = picture.transformed(QTransform().rotate(90.0 * rotation));
    } else if (thumbnail.state == ThumbnailCache::tsFailed) {
        picture = RasterImage(NoPreviewRaster(side, side * 3 / 4));
    }
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    if (!picture.isNull()) {
        const QImage fitted =
            picture.width() > side || picture.height() > side
                ? picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : picture;
        QPainter painter(&square);
        painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    }
    return QIcon(square);
}

QString EntryMarks(const EntryRecord& entry) {
    QStringList marks;
    if (entry.NotePos == npAbove || entry.NotePos == npBelow)
        marks << (entry.NotePos == npAbove ? QStringLiteral("上") : QStringLiteral("下"));
    static const char16_t* const kTurns[] = {u"", u"↻", u"↻↻", u"↺"};
    if (entry.Rotation >= 1 && entry.Rotation <= 3)
        marks << QString::fromUtf16(kTurns[entry.Rotation]);
    return marks.join(QLatin1Char(' '));
}

void RowDetailDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString detail = index.data(kRowDetailRole).toString();
    if (!detail.isEmpty())
        option->text += QChar::LineSeparator + detail;
}

}  // namespace albumon
