#pragma once

#include "blogroutes.h"
#include "fault.h"
#include "faultpolicy.h"
#include "httpconnection.h"
#include "samplehostconfig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A blog host on loopback for tests, the demo and benchmarks: a small HTTP/1.1 server with
// keep-alive that serves every blog name a deterministic blog in GBK, and misbehaves for the
// article rows its faults name. It runs on the caller's event loop. The connection speaks HTTP, the
// routes make the blog's pages, the fault policy decides how they misbehave.
class SampleHost final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SampleHost)
public:
    explicit SampleHost(SampleHostConfig config = {}, QObject *parent = nullptr);
    ~SampleHost() override;

    // Port 0 picks a free port. False, with errorString(), when the configuration is refused, the
    // log cannot be opened or the address cannot be bound.
    bool listen(quint16 port = 0, const QHostAddress &address = QHostAddress::LocalHost);
    QString errorString() const { return m_error; }
    quint16 port() const;
    // "http://127.0.0.1:P/" for a loopback host.
    QString baseUrl() const;
    // The second port, standing for a picture host, when pictures are served; empty otherwise.
    QString imageBaseUrl() const;
    const SampleHostConfig &config() const { return m_config; }

    // Faults take effect with the next request; broken-once counts start afresh.
    void setFaults(const QList<Fault> &faults);

    // Percent-decoded request paths without query, in the order the requests arrived.
    QStringList requestLog() const { return m_log; }
    int requestCount(const QString &path) const { return m_counts.value(path); }
    void clearRequestLog();
    // Connections accepted since the start.
    int connectionCount() const { return m_connection.connectionCount(); }
    // Connections open now.
    int openConnections() const { return m_connection.openConnections(); }
    // The most requests that were ever received and not yet answered at one moment.
    int maxInFlight() const { return m_connection.maxInFlight(); }

signals:
    void requestReceived(const QString &path);

private:
    HttpResponse respond(const QByteArray &method, const QString &path);
    void logRequest(const QString &path);

    SampleHostConfig m_config;
    FaultPolicy m_faults{m_config.faults};
    BlogRoutes m_routes{m_config, m_faults};
    QTcpServer m_server;
    QTcpServer m_imageServer; // listening only when pictures are served
    // Declared after the servers, so that its connections close before they do.
    HttpConnection m_connection;
    QString m_error;
    QStringList m_log;
    QHash<QString, int> m_counts;
    QFile m_logFile;
    QElapsedTimer m_clock;
};
