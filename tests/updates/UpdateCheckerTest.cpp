#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "AppVersion.h"
#include "UpdateChecker.h"
#include "UpdatePrompter.h"

using namespace std::chrono_literals;

namespace {

QSettings applicationSettings()
{
    return QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane"));
}

QByteArray feedFor(const QByteArray &version, const QByteArray &url = "https://quorvane.app/download/latest")
{
    return R"({"releases":[{"version":")" + version + R"(","url":")" + url + R"("}]})";
}

QDateTime testNow()
{
    return QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
}

// A port on which nothing listens: bound once, then released.
quint16 closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

/// An HTTP server on 127.0.0.1 that answers every request with one canned response, or holds requests until
/// released, or never answers, or sends a body that does not end.
class FeedServer final : public QObject {
    Q_OBJECT

public:
    enum class Mode { answer, hold, silent, endless };

    FeedServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::accept);
        m_listening = m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_listening; }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    QUrl feedURL() const { return QUrl(base().toString() + QStringLiteral("/updates/quorvane.json")); }

    void setMode(Mode mode) { m_mode = mode; }
    /// Answers with `body` under the given status line and content type.
    void answerWith(
        const QByteArray &body, const QByteArray &status = "200 OK", const QByteArray &contentType = "application/json")
    {
        m_response = "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType
            + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
    /// In endless mode, announces this length instead of none.
    void setDeclaredLength(qint64 length) { m_declaredLength = length; }

    /// Answers every held request with the canned response.
    void release()
    {
        for (const QPointer<QTcpSocket> &socket : std::exchange(m_held, {})) {
            if (socket)
                respond(socket);
        }
    }

    int requestCount() const { return static_cast<int>(m_requests.size()); }
    const QList<QByteArray> &requests() const { return m_requests; }
    qint64 endlessBytesSent() const { return m_endlessBytesSent; }
    bool endlessClientLeft() const { return m_endlessClientLeft; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
                if (head->endsWith("\r\n\r\n"))
                    return;
                head->append(socket->readAll());
                if (head->contains("\r\n\r\n"))
                    received(socket, *head);
            });
        }
    }

    void received(QTcpSocket *socket, const QByteArray &head)
    {
        m_requests.append(head);
        switch (m_mode) {
        case Mode::answer:
            respond(socket);
            break;
        case Mode::hold:
            m_held.append(socket);
            break;
        case Mode::silent:
            break;
        case Mode::endless:
            sendEndlessly(socket);
            break;
        }
    }

    void respond(QTcpSocket *socket)
    {
        socket->write(m_response);
        socket->disconnectFromHost();
    }

    void sendEndlessly(QTcpSocket *socket)
    {
        QByteArray header = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n";
        if (m_declaredLength > 0)
            header += "Content-Length: " + QByteArray::number(m_declaredLength) + "\r\n";
        socket->write(header + "\r\n{\"releases\":[");
        const auto more = [this, socket] {
            // A bound keeps a checker that never stops reading from running the test forever.
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 256 * 1024
                && m_endlessBytesSent < 256LL * 1024 * 1024) {
                socket->write(QByteArray(64 * 1024, ' '));
                m_endlessBytesSent += 64 * 1024;
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, this, more);
        connect(socket, &QTcpSocket::disconnected, this, [this] { m_endlessClientLeft = true; });
        more();
    }

    QTcpServer m_server;
    bool m_listening = false;
    Mode m_mode = Mode::answer;
    QByteArray m_response;
    qint64 m_declaredLength = 0;
    QList<QByteArray> m_requests;
    QList<QPointer<QTcpSocket>> m_held;
    qint64 m_endlessBytesSent = 0;
    bool m_endlessClientLeft = false;
};

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

} // namespace

class UpdateCheckerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void versionsAreComparedNumerically_data();
    void versionsAreComparedNumerically();
    void feedContents_data();
    void feedContents();
    void requestIsAFreshGetOfTheFeed();
    void networkFailures_data();
    void networkFailures();
    void checkClearsThePreviousOutcomeOnlyWhenAnswered();
    void bodySizeIsCapped_data();
    void bodySizeIsCapped();
    void automaticCheckAlertsAndActsOnTheChoice_data();
    void automaticCheckAlertsAndActsOnTheChoice();
    void skippedVersionSilencesOnlyAutomaticChecksOfThatVersion_data();
    void skippedVersionSilencesOnlyAutomaticChecksOfThatVersion();
    void automaticCheckRunsOncePerDay_data();
    void automaticCheckRunsOncePerDay();
    void failedAutomaticCheckStillCountsAndStaysSilent();
    void scheduledCheckRunsAfterTheDelay();
    void secondCheckWhileOneRunsChangesNothing();
    void checkerDestroyedMidRequestDropsTheAnswer();
    void checkerDestroyedDuringTheAlertOpensNothing();
    void downloadPageFallsBackToTheProductPage();
    void buildSettingsFollowTheEnvironment();

private:
    UpdateChecker::Options optionsFor(const QUrl &feedURL, const QString &currentVersion = QStringLiteral("1.0"))
    {
        UpdateChecker::Options options;
        options.feedURL = feedURL;
        options.productPageURL = QUrl(QStringLiteral("https://quorvane.app/quorvane"));
        options.currentVersion = currentVersion;
        options.clock = [this] { return m_now; };
        return options;
    }

    QTemporaryDir m_configHome;
    QDateTime m_now;
};

void UpdateCheckerTest::initTestCase()
{
    // Before anything reads the settings paths, so the user's own settings are never touched.
    QVERIFY(m_configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    qputenv("no_proxy", "127.0.0.1");
    qunsetenv("QUORVANE_UPDATE_BASE_URL");
}

void UpdateCheckerTest::init()
{
    QSettings settings = applicationSettings();
    settings.remove(QLatin1StringView(UpdateChecker::lastAutoCheckAtKey));
    settings.remove(QLatin1StringView(UpdateChecker::skippedVersionKey));
    m_now = testNow();
}

void UpdateCheckerTest::versionsAreComparedNumerically_data()
{
    QTest::addColumn<QString>("running");
    QTest::addColumn<QByteArray>("feedVersion");
    QTest::addColumn<bool>("newer");
    QTest::newRow("1.2 < 1.10") << QStringLiteral("1.2") << QByteArray("1.10") << true;
    QTest::newRow("1.10 > 1.9") << QStringLiteral("1.10") << QByteArray("1.9") << false;
    QTest::newRow("1.2.0 == v1.2.0") << QStringLiteral("1.2.0") << QByteArray("v1.2.0") << false;
    QTest::newRow("V on the running side") << QStringLiteral("V2.0") << QByteArray("2.0") << false;
    QTest::newRow("1.2 < 1.2.0") << QStringLiteral("1.2") << QByteArray("1.2.0") << true;
    QTest::newRow("1.2.0 > 1.2") << QStringLiteral("1.2.0") << QByteArray("1.2") << false;
    QTest::newRow("equal") << QStringLiteral("1.0") << QByteArray("1.0") << false;
    QTest::newRow("leading zeros") << QStringLiteral("1.2") << QByteArray("1.02") << false;
    QTest::newRow("older major") << QStringLiteral("3.0") << QByteArray("2.99") << false;
    QTest::newRow("runs past 64 bits") << QStringLiteral("1.99999999999999999999")
                                       << QByteArray("1.100000000000000000000") << true;
}

void UpdateCheckerTest::versionsAreComparedNumerically()
{
    QFETCH(QString, running);
    QFETCH(QByteArray, feedVersion);
    QFETCH(bool, newer);
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor(feedVersion));
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL(), running));

    checker.checkForUpdates(false);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(checker.lastError(), QString());
    QCOMPARE(checker.availableUpdate().has_value(), newer);
    if (newer)
        QCOMPARE(checker.availableUpdate()->latestVersion, QString::fromUtf8(feedVersion));
    QCOMPARE(checker.isUpToDate(), !newer);
    QVERIFY(prompter.alerts.isEmpty());
}

void UpdateCheckerTest::feedContents_data()
{
    const QString unavailable = QStringLiteral("Update information is unavailable.");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("notes"); // "-" for none

    QTest::newRow("notes_en over notes") << QByteArray(
        R"({"releases":[{"version":"2.0","url":"https://quorvane.app/d/2.0","notes_en":"English",)"
        R"("notes":"Other"}]})") << QString()
                                         << QStringLiteral("https://quorvane.app/d/2.0") << QStringLiteral("English");
    QTest::newRow("notes without notes_en")
        << QByteArray(R"({"releases":[{"version":"2.0","url":"https://quorvane.app/d","notes":"Other"}]})") << QString()
        << QStringLiteral("https://quorvane.app/d") << QStringLiteral("Other");
    QTest::newRow("notes_en not a string")
        << QByteArray(R"({"releases":[{"version":"2.0","url":"https://quorvane.app/d","notes_en":7,"notes":"Other"}]})")
        << QString() << QStringLiteral("https://quorvane.app/d") << QStringLiteral("Other");
    QTest::newRow("no notes, extra members")
        << QByteArray(R"({"x":1,"releases":[{"version":"2.0","url":"http://mirror.example/q.tar","size":9}]})")
        << QString() << QStringLiteral("http://mirror.example/q.tar") << QStringLiteral("-");

    const auto refused = [&](const char *name, const QByteArray &body) {
        QTest::newRow(name) << body << unavailable << QString() << QStringLiteral("-");
    };
    refused("empty releases", R"({"releases":[]})");
    refused("no url", R"({"releases":[{"version":"2.0"}]})");
    refused("url not a string", R"({"releases":[{"version":"2.0","url":5}]})");
    refused("no version", R"({"releases":[{"url":"https://quorvane.app/d"}]})");
    refused("version not a string", R"({"releases":[{"version":2,"url":"https://quorvane.app/d"}]})");
    refused("no releases", R"({"release":[{"version":"2.0","url":"https://quorvane.app/d"}]})");
    refused("releases not an array", R"({"releases":{"version":"2.0","url":"https://quorvane.app/d"}})");
    refused("a release not an object", R"({"releases":[{"version":"2.0","url":"https://quorvane.app/d"},3]})");
    refused("top level an array", R"([{"version":"2.0","url":"https://quorvane.app/d"}])");
    refused("malformed JSON", R"({"releases":[{"version":"2.0","url":"https://quorvane.app/d"}])");
    refused("trailing garbage", feedFor("2.0") + "<html>");
    refused("empty body", "");
    refused("invalid UTF-8", "{\"releases\":[{\"version\":\"2.\xff\",\"url\":\"https://quorvane.app/d\"}]}");
    refused("deeply nested", QByteArray(100000, '[') + QByteArray(100000, ']'));
    refused("file url", feedFor("2.0", "file:///etc/passwd"));
    refused("javascript url", feedFor("2.0", "javascript:alert(1)"));
    refused("ftp url", feedFor("2.0", "ftp://quorvane.app/q.tar"));
    refused("relative url", feedFor("2.0", "/download/q.tar"));
    refused("web scheme without host", feedFor("2.0", "https:///q.tar"));
    refused("not a url", feedFor("2.0", "https://quorvane.app/%zz"));
}

void UpdateCheckerTest::feedContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    QFETCH(QString, url);
    QFETCH(QString, notes);
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(body);
    ScriptedPrompter prompter;
    prompter.answer = UpdateAlert::Choice::download;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));

    checker.checkForUpdates(true);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(checker.lastError(), error);
    QVERIFY(!checker.isUpToDate());
    if (!error.isEmpty()) {
        QVERIFY(!checker.availableUpdate());
        QVERIFY(prompter.alerts.isEmpty());
        QVERIFY(prompter.opened.isEmpty());
        return;
    }
    const std::optional<QString> expectedNotes = notes == u"-" ? std::nullopt : std::optional<QString>(notes);
    QCOMPARE(checker.availableUpdate(), (UpdateInfo { QStringLiteral("2.0"), QUrl(url), expectedNotes }));
    QCOMPARE(prompter.alerts.size(), 1);
    const QString running = QStringLiteral("You are running version 1.0.");
    QCOMPARE(prompter.alerts[0].informativeText,
        expectedNotes ? running + QStringLiteral("\n\nWhat's New:\n") + *expectedNotes : running);
    QCOMPARE(prompter.opened, QList<QUrl> { QUrl(url) });
}

void UpdateCheckerTest::requestIsAFreshGetOfTheFeed()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("1.0"));
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));
    QCOMPARE(checker.options().timeout, 15s);

    for (int round = 0; round < 2; ++round) {
        checker.checkForUpdates(false);
        QTRY_VERIFY(!checker.isChecking());
    }
    // Two checks, two requests: nothing is answered from a cache.
    QCOMPARE(server.requestCount(), 2);
    const QByteArray head = server.requests().last();
    QVERIFY2(head.startsWith("GET /updates/quorvane.json HTTP/1.1\r\n"), head.constData());
    QVERIFY2(head.toLower().contains("cache-control: no-cache"), head.constData());
}

void UpdateCheckerTest::networkFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("refused") << QStringLiteral("refused")
                             << QStringLiteral("Unable to check for updates: Connection refused");
    QTest::newRow("never answers") << QStringLiteral("silent")
                                   << QStringLiteral("Unable to check for updates: The request timed out.");
    QTest::newRow("404 page") << QStringLiteral("404") << QStringLiteral("Update information is unavailable.");
    QTest::newRow("500 page") << QStringLiteral("500") << QStringLiteral("Update information is unavailable.");
    // The status is not what decides: an error status with a usable feed is a usable feed.
    QTest::newRow("404 with a feed") << QStringLiteral("404 feed") << QString();
}

void UpdateCheckerTest::networkFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, error);
    FeedServer server;
    QVERIFY(server.isListening());
    QUrl feedURL = server.feedURL();
    if (kind == u"refused") {
        feedURL.setPort(closedPort());
        QVERIFY(feedURL.port() > 0);
    } else if (kind == u"silent") {
        server.setMode(FeedServer::Mode::silent);
    } else if (kind == u"404") {
        server.answerWith("<html><body>Not Found</body></html>", "404 Not Found", "text/html");
    } else if (kind == u"500") {
        server.answerWith("<html><body>Oops</body></html>", "500 Internal Server Error", "text/html");
    } else {
        server.answerWith(feedFor("2.0"), "404 Not Found");
    }
    ScriptedPrompter prompter;
    UpdateChecker::Options options = optionsFor(feedURL);
    options.timeout = 300ms;
    UpdateChecker checker(prompter, options);
    QSignalSpy errors(&checker, &UpdateChecker::lastErrorChanged);

    checker.checkForUpdates(true);
    QVERIFY(checker.isChecking());
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(checker.lastError(), error);
    QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
    QCOMPARE(checker.availableUpdate().has_value(), error.isEmpty());
    QVERIFY(!checker.isUpToDate());
    // Failures are never announced in an alert.
    QCOMPARE(prompter.alerts.size(), error.isEmpty() ? 1 : 0);
}

void UpdateCheckerTest::checkClearsThePreviousOutcomeOnlyWhenAnswered()
{
    FeedServer server;
    QVERIFY(server.isListening());
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));
    QSignalSpy available(&checker, &UpdateChecker::availableUpdateChanged);
    QSignalSpy upToDate(&checker, &UpdateChecker::isUpToDateChanged);

    server.answerWith(feedFor("1.0"));
    checker.checkForUpdates(false);
    QTRY_VERIFY(!checker.isChecking());
    QVERIFY(checker.isUpToDate());
    QCOMPARE(upToDate.size(), 1);

    server.answerWith(feedFor("2.0"));
    checker.checkForUpdates(false);
    QVERIFY(!checker.isUpToDate());
    QCOMPARE(upToDate.size(), 2);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(checker.availableUpdate()->latestVersion, QStringLiteral("2.0"));
    QCOMPARE(available.size(), 1);

    server.answerWith("not json");
    checker.checkForUpdates(false);
    // The release found stays published until the next answer replaces it.
    QVERIFY(checker.availableUpdate());
    QCOMPARE(checker.lastError(), QString());
    QTRY_VERIFY(!checker.isChecking());
    QVERIFY(!checker.availableUpdate());
    QCOMPARE(available.size(), 2);
    QCOMPARE(checker.lastError(), QStringLiteral("Update information is unavailable."));

    server.answerWith(feedFor("0.9"));
    checker.checkForUpdates(false);
    QCOMPARE(checker.lastError(), QString());
    QTRY_VERIFY(!checker.isChecking());
    QVERIFY(checker.isUpToDate());
}

void UpdateCheckerTest::bodySizeIsCapped_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("usable");
    QTest::newRow("exactly the limit") << QStringLiteral("limit") << true;
    QTest::newRow("one byte over") << QStringLiteral("over") << false;
    QTest::newRow("huge declared length") << QStringLiteral("declared") << false;
    QTest::newRow("endless without length") << QStringLiteral("endless") << false;
}

void UpdateCheckerTest::bodySizeIsCapped()
{
    QFETCH(QString, kind);
    QFETCH(bool, usable);
    FeedServer server;
    QVERIFY(server.isListening());
    const QByteArray feed = feedFor("2.0");
    if (kind == u"limit" || kind == u"over") {
        const qsizetype padding = UpdateInfo::maximumFeedSize - feed.size() + (kind == u"over" ? 1 : 0);
        server.answerWith(feed + QByteArray(padding, ' '));
    } else {
        server.setMode(FeedServer::Mode::endless);
        if (kind == u"declared")
            server.setDeclaredLength(50LL * 1024 * 1024);
    }
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));

    checker.checkForUpdates(false);
    QTRY_VERIFY_WITH_TIMEOUT(!checker.isChecking(), 10000);
    QCOMPARE(checker.availableUpdate().has_value(), usable);
    QCOMPARE(checker.lastError(), usable ? QString() : QStringLiteral("Update information is unavailable."));
    if (kind == u"endless" || kind == u"declared") {
        // The checker hung up instead of reading on.
        QTRY_VERIFY(server.endlessClientLeft());
        QVERIFY2(server.endlessBytesSent() < 16LL * 1024 * 1024, QByteArray::number(server.endlessBytesSent()));
    }
}

void UpdateCheckerTest::automaticCheckAlertsAndActsOnTheChoice_data()
{
    QTest::addColumn<UpdateAlert::Choice>("choice");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("skipped");
    QTest::newRow("Download") << UpdateAlert::Choice::download << QStringLiteral("https://quorvane.app/d/1.10")
                              << QString();
    QTest::newRow("Skip This Version") << UpdateAlert::Choice::skipThisVersion << QString() << QStringLiteral("v1.10");
    QTest::newRow("Remind Me Later") << UpdateAlert::Choice::remindMeLater << QString() << QString();
}

void UpdateCheckerTest::automaticCheckAlertsAndActsOnTheChoice()
{
    QFETCH(UpdateAlert::Choice, choice);
    QFETCH(QString, opened);
    QFETCH(QString, skipped);
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(
        R"({"releases":[{"version":"v1.10","url":"https://quorvane.app/d/1.10","notes":"Faster.\nSmaller."}]})");
    applicationSettings().setValue(QLatin1StringView(UpdateChecker::skippedVersionKey), QStringLiteral("1.9"));
    ScriptedPrompter prompter;
    prompter.answer = choice;
    UpdateChecker checker(prompter, optionsFor(server.feedURL(), QStringLiteral("1.2")));

    checker.checkForUpdates(true);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(prompter.alerts.size(), 1);
    QCOMPARE(prompter.alerts[0].messageText, QStringLiteral("Quorvane v1.10 is available"));
    QCOMPARE(prompter.alerts[0].informativeText,
        QStringLiteral("You are running version 1.2.\n\nWhat's New:\nFaster.\nSmaller."));
    QCOMPARE(UpdateAlert::buttonTitles(),
        QStringList(
            { QStringLiteral("Download"), QStringLiteral("Skip This Version"), QStringLiteral("Remind Me Later") }));
    QCOMPARE(prompter.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl> { QUrl(opened) });
    QCOMPARE(applicationSettings().value(QLatin1StringView(UpdateChecker::skippedVersionKey)).toString(),
        skipped.isEmpty() ? QStringLiteral("1.9") : skipped);
    // The automatic check's outcome is published like a manual one's, minus the up-to-date flag.
    QVERIFY(checker.availableUpdate());
    QVERIFY(!checker.isUpToDate());
}

void UpdateCheckerTest::skippedVersionSilencesOnlyAutomaticChecksOfThatVersion_data()
{
    QTest::addColumn<QByteArray>("feedVersion");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<bool>("alert");
    QTest::newRow("automatic, skipped version") << QByteArray("2.0") << true << false;
    QTest::newRow("manual, skipped version") << QByteArray("2.0") << false << false;
    QTest::newRow("automatic, later version") << QByteArray("2.1") << true << true;
    // The skip is kept by its exact text, not by the version it names.
    QTest::newRow("automatic, same version spelt v2.0") << QByteArray("v2.0") << true << true;
}

void UpdateCheckerTest::skippedVersionSilencesOnlyAutomaticChecksOfThatVersion()
{
    QFETCH(QByteArray, feedVersion);
    QFETCH(bool, automatic);
    QFETCH(bool, alert);
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor(feedVersion));
    applicationSettings().setValue(QLatin1StringView(UpdateChecker::skippedVersionKey), QStringLiteral("2.0"));
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));

    checker.checkForUpdates(automatic);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(prompter.alerts.size(), alert ? 1 : 0);
    QVERIFY(checker.availableUpdate());
    QCOMPARE(checker.availableUpdate()->latestVersion, QString::fromUtf8(feedVersion));
}

void UpdateCheckerTest::automaticCheckRunsOncePerDay_data()
{
    const double now = static_cast<double>(testNow().toSecsSinceEpoch());
    const auto asText = [](double seconds) { return QVariant(QString::number(seconds, 'f', 3)); };
    QTest::addColumn<QVariant>("stored"); // invalid for absent
    QTest::addColumn<bool>("due");
    QTest::newRow("never checked") << QVariant() << true;
    QTest::newRow("23 hours ago") << QVariant(now - 23 * 3600) << false;
    QTest::newRow("one second short of 24 hours") << QVariant(now - 24 * 3600 + 1) << false;
    QTest::newRow("exactly 24 hours ago") << QVariant(now - 24 * 3600) << true;
    QTest::newRow("25 hours ago") << QVariant(now - 25 * 3600) << true;
    // How another process finds the double in the INI file.
    QTest::newRow("23 hours ago, as text") << asText(now - 23 * 3600) << false;
    QTest::newRow("24 hours ago, as text") << asText(now - 24 * 3600) << true;
    QTest::newRow("unreadable") << QVariant(QStringLiteral("yesterday")) << true;
    QTest::newRow("in the future: clock set back") << QVariant(now + 3600) << true;
}

void UpdateCheckerTest::automaticCheckRunsOncePerDay()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, due);
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("1.0"));
    if (stored.isValid())
        applicationSettings().setValue(QLatin1StringView(UpdateChecker::lastAutoCheckAtKey), stored);
    // A quarter second past the full second, to see that the stored time keeps its fraction.
    m_now = m_now.addMSecs(250);
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));

    checker.checkAutomaticallyIfDue();
    QCOMPARE(checker.isChecking(), due);
    // Stored before the request has been answered.
    const QVariant after = applicationSettings().value(QLatin1StringView(UpdateChecker::lastAutoCheckAtKey));
    if (due)
        QCOMPARE(after.toDouble(), static_cast<double>(m_now.toMSecsSinceEpoch()) / 1000.0);
    else
        QCOMPARE(after, stored);
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(server.requestCount(), due ? 1 : 0);
    // An automatic check that finds nothing new publishes nothing.
    QVERIFY(!checker.isUpToDate());
    QCOMPARE(checker.lastError(), QString());
    QVERIFY(prompter.alerts.isEmpty());

    // Right after a check the next one waits a day.
    checker.checkAutomaticallyIfDue();
    QVERIFY(!checker.isChecking());
}

void UpdateCheckerTest::failedAutomaticCheckStillCountsAndStaysSilent()
{
    QUrl feedURL(QStringLiteral("http://127.0.0.1/updates/quorvane.json"));
    feedURL.setPort(closedPort());
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(feedURL));

    checker.checkAutomaticallyIfDue();
    QTRY_VERIFY(!checker.isChecking());
    QVERIFY(checker.lastError().startsWith(QStringLiteral("Unable to check for updates: ")));
    QVERIFY(prompter.alerts.isEmpty());
    QCOMPARE(applicationSettings().value(QLatin1StringView(UpdateChecker::lastAutoCheckAtKey)).toDouble(),
        static_cast<double>(m_now.toSecsSinceEpoch()));

    m_now = m_now.addSecs(23 * 3600);
    checker.checkAutomaticallyIfDue();
    QVERIFY(!checker.isChecking());
    m_now = m_now.addSecs(3600);
    checker.checkAutomaticallyIfDue();
    QVERIFY(checker.isChecking());
    QTRY_VERIFY(!checker.isChecking());
}

void UpdateCheckerTest::scheduledCheckRunsAfterTheDelay()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("2.0"));
    ScriptedPrompter prompter;
    UpdateChecker::Options options = optionsFor(server.feedURL());
    QCOMPARE(options.automaticCheckDelay, 5s);
    options.automaticCheckDelay = 50ms;
    UpdateChecker checker(prompter, options);

    checker.scheduleAutomaticCheck();
    QVERIFY(!checker.isChecking());
    QCOMPARE(server.requestCount(), 0);
    QTRY_COMPARE(prompter.alerts.size(), 1);
    QCOMPARE(server.requestCount(), 1);
    QVERIFY(applicationSettings().contains(QLatin1StringView(UpdateChecker::lastAutoCheckAtKey)));
}

void UpdateCheckerTest::secondCheckWhileOneRunsChangesNothing()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.setMode(FeedServer::Mode::hold);
    server.answerWith(feedFor("2.0"));
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));
    QSignalSpy checking(&checker, &UpdateChecker::isCheckingChanged);

    checker.checkForUpdates(false);
    QTRY_COMPARE(server.requestCount(), 1);
    QCOMPARE(checking.size(), 1);
    // Even an automatic check does not take over the running manual one.
    checker.checkForUpdates(true);
    checker.checkForUpdates(false);
    QCOMPARE(checking.size(), 1);
    QTest::qWait(100);
    QCOMPARE(server.requestCount(), 1);

    server.release();
    QTRY_VERIFY(!checker.isChecking());
    QCOMPARE(checking.size(), 2);
    QCOMPARE(checker.availableUpdate()->latestVersion, QStringLiteral("2.0"));
    QVERIFY(prompter.alerts.isEmpty());
}

void UpdateCheckerTest::checkerDestroyedMidRequestDropsTheAnswer()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.setMode(FeedServer::Mode::hold);
    server.answerWith(feedFor("2.0"));
    ScriptedPrompter prompter;
    auto checker = std::make_unique<UpdateChecker>(prompter, optionsFor(server.feedURL()));
    QSignalSpy destroyed(checker.get(), &QObject::destroyed);

    checker->checkForUpdates(true);
    QTRY_COMPARE(server.requestCount(), 1);
    checker.reset();
    QCOMPARE(destroyed.size(), 1);
    server.release();
    QTest::qWait(100);
    QVERIFY(prompter.alerts.isEmpty());
    QVERIFY(prompter.opened.isEmpty());
}

void UpdateCheckerTest::checkerDestroyedDuringTheAlertOpensNothing()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("2.0"));
    ScriptedPrompter prompter;
    prompter.answer = UpdateAlert::Choice::skipThisVersion;
    auto *checker = new UpdateChecker(prompter, optionsFor(server.feedURL()));
    const QPointer<UpdateChecker> watch(checker);
    prompter.duringAlert = [checker] { delete checker; };

    checker->checkForUpdates(true);
    QTRY_VERIFY(watch.isNull());
    QCOMPARE(prompter.alerts.size(), 1);
    QVERIFY(!applicationSettings().contains(QLatin1StringView(UpdateChecker::skippedVersionKey)));
}

void UpdateCheckerTest::downloadPageFallsBackToTheProductPage()
{
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("2.0", "https://quorvane.app/d/2.0"));
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter, optionsFor(server.feedURL()));

    checker.openDownloadPage();
    checker.checkForUpdates(false);
    QTRY_VERIFY(!checker.isChecking());
    checker.openDownloadPage();
    QCOMPARE(prompter.opened,
        QList<QUrl>({ QUrl(QStringLiteral("https://quorvane.app/quorvane")),
            QUrl(QStringLiteral("https://quorvane.app/d/2.0")) }));
}

void UpdateCheckerTest::buildSettingsFollowTheEnvironment()
{
    const UpdateChecker::Options built = UpdateChecker::Options::fromBuildSettings();
    QCOMPARE(built.feedURL.scheme(), QStringLiteral("https"));
    QVERIFY(built.feedURL.path().endsWith(QStringLiteral("/updates/quorvane.json")));
    QCOMPARE(built.productPageURL, QUrl(UpdateChecker::Options::baseURL().toString() + QStringLiteral("/quorvane")));
    QCOMPARE(built.currentVersion, AppVersion::shortVersion());
    QCOMPARE(AppVersion::shortVersion(), QStringLiteral("1.0"));
    QVERIFY(!AppVersion::buildNumber().isEmpty());
    QCOMPARE(built.timeout, 15s);

    // Addresses that must not become the server fall back to the built-in one.
    for (const char *bad : { "javascript:alert(1)", "file:///srv/feed", "not a url", "/relative" }) {
        qputenv("QUORVANE_UPDATE_BASE_URL", bad);
        QTest::ignoreMessage(QtWarningMsg,
            "QUORVANE_UPDATE_BASE_URL is not an absolute https or http address; using the built-in server");
        QCOMPARE(UpdateChecker::Options::fromBuildSettings().feedURL, built.feedURL);
    }

    qputenv("QUORVANE_UPDATE_BASE_URL", "http://127.0.0.1:8080/mirror/");
    const UpdateChecker::Options mirrored = UpdateChecker::Options::fromBuildSettings();
    QCOMPARE(mirrored.feedURL, QUrl(QStringLiteral("http://127.0.0.1:8080/mirror/updates/quorvane.json")));
    QCOMPARE(mirrored.productPageURL, QUrl(QStringLiteral("http://127.0.0.1:8080/mirror/quorvane")));

    // A checker built with the application's settings talks to the server the environment names.
    FeedServer server;
    QVERIFY(server.isListening());
    server.answerWith(feedFor("1.0"));
    qputenv("QUORVANE_UPDATE_BASE_URL", server.base().toString().toUtf8());
    ScriptedPrompter prompter;
    UpdateChecker checker(prompter);
    qunsetenv("QUORVANE_UPDATE_BASE_URL");
    checker.checkForUpdates(false);
    QTRY_VERIFY(!checker.isChecking());
    QVERIFY(checker.isUpToDate());
    QCOMPARE(server.requestCount(), 1);
}

QTEST_GUILESS_MAIN(UpdateCheckerTest)
#include "UpdateCheckerTest.moc"
