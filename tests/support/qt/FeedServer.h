#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

/// An HTTP server on 127.0.0.1 that answers every request with one canned response, or holds requests until
/// released, or never answers, or sends a body that does not end.
class FeedServer final {
public:
    enum class Mode { answer, hold, silent, endless };

    FeedServer();
    FeedServer(const FeedServer &) = delete;
    FeedServer &operator=(const FeedServer &) = delete;

    /// A feed with one release.
    static QByteArray feed(const QByteArray &version, const QByteArray &url = "https://quorvane.app/download/latest",
        const QByteArray &notes = {});
    /// A local port on which nothing listens (bound once, then released).
    static quint16 closedPort();

    bool isListening() const { return m_listening; }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    QUrl feedURL() const { return QUrl(base().toString() + QStringLiteral("/updates/quorvane.json")); }

    void setMode(Mode mode) { m_mode = mode; }
    /// Answers with `body` under the given status line and content type.
    void answerWith(const QByteArray &body, const QByteArray &status = "200 OK",
        const QByteArray &contentType = "application/json");
    /// In endless mode, announces this length instead of none.
    void setDeclaredLength(qint64 length) { m_declaredLength = length; }
    /// Answers every held request with the canned response.
    void release();

    int requestCount() const { return static_cast<int>(m_requests.size()); }
    const QList<QByteArray> &requests() const { return m_requests; }
    qint64 endlessBytesSent() const { return m_endlessBytesSent; }
    bool endlessClientLeft() const { return m_endlessClientLeft; }

private:
    void accept();
    void received(QTcpSocket *socket, const QByteArray &head);
    void respond(QTcpSocket *socket);
    void sendEndlessly(QTcpSocket *socket);

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
