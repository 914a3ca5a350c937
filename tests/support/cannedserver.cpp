#include "support/cannedserver.h"

#include <QTcpSocket>

CannedServer::CannedServer(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &CannedServer::onConnection);
    listen(QHostAddress::LocalHost, 0);
}

QString CannedServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort());
}

void CannedServer::onConnection()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void CannedServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);
        const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
        const QByteArray path = requestLine.value(1);
        m_requests.append(path);
        if (m_silent.contains(path))
            continue;
        if (m_redirects.contains(path)) {
            socket->write("HTTP/1.1 302 Found\r\nLocation: " + m_redirects.value(path) +
                          "\r\nContent-Length: 0\r\n\r\n");
            continue;
        }
        const bool known = m_pages.contains(path);
        const QByteArray body = m_pages.value(path);
        socket->write((known ? QByteArray("HTTP/1.1 200 OK\r\n") : QByteArray("HTTP/1.1 404 Not Found\r\n")) +
                      "Content-Type: text/html; charset=gb2312\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\n\r\n" + body);
    }
    socket->setProperty("buffer", buffer);
}
