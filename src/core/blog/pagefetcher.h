#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

namespace Blog {

struct FetchResult
{
    enum class Status {
        Complete, // the host answered; the body is whatever it sent, HTTP status not looked at
        TimedOut, // no complete answer within the time-out; body empty
        TooLarge, // the body passed the size cap; body empty
        Failed,   // the connection failed; body is what arrived, usually nothing
        Aborted,  // abort() was called; no signal is sent for this one
    };
    Status status = Status::Complete;
    QByteArray body;
    QString error;
};

} // namespace Blog

Q_DECLARE_METATYPE(Blog::FetchResult)

namespace Blog {

// One GET at a time, never blocking: fetch() returns at once and finished() follows. The body is
// handed over undecoded (Bytes2bStr decodes it). Every request has a time-out and a size cap, so a
// host that never answers or sends without end cannot stall or exhaust the program.
class PageFetcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageFetcher)
public:
    PageFetcher(QNetworkAccessManager &network, int timeoutMs, qint64 maxBodyBytes, QObject *parent = nullptr);
    ~PageFetcher() override;

    // Starts a GET of the address, abandoning any request still running.
    void fetch(const QString &address);
    // Stops the running request without a finished() signal.
    void abort();
    bool busy() const { return m_reply != nullptr; }

signals:
    void finished(const Blog::FetchResult &result);

private:
    void onFinished();
    void onTimeout();
    void onProgress(qint64 received);
    void finish(FetchResult::Status status, const QString &error);

    QNetworkAccessManager &m_network;
    int m_timeoutMs;
    qint64 m_maxBodyBytes;
    QNetworkReply *m_reply = nullptr;
    QTimer m_timer;
};

// The body decoded as GB2312, which the host means as code page 936 (GBK).
QString Bytes2bStr(const QByteArray &body);

} // namespace Blog
