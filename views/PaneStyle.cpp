#include "PaneStyle.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace PaneStyle {

namespace {

    QColor blended(const QPalette &palette, double strength)
    {
        const QColor text = palette.color(QPalette::Text);
        const QColor base = palette.color(QPalette::Base);
        // Mixing toward the background instead of using alpha keeps the colour legible on any row highlight.
        const auto mix = [strength](int front, int back) {
            return static_cast<int>(front * strength + back * (1.0 - strength) + 0.5);
        };
        return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()), mix(text.blue(), base.blue()));
    }

    QFont scaled(const QFont &base, double factor, QFont::Weight weight)
    {
        QFont font = base;
        if (base.pointSizeF() > 0)
            font.setPointSizeF(base.pointSizeF() * factor);
        else
            font.setPixelSize(static_cast<int>(base.pixelSize() * factor + 0.5));
        font.setWeight(weight);
        return font;
    }

    double luminance(const QColor &color)
    {
        const auto channel
            = [](double value) { return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
    }

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor legible(const QColor &color, const QPalette &palette)
{
    // Text stands on the window's colour (labels) or the base colour (lists, fields); it must read at 4.5:1 on
    // both, in a light scheme and a dark one. Faint colours are moved toward the text colour until it does.
    const QColor window = palette.color(QPalette::Window);
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const auto enough = [&](const QColor &candidate) {
        return std::min(contrastRatio(candidate, window), contrastRatio(candidate, base)) >= minimumContrast;
    };
    QColor result = color;
    for (int step = 1; step <= 20 && !enough(result); ++step) {
        const double strength = step / 20.0;
        const auto mix = [strength](float front, float back) { return front * strength + back * (1.0 - strength); };
        result = QColor::fromRgbF(
            mix(text.redF(), color.redF()), mix(text.greenF(), color.greenF()), mix(text.blueF(), color.blueF()));
    }
    return result;
}

QColor secondaryColor(const QPalette &palette)
{
    return legible(blended(palette, 0.68), palette);
}

QColor tertiaryColor(const QPalette &palette)
{
    return legible(blended(palette, 0.52), palette);
}

QColor positiveColor(const QPalette &palette)
{
    const bool dark = luminance(palette.color(QPalette::Window)) < 0.2;
    return legible(dark ? QColor(0x81, 0xc7, 0x84) : QColor(0x1b, 0x6e, 0x20), palette);
}

QColor negativeColor(const QPalette &palette)
{
    const bool dark = luminance(palette.color(QPalette::Window)) < 0.2;
    return legible(dark ? QColor(0xef, 0x9a, 0x9a) : QColor(0xb7, 0x1c, 0x1c), palette);
}

QFont sectionFont(const QFont &base)
{
    return scaled(base, 0.92, QFont::DemiBold);
}

QFont headlineFont(const QFont &base)
{
    return scaled(base, 1.0, QFont::Bold);
}

QFont titleFont(const QFont &base)
{
    return scaled(base, 1.3, QFont::DemiBold);
}

QFont calloutFont(const QFont &base)
{
    return scaled(base, 0.95, base.weight());
}

QFont captionFont(const QFont &base)
{
    return scaled(base, 0.88, base.weight());
}

QFont footnoteFont(const QFont &base)
{
    return scaled(base, 0.85, base.weight());
}

QFont displayFont(const QFont &base)
{
    return scaled(base, 1.6, QFont::Bold);
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

void makeSecondary(QWidget *widget)
{
    setTextColor(widget, secondaryColor(widget->palette()));
}

void makeProminent(QPushButton *button)
{
    QPalette palette = button->palette();
    // The accent colour, darkened where the label would not read on it (light schemes' accents are often light);
    // the margin covers the gradient that styles lay over a button.
    QColor accent = palette.color(QPalette::Highlight);
    const QColor label = palette.color(QPalette::HighlightedText);
    for (int step = 0; step < 20 && contrastRatio(accent, label) < minimumContrast * 1.9; ++step)
        accent = label.lightness() > 127 ? accent.darker(110) : accent.lighter(110);
    const QPalette plain = palette;
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        palette.setColor(group, QPalette::Button, accent);
        palette.setColor(group, QPalette::ButtonText, label);
        // The style draws the focus ring in the highlight colour, which is the fill here: the text colour of the
        // window stands out from both the fill and the window around it.
        palette.setColor(group, QPalette::Highlight, plain.color(group, QPalette::WindowText));
    }
    // Disabled, it looks like any disabled button, not like an enabled one with paler text.
    palette.setColor(QPalette::Disabled, QPalette::Button, plain.color(QPalette::Disabled, QPalette::Button));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, plain.color(QPalette::Disabled, QPalette::ButtonText));
    button->setPalette(palette);
}

QFrame *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *symbolLabel(const QIcon &icon, int size, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(icon.pixmap(size, size, QIcon::Disabled));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QIcon themedIcon(const char *themeName, QStyle::StandardPixmap fallback)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(fallback);
    return icon;
}

QIcon folderIcon()
{
    return themedIcon("folder", QStyle::SP_DirIcon);
}

QIcon revealIcon()
{
    return themedIcon("folder-open", QStyle::SP_DirOpenIcon);
}

QIcon clearIcon()
{
    return themedIcon("edit-clear", QStyle::SP_DialogResetButton);
}

QIcon checkmarkIcon()
{
    return themedIcon("object-select", QStyle::SP_DialogApplyButton);
}

QIcon bookmarkIcon()
{
    return themedIcon("user-bookmarks", QStyle::SP_FileDialogInfoView);
}

QIcon documentIcon()
{
    return themedIcon("text-x-generic", QStyle::SP_FileIcon);
}

QIcon addFolderIcon()
{
    return themedIcon("folder-new", QStyle::SP_FileDialogNewFolder);
}

QIcon searchDocumentIcon()
{
    return themedIcon("system-search", QStyle::SP_FileDialogContentsView);
}

QIcon refreshIcon()
{
    return themedIcon("view-refresh", QStyle::SP_BrowserReload);
}

QIcon undoIcon()
{
    return themedIcon("edit-undo", QStyle::SP_ArrowBack);
}

QIcon previewIcon()
{
    return themedIcon("document-print-preview", QStyle::SP_FileDialogContentsView);
}

QIcon applyIcon()
{
    return themedIcon("media-playback-start", QStyle::SP_MediaPlay);
}

QIcon noPreviewIcon()
{
    return themedIcon("document-print-preview", QStyle::SP_FileDialogContentsView);
}

} // namespace PaneStyle
