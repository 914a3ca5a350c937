#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace Blog {

struct FetchResult
{
    enum class Status {
        Complete,  // the host answered with a 2xx status; the body is whatever it sent
        HttpError, // the host answered with another status; body empty, error names the status
        TimedOut,  // no complete answer within the time-out; body empty
        TooLarge,  // the body passed the size cap; body empty
        Refused,   // the address cannot be sent as written, or a redirect leaves the host; body empty
        Failed,    // the connection failed; body is what arrived, usually nothing
        Aborted,   // abort() was called; no signal is sent for this one
    };
    Status status = Status::Complete;
    QByteArray body;
    QString error; // why the page is not complete, for the user; empty when it is

    bool complete() const { return status == Status::Complete; }
};

} // namespace Blog

Q_DECLARE_METATYPE(Blog::FetchResult)

namespace Blog {

// One GET at a time, never blocking: fetch() returns at once and finished() follows. The body is
// handed over undecoded (Bytes2bStr decodes it). Every request has a time-out on the whole answer
// and a size cap on the body as it arrives (after any content decoding), so a host that never
// answers, trickles or sends without end holds at most the cap plus one read buffer of memory.
// Redirects are followed only within the host (see redirectAllowed()); the address is sent as
// written or not at all.
class PageFetcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageFetcher)
public:
    PageFetcher(QNetworkAccessManager &network, int timeoutMs, qint64 maxBodyBytes, QObject *parent = nullptr);
    ~PageFetcher() override;

    // Starts a GET of the address, abandoning any request still running. An address that cannot be
    // sent ends in Refused, also signalled after fetch() returns.
    void fetch(const QString &address);
    // Stops the running request without a finished() signal.
    void abort();
    bool busy() const { return m_reply != nullptr; }

signals:
    void finished(const Blog::FetchResult &result);

private:
    void onReadyRead();
    void onRedirected(const QUrl &target);
    void onFinished();
    void onTimeout();
    void finish(FetchResult::Status status, const QString &error);

    QNetworkAccessManager &m_network;
    int m_timeoutMs;
    qint64 m_maxBodyBytes;
    QNetworkReply *m_reply = nullptr;
    QUrl m_url;
    QByteArray m_body;
    QTimer m_timer;
    quint64 m_generation = 0; // tells a refusal queued for an abandoned fetch from the current one
};

// Whether a redirect from `from` may be followed: to the same scheme, host and port, or from http
// to https on the same host (its default port or the same one). Anything else would fetch another
// site's pages as the blog's own.
bool redirectAllowed(const QUrl &from, const QUrl &to);

// Why the address cannot be sent exactly as written (a "." or ".." segment, escaped or not, which
// the HTTP layer would resolve; not http or https; no host), or empty when it can.
QString addressProblem(const QUrl &url);

// The body decoded as GB2312, which the host means as code page 936 (GBK).
QString Bytes2bStr(const QByteArray &body);

} // namespace Blog
