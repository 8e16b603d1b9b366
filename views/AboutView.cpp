#include "AboutView.h"

#include <utility>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "AppVersion.h"
#include "NotificationHub.h"
#include "PaneStyle.h"

namespace {

constexpr int symbolSize = 48;

// Symbols are drawn in the accent colour, as a single-colour shape.
QPixmap tinted(const QIcon &icon, int size, const QColor &colour, qreal devicePixelRatio)
{
    QPixmap pixmap = icon.pixmap(QSize(size, size), devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}

QLabel *label(const QString &text, const char *objectName, const QFont &font, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    if (objectName)
        result->setObjectName(QString::fromLatin1(objectName));
    result->setFont(font);
    return result;
}

QPushButton *button(const QString &text, const char *objectName, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(QString::fromLatin1(objectName));
    result->setAutoDefault(false);
    return result;
}

} // namespace

AboutView::AboutView(
    UpdatePrompter &prompter, SettingsStore &settings, UpdateChecker::Options updateOptions, QWidget *parent)
    : QDialog(parent)
    , m_updater(new UpdateChecker(prompter, settings, std::move(updateOptions), this))
{
    setObjectName(QStringLiteral("aboutView"));
    setWindowTitle(QCoreApplication::translate("AboutView", "About Quorvane"));
    setFixedSize(360, 500);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addLayout(buildHeader());
    layout->addWidget(PaneStyle::divider(this));
    layout->addLayout(buildVersionRow());
    layout->addWidget(PaneStyle::divider(this));
    layout->addLayout(buildUpdatesSection());
    layout->addStretch();
    buildFooter(layout);

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

QLayout *AboutView::buildHeader()
{
    auto *header = new QVBoxLayout;
    header->setSpacing(8);
    header->setContentsMargins(0, 4, 0, 0);
    auto *symbol = new QLabel(this);
    symbol->setObjectName(QStringLiteral("aboutSymbol"));
    symbol->setAccessibleName(QCoreApplication::translate("AboutView", "Quorvane symbol"));
    symbol->setPixmap(tinted(PaneStyle::themedIcon("accessories-text-editor", QStyle::SP_FileDialogDetailedView),
        symbolSize, palette().color(QPalette::Highlight), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    auto *name = label(QStringLiteral("Quorvane"), "aboutName", PaneStyle::displayFont(font()), this);
    name->setAlignment(Qt::AlignCenter);
    auto *tagline = label(QCoreApplication::translate("AboutView", "Batch file renamer for creators"), "aboutTagline",
        PaneStyle::calloutFont(font()), this);
    tagline->setAlignment(Qt::AlignCenter);
    PaneStyle::makeSecondary(tagline);
    header->addWidget(symbol);
    header->addWidget(name);
    header->addWidget(tagline);
    return header;
}

QLayout *AboutView::buildVersionRow()
{
    const QFont callout = PaneStyle::calloutFont(font());
    auto *versionTitle = label(QCoreApplication::translate("AboutView", "Version"), nullptr, callout, this);
    PaneStyle::makeSecondary(versionTitle);
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(callout.pointSizeF() > 0 ? callout.pointSizeF() : digits.pointSizeF());
    auto *version = label(versionText(), "versionLabel", digits, this);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(versionTitle);
    row->addWidget(version);
    row->addStretch();
    return row;
}

QLayout *AboutView::buildUpdatesSection()
{
    auto *updatesTitle
        = label(QCoreApplication::translate("AboutView", "Updates"), nullptr, PaneStyle::calloutFont(font()), this);
    PaneStyle::makeSecondary(updatesTitle);
    m_checkButton
        = button(QCoreApplication::translate("AboutView", "Check for Updates…"), "checkForUpdatesButton", this);
    m_spinner = new QProgressBar(this);
    m_spinner->setObjectName(QStringLiteral("updateCheckSpinner"));
    m_spinner->setAccessibleName(QCoreApplication::translate("AboutView", "Checking for updates"));
    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setFixedSize(m_checkButton->sizeHint().width(), 12);
    connect(m_checkButton, &QPushButton::clicked, this, [this] { m_updater->checkForUpdates(false); });

    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(updatesTitle);
    titleRow->addStretch();
    titleRow->addWidget(m_checkButton);
    titleRow->addWidget(m_spinner);
    auto *section = new QVBoxLayout;
    section->setSpacing(8);
    section->addLayout(titleRow);
    section->addWidget(buildUpdateBox());
    section->addWidget(buildUpToDateRow());
    section->addWidget(buildErrorLabel());
    return section;
}

QWidget *AboutView::buildUpdateBox()
{
    const QFont footnote = PaneStyle::footnoteFont(font());
    m_updateBox = new QFrame(this);
    m_updateBox->setObjectName(QStringLiteral("updateBox"));
    m_updateBox->setStyleSheet(QStringLiteral("QFrame#updateBox { background: palette(window); border: 1px solid "
                                              "palette(mid); border-radius: 6px; }"));
    m_availableLabel = label({}, "updateAvailableLabel", PaneStyle::calloutFont(font()), m_updateBox);
    m_availableLabel->setWordWrap(true);
    m_notesLabel = label({}, "releaseNotesLabel", footnote, m_updateBox);
    m_notesLabel->setWordWrap(true);
    m_notesLabel->setTextFormat(Qt::PlainText);
    m_notesLabel->setMaximumHeight(QFontMetrics(footnote).lineSpacing() * 4);
    m_notesLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PaneStyle::makeSecondary(m_notesLabel);
    auto *download
        = button(QCoreApplication::translate("AboutView", "Download from Website"), "downloadButton", m_updateBox);
    download->setFont(footnote);
    connect(download, &QPushButton::clicked, this, [this] { m_updater->openDownloadPage(); });

    auto *box = new QVBoxLayout(m_updateBox);
    box->setContentsMargins(8, 8, 8, 8);
    box->setSpacing(4);
    box->addWidget(m_availableLabel);
    box->addWidget(m_notesLabel);
    box->addWidget(download, 0, Qt::AlignLeft);
    return m_updateBox;
}

QWidget *AboutView::buildUpToDateRow()
{
    const QFont footnote = PaneStyle::footnoteFont(font());
    m_upToDateRow = new QWidget(this);
    m_upToDateRow->setObjectName(QStringLiteral("upToDateRow"));
    auto *check = new QLabel(m_upToDateRow);
    const int footnoteHeight = QFontMetrics(footnote).height();
    check->setPixmap(PaneStyle::themedIcon("emblem-default", QStyle::SP_DialogApplyButton)
                         .pixmap(QSize(footnoteHeight, footnoteHeight), devicePixelRatioF()));
    auto *text = label(
        QCoreApplication::translate("AboutView", "You're up to date."), "upToDateLabel", footnote, m_upToDateRow);
    PaneStyle::setTextColor(text, PaneStyle::positiveColor(palette()));

    auto *row = new QHBoxLayout(m_upToDateRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(check);
    row->addWidget(text);
    row->addStretch();
    return m_upToDateRow;
}

QWidget *AboutView::buildErrorLabel()
{
    m_errorLabel = label({}, "updateErrorLabel", PaneStyle::footnoteFont(font()), this);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextFormat(Qt::PlainText);
    PaneStyle::setTextColor(m_errorLabel, PaneStyle::negativeColor(palette()));
    return m_errorLabel;
}

void AboutView::buildFooter(QVBoxLayout *layout)
{
    auto *footer
        = label(QCoreApplication::translate("AboutView", "Renames never replace a file that is already there."),
            "aboutFooter", PaneStyle::footnoteFont(font()), this);
    footer->setAlignment(Qt::AlignCenter);
    footer->setWordWrap(true);
    PaneStyle::makeSecondary(footer);
    layout->addWidget(footer);
    auto *close = button(QCoreApplication::translate("AboutView", "Close"), "closeButton", this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(close, 0, Qt::AlignHCenter);
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
        m_availableLabel->setText(QCoreApplication::translate("AboutView", "Quorvane ") + update->latestVersion
            + QCoreApplication::translate("AboutView", " is available."));
        const bool hasNotes = update->releaseNotes.has_value() && !update->releaseNotes->isEmpty();
        m_notesLabel->setText(hasNotes ? *update->releaseNotes : QString());
        m_notesLabel->setVisible(hasNotes);
    }
    m_upToDateRow->setVisible(!update && m_updater->isUpToDate());
    const bool failed = !update && !m_updater->isUpToDate() && !m_updater->lastError().isEmpty();
    m_errorLabel->setText(failed ? m_updater->lastError() : QString());
    m_errorLabel->setVisible(failed);
}
