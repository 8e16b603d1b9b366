#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

#include "UpdateInfo.h"
#include "UpdatePrompter.h"

class QNetworkAccessManager;
class QNetworkReply;
class SettingsStore;

/// Finds out whether a newer release has been published: fetches the update feed, compares its newest version
/// with the running one and publishes the outcome. Automatic checks run at most once per 24 hours and announce a
/// newer release in the update alert; manual checks only publish. Instances share nothing but the two settings
/// keys, which they read and write through the settings store they are given (a failed write is announced by the
/// store, and the check goes ahead). Main thread only; destroying a checker while its request runs drops the
/// answer.
class UpdateChecker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateChecker)
    /// A request is under way.
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    /// The newer release found by the last completed check; none when there was none or the check failed.
    Q_PROPERTY(std::optional<UpdateInfo> availableUpdate READ availableUpdate NOTIFY availableUpdateChanged)
    /// The error text of the last check; empty when it did not fail.
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    /// The last manual check found no newer version.
    Q_PROPERTY(bool isUpToDate READ isUpToDate NOTIFY isUpToDateChanged)

public:
    /// Where the checker looks and what it compares with. `fromBuildSettings()` gives the application's values.
    struct Options {
        /// The update feed, `<base>/updates/quorvane.json`.
        QUrl feedURL;
        /// The product's web page, `<base>/quorvane`, opened when no newer release is known.
        QUrl productPageURL;
        /// The running version, compared with the feed's.
        QString currentVersion;
        /// A request that receives nothing for this long fails.
        std::chrono::milliseconds timeout { std::chrono::seconds(15) };
        /// The wait of `scheduleAutomaticCheck()`.
        std::chrono::milliseconds automaticCheckDelay { std::chrono::seconds(5) };
        /// The current time; the system clock when empty.
        std::function<QDateTime()> clock;

        /// The build's server (the QUORVANE_UPDATE_BASE_URL build setting, replaced at run time by the
        /// environment variable of the same name when that holds an absolute https or http address) and the
        /// build's short version, 15 s timeout, 5 s delay, system clock.
        static Options fromBuildSettings();
        /// The server address the build uses after the environment override, without a final "/".
        static QUrl baseURL();
    };

    /// Settings key: when the last automatic check started, as seconds since 1970-01-01 00:00 UTC (the text of a
    /// number with a fraction).
    static constexpr const char *lastAutoCheckAtKey = "quorvane.updates.lastAutoCheckAt";
    /// Settings key: the version the user chose to skip in the update alert (text).
    static constexpr const char *skippedVersionKey = "quorvane.updates.skippedVersion";

    /// A checker with the build's options. `prompter` and `settings` (not owned) must outlive it.
    UpdateChecker(UpdatePrompter &prompter, SettingsStore &settings, QObject *parent = nullptr);
    /// A checker with the given options. `prompter` and `settings` (not owned) must outlive it.
    UpdateChecker(UpdatePrompter &prompter, SettingsStore &settings, Options options, QObject *parent = nullptr);
    /// Cancels a running request; its answer is dropped and nothing is published or shown.
    ~UpdateChecker() override;

    /// The published fields, as described with their properties above.
    bool isChecking() const { return m_isChecking; }
    const std::optional<UpdateInfo> &availableUpdate() const { return m_availableUpdate; }
    const QString &lastError() const { return m_lastError; }
    bool isUpToDate() const { return m_isUpToDate; }
    /// The settings this checker was built with.
    const Options &options() const { return m_options; }

    /// Waits `automaticCheckDelay` (5 s) on the event loop, then calls `checkAutomaticallyIfDue()`. Returns at once.
    void scheduleAutomaticCheck();
    /// Starts an automatic check when the last one started 24 hours ago or more (or never, or the stored time
    /// lies in the future), storing the current time under `lastAutoCheckAtKey` before the request goes out, so
    /// that a failed check also counts. Otherwise does nothing.
    void checkAutomaticallyIfDue();
    /// Starts a check unless one is running (then nothing changes). Clears `lastError` and `isUpToDate` at once;
    /// the outcome arrives later in the published fields and, for an automatic check that finds a newer version
    /// that was not skipped, in the update alert. Failures never show an alert.
    void checkForUpdates(bool automatic);
    /// Opens `availableUpdate`'s download address in the browser, or the product page when there is none.
    void openDownloadPage();

Q_SIGNALS:
    /// Each emitted after its field changed value (never for a write of the same value). When a check ends,
    /// the outcome's fields change before `isChecking` becomes false.
    void isCheckingChanged();
    void availableUpdateChanged();
    void lastErrorChanged();
    void isUpToDateChanged();

private:
    void readBody();
    void finishRequest();
    void handleFeedResponse(const QByteArray &body, const std::optional<QString> &error, bool automatic);
    void presentUpdateAlert(const UpdateInfo &info);
    void setIsChecking(bool value);
    void setAvailableUpdate(const std::optional<UpdateInfo> &value);
    void setLastError(const QString &value);
    void setIsUpToDate(bool value);
    QDateTime now() const;

    UpdatePrompter &m_prompter;
    SettingsStore &m_settings;
    Options m_options;
    QNetworkAccessManager *m_network; // child of this checker
    QNetworkReply *m_reply = nullptr; // the running request, a child of m_network
    QByteArray m_body;
    bool m_bodyTooLong = false;
    bool m_automatic = false;

    bool m_isChecking = false;
    std::optional<UpdateInfo> m_availableUpdate;
    QString m_lastError;
    bool m_isUpToDate = false;
};
