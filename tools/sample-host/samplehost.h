#pragma once

#include "fault.h"
#include "sampleblog.h"
#include "samplehostconfig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>
#include <memory>

class QTcpSocket;

// A blog host on loopback for tests, the demo and benchmarks: a small HTTP/1.1 server with
// keep-alive that serves every blog name a deterministic blog in GBK, and misbehaves for the
// article rows its faults name. It runs on the caller's event loop.
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
    void addFault(const Fault &fault);

    // Percent-decoded request paths without query, in the order the requests arrived.
    QStringList requestLog() const { return m_log; }
    int requestCount(const QString &path) const { return m_counts.value(path); }
    void clearRequestLog();
    // Connections accepted since the start.
    int connectionCount() const { return m_connectionCount; }
    // Connections open now.
    int openConnections() const { return static_cast<int>(m_connections.size()); }
    // The most requests that were ever received and not yet answered at one moment.
    int maxInFlight() const { return m_maxInFlight; }

signals:
    void requestReceived(const QString &path);

private:
    struct Connection;
    struct Response;
    struct BlogEntry;

    void onNewConnection(QTcpServer &server);
    void onReadyRead(QTcpSocket *socket);
    void processRequests(QTcpSocket *socket);
    Response respond(const QByteArray &method, const QString &path);
    Response respondArticle(const BlogEntry &entry, const QString &link);
    Response respondImage(const QString &path, bool withFaults);
    void stream(QTcpSocket *socket, qint64 remaining);
    void send(QTcpSocket *socket, const Response &response, bool keepAlive);
    // Faults for any page: slow delays of every match add up, of the other faults the last counts.
    struct PageFaults;
    PageFaults pageFaults(FaultTarget target, int row) const;
    static void applyPageFault(const Fault &fault, Response &response);
    void sendEndless(QTcpSocket *socket);
    void sendDrip(QTcpSocket *socket, const QByteArray &head, const QByteArray &body);
    std::shared_ptr<const BlogEntry> blog(const QString &name);
    void logRequest(const QString &path);

    SampleHostConfig m_config;
    QTcpServer m_server;
    QTcpServer m_imageServer; // listening only when pictures are served
    QString m_error;
    QHash<QTcpSocket *, std::shared_ptr<Connection>> m_connections;
    QHash<QString, std::shared_ptr<const BlogEntry>> m_blogs;
    QSet<QString> m_brokenServed; // name + '\n' + row of broken-once faults already answered broken
    QStringList m_log;
    QHash<QString, int> m_counts;
    QFile m_logFile;
    QElapsedTimer m_clock;
    int m_connectionCount = 0;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
};
