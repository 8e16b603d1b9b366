#include "PaneStyle.h"

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

} // namespace

QColor secondaryColor(const QPalette &palette)
{
    return blended(palette, 0.68);
}

QColor tertiaryColor(const QPalette &palette)
{
    return blended(palette, 0.52);
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
    palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
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
