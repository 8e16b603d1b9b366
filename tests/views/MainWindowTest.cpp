#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "AboutView.h"
#include "AppVersion.h"
#include "ContentView.h"
#include "FeedServer.h"
#include "FileAccessService.h"
#include "MainWindow.h"
#include "ModelServices.h"
#include "NotificationHub.h"
#include "PhotoMetadataService.h"
#include "QuorvaneApp.h"
#include "QuorvaneViewModel.h"
#include "RenameBatchRunner.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"
#include "Uuid.h"

namespace {

/// Receives the addresses the application asks the desktop to open.
class UrlSink final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

QMessageBox *openMessageBox(const QString &objectName)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->objectName() == objectName && box->isVisible())
            return box;
    }
    return nullptr;
}

/// "text" or "text <shortcut>" for each entry of a menu, "---" for separators.
QStringList menuEntries(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions()) {
        const QString shortcut = action->shortcut().toString();
        entries.append(action->isSeparator() ? QStringLiteral("---")
                                             : action->text() + (shortcut.isEmpty() ? QString() : u' ' + shortcut));
    }
    return entries;
}

/// What an alert showed, and the roles of its buttons, once the test's event loop reached it.
struct SeenAlert {
    QString title;
    QString text;
    QStringList buttons; // "text:role", sorted
    QString escape;
};

/// When the alert named `objectName` opens, records it and presses the button `press` (Escape when empty). An
/// alert raised by a result of the view model's worker opens some turns later, so the look is repeated for a while.
void answerAlert(
    QObject *context, const QString &objectName, SeenAlert &seen, const QString &press = {}, int tries = 500)
{
    QTimer::singleShot(tries > 0 ? 10 : 0, context, [context, objectName, &seen, press, tries] {
        QMessageBox *box = openMessageBox(objectName);
        if (!box) {
            if (tries > 0)
                answerAlert(context, objectName, seen, press, tries - 1);
            return;
        }
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton *button : box->buttons())
            seen.buttons.append(button->text() + u':' + QString::number(box->buttonRole(button)));
        seen.buttons.sort();
        seen.escape = box->escapeButton() ? box->escapeButton()->text() : QString();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == press)
                QTest::mouseClick(button, Qt::LeftButton);
        }
        if (press.isEmpty())
            QTest::keyClick(box, Qt::Key_Escape);
    });
}

} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QuorvaneApp::configureApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
        for (const char *scheme : { "https", "http", "file" })
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_urls, "open");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : { "https", "http", "file" })
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    void init()
    {
        QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).clear();
        m_dir = std::make_unique<TestDir>();
        m_chosen.reset();
        m_urls.opened.clear();
        m_server = std::make_unique<FeedServer>();
        QVERIFY(m_server->isListening());
        m_server->answerWith(FeedServer::feed("1.0"));
        m_updateOptions = UpdateChecker::Options::fromBuildSettings();
        m_updateOptions.feedURL = m_server->feedURL();
        m_updateOptions.productPageURL = QUrl(m_server->base().toString() + QStringLiteral("/quorvane"));
        m_updateOptions.currentVersion = QStringLiteral("1.0");
    }

    void cleanup()
    {
        m_app.reset();
        m_dir.reset();
    }

    void windowAndMenus()
    {
        MainWindow &window = makeApp().mainWindow();
        QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane"));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(400, 300);
        QVERIFY(window.centralWidget()->width() >= 960 && window.centralWidget()->height() >= 640);
        QVERIFY(!QApplication::windowIcon().isNull());

        QStringList titles;
        for (const QAction *menuAction : window.menuBar()->actions())
            titles.append(menuAction->text());
        QCOMPARE(titles, (QStringList { QStringLiteral("&File"), QStringLiteral("&Help") }));
        QCOMPARE(menuEntries(window.findChild<QMenu *>(QStringLiteral("fileMenu"))),
            (QStringList { QStringLiteral("Select Folder... Ctrl+O"), QStringLiteral("Refresh File List Ctrl+R"),
                QStringLiteral("Preview Rename Ctrl+P"), QStringLiteral("Apply Rename Ctrl+Shift+R"),
                QStringLiteral("Undo Last Rename Ctrl+Z"), QStringLiteral("---"), QStringLiteral("Quit Ctrl+Q") }));
        QCOMPARE(menuEntries(window.findChild<QMenu *>(QStringLiteral("helpMenu"))),
            (QStringList { QStringLiteral("About Quorvane"), QString::fromUtf8("Check for Updates\u2026") }));

        // The sidebar stays within its bounds, and can be widened well beyond its start to read long names.
        auto *splitter = window.findChild<QSplitter *>(QStringLiteral("mainSplitter"));
        QCOMPARE(splitter->widget(0)->minimumWidth(), 280);
        window.resize(1500, 800);
        QTRY_VERIFY(splitter->width() >= 1400);
        splitter->setSizes({ 1100, 300 });
        QTRY_COMPARE(splitter->widget(0)->width(), 640);
    }

    void commandStatesFollowTheViewModel()
    {
        for (int i = 0; i < 40; ++i)
            m_dir->createFile("photo" + std::to_string(i) + ".jpg", "x");
        QuorvaneViewModel &model = makeApp().viewModel();
        // Select, Refresh, Preview, Apply, Undo; About and Check for Updates are always enabled.
        const auto states = [this] {
            QString flags;
            for (const char *name : { "selectFolderAction", "refreshAction", "previewAction", "applyAction",
                     "undoAction", "aboutAction", "checkForUpdatesAction" })
                flags += action(name)->isEnabled() ? u'1' : u'0';
            return flags;
        };
        QCOMPARE(states(), QStringLiteral("1000011"));

        // Choosing a folder through the menu lists it and enables the commands that need files.
        m_chosen = m_dir->path();
        action("selectFolderAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(model.statusMessage(), QStringLiteral("Loaded 40 items"));
        QCOMPARE(states(), QStringLiteral("1111011"));
        // A cancelled chooser keeps the folder.
        m_chosen.reset();
        action("selectFolderAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(model.selectedFolderURL(), std::optional<std::filesystem::path>(m_dir->path()));
        QCOMPARE(model.files().size(), std::size_t { 40 });

        RenameParameters parameters = model.renameParameters();
        parameters.prefixText = "x_";
        model.setRenameParameters(parameters);
        model.updateRenamePlans();
        QVERIFY(settled(model));
        // While a batch runs, Apply is disabled; Undo only once a batch can be undone. After the batch the
        // preview shows the next round, which stays disarmed until a setting changes or the list is refreshed.
        action("applyAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(states(), QStringLiteral("1110011"));
        QTRY_VERIFY(!model.isProcessing());
        QCOMPARE(states(), QStringLiteral("1110111"));
        auto *mainButton = m_app->mainWindow().findChild<QPushButton *>(QStringLiteral("applyButton"));
        QVERIFY(!mainButton->isEnabled() && !mainButton->toolTip().isEmpty());
        model.applyRename();
        QVERIFY(!model.isProcessing());
        action("refreshAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(states(), QStringLiteral("1111111"));
        QVERIFY(mainButton->isEnabled());
        action("applyAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(states(), QStringLiteral("1110111"));
        QTRY_VERIFY(!model.isProcessing());
        QVERIFY(std::filesystem::exists(m_dir->path() / "x_x_photo0.jpg"));

        // Undo through the menu, and Refresh picks up a file added behind the window's back.
        action("undoAction")->trigger();
        QVERIFY(settled(model));
        QTRY_VERIFY(!model.isProcessing());
        QVERIFY(std::filesystem::exists(m_dir->path() / "x_photo0.jpg"));
        m_dir->createFile("late.txt", "x");
        action("refreshAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(model.files().size(), std::size_t { 41 });

        // A folder without files leaves nothing to preview or apply.
        TestDir empty;
        m_chosen = empty.path();
        action("selectFolderAction")->trigger();
        QVERIFY(settled(model));
        QCOMPARE(model.statusMessage(), QStringLiteral("Loaded 0 items"));
        QCOMPARE(states().mid(1, 3), QStringLiteral("100"));
    }

    void ctrlZAfterABatchUndoesItFromTheFieldThatHadTheFocus()
    {
        m_dir->createFile("a.txt", "x");
        QuorvaneViewModel &model = makeApp().viewModel();
        QVERIFY(QTest::qWaitForWindowActive(&m_app->mainWindow()));
        m_chosen = m_dir->path();
        action("selectFolderAction")->trigger();
        auto *field = m_app->mainWindow().findChild<QLineEdit *>(QStringLiteral("prefixField"));
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("x_"));
        const auto apply = [&] {
            QVERIFY(settled(model));
            QTest::keyClick(field, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
            QTRY_VERIFY(std::filesystem::exists(m_dir->path() / "x_a.txt") && !model.isProcessing());
        };
        apply();
        QVERIFY(!model.applyArmed());
        QVERIFY(field->hasFocus());
        // The focus is still in the field, but Ctrl+Z takes back the batch and leaves the typing alone.
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY(std::filesystem::exists(m_dir->path() / "a.txt") && !model.isProcessing());
        QCOMPARE(field->text(), QStringLiteral("x_"));
        QCOMPARE(model.statusMessage(), QStringLiteral("Reverted 1 items"));

        // Once the user types again, Ctrl+Z is the field's, and it covers only what was typed after the batch.
        apply();
        QTest::keyClicks(field, QStringLiteral("y"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("x_"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("x_"));
        QTest::qWait(50);
        QVERIFY(std::filesystem::exists(m_dir->path() / "x_a.txt"));
        QVERIFY(action("undoAction")->isEnabled());
    }

    void lastFolderIsRestoredOnFirstShow()
    {
        for (const char *name : { "one.txt", "two.txt", "three.txt" })
            m_dir->createFile(name, "x");
        QVERIFY(
            SettingsStoreQt().setBytes(std::string(FileAccessService::lastFolderBookmarkKey), m_dir->path().string()));
        QuorvaneApp::Options options;
        options.updateOptions = m_updateOptions;
        m_app = std::make_unique<QuorvaneApp>(std::move(options));
        QCoreApplication::processEvents();
        QVERIFY(!m_app->viewModel().selectedFolderURL()); // nothing before the window appears
        m_app->show();
        QTRY_COMPARE(m_app->viewModel().statusMessage(), QStringLiteral("Loaded 3 items"));
        QVERIFY(action("refreshAction")->isEnabled());
        QVERIFY(!openMessageBox(QStringLiteral("errorAlert")));
    }

    // A batch cut short in an earlier run (stopped after 51 of 60 files): at start the window asks what to do, and
    // the answer settles it.
    void interruptedBatchIsOfferedAtStart_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("renamedAfter");
        QTest::newRow("Finish Renaming") << "Finish Renaming" << 60;
        QTest::newRow("Undo the Renamed Files") << "Undo the Renamed Files" << 0;
        QTest::newRow("Later") << "Later" << 51;
    }

    void interruptedBatchIsOfferedAtStart()
    {
        QFETCH(QString, press);
        QFETCH(int, renamedAfter);
        std::vector<RenamePlan> plans;
        for (int i = 0; i < 60; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            m_dir->createFile(name, "x");
            plans.push_back(RenamePlan { Uuid::random(), FileLocation(m_dir->path() / name),
                FileLocation(m_dir->path() / ("x_" + name)), name, "x_" + name });
        }
        const RenameJournalStore store;
        RenameBatchRunner runner(store, PhotoMetadataService::shared());
        std::atomic<bool> stop { false };
        const auto folder = FolderIdentity::of(m_dir->path());
        const auto stopper = [&](auto, auto) { stop = true; };
        QVERIFY(runner.apply(m_dir->path(), folder, plans, stopper, &stop).error);

        QuorvaneViewModel &model = makeApp().viewModel();
        QTRY_VERIFY(openMessageBox(QStringLiteral("interruptedAlert")));
        SeenAlert seen;
        answerAlert(this, QStringLiteral("interruptedAlert"), seen, press);
        QTRY_VERIFY(!openMessageBox(QStringLiteral("interruptedAlert")));
        QCOMPARE(seen.text,
            QStringLiteral("A rename of 60 files in %1 was interrupted.").arg(QString::fromStdString(m_dir->path())));
        QCOMPARE(seen.buttons.join(u'|'),
            QStringLiteral("Finish Renaming:%1|Later:%2|Undo the Renamed Files:%3")
                .arg(QMessageBox::AcceptRole)
                .arg(QMessageBox::RejectRole)
                .arg(QMessageBox::DestructiveRole));
        QCOMPARE(seen.escape, QStringLiteral("Later"));
        QTRY_VERIFY(!model.isProcessing());
        int renamed = 0;
        for (int i = 0; i < 60; ++i)
            renamed += std::filesystem::exists(m_dir->path() / ("x_f" + std::to_string(i) + ".txt"));
        QCOMPARE(renamed, renamedAfter);
        QCOMPARE(store.interrupted(folder).size(), std::size_t(press == u"Later"));
        for (const auto &left : store.interrupted(folder))
            (void)runner.recover(left, RenameBatchRunner::Direction::undo);
    }

    void alerts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("press"); // empty: Escape
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("escape");
        const QString ok = QStringLiteral("OK:%1").arg(QMessageBox::RejectRole);
        const QString conflict = QStringLiteral("Cancel:%1|Proceed Anyway:%2")
                                     .arg(QMessageBox::RejectRole)
                                     .arg(QMessageBox::DestructiveRole);
        QTest::newRow("error, Escape") << "errorAlert"
                                       << ""
                                       << "Error" << ok << "OK";
        QTest::newRow("conflict, Proceed Anyway") << "conflictAlert"
                                                  << "Proceed Anyway"
                                                  << "Conflicts Detected" << conflict << "Cancel";
    }

    void alerts()
    {
        QFETCH(QString, name);
        QFETCH(QString, press);
        QFETCH(QString, title);
        QFETCH(QString, buttons);
        QFETCH(QString, escape);
        m_dir->createFile("a.txt", "x");
        QuorvaneViewModel &model = makeApp().viewModel();
        m_chosen = m_dir->path();
        action("selectFolderAction")->trigger();
        QVERIFY(settled(model));
        SeenAlert seen;
        answerAlert(this, name, seen, press);
        if (name == u"errorAlert") {
            // A folder that vanished between choosing and listing: the error alert reports it.
            m_chosen = m_dir->path() / "gone";
            action("selectFolderAction")->trigger();
        } else {
            // Planning resolves every collision it can see, so the alert is raised through its flag here.
            model.setShowConflictWarning(true);
        }
        QTRY_COMPARE(seen.title, title);
        QCOMPARE(seen.buttons.join(u'|'), buttons);
        QCOMPARE(seen.escape, escape);
        QCOMPARE(seen.text, name == u"errorAlert" ? model.errorMessage() : model.conflictWarningMessage());
        QTRY_VERIFY(!model.showError() && !model.showConflictWarning());
        // With no pending plans, proceeding renames nothing.
        QVERIFY(!model.isProcessing());
        QVERIFY(std::filesystem::exists(m_dir->path() / "a.txt"));
    }

    void aboutSheetStates_data()
    {
        QTest::addColumn<QByteArray>("body"); // empty: no server
        QTest::addColumn<QString>("available");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<bool>("upToDate");
        QTest::addColumn<QString>("error");
        QTest::newRow("newer with notes")
            << FeedServer::feed("2.0", "https://d.example/2", "Faster previews")
            << QStringLiteral("Quorvane 2.0 is available.") << QStringLiteral("Faster previews") << false << QString();
        QTest::newRow("same version") << FeedServer::feed("1.0") << QString() << QString() << true << QString();
        QTest::newRow("no server") << QByteArray() << QString() << QString() << false
                                   << QStringLiteral("Unable to check for updates: Connection refused");
    }

    void aboutSheetStates()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, available);
        QFETCH(QString, notes);
        QFETCH(bool, upToDate);
        QFETCH(QString, error);
        m_server->answerWith(body);
        if (body.isEmpty())
            m_updateOptions.feedURL.setPort(FeedServer::closedPort());
        ContentView &content = makeApp().mainWindow().contentView();
        AboutView *sheet = openAbout();
        QTRY_VERIFY(sheet->isVisible());
        const auto shownText = [sheet](const char *name) {
            auto *label = sheet->findChild<QLabel *>(QString::fromLatin1(name));
            return label->isVisible() ? label->text() : QString();
        };
        QCOMPARE(shownText("aboutName") + u'|' + shownText("aboutTagline"),
            QStringLiteral("Quorvane|Batch file renamer for creators"));
        QVERIFY(shownText("versionLabel").startsWith(AppVersion::shortVersion() + QStringLiteral(" (")));
        // Opening the sheet runs no check; the status area is empty.
        QTest::qWait(50);
        QCOMPARE(m_server->requestCount(), 0);
        QCOMPARE(shownText("upToDateLabel") + shownText("updateErrorLabel"), QString());

        QTest::mouseClick(sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton")), Qt::LeftButton);
        QTRY_VERIFY(!sheet->updater().isChecking());
        QCOMPARE(sheet->findChild<QWidget *>(QStringLiteral("updateBox"))->isVisible(), !available.isEmpty());
        if (!available.isEmpty()) {
            QCOMPARE(shownText("updateAvailableLabel"), available);
            QCOMPARE(shownText("releaseNotesLabel"), notes);
            QTest::mouseClick(sheet->findChild<QPushButton *>(QStringLiteral("downloadButton")), Qt::LeftButton);
            QCOMPARE(m_urls.opened, QList<QUrl> { QUrl(QStringLiteral("https://d.example/2")) });
        }
        QCOMPARE(shownText("upToDateLabel"), upToDate ? QStringLiteral("You're up to date.") : QString());
        QCOMPARE(shownText("updateErrorLabel"), error);
        // The sheet never raises the update alert, whatever it found.
        QVERIFY(!openMessageBox(QStringLiteral("updateAlert")));

        // Escape closes it and clears the flag; a new sheet starts with a new checker, in its initial state.
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!content.showAbout() && !content.aboutView());
        QVERIFY(!openAbout()->findChild<QWidget *>(QStringLiteral("updateBox"))->isVisible());
        QTest::mouseClick(content.aboutView()->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
        QTRY_VERIFY(!content.showAbout());
    }

    void checkForUpdatesPostsPerformOneTurnLater()
    {
        m_server->setMode(FeedServer::Mode::hold);
        makeApp();
        QStringList posted;
        QObject listener; // ends the connection however this test ends
        connect(&NotificationHub::instance(), &NotificationHub::posted, &listener,
            [&posted](const QString &name) { posted.append(name); });

        action("checkForUpdatesAction")->trigger();
        // The sheet is asked for at once; the check request waits for the next turn of the event loop.
        QCOMPARE(posted, QStringList { QStringLiteral("QVCheckForUpdates") });
        AboutView *sheet = m_app->mainWindow().contentView().aboutView();
        QVERIFY(sheet && !sheet->updater().isChecking());
        QCoreApplication::processEvents();
        QCOMPARE(posted, (QStringList { QStringLiteral("QVCheckForUpdates"), QStringLiteral("QVPerformUpdateCheck") }));
        QVERIFY(sheet->updater().isChecking());
        // While it runs, a spinner stands in for the button.
        auto *button = sheet->findChild<QPushButton *>(QStringLiteral("checkForUpdatesButton"));
        auto *spinner = sheet->findChild<QProgressBar *>(QStringLiteral("updateCheckSpinner"));
        QVERIFY(spinner->isVisible() && !button->isVisible());
        QTRY_COMPARE(m_server->requestCount(), 1);
        // Another request while the check runs starts no second check.
        NotificationHub::instance().post(NotificationHub::performUpdateCheck());
        QTest::qWait(100);
        QCOMPARE(m_server->requestCount(), 1);
        m_server->release();
        QTRY_VERIFY(sheet->findChild<QWidget *>(QStringLiteral("upToDateRow"))->isVisible());
        QVERIFY(!spinner->isVisible() && button->isVisible());
    }

    void automaticCheckWaitsForTheWindow()
    {
        m_updateOptions.automaticCheckDelay = std::chrono::milliseconds(200);
        QuorvaneApp::Options options;
        options.updateOptions = m_updateOptions;
        m_app = std::make_unique<QuorvaneApp>(std::move(options));
        QTest::qWait(400);
        QCOMPARE(m_server->requestCount(), 0); // the window has not appeared yet
        m_app->show();
        QTRY_COMPARE(m_server->requestCount(), 1);
        QTRY_VERIFY(!m_app->updateChecker().isChecking());
        // Showing the window again does not schedule another check.
        m_app->mainWindow().hide();
        m_app->show();
        QTest::qWait(400);
        QCOMPARE(m_server->requestCount(), 1);
    }

    // Last: it runs the application's event loop to its end.
    void closingTheWindowQuits()
    {
        QuorvaneApp &app = makeApp();
        openAbout(); // an open sheet does not keep the application alive
        QTimer::singleShot(0, &app.mainWindow(), [&app] { app.mainWindow().close(); });
        QTimer::singleShot(10000, this, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!app.mainWindow().isVisible());
    }

private:
    QuorvaneApp &makeApp()
    {
        QuorvaneApp::Options options;
        options.folderChooser = [this](const FolderChooserRequest &) { return m_chosen; };
        options.updateOptions = m_updateOptions;
        m_app = std::make_unique<QuorvaneApp>(std::move(options));
        m_app->show();
        m_app->mainWindow().activateWindow();
        return *m_app;
    }

    QAction *action(const char *name) const
    {
        return m_app->mainWindow().findChild<QAction *>(QString::fromLatin1(name));
    }
    AboutView *openAbout()
    {
        action("aboutAction")->trigger();
        return m_app->mainWindow().contentView().aboutView();
    }

    UrlSink m_urls;
    std::unique_ptr<FeedServer> m_server;
    std::unique_ptr<TestDir> m_dir;
    std::optional<std::filesystem::path> m_chosen;
    UpdateChecker::Options m_updateOptions;
    std::unique_ptr<QuorvaneApp> m_app;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
