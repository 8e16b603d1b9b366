#include "AboutView.h"

#include <utility>

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "AppVersion.h"
#include "NotificationHub.h"

namespace {

constexpr int symbolSize = 48;

QIcon themeIcon(const QString &name, QStyle::StandardPixmap fallback)
{
    QIcon icon = QIcon::fromTheme(name);
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

// Symbols are drawn in the accent colour, as a single-colour shape.
QPixmap tinted(const QIcon &icon, int size, const QColor &colour, qreal devicePixelRatio)
{
    QPixmap pixmap = icon.pixmap(QSize(size, size), devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}

QFont scaledFont(const QFont &base, qreal factor, bool bold = false)
{
    QFont font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(qRound(font.pixelSize() * factor));
    font.setBold(bold);
    return font;
}

QFrame *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Between the text and the background: quieter than the text, still readable (the disabled colour is not).
QColor secondaryColour(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor background = palette.color(QPalette::Window);
    return QColor::fromRgbF(text.redF() * 0.6f + background.redF() * 0.4f,
        text.greenF() * 0.6f + background.greenF() * 0.4f, text.blueF() * 0.6f + background.blueF() * 0.4f);
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

AboutView::AboutView(UpdatePrompter &prompter, UpdateChecker::Options updateOptions, QWidget *parent)
    : QDialog(parent)
    , m_updater(new UpdateChecker(prompter, std::move(updateOptions), this))
{
    setObjectName(QStringLiteral("aboutView"));
    setWindowTitle(QStringLiteral("About Quorvane"));
    setFixedSize(360, 500);

    const QFont base = font();
    const QFont callout = scaledFont(base, 0.95);
    const QFont caption = scaledFont(base, 0.85);
    const QColor secondary = secondaryColour(palette());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    // Header.
    auto *header = new QVBoxLayout;
    header->setSpacing(8);
    header->setContentsMargins(0, 4, 0, 0);
    auto *symbol = new QLabel(this);
    symbol->setObjectName(QStringLiteral("aboutSymbol"));
    symbol->setAccessibleName(QStringLiteral("Quorvane symbol"));
    symbol->setPixmap(tinted(themeIcon(QStringLiteral("accessories-text-editor"), QStyle::SP_FileDialogDetailedView),
        symbolSize, palette().color(QPalette::Highlight), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    auto *name = new QLabel(QStringLiteral("Quorvane"), this);
    name->setObjectName(QStringLiteral("aboutName"));
    name->setFont(scaledFont(base, 1.6, true));
    name->setAlignment(Qt::AlignCenter);
    auto *tagline = new QLabel(QStringLiteral("Batch file renamer for creators"), this);
    tagline->setObjectName(QStringLiteral("aboutTagline"));
    tagline->setFont(callout);
    tagline->setAlignment(Qt::AlignCenter);
    setTextColour(tagline, secondary);
    header->addWidget(symbol);
    header->addWidget(name);
    header->addWidget(tagline);
    layout->addLayout(header);
    layout->addWidget(divider(this));

    // Version row.
    auto *versionRow = new QHBoxLayout;
    auto *versionTitle = new QLabel(QStringLiteral("Version"), this);
    versionTitle->setFont(callout);
    setTextColour(versionTitle, secondary);
    auto *version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(callout.pointSizeF() > 0 ? callout.pointSizeF() : digits.pointSizeF());
    version->setFont(digits);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionRow->addStretch();
    versionRow->addWidget(versionTitle);
    versionRow->addWidget(version);
    versionRow->addStretch();
    layout->addLayout(versionRow);
    layout->addWidget(divider(this));

    // Updates section.
    auto *updates = new QVBoxLayout;
    updates->setSpacing(8);
    auto *updatesRow = new QHBoxLayout;
    auto *updatesTitle = new QLabel(QStringLiteral("Updates"), this);
    updatesTitle->setFont(callout);
    setTextColour(updatesTitle, secondary);
    m_checkButton = new QPushButton(QStringLiteral("Check for Updates…"), this);
    m_checkButton->setObjectName(QStringLiteral("checkForUpdatesButton"));
    m_checkButton->setAutoDefault(false);
    m_spinner = new QProgressBar(this);
    m_spinner->setObjectName(QStringLiteral("updateCheckSpinner"));
    m_spinner->setAccessibleName(QStringLiteral("Checking for updates"));
    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setFixedSize(m_checkButton->sizeHint().width(), 12);
    updatesRow->addWidget(updatesTitle);
    updatesRow->addStretch();
    updatesRow->addWidget(m_checkButton);
    updatesRow->addWidget(m_spinner);
    updates->addLayout(updatesRow);

    m_updateBox = new QFrame(this);
    m_updateBox->setObjectName(QStringLiteral("updateBox"));
    m_updateBox->setStyleSheet(QStringLiteral("QFrame#updateBox { background: palette(window); border: 1px solid "
                                              "palette(mid); border-radius: 6px; }"));
    auto *box = new QVBoxLayout(m_updateBox);
    box->setContentsMargins(8, 8, 8, 8);
    box->setSpacing(4);
    m_availableLabel = new QLabel(m_updateBox);
    m_availableLabel->setObjectName(QStringLiteral("updateAvailableLabel"));
    m_availableLabel->setFont(callout);
    m_availableLabel->setWordWrap(true);
    m_notesLabel = new QLabel(m_updateBox);
    m_notesLabel->setObjectName(QStringLiteral("releaseNotesLabel"));
    m_notesLabel->setFont(caption);
    m_notesLabel->setWordWrap(true);
    m_notesLabel->setTextFormat(Qt::PlainText);
    m_notesLabel->setMaximumHeight(QFontMetrics(caption).lineSpacing() * 4);
    m_notesLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(m_notesLabel, secondary);
    auto *download = new QPushButton(QStringLiteral("Download from Website"), m_updateBox);
    download->setObjectName(QStringLiteral("downloadButton"));
    download->setAutoDefault(false);
    download->setFont(caption);
    box->addWidget(m_availableLabel);
    box->addWidget(m_notesLabel);
    box->addWidget(download, 0, Qt::AlignLeft);
    updates->addWidget(m_updateBox);

    m_upToDateRow = new QWidget(this);
    m_upToDateRow->setObjectName(QStringLiteral("upToDateRow"));
    auto *upToDate = new QHBoxLayout(m_upToDateRow);
    upToDate->setContentsMargins(0, 0, 0, 0);
    upToDate->setSpacing(4);
    auto *check = new QLabel(m_upToDateRow);
    const int captionHeight = QFontMetrics(caption).height();
    check->setPixmap(themeIcon(QStringLiteral("emblem-default"), QStyle::SP_DialogApplyButton)
                         .pixmap(QSize(captionHeight, captionHeight), devicePixelRatioF()));
    auto *upToDateText = new QLabel(QStringLiteral("You're up to date."), m_upToDateRow);
    upToDateText->setObjectName(QStringLiteral("upToDateLabel"));
    upToDateText->setFont(caption);
    setTextColour(upToDateText, QColor(0x2e, 0x7d, 0x32));
    upToDate->addWidget(check);
    upToDate->addWidget(upToDateText);
    upToDate->addStretch();
    updates->addWidget(m_upToDateRow);

    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName(QStringLiteral("updateErrorLabel"));
    m_errorLabel->setFont(caption);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextFormat(Qt::PlainText);
    setTextColour(m_errorLabel, QColor(0xc6, 0x28, 0x28));
    updates->addWidget(m_errorLabel);
    layout->addLayout(updates);

    layout->addStretch();

    // Footer and Close.
    auto *footer = new QLabel(QStringLiteral("Renames never replace a file that is already there."), this);
    footer->setObjectName(QStringLiteral("aboutFooter"));
    footer->setFont(caption);
    footer->setAlignment(Qt::AlignCenter);
    footer->setWordWrap(true);
    setTextColour(footer, secondary);
    layout->addWidget(footer);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    close->setAutoDefault(false);
    layout->addWidget(close, 0, Qt::AlignHCenter);

    connect(m_checkButton, &QPushButton::clicked, this, [this] { m_updater->checkForUpdates(false); });
    connect(download, &QPushButton::clicked, this, [this] { m_updater->openDownloadPage(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_updater, &UpdateChecker::isCheckingChanged, this, &AboutView::refresh);
    connect(m_updater, &UpdateChecker::availableUpdateChanged, this, &AboutView::refresh);
    connect(m_updater, &UpdateChecker::lastErrorChanged, this, &AboutView::refresh);
    connect(m_updater, &UpdateChecker::isUpToDateChanged, this, &AboutView::refresh);
    NotificationHub::instance().observe(NotificationHub::performUpdateCheck(), this, [this] {
        if (!m_updater->isChecking())
            m_updater->checkForUpdates(false);
    });
    refresh();
}

AboutView::~AboutView() = default;

QString AboutView::versionText()
{
    return AppVersion::shortVersion() + QStringLiteral(" (") + AppVersion::buildNumber() + QStringLiteral(")");
}

void AboutView::refresh()
{
    const bool checking = m_updater->isChecking();
    m_checkButton->setVisible(!checking);
    m_spinner->setVisible(checking);

    const std::optional<UpdateInfo> &update = m_updater->availableUpdate();
    m_updateBox->setVisible(update.has_value());
    if (update) {
        m_availableLabel->setText(
            QStringLiteral("Quorvane ") + update->latestVersion + QStringLiteral(" is available."));
        const bool hasNotes = update->releaseNotes.has_value() && !update->releaseNotes->isEmpty();
        m_notesLabel->setText(hasNotes ? *update->releaseNotes : QString());
        m_notesLabel->setVisible(hasNotes);
    }
    m_upToDateRow->setVisible(!update && m_updater->isUpToDate());
    const bool failed = !update && !m_updater->isUpToDate() && !m_updater->lastError().isEmpty();
    m_errorLabel->setText(failed ? m_updater->lastError() : QString());
    m_errorLabel->setVisible(failed);
}
