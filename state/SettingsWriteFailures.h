#pragma once

#include <QObject>
#include <QString>

/// Announces the failed writes of every settings store in the process, so that the window can tell the user.
class SettingsWriteFailures final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWriteFailures)

public:
    /// The process-wide instance.
    static SettingsWriteFailures &instance();

Q_SIGNALS:
    /// A settings write failed; `reason` is the system's description ("No space left on device"). Emitted on the
    /// writing thread.
    void writeFailed(const QString &reason);

private:
    SettingsWriteFailures() = default;
};
