#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

#include <QDateTime>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "AppVersion.h"
#include "FeedServer.h"
#include "SettingsStoreQt.h"
#include "SettingsWriteFailures.h"
#include "UpdateChecker.h"
#include "UpdatePrompter.h"
#include "VersionComparison.h"

using namespace std::chrono_literals;

namespace {

const QDateTime testNow(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
const QString unavailable = QStringLiteral("Update information is unavailable.");

/// Answers the update alert as the user would, and records what was asked and opened.
class ScriptedPrompter final : public UpdatePrompter {
public:
    UpdateAlert::Choice askToUpdate(const UpdateAlert &alert) override
    {
        alerts.append(alert);
        if (duringAlert)
            duringAlert();
        return answer;
    }
    void openUrl(const QUrl &url) override { opened.append(url); }

    UpdateAlert::Choice answer = UpdateAlert::Choice::remindMeLater;
    std::function<void()> duringAlert;
    QList<UpdateAlert> alerts;
    QList<QUrl> opened;
};

/// The feed bodies of the parsing test (outside the test class, where moc need not read them).
void addFeedRows()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("url"); // empty when the feed is refused
    QTest::addColumn<QString>("notes"); // "-" for none
    const auto row = [](const char *name, const QByteArray &body, const char *url, const char *notes) {
        QTest::newRow(name) << body << QString::fromLatin1(url) << QString::fromLatin1(notes);
    };
    const char *const release = R"({"releases":[{"version":"2.0","url":"https://q.app/d",)";
    row("notes_en over notes", release + QByteArray(R"("notes_en":"En","notes":"Other"}]})"), "https://q.app/d", "En");
    row("notes without notes_en", FeedServer::feed("2.0", "https://q.app/d", "Other"), "https://q.app/d", "Other");
    row("notes_en not a string", release + QByteArray(R"("notes_en":7,"notes":"Other"}]})"), "https://q.app/d",
        "Other");
    row("no notes, extra members",
        R"({"x":1,"releases":[{"version":"2.0","url":"http://mirror.example/q.tar","size":9}]})",
        "http://mirror.example/q.tar", "-");
    const auto refused = [&row](const char *name, const QByteArray &body) { row(name, body, "", "-"); };
    refused("empty releases", R"({"releases":[]})");
    refused("no url", R"({"releases":[{"version":"2.0"}]})");
    refused("no version", R"({"releases":[{"url":"https://q.app/d"}]})");
    refused("no releases", R"({"release":[{"version":"2.0","url":"https://q.app/d"}]})");
    refused("a release not an object", R"({"releases":[{"version":"2.0","url":"https://q.app/d"},3]})");
    refused("malformed JSON", R"({"releases":[{"version":"2.0","url":"https://q.app/d"}])");
    refused("trailing garbage", FeedServer::feed("2.0") + "<html>");
    refused("invalid UTF-8", "{\"releases\":[{\"version\":\"2.\xff\",\"url\":\"https://q.app/d\"}]}");
    refused("deeply nested", QByteArray(100000, '[') + QByteArray(100000, ']'));
    for (const char *url : { "file:///etc/passwd", "javascript:alert(1)", "ftp://q.app/q.tar", "/download/q.tar",
             "https:///q.tar", "https://q.app/%zz" })
        refused(url, FeedServer::feed("2.0", url));
}

} // namespace

class UpdateCheckerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_configHome.isValid());
        qputenv("no_proxy", "127.0.0.1");
        qunsetenv("QUORVANE_UPDATE_BASE_URL");
    }

    void init()
    {
        QFile::remove(settingsFile());
        m_settings = std::make_unique<SettingsStoreQt>(settingsFile());
        m_now = testNow;
        m_server = std::make_unique<FeedServer>();
        QVERIFY(m_server->isListening());
        m_server->answerWith(FeedServer::feed("1.0"));
        m_prompter = std::make_unique<ScriptedPrompter>();
    }

    void versionsAreComparedNumerically()
    {
        const QList<std::tuple<const char *, const char *, bool>> table {
            { "1.10", "1.2", true },
            { "1.9", "1.10", false },
            { "v1.2.0", "1.2.0", false },
            { "2.0", "V2.0", false },
            { "1.2.0", "1.2", true },
            { "1.2", "1.2.0", false },
            { "1.0", "1.0", false },
            { "1.02", "1.2", false },
            { "2.99", "3.0", false },
            { "1.100000000000000000000", "1.99999999999999999999", true },
        };
        for (const auto &[feed, running, newer] : table)
            QVERIFY2(
                VersionComparison::isNewer(QString::fromLatin1(feed), QString::fromLatin1(running)) == newer, feed);
    }

    void feedContents_data() { addFeedRows(); }

    void feedContents()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, url);
        QFETCH(QString, notes);
        const std::optional<QString> expectedNotes = notes == u"-" ? std::nullopt : std::optional<QString>(notes);
        QCOMPARE(UpdateInfo::fromFeed(body),
            url.isEmpty() ? std::nullopt
                          : std::optional(UpdateInfo { QStringLiteral("2.0"), QUrl(url), expectedNotes }));
    }

    // An automatic check alerts about a newer release that was not skipped and acts on the choice; a manual one
    // only publishes. The skip is kept by the version's exact text.
    void checksPublishAndAutomaticOnesAlert_data()
    {
        QTest::addColumn<QByteArray>("feedVersion");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<UpdateAlert::Choice>("choice");
        QTest::addColumn<bool>("alert");
        QTest::addColumn<QString>("skippedAfter");
        using Choice = UpdateAlert::Choice;
        QTest::newRow("Download") << QByteArray("v1.10") << true << Choice::download << true << "1.9";
        QTest::newRow("Skip This Version") << QByteArray("v1.10") << true << Choice::skipThisVersion << true << "v1.10";
        QTest::newRow("Remind Me Later") << QByteArray("v1.10") << true << Choice::remindMeLater << true << "1.9";
        QTest::newRow("manual") << QByteArray("v1.10") << false << Choice::download << false << "1.9";
        QTest::newRow("automatic, skipped version") << QByteArray("1.9") << true << Choice::download << false << "1.9";
        QTest::newRow("manual, skipped version") << QByteArray("1.9") << false << Choice::download << false << "1.9";
        QTest::newRow("skipped version spelt v1.9") << QByteArray("v1.9") << true << Choice::download << true << "1.9";
    }

    void checksPublishAndAutomaticOnesAlert()
    {
        QFETCH(QByteArray, feedVersion);
        QFETCH(bool, automatic);
        QFETCH(UpdateAlert::Choice, choice);
        QFETCH(bool, alert);
        QFETCH(QString, skippedAfter);
        m_server->answerWith(FeedServer::feed(feedVersion, "https://q.app/d", "Faster.\\nSmaller."));
        QCOMPARE(m_settings->setText(UpdateChecker::skippedVersionKey, "1.9"), std::nullopt);
        m_prompter->answer = choice;
        UpdateChecker checker(*m_prompter, *m_settings, options(QStringLiteral("1.2")));
        check(checker, automatic);
        QCOMPARE(checker.availableUpdate(),
            (UpdateInfo { QString::fromUtf8(feedVersion), QUrl(QStringLiteral("https://q.app/d")),
                QStringLiteral("Faster.\nSmaller.") }));
        QVERIFY(!checker.isUpToDate());
        QCOMPARE(m_prompter->alerts.size(), alert ? 1 : 0);
        if (alert) {
            QCOMPARE(m_prompter->alerts[0].messageText,
                QStringLiteral("Quorvane %1 is available").arg(QString::fromUtf8(feedVersion)));
            QCOMPARE(m_prompter->alerts[0].informativeText,
                QStringLiteral("You are running version 1.2.\n\nWhat's New:\nFaster.\nSmaller."));
        }
        const bool opens = alert && choice == UpdateAlert::Choice::download;
        QCOMPARE(m_prompter->opened, opens ? QList<QUrl> { QUrl(QStringLiteral("https://q.app/d")) } : QList<QUrl>());
        QCOMPARE(m_settings->text(UpdateChecker::skippedVersionKey), skippedAfter.toStdString());
        QCOMPARE(UpdateAlert::buttonTitles(),
            QStringList({ QStringLiteral("Download"), QStringLiteral("Skip This Version"),
                QStringLiteral("Remind Me Later") }));
        // Two checks, two fresh GET requests: nothing is answered from a cache.
        check(checker, false);
        QCOMPARE(m_server->requestCount(), 2);
        const QByteArray head = m_server->requests().last();
        QVERIFY2(head.startsWith("GET /updates/quorvane.json HTTP/1.1\r\n"), head.constData());
        QVERIFY2(head.toLower().contains("cache-control: no-cache"), head.constData());
    }

    void failuresArePublishedNeverAlerted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("refused") << "refused" << QStringLiteral("Unable to check for updates: Connection refused");
        QTest::newRow("never answers") << "silent"
                                       << QStringLiteral("Unable to check for updates: The request timed out.");
        QTest::newRow("404 page") << "404" << unavailable;
        // The status is not what decides: an error status with a usable feed is a usable feed.
        QTest::newRow("404 with a feed") << "404 feed" << QString();
        QTest::newRow("exactly the size limit") << "limit" << QString();
        QTest::newRow("one byte over") << "over" << unavailable;
        QTest::newRow("huge declared length") << "declared" << unavailable;
        QTest::newRow("endless without length") << "endless" << unavailable;
    }

    void failuresArePublishedNeverAlerted()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        UpdateChecker::Options settings = options();
        settings.timeout = 300ms;
        const QByteArray feed = FeedServer::feed("2.0");
        if (kind == u"refused")
            settings.feedURL.setPort(FeedServer::closedPort());
        else if (kind == u"silent")
            m_server->setMode(FeedServer::Mode::silent);
        else if (kind == u"404 feed")
            m_server->answerWith(feed, "404 Not Found");
        else if (kind == u"limit" || kind == u"over")
            m_server->answerWith(feed + QByteArray(UpdateInfo::maximumFeedSize - feed.size() + (kind == u"over"), ' '));
        else if (kind == u"declared" || kind == u"endless")
            m_server->setMode(FeedServer::Mode::endless);
        else
            m_server->answerWith("<html>" + kind.toLatin1() + "</html>", kind.toLatin1() + " Error", "text/html");
        if (kind == u"declared")
            m_server->setDeclaredLength(50LL * 1024 * 1024);
        UpdateChecker checker(*m_prompter, *m_settings, settings);
        QSignalSpy errors(&checker, &UpdateChecker::lastErrorChanged);
        check(checker, true);
        QCOMPARE(checker.lastError(), error);
        QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
        QCOMPARE(checker.availableUpdate().has_value(), error.isEmpty());
        QCOMPARE(m_prompter->alerts.size(), error.isEmpty() ? 1 : 0);
        if (kind == u"declared" || kind == u"endless") {
            // The checker hung up instead of reading on.
            QTRY_VERIFY(m_server->endlessClientLeft());
            QVERIFY(m_server->endlessBytesSent() < 16LL * 1024 * 1024);
        }
    }

    void automaticCheckRunsOncePerDay_data()
    {
        const double now = static_cast<double>(testNow.toSecsSinceEpoch());
        const auto asText = [](double seconds) { return QString::number(seconds, 'f', 3); };
        QTest::addColumn<QString>("stored"); // empty for absent
        QTest::addColumn<bool>("due");
        QTest::newRow("never checked") << QString() << true;
        QTest::newRow("23 hours ago") << asText(now - 23 * 3600) << false;
        QTest::newRow("one second short of 24 hours") << asText(now - 24 * 3600 + 1) << false;
        QTest::newRow("exactly 24 hours ago") << asText(now - 24 * 3600) << true;
        QTest::newRow("unreadable") << QStringLiteral("yesterday") << true;
        QTest::newRow("in the future: clock set back") << asText(now + 3600) << true;
    }

    void automaticCheckRunsOncePerDay()
    {
        QFETCH(QString, stored);
        QFETCH(bool, due);
        if (!stored.isEmpty())
            QCOMPARE(m_settings->setText(UpdateChecker::lastAutoCheckAtKey, stored.toStdString()), std::nullopt);
        // A quarter second past the full second, to see that the stored time keeps its fraction.
        m_now = m_now.addMSecs(250);
        // A failed check counts too.
        UpdateChecker::Options settings = options();
        settings.feedURL.setPort(FeedServer::closedPort());
        UpdateChecker checker(*m_prompter, *m_settings, settings);
        checker.checkAutomaticallyIfDue();
        QCOMPARE(checker.isChecking(), due);
        // Stored before the request has been answered, as the plain number that earlier versions wrote too.
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray line = "quorvane.updates.lastAutoCheckAt="
            + (due ? QByteArray::number(testNow.toSecsSinceEpoch()) + ".25" : stored.toUtf8()) + '\n';
        QVERIFY2(file.readAll().contains(line), line.constData());
        QTRY_VERIFY(!checker.isChecking());
        QVERIFY(m_prompter->alerts.isEmpty());
        // Right after a check the next one waits a day.
        m_now = m_now.addSecs(24 * 3600 - 1);
        checker.checkAutomaticallyIfDue();
        QCOMPARE(checker.isChecking(), !due);
        QTRY_VERIFY(!checker.isChecking());
    }

    void scheduledCheckRunsAfterTheDelayOnce()
    {
        m_server->setMode(FeedServer::Mode::hold);
        m_server->answerWith(FeedServer::feed("2.0"));
        UpdateChecker::Options settings = options();
        settings.automaticCheckDelay = 50ms;
        UpdateChecker checker(*m_prompter, *m_settings, settings);
        QSignalSpy checking(&checker, &UpdateChecker::isCheckingChanged);
        checker.scheduleAutomaticCheck();
        QVERIFY(!checker.isChecking());
        QTRY_COMPARE(m_server->requestCount(), 1);
        // Even a manual check does not take over the running automatic one.
        checker.checkForUpdates(false);
        checker.checkForUpdates(true);
        QTest::qWait(100);
        QCOMPARE(m_server->requestCount(), 1);
        QCOMPARE(checking.size(), 1);
        m_server->release();
        QTRY_COMPARE(m_prompter->alerts.size(), 1);
        QCOMPARE(checking.size(), 2);
    }

    void checkerDestroyedMidRequestOrDuringTheAlertDoesNothingMore()
    {
        m_server->setMode(FeedServer::Mode::hold);
        m_server->answerWith(FeedServer::feed("2.0"));
        auto checker = std::make_unique<UpdateChecker>(*m_prompter, *m_settings, options());
        checker->checkForUpdates(true);
        QTRY_COMPARE(m_server->requestCount(), 1);
        checker.reset();
        m_server->release();
        QTest::qWait(100);
        QVERIFY(m_prompter->alerts.isEmpty());

        // Destroyed while its alert is open: the choice is not acted on.
        m_server->setMode(FeedServer::Mode::answer);
        m_prompter->answer = UpdateAlert::Choice::skipThisVersion;
        auto *doomed = new UpdateChecker(*m_prompter, *m_settings, options());
        const QPointer<UpdateChecker> watch(doomed);
        m_prompter->duringAlert = [doomed] { delete doomed; };
        doomed->checkForUpdates(true);
        QTRY_VERIFY(watch.isNull());
        QCOMPARE(m_prompter->alerts.size(), 1);
        QCOMPARE(m_settings->text(UpdateChecker::skippedVersionKey), std::nullopt);
    }

    // Settings that cannot be written (their folder is a plain file) are announced once per write, as every
    // failed settings write is, and the check goes ahead regardless.
    void failedSettingsWritesAreAnnouncedAndTheCheckGoesOn()
    {
        QFile blocker(m_configHome.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        SettingsStoreQt unwritable(m_configHome.filePath(QStringLiteral("blocker/Quorvane.conf")));
        QSignalSpy failures(&SettingsWriteFailures::instance(), &SettingsWriteFailures::writeFailed);
        m_server->answerWith(FeedServer::feed("2.0"));
        m_prompter->answer = UpdateAlert::Choice::skipThisVersion;
        UpdateChecker checker(*m_prompter, unwritable, options());
        checker.checkAutomaticallyIfDue();
        QVERIFY(checker.isChecking());
        QCOMPARE(failures.size(), 1);
        QTRY_COMPARE(m_prompter->alerts.size(), 1);
        // The time of the check, then the skipped version.
        QCOMPARE(failures.size(), 2);
        QCOMPARE(failures.at(1).at(0).toString(), QStringLiteral("Not a directory"));
    }

    void buildSettingsFollowTheEnvironment()
    {
        const UpdateChecker::Options built = UpdateChecker::Options::fromBuildSettings();
        QCOMPARE(built.feedURL.scheme(), QStringLiteral("https"));
        QCOMPARE(built.productPageURL.toString(),
            built.feedURL.toString().replace(QStringLiteral("/updates/quorvane.json"), QStringLiteral("/quorvane")));
        QCOMPARE(built.currentVersion, AppVersion::shortVersion());
        // Addresses that must not become the server fall back to the built-in one.
        for (const char *bad : { "javascript:alert(1)", "file:///srv/feed", "not a url", "/relative" }) {
            qputenv("QUORVANE_UPDATE_BASE_URL", bad);
            QTest::ignoreMessage(QtWarningMsg,
                "QUORVANE_UPDATE_BASE_URL is not an absolute https or http address; using the built-in server");
            QCOMPARE(UpdateChecker::Options::fromBuildSettings().feedURL, built.feedURL);
        }
        // A checker built with the application's settings talks to the server the environment names.
        qputenv("QUORVANE_UPDATE_BASE_URL", m_server->base().toString().toUtf8() + '/');
        UpdateChecker checker(*m_prompter, *m_settings);
        qunsetenv("QUORVANE_UPDATE_BASE_URL");
        check(checker, false);
        QVERIFY(checker.isUpToDate());
        QCOMPARE(m_server->requestCount(), 1);
    }

private:
    QString settingsFile() const { return m_configHome.filePath(QStringLiteral("Quorvane.conf")); }
    UpdateChecker::Options options(const QString &currentVersion = QStringLiteral("1.0"))
    {
        UpdateChecker::Options options;
        options.feedURL = m_server->feedURL();
        options.productPageURL = QUrl(QStringLiteral("https://quorvane.app/quorvane"));
        options.currentVersion = currentVersion;
        options.clock = [this] { return m_now; };
        return options;
    }
    /// Runs one check to its end.
    static void check(UpdateChecker &checker, bool automatic)
    {
        checker.checkForUpdates(automatic);
        QTRY_VERIFY_WITH_TIMEOUT(!checker.isChecking(), 10000);
    }

    QTemporaryDir m_configHome;
    std::unique_ptr<SettingsStoreQt> m_settings;
    QDateTime m_now;
    std::unique_ptr<FeedServer> m_server;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

QTEST_GUILESS_MAIN(UpdateCheckerTest)
#include "UpdateCheckerTest.moc"
