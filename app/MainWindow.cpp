#include "MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "ContentView.h"
#include "NotificationHub.h"
#include "QuorvaneViewModel.h"

MainWindow::MainWindow(
    QuorvaneViewModel &viewModel, UpdatePrompter &prompter, UpdateChecker::Options aboutUpdateOptions, QWidget *parent)
    : QMainWindow(parent)
    , m_viewModel(viewModel)
    , m_contentView(new ContentView(viewModel, prompter, std::move(aboutUpdateOptions), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setCentralWidget(m_contentView);
    buildMenus();
    // Room for the sidebar's sections without scrolling, where the screen allows; the minimum stays 960 x 640.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize available = screen->availableSize();
        resize(qMin(1120, available.width()), qMin(780, available.height()));
    }

    connect(&m_viewModel, &QuorvaneViewModel::selectedFolderURLChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::renamePlansChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::isProcessingChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::canUndoChanged, this, &MainWindow::updateCommandStates);
    updateCommandStates();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    const auto command = [this](QMenu *menu, const QString &title, const QString &name, const QKeySequence &shortcut) {
        QAction *action = menu->addAction(title);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction *select = command(file, QStringLiteral("Select Folder..."), QStringLiteral("selectFolderAction"),
        QKeySequence(Qt::CTRL | Qt::Key_O));
    m_refreshAction = command(
        file, QStringLiteral("Refresh File List"), QStringLiteral("refreshAction"), QKeySequence(Qt::CTRL | Qt::Key_R));
    m_previewAction = command(
        file, QStringLiteral("Preview Rename"), QStringLiteral("previewAction"), QKeySequence(Qt::CTRL | Qt::Key_P));
    m_applyAction = command(file, QStringLiteral("Apply Rename"), QStringLiteral("applyAction"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    m_undoAction = command(
        file, QStringLiteral("Undo Last Rename"), QStringLiteral("undoAction"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    file->addSeparator();
    QAction *quit
        = command(file, QStringLiteral("Quit"), QStringLiteral("quitAction"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction *about = command(help, QStringLiteral("About Quorvane"), QStringLiteral("aboutAction"), {});
    about->setMenuRole(QAction::AboutRole);
    QAction *check = command(help, QStringLiteral("Check for Updates…"), QStringLiteral("checkForUpdatesAction"), {});

    connect(select, &QAction::triggered, this, [this] { m_contentView->chooseFolder(); });
    connect(m_refreshAction, &QAction::triggered, this, [this] {
        if (const std::optional<std::filesystem::path> &folder = m_viewModel.selectedFolderURL())
            m_viewModel.loadFolder(*folder);
    });
    connect(m_previewAction, &QAction::triggered, &m_viewModel, &QuorvaneViewModel::applyFilters);
    connect(m_applyAction, &QAction::triggered, &m_viewModel, &QuorvaneViewModel::applyRename);
    connect(m_undoAction, &QAction::triggered, &m_viewModel, &QuorvaneViewModel::undoLastRename);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    connect(about, &QAction::triggered, this, [] { NotificationHub::instance().post(NotificationHub::showAbout()); });
    connect(
        check, &QAction::triggered, this, [] { NotificationHub::instance().post(NotificationHub::checkForUpdates()); });
}

void MainWindow::updateCommandStates()
{
    const bool hasPlans = !m_viewModel.renamePlans().empty();
    m_refreshAction->setEnabled(m_viewModel.selectedFolderURL().has_value());
    m_previewAction->setEnabled(hasPlans);
    m_applyAction->setEnabled(hasPlans && !m_viewModel.isProcessing());
    m_undoAction->setEnabled(m_viewModel.canUndo());
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    Q_EMIT firstShown();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // Open sheets and alerts are windows of their own; the application ends with its main window regardless.
    if (event->isAccepted())
        QCoreApplication::quit();
}
