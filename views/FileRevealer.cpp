#include "FileRevealer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace FileRevealer {

namespace {

    // A file manager that is started by the bus for this call may take a while; one that has not answered by then
    // is not going to.
    constexpr int answerTimeoutMs = 5000;

} // namespace

void showItem(const QString &path, FolderOpener openFolder)
{
    if (!openFolder)
        openFolder = [](const QUrl &folder) { QDesktopServices::openUrl(folder); };
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << QStringList { QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) } << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, answerTimeoutMs), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
        [folder, openFolder = std::move(openFolder)](QDBusPendingCallWatcher *finished) {
            if (finished->isError())
                openFolder(folder);
            finished->deleteLater();
        });
}

} // namespace FileRevealer
