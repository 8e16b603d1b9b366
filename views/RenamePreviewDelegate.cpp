#include "RenamePreviewDelegate.h"

#include <QApplication>
#include <QPainter>

#include "PaneStyle.h"
#include "RenamePreviewModel.h"

namespace {

constexpr int horizontalPadding = 4;
constexpr int verticalPadding = 1;
constexpr int partSpacing = 6;
const QString arrow = QStringLiteral("→");
// After the new name of a file whose creation date stood in for a missing capture date (the row's tool tip
// says so).
const QString fallbackMarker = QStringLiteral("*");

} // namespace

RenamePreviewDelegate::RenamePreviewDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void RenamePreviewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    const QColor primary = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? primary : PaneStyle::secondaryColor(palette);
    const QColor tertiary = selected ? primary : PaneStyle::tertiaryColor(palette);

    const QFont font = PaneStyle::captionFont(option.font);
    const QFontMetrics metrics(font);
    const QRect area = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const int arrowWidth = metrics.horizontalAdvance(arrow);
    const int nameWidth = qMax(0, (area.width() - arrowWidth - 2 * partSpacing) / 2);
    const QRect oldRect(area.left(), area.top(), nameWidth, area.height());
    const QRect arrowRect(oldRect.right() + 1 + partSpacing, area.top(), arrowWidth, area.height());
    const QRect newRect(arrowRect.right() + 1 + partSpacing, area.top(), nameWidth, area.height());

    painter->save();
    painter->setFont(font);
    painter->setPen(secondary);
    painter->drawText(oldRect, Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(index.data(RenamePreviewModel::OriginalNameRole).toString(), Qt::ElideMiddle, nameWidth));
    painter->setPen(tertiary);
    painter->drawText(arrowRect, Qt::AlignCenter, arrow);
    const bool marked = index.data(RenamePreviewModel::UsedCreationDateRole).toBool();
    const int markerWidth = marked ? metrics.horizontalAdvance(fallbackMarker) + partSpacing / 2 : 0;
    const int newNameWidth = qMax(0, nameWidth - markerWidth);
    // A changed name differs by weight as well as by colour.
    const bool changes = index.data(RenamePreviewModel::ChangesNameRole).toBool();
    QFont newFont = font;
    if (changes)
        newFont.setWeight(QFont::DemiBold);
    const QFontMetrics newMetrics(newFont);
    const QString newName
        = newMetrics.elidedText(index.data(RenamePreviewModel::NewNameRole).toString(), Qt::ElideMiddle, newNameWidth);
    painter->setFont(newFont);
    painter->setPen(changes ? primary : tertiary);
    painter->drawText(newRect, Qt::AlignLeft | Qt::AlignVCenter, newName);
    painter->setFont(font);
    if (marked) {
        painter->setPen(secondary);
        painter->drawText(newRect.adjusted(newMetrics.horizontalAdvance(newName) + partSpacing / 2, 0, 0, 0),
            Qt::AlignLeft | Qt::AlignVCenter, fallbackMarker);
    }
    painter->restore();
}

QSize RenamePreviewDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // Two pixels of the height stand for the gap between rows, so that the list has no gaps a drag could fall in.
    const QFontMetrics metrics(PaneStyle::captionFont(option.font));
    return { 2 * horizontalPadding + 2 * metrics.horizontalAdvance(QStringLiteral("name.ext")),
        metrics.height() + 2 * verticalPadding + 2 };
}
