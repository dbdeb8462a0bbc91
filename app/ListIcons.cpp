// The marks and second line of the window's input rows.
#include "ListIcons.h"

namespace albumon {

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
