#include "ElidedButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int horizontalPadding = 8;
constexpr int iconGap = 6;

} // namespace

ElidedButton::ElidedButton(QWidget *parent)
    : QPushButton(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString ElidedButton::displayedText() const
{
    int available = width() - 2 * horizontalPadding;
    if (!icon().isNull())
        available -= iconSize().width() + iconGap;
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, qMax(0, available));
}

QSize ElidedButton::sizeHint() const
{
    // Ask for room for the whole text but accept far less (see minimumSizeHint): the text shortens itself.
    QSize hint = QPushButton::sizeHint();
    int width = 2 * horizontalPadding + fontMetrics().horizontalAdvance(text()) + 2;
    if (!icon().isNull())
        width += iconSize().width() + iconGap;
    hint.setWidth(width);
    return hint;
}

QSize ElidedButton::minimumSizeHint() const
{
    QSize hint = QPushButton::minimumSizeHint();
    hint.setWidth(2 * horizontalPadding + iconSize().width() + fontMetrics().horizontalAdvance(QStringLiteral("M…M")));
    return hint;
}

void ElidedButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    QRect area = rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const QRect iconRect(
            area.left(), area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
        icon().paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        area.setLeft(iconRect.right() + 1 + iconGap);
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, displayedText());
}
