#include "UpdateChecker.h"

#include <utility>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include "AppVersion.h"
#include "SettingsStore.h"
#include "VersionComparison.h"

namespace {

constexpr double secondsPerDay = 24 * 60 * 60;
// How much of the body Qt may hold before the checker reads it; keeps an endless body from piling up unread.
constexpr qint64 replyBufferSize = 64 * 1024;

QString storedText(const SettingsStore &settings, const char *key)
{
    const std::optional<std::string> text = settings.text(key);
    return text ? QString::fromStdString(*text) : QString();
}

void storeText(SettingsStore &settings, const char *key, const QString &value)
{
    // A failed write is the store's to announce (the window tells the user once); the check itself goes on, and
    // at worst it runs again at the next start.
    (void)settings.setText(key, value.toStdString());
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.isRelative() && (scheme == u"https" || scheme == u"http") && !url.host().isEmpty();
}

QUrl withPath(QUrl base, const QString &path)
{
    base.setPath(base.path() + path);
    return base;
}

// Errors that only say which HTTP status the server answered with: the answer itself arrived, and its body is
// judged like any other (an error page simply does not parse as a feed).
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

} // namespace

QUrl UpdateChecker::Options::baseURL()
{
    QUrl base(QStringLiteral(QUORVANE_UPDATE_BASE_URL), QUrl::StrictMode);
    const QString override = qEnvironmentVariable("QUORVANE_UPDATE_BASE_URL");
    if (!override.isEmpty()) {
        const QUrl candidate(override, QUrl::StrictMode);
        if (isWebAddress(candidate))
            base = candidate;
        else
            qWarning("QUORVANE_UPDATE_BASE_URL is not an absolute https or http address; using the built-in server");
    }
    QString path = base.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    base.setPath(path);
    return base;
}

UpdateChecker::Options UpdateChecker::Options::fromBuildSettings()
{
    const QUrl base = baseURL();
    Options options;
    options.feedURL = withPath(base, QStringLiteral("/updates/quorvane.json"));
    options.productPageURL = withPath(base, QStringLiteral("/quorvane"));
    options.currentVersion = AppVersion::shortVersion();
    return options;
}

UpdateChecker::UpdateChecker(UpdatePrompter &prompter, SettingsStore &settings, QObject *parent)
    : UpdateChecker(prompter, settings, Options::fromBuildSettings(), parent)
{
}

UpdateChecker::UpdateChecker(UpdatePrompter &prompter, SettingsStore &settings, Options options, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_settings(settings)
    , m_options(std::move(options))
    , m_network(new QNetworkAccessManager(this))
{
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        // Aborting emits finished at once; with the connections gone it reaches nothing of this half-destroyed
        // object, and the reply itself goes with the network manager.
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
    }
}

void UpdateChecker::scheduleAutomaticCheck()
{
    QTimer::singleShot(m_options.automaticCheckDelay, this, &UpdateChecker::checkAutomaticallyIfDue);
}

void UpdateChecker::checkAutomaticallyIfDue()
{
    // Text that is no number reads as 0, long ago: the check is due.
    const double last = storedText(m_settings, lastAutoCheckAtKey).toDouble();
    const double current = static_cast<double>(now().toMSecsSinceEpoch()) / 1000.0;
    // A stored time in the future means the clock was set back; waiting for it to come round again could
    // suppress checks for a long time.
    if (current - last < secondsPerDay && current >= last)
        return;
    // The shortest text that reads back as the same number, as QSettings writes a double.
    storeText(m_settings, lastAutoCheckAtKey, QString::number(current, 'g', QLocale::FloatingPointShortest));
    checkForUpdates(true);
}

void UpdateChecker::checkForUpdates(bool automatic)
{
    if (m_isChecking)
        return;
    setIsChecking(true);
    setLastError(QString());
    setIsUpToDate(false);

    m_automatic = automatic;
    m_body.clear();
    m_bodyTooLong = false;

    QNetworkRequest request(m_options.feedURL);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(m_options.timeout.count()));
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(replyBufferSize);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (!m_reply)
            return;
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > UpdateInfo::maximumFeedSize) {
            m_bodyTooLong = true;
            m_reply->abort();
        }
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateChecker::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::finishRequest);
}

void UpdateChecker::readBody()
{
    if (!m_reply || m_bodyTooLong)
        return;
    m_body += m_reply->read(UpdateInfo::maximumFeedSize + 1 - m_body.size());
    if (m_body.size() > UpdateInfo::maximumFeedSize) {
        m_bodyTooLong = true;
        m_body.clear();
        m_reply->abort();
    }
}

void UpdateChecker::finishRequest()
{
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    if (!reply)
        return;
    reply->deleteLater();
    if (!m_bodyTooLong && reply->isOpen()) {
        m_body += reply->read(UpdateInfo::maximumFeedSize + 1 - m_body.size());
        m_bodyTooLong = m_body.size() > UpdateInfo::maximumFeedSize;
    }

    std::optional<QString> error;
    QByteArray body;
    const QNetworkReply::NetworkError code = reply->error();
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (m_bodyTooLong) {
        // An empty body: too long a feed is as unusable as none.
    } else if (code == QNetworkReply::OperationCanceledError) {
        // The checker aborts only for an over-long body (handled above) and when destroyed (disconnected first),
        // so a cancelled request is the transfer timeout, which Qt reports as a plain cancellation.
        error = QCoreApplication::translate("UpdateChecker", "The request timed out.");
    } else if (code != QNetworkReply::NoError && !(answered && isHttpStatusError(code))) {
        error = reply->errorString();
    } else {
        body = std::exchange(m_body, QByteArray());
    }
    m_body.clear();
    // Published from the event loop rather than from inside the reply's signal: the outcome may open a modal
    // alert, and the reply may have finished inside an abort(). A checker destroyed meanwhile never gets it.
    QMetaObject::invokeMethod(
        this, [this, body, error, automatic = m_automatic] { handleFeedResponse(body, error, automatic); },
        Qt::QueuedConnection);
}

void UpdateChecker::handleFeedResponse(const QByteArray &body, const std::optional<QString> &error, bool automatic)
{
    if (error) {
        setAvailableUpdate(std::nullopt);
        setLastError(QCoreApplication::translate("UpdateChecker", "Unable to check for updates: ") + *error);
        setIsChecking(false);
        return;
    }
    const std::optional<UpdateInfo> info = UpdateInfo::fromFeed(body);
    if (!info) {
        setAvailableUpdate(std::nullopt);
        setLastError(QCoreApplication::translate("UpdateChecker", "Update information is unavailable."));
        setIsChecking(false);
        return;
    }
    if (!VersionComparison::isNewer(info->latestVersion, m_options.currentVersion)) {
        setAvailableUpdate(std::nullopt);
        setIsUpToDate(!automatic);
        setIsChecking(false);
        return;
    }
    setAvailableUpdate(info);
    setIsChecking(false);
    if (!automatic)
        return;
    if (storedText(m_settings, skippedVersionKey) == info->latestVersion)
        return;
    presentUpdateAlert(*info);
}

void UpdateChecker::presentUpdateAlert(const UpdateInfo &info)
{
    // The alert runs a nested event loop, during which the checker may be destroyed (its window closed).
    const QPointer<UpdateChecker> self(this);
    const UpdateAlert::Choice choice = m_prompter.askToUpdate(UpdateAlert::forRelease(info, m_options.currentVersion));
    if (!self)
        return;
    switch (choice) {
    case UpdateAlert::Choice::download:
        openDownloadPage();
        break;
    case UpdateAlert::Choice::skipThisVersion:
        storeText(m_settings, skippedVersionKey, info.latestVersion);
        break;
    case UpdateAlert::Choice::remindMeLater:
        break;
    }
}

void UpdateChecker::openDownloadPage()
{
    m_prompter.openUrl(m_availableUpdate ? m_availableUpdate->downloadURL : m_options.productPageURL);
}

void UpdateChecker::setIsChecking(bool value)
{
    if (std::exchange(m_isChecking, value) != value)
        Q_EMIT isCheckingChanged();
}

void UpdateChecker::setAvailableUpdate(const std::optional<UpdateInfo> &value)
{
    if (std::exchange(m_availableUpdate, value) != value)
        Q_EMIT availableUpdateChanged();
}

void UpdateChecker::setLastError(const QString &value)
{
    if (std::exchange(m_lastError, value) != value)
        Q_EMIT lastErrorChanged();
}

void UpdateChecker::setIsUpToDate(bool value)
{
    if (std::exchange(m_isUpToDate, value) != value)
        Q_EMIT isUpToDateChanged();
}

QDateTime UpdateChecker::now() const
{
    return m_options.clock ? m_options.clock() : QDateTime::currentDateTimeUtc();
}
