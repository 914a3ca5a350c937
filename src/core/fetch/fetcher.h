#pragma once

#include "fetch/fetchresult.h"
#include "fetch/inflater.h"
#include "fetch/responsereader.h"
#include "fetch/retryafter.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <memory>

class QAbstractSocket;

namespace Fetch {

// One capped GET at a time, never blocking: fetch() returns at once and finished() follows. It
// speaks HTTP/1.1 itself over one socket, kept open between requests to the same host, and runs on
// the caller's thread, so nothing reads the network while the program is busy elsewhere: the
// socket holds at most ReadBufferBytes, the kernel's window does the rest, and the body grows only
// as we read it, up to the cap, compressed or not. Every request has one time-out for the whole
// answer, redirects included.
class Fetcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Fetcher)
public:
    static constexpr qint64 ReadBufferBytes = 128 * 1024;
    static constexpr int MaxRedirects = 5;

    explicit Fetcher(QObject *parent = nullptr);
    ~Fetcher() override;

    // Starts a GET of the address, abandoning any request still running. An address the policy
    // refuses ends in Refused, also signalled after fetch() returns.
    void fetch(const QUrl &url, const Policy &policy);
    // Stops the running request without a finished() signal.
    void abort();
    bool busy() const { return m_busy; }

signals:
    void finished(const Fetch::Result &result);

private:
    void startHop(const QUrl &url);
    void openSocket();
    void sendRequest();
    void onReadyRead();
    void onClosed();
    void onSocketError();
    bool consume(QByteArrayView data);
    bool takeBody(QByteArray &raw);
    bool judgeHead();
    void redirect(const QByteArray &location);
    void complete();
    void finish(Result::Status status, const QString &error);
    void dropSocket();
    QString refusal(const QUrl &url) const;

    QAbstractSocket *m_socket = nullptr;
    QString m_origin;        // scheme, host and port the socket is connected to
    bool m_reused = false;   // the request went out on a connection kept from an earlier one
    bool m_answered = false; // bytes of the answer arrived on this connection
    QUrl m_url;
    Policy m_policy;
    QSet<QUrl> m_visited;
    QTimer m_timer;
    ResponseReader m_reader;
    std::unique_ptr<Inflater> m_inflater;
    QByteArray m_raw;
    QByteArray m_body;
    Result m_head; // status, type and Retry-After of the answer being read
    bool m_busy = false;
    quint64 m_generation = 0; // tells a refusal queued for an abandoned fetch from the current one
};

// Whether a redirect from `from` may be followed within the site: to the same scheme, host and
// port, or from http to https on the same host (its default port or the same one).
bool redirectAllowed(const QUrl &from, const QUrl &to);

// Why the address cannot be sent exactly as written (a "." or ".." segment, escaped or not; not
// http or https; no host), or empty when it can.
QString addressProblem(const QUrl &url);

} // namespace Fetch
