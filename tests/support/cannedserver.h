#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP server for tests that serves fixed bytes by path. Paths it does not know get an
// empty 404; paths marked silent are read and never answered.
class CannedServer final : public QTcpServer
{
    Q_OBJECT
public:
    explicit CannedServer(QObject *parent = nullptr);

    void serve(const QByteArray &path, const QByteArray &body) { m_pages.insert(path, body); }
    void silence(const QByteArray &path) { m_silent.append(path); }
    // Answers `path` with 302 Found to `location`.
    void redirect(const QByteArray &path, const QByteArray &location) { m_redirects.insert(path, location); }
    QString baseUrl() const;
    const QList<QByteArray> &requests() const { return m_requests; }

private:
    void onConnection();
    void onReadyRead(QTcpSocket *socket);

    QHash<QByteArray, QByteArray> m_pages;
    QList<QByteArray> m_silent;
    QHash<QByteArray, QByteArray> m_redirects;
    QList<QByteArray> m_requests;
};
