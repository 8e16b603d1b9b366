#include <tuple>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTest>

#include "FileRevealer.h"

namespace {

// The file manager's side of org.freedesktop.FileManager1, on a connection of its own, so that calls travel
// through the session bus as they do to a real file manager. It answers only when the event loop runs.
class StandInFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit StandInFileManager(bool failing)
        : m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fileManager")))
        , m_failing(failing)
    {
        m_connection.registerObject(
            QStringLiteral("/org/freedesktop/FileManager1"), this, QDBusConnection::ExportAllSlots);
        m_connection.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    }
    ~StandInFileManager() override
    {
        m_connection.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fileManager"));
    }

    QStringList shown;

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId, const QDBusMessage &message)
    {
        Q_UNUSED(startupId);
        shown += uris;
        if (m_failing)
            m_connection.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("cannot show")));
        else
            m_connection.send(message.createReply());
    }

private:
    QDBusConnection m_connection;
    bool m_failing;
};

} // namespace

class FileRevealerTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (the test runs under dbus-run-session)");
    }

    void showsTheFileOrOpensItsFolder()
    {
        // The file manager (0 none on the bus, 1 answers, 2 answers with an error), whether it was asked to show the
        // file, and whether the folder opened instead.
        for (const auto &[fileManager, shownByFileManager, folderOpened] :
            { std::tuple(1, true, false), std::tuple(0, false, true), std::tuple(2, true, true) })
            reveal(fileManager, shownByFileManager, folderOpened);
    }

private:
    static void reveal(int fileManager, bool shownByFileManager, bool folderOpened)
    {
        std::unique_ptr<StandInFileManager> manager;
        if (fileManager != 0)
            manager = std::make_unique<StandInFileManager>(fileManager == 2);
        QTRY_COMPARE(QDBusConnection::sessionBus()
                         .interface()
                         ->isServiceRegistered(QStringLiteral("org.freedesktop.FileManager1"))
                         .value(),
            fileManager != 0);

        QList<QUrl> opened;
        FileRevealer::showItem(QStringLiteral("/photos/a b.jpg"), [&](const QUrl &folder) { opened << folder; });
        // The call returns before anyone answered: the window goes on while the file manager starts.
        QVERIFY(opened.isEmpty());
        if (manager)
            QVERIFY(manager->shown.isEmpty());

        if (shownByFileManager)
            QTRY_COMPARE(manager->shown, QStringList { QStringLiteral("file:///photos/a%20b.jpg") });
        if (folderOpened)
            QTRY_COMPARE(opened, QList<QUrl> { QUrl::fromLocalFile(QStringLiteral("/photos")) });
        // Whatever else was going to arrive has arrived: the folder opens only as a fallback.
        QTest::qWait(200);
        QCOMPARE(opened.size(), folderOpened ? 1 : 0);
    }
};

QTEST_MAIN(FileRevealerTest)
#include "FileRevealerTest.moc"
