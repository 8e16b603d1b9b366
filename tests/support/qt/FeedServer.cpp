#include "FeedServer.h"

#include <memory>
#include <utility>

FeedServer::FeedServer()
{
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    m_listening = m_server.listen(QHostAddress::LocalHost);
}

QByteArray FeedServer::feed(const QByteArray &version, const QByteArray &url, const QByteArray &notes)
{
    QByteArray release = R"({"version":")" + version + R"(","url":")" + url + '"';
    if (!notes.isEmpty())
        release += R"(,"notes":")" + notes + '"';
    return R"({"releases":[)" + release + "}]}";
}

quint16 FeedServer::closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void FeedServer::answerWith(const QByteArray &body, const QByteArray &status, const QByteArray &contentType)
{
    m_response = "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void FeedServer::release()
{
    for (const QPointer<QTcpSocket> &socket : std::exchange(m_held, {})) {
        if (socket)
            respond(socket);
    }
}

void FeedServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto head = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, &m_server, [this, socket, head] {
            if (head->contains("\r\n\r\n"))
                return;
            head->append(socket->readAll());
            if (head->contains("\r\n\r\n"))
                received(socket, *head);
        });
    }
}

void FeedServer::received(QTcpSocket *socket, const QByteArray &head)
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

void FeedServer::respond(QTcpSocket *socket)
{
    socket->write(m_response);
    socket->disconnectFromHost();
}

void FeedServer::sendEndlessly(QTcpSocket *socket)
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
    QObject::connect(socket, &QTcpSocket::bytesWritten, &m_server, more);
    QObject::connect(socket, &QTcpSocket::disconnected, &m_server, [this] { m_endlessClientLeft = true; });
    more();
}
