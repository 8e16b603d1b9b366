#include "ContentView.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QUrl>

#include "AboutView.h"
#include "DetailView.h"
#include "NotificationHub.h"
#include "QuorvaneViewModel.h"
#include "SidebarView.h"

namespace {

constexpr int sidebarMinimumWidth = 280;
// Wider than the design's 320 and 400: new names are read in the preview, and a user may want more of them.
constexpr int sidebarInitialWidth = 380;
constexpr int sidebarMaximumWidth = 640;

} // namespace

ContentView::ContentView(QuorvaneViewModel &viewModel, UpdatePrompter &prompter, SettingsStore &settings,
    UpdateChecker::Options aboutUpdateOptions, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_prompter(prompter)
    , m_settings(settings)
    , m_aboutUpdateOptions(std::move(aboutUpdateOptions))
    , m_splitter(new QSplitter(Qt::Horizontal, this))
{
    setObjectName(QStringLiteral("contentView"));
    setMinimumSize(960, 640);

    auto *sidebar = new SidebarView(m_viewModel, m_splitter);
    auto *detail = new DetailView(m_viewModel, m_splitter);
    connect(sidebar, &SidebarView::chooseFolderRequested, this, &ContentView::chooseFolder);
    connect(detail, &DetailView::chooseFolderRequested, this, &ContentView::chooseFolder);

    sidebar->setMinimumWidth(sidebarMinimumWidth);
    sidebar->setMaximumWidth(sidebarMaximumWidth);
    m_splitter->setObjectName(QStringLiteral("mainSplitter"));
    m_splitter->addWidget(sidebar);
    m_splitter->addWidget(detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setCollapsible(0, false);
    m_splitter->setCollapsible(1, false);
    m_splitter->setSizes({ sidebarInitialWidth, 960 - sidebarInitialWidth });
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(&m_viewModel, &QuorvaneViewModel::showErrorChanged, this, &ContentView::syncErrorAlert);
    connect(&m_viewModel, &QuorvaneViewModel::errorMessageChanged, this, [this] {
        if (m_errorAlert)
            m_errorAlert->setText(m_viewModel.errorMessage());
    });
    connect(&m_viewModel, &QuorvaneViewModel::showConflictWarningChanged, this, &ContentView::syncConflictAlert);
    connect(&m_viewModel, &QuorvaneViewModel::conflictWarningMessageChanged, this, [this] {
        if (m_conflictAlert)
            m_conflictAlert->setText(m_viewModel.conflictWarningMessage());
    });
    connect(&m_viewModel, &QuorvaneViewModel::openFolderRequested, this,
        [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });

    NotificationHub &hub = NotificationHub::instance();
    hub.observe(NotificationHub::showAbout(), this, [this] { setShowAbout(true); });
    hub.observe(NotificationHub::checkForUpdates(), this, [this] {
        setShowAbout(true);
        // The sheet must have been asked to open before it is told to check, so the request waits one turn.
        QTimer::singleShot(0, this, [] { NotificationHub::instance().post(NotificationHub::performUpdateCheck()); });
    });
}

ContentView::~ContentView() = default;

void ContentView::setShowAbout(bool show)
{
    if (show == m_showAbout)
        return;
    m_showAbout = show;
    if (show && !(m_aboutView && m_aboutView->isVisible())) {
        auto *sheet = new AboutView(m_prompter, m_settings, m_aboutUpdateOptions, window());
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        connect(sheet, &QDialog::finished, this, [this] { setShowAbout(false); });
        m_aboutView = sheet;
        sheet->open();
    } else if (!show && m_aboutView && m_aboutView->isVisible()) {
        m_aboutView->reject();
    }
    Q_EMIT showAboutChanged();
}

AboutView *ContentView::aboutView() const
{
    return m_aboutView.data();
}

void ContentView::chooseFolder()
{
    m_viewModel.releaseFolderAccess();
    if (const std::optional<std::filesystem::path> folder = m_viewModel.fileAccess().chooseFolder())
        m_viewModel.loadFolder(*folder);
}

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    // Listing a large folder takes a while; the window is drawn first and fills in when the listing is done.
    QTimer::singleShot(0, this, &ContentView::restoreLastFolder);
}

void ContentView::restoreLastFolder()
{
    if (const std::optional<std::filesystem::path> folder = m_viewModel.fileAccess().restoreLastFolder())
        m_viewModel.loadFolder(*folder);
    askAboutInterruptedBatch();
}

void ContentView::askAboutInterruptedBatch()
{
    const QString message = m_viewModel.interruptedBatchMessage();
    if (message.isEmpty())
        return;
    auto *alert
        = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quorvane"), message, QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("interruptedAlert"));
    QPushButton *finish
        = alert->addButton(QCoreApplication::translate("ContentView", "Finish Renaming"), QMessageBox::AcceptRole);
    QPushButton *undo = alert->addButton(
        QCoreApplication::translate("ContentView", "Undo the Renamed Files"), QMessageBox::DestructiveRole);
    QPushButton *later = alert->addButton(QCoreApplication::translate("ContentView", "Later"), QMessageBox::RejectRole);
    alert->setDefaultButton(finish);
    alert->setEscapeButton(later);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QDialog::finished, this, [this, alert, finish, undo] {
        if (alert->clickedButton() == finish)
            m_viewModel.recoverInterruptedBatch(true);
        else if (alert->clickedButton() == undo)
            m_viewModel.recoverInterruptedBatch(false);
    });
    alert->open();
}

void ContentView::syncErrorAlert()
{
    if (!m_viewModel.showError()) {
        if (m_errorAlert && m_errorAlert->isVisible())
            m_errorAlert->done(QDialog::Rejected);
        return;
    }
    if (m_errorAlert && m_errorAlert->isVisible()) {
        m_errorAlert->setText(m_viewModel.errorMessage());
        return;
    }
    auto *alert = new QMessageBox(QMessageBox::Critical, QCoreApplication::translate("ContentView", "Error"),
        m_viewModel.errorMessage(), QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("errorAlert"));
    QPushButton *ok = alert->addButton(QCoreApplication::translate("ContentView", "OK"), QMessageBox::RejectRole);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QDialog::finished, this, [this] { m_viewModel.setShowError(false); });
    m_errorAlert = alert;
    alert->open();
}

void ContentView::syncConflictAlert()
{
    if (!m_viewModel.showConflictWarning()) {
        if (m_conflictAlert && m_conflictAlert->isVisible())
            m_conflictAlert->done(QDialog::Rejected);
        return;
    }
    if (m_conflictAlert && m_conflictAlert->isVisible()) {
        m_conflictAlert->setText(m_viewModel.conflictWarningMessage());
        return;
    }
    auto *alert
        = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("ContentView", "Conflicts Detected"),
            m_viewModel.conflictWarningMessage(), QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("conflictAlert"));
    QPushButton *cancel
        = alert->addButton(QCoreApplication::translate("ContentView", "Cancel"), QMessageBox::RejectRole);
    QPushButton *proceed
        = alert->addButton(QCoreApplication::translate("ContentView", "Proceed Anyway"), QMessageBox::DestructiveRole);
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QDialog::finished, this, [this, alert, proceed] {
        const bool proceeds = alert->clickedButton() == proceed;
        m_viewModel.setShowConflictWarning(false);
        if (proceeds)
            m_viewModel.proceedWithPendingRename();
    });
    m_conflictAlert = alert;
    alert->open();
}
