#pragma once

#include <QObject>
#include <QString>

/// The application-wide notification hub: named notifications without sender or payload. The menu commands post
/// them and the windows observe them, so a command never needs to know which window answers it.
///
/// Delivery is synchronous: `post` returns after every observer has run. Main thread only.
class NotificationHub final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationHub)

public:
    /// Asks the main window to open the About sheet.
    static QString showAbout() { return QStringLiteral("QVShowAbout"); }
    /// Asks the main window to open the About sheet and have it run a manual update check.
    static QString checkForUpdates() { return QStringLiteral("QVCheckForUpdates"); }
    /// Asks an open About sheet to run its manual update check now.
    static QString performUpdateCheck() { return QStringLiteral("QVPerformUpdateCheck"); }

    /// The hub of this process, created on first use and kept until the process ends.
    static NotificationHub &instance();

    /// Delivers `name` to every observer of it, in the order they registered.
    void post(const QString &name);

    /// Calls `handler()` each time `name` is posted, until `context` is destroyed or the returned connection is
    /// disconnected.
    template <typename Handler>
    QMetaObject::Connection observe(const QString &name, const QObject *context, Handler handler)
    {
        return connect(this, &NotificationHub::posted, context, [name, handler](const QString &posted) {
            if (posted == name)
                handler();
        });
    }

Q_SIGNALS:
    /// Emitted once per `post`, with the notification's name.
    void posted(const QString &name);

private:
    NotificationHub() = default;
};
