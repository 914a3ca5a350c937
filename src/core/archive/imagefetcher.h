#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace Archive {

struct ImageFetchResult
{
    bool ok = false;
    bool retry = false; // worth another attempt: a time-out, a lost connection, a busy host (5xx)
    QByteArray body;
    QByteArray contentType;
    QString error;
};

// One picture at a time, never blocking. Unlike an article fetch, a picture may live on any host
// and redirects may leave the host they came from, but only to http or https and for a few hops;
// a loop fails. The answer must be 2xx with an image/* Content-Type, and the body is read as it
// arrives, so no more than the cap plus one read is ever held. One time-out covers all hops.
class ImageFetcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageFetcher)
public:
    static constexpr int MaxRedirects = 5;

    ImageFetcher(QNetworkAccessManager &network, int timeoutMs, qint64 maxBytes, QObject *parent = nullptr);
    ~ImageFetcher() override;

    // Starts a GET of the address, abandoning any request still running.
    void fetch(const QUrl &url);
    // Stops the running request without a finished() signal.
    void abort();

signals:
    void finished(const Archive::ImageFetchResult &result);

private:
    void get(const QUrl &url);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void fail(const QString &error, bool retry);
    void release();

    QNetworkAccessManager &m_network;
    int m_timeoutMs;
    qint64 m_maxBytes;
    QNetworkReply *m_reply = nullptr;
    QTimer m_timer;
    QSet<QUrl> m_visited;
    QByteArray m_body;
    QByteArray m_contentType;
    bool m_checked = false; // status and type of the current reply were accepted
    bool m_refused = false; // an address that is not fetched at all, reported from the event loop
};

} // namespace Archive
