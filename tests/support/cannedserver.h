#pragma once

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
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
    // Speaks TLS from now on, with the test certificate for 127.0.0.1 (tests/data/tls); baseUrl
    // then gives an https address. The certificate is the test's own: clients trust it only when
    // told to (trustedConfiguration).
    void useTls();
    static QSslConfiguration trustedConfiguration();
    QString baseUrl() const;
    const QList<QByteArray> &requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onConnection();
    void onReadyRead(QTcpSocket *socket);

    QHash<QByteArray, QByteArray> m_pages;
    QList<QByteArray> m_silent;
    QHash<QByteArray, QByteArray> m_redirects;
    QList<QByteArray> m_requests;
    QSslCertificate m_certificate;
    QSslKey m_key;
};
