#include "support/cannedserver.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

namespace {

QByteArray tlsFile(const char *name)
{
    QFile file(QStringLiteral(PELMORA_TEST_DATA "/tls/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

CannedServer::CannedServer(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &CannedServer::onConnection);
    listen(QHostAddress::LocalHost, 0);
}

void CannedServer::useTls()
{
    m_certificate = QSslCertificate(tlsFile("loopback.crt"));
    m_key = QSslKey(tlsFile("loopback.key"), QSsl::Ec);
}

QSslConfiguration CannedServer::trustedConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(QSslCertificate(tlsFile("loopback.crt")));
    return configuration;
}

QString CannedServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2/")
        .arg(m_certificate.isNull() ? QLatin1String("http") : QLatin1String("https"))
        .arg(serverPort());
}

void CannedServer::incomingConnection(qintptr descriptor)
{
    if (m_certificate.isNull()) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto *socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->startServerEncryption();
    addPendingConnection(socket);
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
