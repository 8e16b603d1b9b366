#include "MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "ContentView.h"
#include "NotificationHub.h"
#include "QuorvaneViewModel.h"

MainWindow::MainWindow(QuorvaneViewModel &viewModel, UpdatePrompter &prompter, SettingsStore &settings,
    UpdateChecker::Options aboutUpdateOptions, QWidget *parent)
    : QMainWindow(parent)
    , m_viewModel(viewModel)
    , m_contentView(new ContentView(viewModel, prompter, settings, std::move(aboutUpdateOptions), this))
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
    connect(&m_viewModel, &QuorvaneViewModel::isWorkingChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::canUndoChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::applyArmedChanged, this, &MainWindow::updateCommandStates);
    connect(&m_viewModel, &QuorvaneViewModel::isProcessingChanged, this, [this] {
        // A batch that renamed something leaves Apply disarmed; an undo or a reload arms it again.
        if (!m_viewModel.isProcessing() && !m_viewModel.applyArmed() && m_viewModel.canUndo())
            armUndoFromAnyField();
        else if (m_viewModel.applyArmed())
            m_undoFromAnyField = false;
    });
    // Key events reach the focused field before the window's shortcuts; the filter sees them first.
    qApp->installEventFilter(this);
    updateCommandStates();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::armUndoFromAnyField()
{
    m_undoFromAnyField = true;
    // Setting a field's text clears its undo history: its own Ctrl+Z then covers only what is typed from now on.
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        if (qobject_cast<QAbstractSpinBox *>(field->parentWidget()) != nullptr)
            continue;
        const int cursor = field->cursorPosition();
        field->setText(field->text());
        field->setCursorPosition(cursor);
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_undoFromAnyField || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget == nullptr || widget->window() != this)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (event->type() == QEvent::ShortcutOverride) {
        if (QKeySequence(key->keyCombination()) != m_undoAction->shortcut() || !m_undoAction->isEnabled())
            return false;
        // Left unaccepted, the key goes to the window's shortcut instead of the field's own undo.
        event->ignore();
        return true;
    }
    // Typing in a field makes Ctrl+Z the field's again.
    if (qobject_cast<QLineEdit *>(widget) != nullptr) {
        const QString text = key->text();
        const bool typed = (!text.isEmpty() && text.at(0).isPrint()) || key->key() == Qt::Key_Backspace
            || key->key() == Qt::Key_Delete || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut);
        if (typed)
            m_undoFromAnyField = false;
    }
    return false;
}

void MainWindow::buildMenus()
{
    const auto command = [this](QMenu *menu, const QString &title, const QString &name, const QKeySequence &shortcut) {
        QAction *action = menu->addAction(title);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction *select = command(file, QCoreApplication::translate("MainWindow", "Select Folder..."),
        QStringLiteral("selectFolderAction"), QKeySequence(Qt::CTRL | Qt::Key_O));
    m_refreshAction = command(file, QCoreApplication::translate("MainWindow", "Refresh File List"),
        QStringLiteral("refreshAction"), QKeySequence(Qt::CTRL | Qt::Key_R));
    m_previewAction = command(file, QCoreApplication::translate("MainWindow", "Preview Rename"),
        QStringLiteral("previewAction"), QKeySequence(Qt::CTRL | Qt::Key_P));
    m_applyAction = command(file, QCoreApplication::translate("MainWindow", "Apply Rename"),
        QStringLiteral("applyAction"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    m_undoAction = command(file, QCoreApplication::translate("MainWindow", "Undo Last Rename"),
        QStringLiteral("undoAction"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    file->addSeparator();
    QAction *quit = command(file, QCoreApplication::translate("MainWindow", "Quit"), QStringLiteral("quitAction"),
        QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu *help = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction *about
        = command(help, QCoreApplication::translate("MainWindow", "About Quorvane"), QStringLiteral("aboutAction"), {});
    about->setMenuRole(QAction::AboutRole);
    QAction *check = command(help, QCoreApplication::translate("MainWindow", "Check for Updates…"),
        QStringLiteral("checkForUpdatesAction"), {});

    connect(select, &QAction::triggered, this, [this] { m_contentView->chooseFolder(); });
    connect(m_refreshAction, &QAction::triggered, this, [this] {
        if (const std::optional<std::filesystem::path> &folder = m_viewModel.selectedFolderURL())
            m_viewModel.loadFolder(*folder);
    });
    connect(m_previewAction, &QAction::triggered, &m_viewModel, &QuorvaneViewModel::applyFilters);
    connect(m_applyAction, &QAction::triggered, &m_viewModel, &QuorvaneViewModel::applyRename);
    connect(m_undoAction, &QAction::triggered, this, [this] {
        m_undoFromAnyField = false;
        m_viewModel.undoLastRename();
    });
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
    // While the worker recomputes the preview, the one shown is not what an apply would do.
    m_applyAction->setEnabled(
        hasPlans && !m_viewModel.isProcessing() && !m_viewModel.isWorking() && m_viewModel.applyArmed());
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
