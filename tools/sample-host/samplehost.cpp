#include "samplehost.h"

#include "common/gbkcodec.h"
#include "samplepages.h"

#include <utility>

SampleHost::SampleHost(SampleHostConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_connection([this](const QByteArray &method, const QString &path) { return respond(method, path); },
                   [](int status, const QByteArray &reason) {
                       return Gbk::encode(SamplePages::errorPage(status, QString::fromLatin1(reason)));
                   })
{
    m_clock.start();
    m_connection.serve(m_server);
    m_connection.serve(m_imageServer);
    connect(&m_connection, &HttpConnection::requestArrived, this, &SampleHost::logRequest);
}

SampleHost::~SampleHost()
{
    m_server.close();
    m_imageServer.close();
}

bool SampleHost::listen(quint16 port, const QHostAddress &address)
{
    if (const Result<void> check = checkConfig(m_config); !check) {
        m_error = check.error();
        return false;
    }
    if (!m_config.logPath.isEmpty() && !m_logFile.isOpen()) {
        m_logFile.setFileName(m_config.logPath);
        if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
            m_error = QStringLiteral("cannot open log %1: %2").arg(m_config.logPath, m_logFile.errorString());
            return false;
        }
    }
    if (!m_server.listen(address, port)) {
        m_error = m_server.errorString();
        return false;
    }
    if (m_config.images && !m_imageServer.listen(address, 0)) {
        m_error = m_imageServer.errorString();
        m_server.close();
        return false;
    }
    m_routes.setAddresses(baseUrl(), imageBaseUrl());
    return true;
}

QString SampleHost::imageBaseUrl() const
{
    if (!m_imageServer.isListening())
        return {};
    QString base = baseUrl();
    return base.replace(QStringLiteral(":%1/").arg(port()), QStringLiteral(":%1/").arg(m_imageServer.serverPort()));
}

quint16 SampleHost::port() const
{
    return m_server.serverPort();
}

QString SampleHost::baseUrl() const
{
    const QHostAddress address = m_server.serverAddress();
    QString host = address.toString();
    if (address.isLoopback() || address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
        address == QHostAddress::AnyIPv6 || address.isNull())
        host = QStringLiteral("127.0.0.1");
    else if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = u'[' + host + u']';
    return QStringLiteral("http://%1:%2/").arg(host).arg(port());
}

void SampleHost::setFaults(const QList<Fault> &faults)
{
    m_config.faults = faults;
    m_faults.forgetServed();
}

void SampleHost::clearRequestLog()
{
    m_log.clear();
    m_counts.clear();
}

HttpResponse SampleHost::respond(const QByteArray &method, const QString &path)
{
    HttpResponse response = m_routes.respond(method, path);
    response.delayMs += m_config.latencyMs;
    return response;
}

void SampleHost::logRequest(const QString &path)
{
    m_log.append(path);
    ++m_counts[path];
    if (m_logFile.isOpen()) {
        m_logFile.write(QByteArray::number(m_clock.elapsed()) + '\t' + path.toUtf8() + '\n');
        m_logFile.flush();
    }
    emit requestReceived(path);
}
