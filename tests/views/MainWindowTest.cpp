#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "AboutView.h"
#include "AppVersion.h"
#include "ContentView.h"
#include "FileAccessService.h"
#include "MainWindow.h"
#include "NotificationHub.h"
#include "QtConversions.h"
#include "QuorvaneApp.h"
#include "QuorvaneViewModel.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"

namespace {

/// A one-route HTTP server on 127.0.0.1 that answers every request with a canned feed, at once or when released.
class FeedServer final : public QObject {
    Q_OBJECT

public:
    FeedServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::accept);
        m_listening = m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_listening; }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    void answerWith(const QByteArray &body)
    {
        m_response = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
    /// Requests wait for `release()` instead of being answered.
    void setHolding(bool holding) { m_holding = holding; }
    void release()
    {
        for (const QPointer<QTcpSocket> &socket : std::exchange(m_held, {})) {
            if (socket)
                respond(socket);
        }
    }
    int requestCount() const { return m_requests; }
    /// Forgets earlier requests and drops the held ones.
    void reset()
    {
        m_requests = 0;
        m_held.clear();
        m_holding = false;
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
                if (head->contains("\r\n\r\n"))
                    return;
                head->append(socket->readAll());
                if (!head->contains("\r\n\r\n"))
                    return;
                ++m_requests;
                if (m_holding)
                    m_held.append(socket);
                else
                    respond(socket);
            });
        }
    }
    void respond(QTcpSocket *socket)
    {
        socket->write(m_response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    bool m_listening = false;
    bool m_holding = false;
    QByteArray m_response;
    int m_requests = 0;
    QList<QPointer<QTcpSocket>> m_held;
};

/// Receives the addresses the application asks the desktop to open.
class UrlSink final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

QByteArray feed(const QByteArray &version, const QByteArray &notes = {})
{
    QByteArray release = "{\"version\":\"" + version + "\",\"url\":\"https://downloads.example/q-" + version + '"';
    if (!notes.isEmpty())
        release += ",\"notes\":\"" + notes + '"';
    return "{\"releases\":[" + release + "}]}";
}

QMessageBox *openMessageBox(const QString &objectName)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->objectName() == objectName && box->isVisible())
            return box;
    }
    return nullptr;
}

QStringList buttonTexts(const QMessageBox *box)
{
    QStringList texts;
    for (QAbstractButton *button : box->buttons())
        texts.append(button->text());
    texts.sort();
    return texts;
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowAndMenus();
    void shortcuts_data();
    void shortcuts();
    void commandStatesFollowTheViewModel();
    void cancelledChooserKeepsTheFolder();
    void lastFolderIsRestoredOnFirstShow();
    void errorAlert();
    void conflictAlert_data();
    void conflictAlert();
    void aboutSheetOpensWithoutChecking();
    void aboutSheetStates_data();
    void aboutSheetStates();
    void aboutSheetSpinnerAndDownload();
    void checkForUpdatesPostsPerformOneTurnLater();
    void automaticCheckWaitsForTheWindow();
    // Last: it runs the application's event loop to its end.
    void closingTheWindowQuits();

private:
    QuorvaneApp &makeApp();
    QAction *action(const char *name) const;

    FeedServer m_server;
    UrlSink m_urls;
    std::unique_ptr<TestDir> m_dir;
    std::optional<std::filesystem::path> m_chosen;
    UpdateChecker::Options m_updateOptions;
    std::unique_ptr<QuorvaneApp> m_app;
};

void MainWindowTest::cleanupTestCase()
{
    for (const char *scheme : { "https", "http", "file" })
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void MainWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QuorvaneApp::configureApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    QVERIFY(m_server.isListening());
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_urls, "open");
}

void MainWindowTest::init()
{
    QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).clear();
    m_dir = std::make_unique<TestDir>();
    m_chosen.reset();
    m_urls.opened.clear();
    m_server.reset();
    m_server.answerWith(feed("1.0"));
    m_updateOptions = UpdateChecker::Options::fromBuildSettings();
    m_updateOptions.feedURL = QUrl(m_server.base().toString() + QStringLiteral("/updates/quorvane.json"));
    m_updateOptions.productPageURL = QUrl(m_server.base().toString() + QStringLiteral("/quorvane"));
    m_updateOptions.currentVersion = QStringLiteral("1.0");
}

void MainWindowTest::cleanup()
{
    m_app.reset();
    m_dir.reset();
}

QuorvaneApp &MainWindowTest::makeApp()
{
    QuorvaneApp::Options options;
    options.folderChooser = [this](const FolderChooserRequest &) { return m_chosen; };
    options.updateOptions = m_updateOptions;
    m_app = std::make_unique<QuorvaneApp>(std::move(options));
    m_app->show();
    m_app->mainWindow().activateWindow();
    return *m_app;
}

QAction *MainWindowTest::action(const char *name) const
{
    return m_app->mainWindow().findChild<QAction *>(QString::fromLatin1(name));
}

void MainWindowTest::windowAndMenus()
{
    QuorvaneApp &app = makeApp();
    MainWindow &window = app.mainWindow();
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane"));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.width() >= 960);
    window.resize(400, 300);
    QVERIFY(window.centralWidget()->width() >= 960);
    QVERIFY(window.centralWidget()->height() >= 640);

    const QList<QMenu *> menus = window.menuBar()->findChildren<QMenu *>(Qt::FindDirectChildrenOnly);
    QStringList titles;
    for (const QAction *menuAction : window.menuBar()->actions())
        titles.append(menuAction->text());
    QCOMPARE(titles, (QStringList { QStringLiteral("&File"), QStringLiteral("&Help") }));
    QCOMPARE(actionTexts(window.findChild<QMenu *>(QStringLiteral("fileMenu"))),
        (QStringList { QStringLiteral("Select Folder..."), QStringLiteral("Refresh File List"),
            QStringLiteral("Preview Rename"), QStringLiteral("Apply Rename"), QStringLiteral("Undo Last Rename"),
            QStringLiteral("---"), QStringLiteral("Quit") }));
    QCOMPARE(actionTexts(window.findChild<QMenu *>(QStringLiteral("helpMenu"))),
        (QStringList { QStringLiteral("About Quorvane"), QString::fromUtf8("Check for Updates\u2026") }));

    // The sidebar starts at its ideal width and stays within its bounds.
    auto *splitter = window.findChild<QSplitter *>(QStringLiteral("mainSplitter"));
    QVERIFY(splitter);
    QCOMPARE(splitter->count(), 2);
    QCOMPARE(splitter->widget(0)->minimumWidth(), 280);
    QCOMPARE(splitter->widget(0)->maximumWidth(), 400);
    window.resize(1200, 800);
    QTRY_VERIFY(splitter->width() >= 1100);
    splitter->setSizes({ 900, 300 });
    QTRY_COMPARE(splitter->widget(0)->width(), 400);
    QVERIFY(!QApplication::windowIcon().isNull());
}

void MainWindowTest::shortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::newRow("select") << "selectFolderAction" << QKeySequence(QStringLiteral("Ctrl+O"));
    QTest::newRow("refresh") << "refreshAction" << QKeySequence(QStringLiteral("Ctrl+R"));
    QTest::newRow("preview") << "previewAction" << QKeySequence(QStringLiteral("Ctrl+P"));
    QTest::newRow("apply") << "applyAction" << QKeySequence(QStringLiteral("Ctrl+Shift+R"));
    QTest::newRow("undo") << "undoAction" << QKeySequence(QStringLiteral("Ctrl+Z"));
    QTest::newRow("quit") << "quitAction" << QKeySequence(QStringLiteral("Ctrl+Q"));
    QTest::newRow("about") << "aboutAction" << QKeySequence();
    QTest::newRow("check") << "checkForUpdatesAction" << QKeySequence();
}

void MainWindowTest::shortcuts()
{
    QFETCH(QString, name);
    QFETCH(QKeySequence, shortcut);
    makeApp();
    QAction *command = action(name.toLatin1().constData());
    QVERIFY(command);
    QCOMPARE(command->shortcut(), shortcut);
}

void MainWindowTest::commandStatesFollowTheViewModel()
{
    for (int i = 0; i < 40; ++i)
        m_dir->createFile("photo" + std::to_string(i) + ".jpg", "x");
    QuorvaneApp &app = makeApp();
    QuorvaneViewModel &model = app.viewModel();
    const auto states = [this] {
        return QList<bool> { action("selectFolderAction")->isEnabled(), action("refreshAction")->isEnabled(),
            action("previewAction")->isEnabled(), action("applyAction")->isEnabled(),
            action("undoAction")->isEnabled(), action("aboutAction")->isEnabled(),
            action("checkForUpdatesAction")->isEnabled() };
    };
    QCOMPARE(states(), (QList<bool> { true, false, false, false, false, true, true }));

    // Choosing a folder through the menu lists it and enables the commands that need files.
    m_chosen = m_dir->path();
    action("selectFolderAction")->trigger();
    QCOMPARE(model.files().size(), std::size_t { 40 });
    QCOMPARE(model.statusMessage(), QStringLiteral("Loaded 40 items"));
    QCOMPARE(states(), (QList<bool> { true, true, true, true, false, true, true }));

    RenameParameters parameters = model.renameParameters();
    parameters.strategy = RenameStrategy::prefix;
    parameters.prefixText = "x_";
    model.setRenameParameters(parameters);
    model.updateRenamePlans();

    // While the batch runs, Apply is disabled; afterwards Undo is possible.
    action("applyAction")->trigger();
    QVERIFY(model.isProcessing());
    QCOMPARE(states(), (QList<bool> { true, true, true, false, false, true, true }));
    QTRY_VERIFY(!model.isProcessing());
    QVERIFY(std::filesystem::exists(m_dir->path() / "x_photo0.jpg"));
    QCOMPARE(states(), (QList<bool> { true, true, true, true, true, true, true }));

    // A second batch: Undo stays enabled while it runs, since the first can still be undone.
    action("applyAction")->trigger();
    QVERIFY(model.isProcessing());
    QCOMPARE(states(), (QList<bool> { true, true, true, false, true, true, true }));
    QTRY_VERIFY(!model.isProcessing());
    QVERIFY(std::filesystem::exists(m_dir->path() / "x_x_photo0.jpg"));

    // Undo through the menu, and Refresh picks up a file added behind the window's back.
    action("undoAction")->trigger();
    QTRY_VERIFY(!model.isProcessing());
    QVERIFY(std::filesystem::exists(m_dir->path() / "x_photo0.jpg"));
    m_dir->createFile("late.txt", "x");
    action("refreshAction")->trigger();
    QCOMPARE(model.files().size(), std::size_t { 41 });

    // A folder without files leaves nothing to preview or apply.
    TestDir empty;
    m_chosen = empty.path();
    action("selectFolderAction")->trigger();
    QCOMPARE(model.statusMessage(), QStringLiteral("Loaded 0 items"));
    QCOMPARE(states().mid(1, 3), (QList<bool> { true, false, false }));
}

void MainWindowTest::cancelledChooserKeepsTheFolder()
{
    m_dir->createFile("a.txt", "x");
    m_dir->createFile("b.txt", "x");
    QuorvaneApp &app = makeApp();
    m_chosen = m_dir->path();
    action("selectFolderAction")->trigger();
    QCOMPARE(app.viewModel().files().size(), std::size_t { 2 });
    m_chosen.reset();
    action("selectFolderAction")->trigger();
    QCOMPARE(app.viewModel().selectedFolderURL(), std::optional<std::filesystem::path>(m_dir->path()));
    QCOMPARE(app.viewModel().files().size(), std::size_t { 2 });
    QVERIFY(action("refreshAction")->isEnabled());
}

void MainWindowTest::lastFolderIsRestoredOnFirstShow()
{
    for (const char *name : { "one.txt", "two.txt", "three.txt" })
        m_dir->createFile(name, "x");
    {
        SettingsStoreQt settings;
        QVERIFY(settings.setBytes(std::string(FileAccessService::lastFolderBookmarkKey), m_dir->path().string()));
    }
    QuorvaneApp::Options options;
    options.updateOptions = m_updateOptions;
    m_app = std::make_unique<QuorvaneApp>(std::move(options));
    QuorvaneViewModel &model = m_app->viewModel();
    QCoreApplication::processEvents();
    QVERIFY(!model.selectedFolderURL()); // nothing before the window appears
    m_app->show();
    QTRY_COMPARE(model.statusMessage(), QStringLiteral("Loaded 3 items"));
    QCOMPARE(model.files().size(), std::size_t { 3 });
    QVERIFY(action("refreshAction")->isEnabled());
    QVERIFY(!openMessageBox(QStringLiteral("errorAlert")));
}

void MainWindowTest::errorAlert()
{
    QuorvaneApp &app = makeApp();
    QuorvaneViewModel &model = app.viewModel();
    // A folder that vanished between choosing and listing: the error alert reports it.
    m_chosen = m_dir->path() / "gone";

    QString title;
    QString text;
    QStringList buttons;
    bool escapeIsOk = false;
    QTimer::singleShot(0, this, [&] {
        QMessageBox *box = openMessageBox(QStringLiteral("errorAlert"));
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        buttons = buttonTexts(box);
        escapeIsOk = box->escapeButton() && box->escapeButton()->text() == QStringLiteral("OK")
            && box->buttonRole(box->escapeButton()) == QMessageBox::RejectRole;
        QTest::keyClick(box, Qt::Key_Escape);
    });
    action("selectFolderAction")->trigger();
    QVERIFY(model.showError());
    QTRY_VERIFY(!title.isEmpty());
    QCOMPARE(title, QStringLiteral("Error"));
    QVERIFY(!text.isEmpty());
    QCOMPARE(text, model.errorMessage());
    QCOMPARE(buttons, QStringList { QStringLiteral("OK") });
    QVERIFY(escapeIsOk);
    QTRY_VERIFY(!model.showError());
    QTRY_VERIFY(!openMessageBox(QStringLiteral("errorAlert")));
    QCOMPARE(model.statusMessage(), QStringLiteral("Error"));

    // A second error later opens a fresh alert with the new text.
    model.presentError(QStringLiteral("Second failure"));
    QMessageBox *again = openMessageBox(QStringLiteral("errorAlert"));
    QVERIFY(again);
    QCOMPARE(again->text(), QStringLiteral("Second failure"));
    QTest::mouseClick(again->buttons().first(), Qt::LeftButton);
    QTRY_VERIFY(!model.showError());
}

void MainWindowTest::conflictAlert_data()
{
    QTest::addColumn<bool>("proceed");
    QTest::newRow("cancel") << false;
    QTest::newRow("proceed anyway") << true;
}

void MainWindowTest::conflictAlert()
{
    QFETCH(bool, proceed);
    m_dir->createFile("a.txt", "x");
    QuorvaneApp &app = makeApp();
    QuorvaneViewModel &model = app.viewModel();
    m_chosen = m_dir->path();
    action("selectFolderAction")->trigger();

    QString title;
    QStringList buttons;
    QString escapeText;
    QMessageBox::ButtonRole proceedRole = QMessageBox::InvalidRole;
    QTimer::singleShot(0, this, [&] {
        QMessageBox *box = openMessageBox(QStringLiteral("conflictAlert"));
        if (!box)
            return;
        title = box->windowTitle();
        buttons = buttonTexts(box);
        escapeText = box->escapeButton() ? box->escapeButton()->text() : QString();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == QStringLiteral("Proceed Anyway"))
                proceedRole = box->buttonRole(button);
        }
        if (proceed) {
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == QStringLiteral("Proceed Anyway"))
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        } else {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    // Planning resolves every collision it can see, so the alert is raised through its flag here.
    model.setShowConflictWarning(true);
    QTRY_VERIFY(!title.isEmpty());
    QCOMPARE(title, QStringLiteral("Conflicts Detected"));
    QCOMPARE(buttons, (QStringList { QStringLiteral("Cancel"), QStringLiteral("Proceed Anyway") }));
    QCOMPARE(escapeText, QStringLiteral("Cancel"));
    QCOMPARE(proceedRole, QMessageBox::DestructiveRole);
    QTRY_VERIFY(!model.showConflictWarning());
    // With no pending plans, proceeding renames nothing either way.
    QVERIFY(!model.isProcessing());
    QVERIFY(std::filesystem::exists(m_dir->path() / "a.txt"));
    QTRY_VERIFY(!openMessageBox(QStringLiteral("conflictAlert")));
}

void MainWindowTest::aboutSheetOpensWithoutChecking()
{
    QuorvaneApp &app = makeApp();
    ContentView &content = app.mainWindow().contentView();
    action("aboutAction")->trigger();
    QVERIFY(content.showAbout());
    AboutView *sheet = content.aboutView();
    QVERIFY(sheet);
    QTRY_VERIFY(sheet->isVisible());
    QCOMPARE(sheet->size(), QSize(360, 500));
    QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("aboutName"))->text(), QStringLiteral("Quorvane"));
    QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("aboutTagline"))->text(),
        QStringLiteral("Batch file renamer for creators"));
    const QString version = sheet->findChild<QLabel *>(QStringLiteral("versionLabel"))->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+(\\.\\d+)* \\(\\w+\\)$")).match(version).hasMatch(),
        qPrintable(version));
    QVERIFY(version.startsWith(AppVersion::shortVersion() + QStringLiteral(" (")));
    QVERIFY(!sheet->findChild<QLabel *>(QStringLiteral("aboutFooter"))->text().isEmpty());

    // Opening the sheet runs no check; the status area is empty.
    QTest::qWait(50);
    QCOMPARE(m_server.requestCount(), 0);
    QVERIFY(sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton"))->isVisible());
    QVERIFY(!sheet->findChild<QWidget *>(QStringLiteral("updateBox"))->isVisible());
    QVERIFY(!sheet->findChild<QWidget *>(QStringLiteral("upToDateRow"))->isVisible());
    QVERIFY(!sheet->findChild<QWidget *>(QStringLiteral("updateErrorLabel"))->isVisible());

    // Escape closes it and clears the flag; a second About opens a new sheet.
    QTest::keyClick(sheet, Qt::Key_Escape);
    QTRY_VERIFY(!content.showAbout());
    QTRY_VERIFY(!content.aboutView());
    action("aboutAction")->trigger();
    QVERIFY(content.aboutView());
    QTest::mouseClick(content.aboutView()->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
    QTRY_VERIFY(!content.showAbout());
}

void MainWindowTest::aboutSheetStates_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<bool>("upToDate");
    QTest::addColumn<QString>("error");
    QTest::newRow("newer with notes") << feed("2.0", "Faster previews") << true
                                      << QStringLiteral("Quorvane 2.0 is available.")
                                      << QStringLiteral("Faster previews") << false << QString();
    QTest::newRow("newer without notes")
        << feed("2.0") << true << QStringLiteral("Quorvane 2.0 is available.") << QString() << false << QString();
    QTest::newRow("same version") << feed("1.0") << true << QString() << QString() << true << QString();
    QTest::newRow("unusable feed") << QByteArray("not json") << true << QString() << QString() << false
                                   << QStringLiteral("Update information is unavailable.");
    QTest::newRow("no server") << QByteArray() << false << QString() << QString() << false
                               << QStringLiteral("Unable to check for updates: Connection refused");
}

void MainWindowTest::aboutSheetStates()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, serverUp);
    QFETCH(QString, available);
    QFETCH(QString, notes);
    QFETCH(bool, upToDate);
    QFETCH(QString, error);
    m_server.answerWith(body);
    if (!serverUp) {
        // A port that was free a moment ago: nothing listens there any more.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        m_updateOptions.feedURL = QUrl(QStringLiteral("http://127.0.0.1:%1/updates/quorvane.json").arg(port));
    }
    QuorvaneApp &app = makeApp();
    action("aboutAction")->trigger();
    AboutView *sheet = app.mainWindow().contentView().aboutView();
    QVERIFY(sheet);
    QTest::mouseClick(sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton")), Qt::LeftButton);
    QTRY_VERIFY(!sheet->updater().isChecking());

    auto *box = sheet->findChild<QWidget *>(QStringLiteral("updateBox"));
    QCOMPARE(box->isVisible(), !available.isEmpty());
    if (!available.isEmpty()) {
        QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("updateAvailableLabel"))->text(), available);
        auto *notesLabel = sheet->findChild<QLabel *>(QStringLiteral("releaseNotesLabel"));
        QCOMPARE(notesLabel->isVisible(), !notes.isEmpty());
        if (!notes.isEmpty())
            QCOMPARE(notesLabel->text(), notes);
    }
    QCOMPARE(sheet->findChild<QWidget *>(QStringLiteral("upToDateRow"))->isVisible(), upToDate);
    if (upToDate)
        QCOMPARE(sheet->findChild<QLabel *>(QStringLiteral("upToDateLabel"))->text(),
            QStringLiteral("You're up to date."));
    auto *errorLabel = sheet->findChild<QLabel *>(QStringLiteral("updateErrorLabel"));
    QCOMPARE(errorLabel->isVisible(), !error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(errorLabel->text(), error);
    QVERIFY(sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton"))->isVisible());
    // The sheet never raises the update alert, whatever it found.
    QVERIFY(!openMessageBox(QStringLiteral("updateAlert")));
}

void MainWindowTest::aboutSheetSpinnerAndDownload()
{
    m_server.answerWith(feed("2.0"));
    m_server.setHolding(true);
    QuorvaneApp &app = makeApp();
    action("aboutAction")->trigger();
    AboutView *sheet = app.mainWindow().contentView().aboutView();
    auto *button = sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton"));
    auto *spinner = sheet->findChild<QProgressBar *>(QStringLiteral("updateCheckSpinner"));
    QVERIFY(!spinner->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(spinner->isVisible());
    QVERIFY(!button->isVisible());
    QTRY_COMPARE(m_server.requestCount(), 1);
    m_server.release();
    QTRY_VERIFY(button->isVisible());
    QVERIFY(!spinner->isVisible());

    QTest::mouseClick(sheet->findChild<QPushButton *>(QStringLiteral("downloadButton")), Qt::LeftButton);
    QCOMPARE(m_urls.opened, QList<QUrl> { QUrl(QStringLiteral("https://downloads.example/q-2.0")) });

    // A new sheet starts with a new checker, in its initial state.
    QTest::keyClick(sheet, Qt::Key_Escape);
    QTRY_VERIFY(!app.mainWindow().contentView().aboutView());
    action("aboutAction")->trigger();
    QVERIFY(!app.mainWindow().contentView().aboutView()->findChild<QWidget *>(QStringLiteral("updateBox"))->isVisible());
}

void MainWindowTest::checkForUpdatesPostsPerformOneTurnLater()
{
    m_server.setHolding(true);
    QuorvaneApp &app = makeApp();
    QStringList posted;
    QObject listener; // ends the connection however this test ends
    connect(&NotificationHub::instance(), &NotificationHub::posted, &listener,
        [&posted](const QString &name) { posted.append(name); });

    action("checkForUpdatesAction")->trigger();
    // The sheet is asked for at once; the check request waits for the next turn of the event loop.
    QCOMPARE(posted, QStringList { QStringLiteral("QVCheckForUpdates") });
    QVERIFY(app.mainWindow().contentView().showAbout());
    AboutView *sheet = app.mainWindow().contentView().aboutView();
    QVERIFY(sheet);
    QVERIFY(!sheet->updater().isChecking());
    QCoreApplication::processEvents();
    QCOMPARE(posted, (QStringList { QStringLiteral("QVCheckForUpdates"), QStringLiteral("QVPerformUpdateCheck") }));
    QVERIFY(sheet->updater().isChecking());
    QTRY_COMPARE(m_server.requestCount(), 1);

    // Another request while the check runs starts no second check.
    NotificationHub::instance().post(NotificationHub::performUpdateCheck());
    QTest::qWait(100);
    QCOMPARE(m_server.requestCount(), 1);
    m_server.release();
    QTRY_VERIFY(!sheet->updater().isChecking());
    QVERIFY(sheet->findChild<QWidget *>(QStringLiteral("upToDateRow"))->isVisible());
}

void MainWindowTest::automaticCheckWaitsForTheWindow()
{
    m_updateOptions.automaticCheckDelay = std::chrono::milliseconds(200);
    QuorvaneApp::Options options;
    options.updateOptions = m_updateOptions;
    m_app = std::make_unique<QuorvaneApp>(std::move(options));
    QTest::qWait(400);
    QCOMPARE(m_server.requestCount(), 0); // the window has not appeared yet
    m_app->show();
    QTRY_COMPARE(m_server.requestCount(), 1);
    QTRY_VERIFY(!m_app->updateChecker().isChecking());
    // Showing the window again does not schedule another check.
    m_app->mainWindow().hide();
    m_app->show();
    QTest::qWait(400);
    QCOMPARE(m_server.requestCount(), 1);
}

void MainWindowTest::closingTheWindowQuits()
{
    QuorvaneApp &app = makeApp();
    action("aboutAction")->trigger(); // an open sheet does not keep the application alive
    QTimer::singleShot(0, &app.mainWindow(), [&app] { app.mainWindow().close(); });
    bool timedOut = false;
    QTimer::singleShot(10000, this, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    const int code = QCoreApplication::exec();
    QVERIFY(!timedOut);
    QCOMPARE(code, 0);
    QVERIFY(!app.mainWindow().isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
