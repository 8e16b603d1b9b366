#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QStyle>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

/// Colours, fonts, symbols and the small styled pieces shared by the window's panes and sheets, derived from the
/// application's palette and font so that they follow the desktop's theme.
namespace PaneStyle {

/// The least contrast of any text with its background (WCAG's level AA for body text).
constexpr double minimumContrast = 4.5;
/// The contrast ratio of two colours, from 1 (equal) to 21 (black on white), as WCAG defines it.
double contrastRatio(const QColor &a, const QColor &b);
/// `color`, moved toward the text colour as far as needed to read at `minimumContrast` on both the window and
/// the base colour of `palette`.
QColor legible(const QColor &color, const QPalette &palette);
/// Text that says something went well ("You're up to date."), green in light and dark schemes.
QColor positiveColor(const QPalette &palette);
/// Text of an error, red in light and dark schemes.
QColor negativeColor(const QPalette &palette);

/// Text that matters less than the primary text (labels, paths): the text colour at about two thirds strength.
QColor secondaryColor(const QPalette &palette);
/// Text that is deliberately faint (unchanged names, decorative symbols) but must stay readable: about half.
QColor tertiaryColor(const QPalette &palette);

/// The section-heading font: small and semibold.
QFont sectionFont(const QFont &base);
/// A headline: the base size, bold.
QFont headlineFont(const QFont &base);
/// A title for empty states: about a third larger than the base, semibold.
QFont titleFont(const QFont &base);
/// Slightly smaller than the base (callouts, footnotes).
QFont calloutFont(const QFont &base);
/// The smallest readable text (captions, notes).
QFont captionFont(const QFont &base);
/// Footnotes of a sheet (release notes, the update status, the About sheet's closing line): a little below the
/// caption size.
QFont footnoteFont(const QFont &base);
/// The application's name where it stands alone (the About sheet): 1.6 times the base, bold.
QFont displayFont(const QFont &base);

/// Draws the text of `widget` (a label's or a button's) in `color`.
void setTextColor(QWidget *widget, const QColor &color);
/// Draws the text of `widget` in the secondary colour of its palette.
void makeSecondary(QWidget *widget);
/// Fills `button` with the accent colour: the one main action of a pane.
void makeProminent(QPushButton *button);
/// A sunken horizontal line across a pane.
QFrame *divider(QWidget *parent);
/// A centred label showing `icon` faintly (its disabled form), `size` pixels square.
QLabel *symbolLabel(const QIcon &icon, int size, QWidget *parent);

/// A symbol of the desktop's icon theme by its freedesktop name, or the style's standard icon when the theme
/// has none. Never null.
QIcon themedIcon(const char *themeName, QStyle::StandardPixmap fallback);

/// The symbols of the panes, named after what they show.
QIcon folderIcon();
QIcon revealIcon();
QIcon clearIcon();
QIcon checkmarkIcon();
QIcon bookmarkIcon();
QIcon documentIcon();
QIcon addFolderIcon();
QIcon searchDocumentIcon();
QIcon refreshIcon();
QIcon undoIcon();
QIcon previewIcon();
QIcon applyIcon();
QIcon noPreviewIcon();

} // namespace PaneStyle
