#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace Fetch {

// Where a request may be redirected.
enum class Redirects {
    WithinSite, // the same scheme, host and port, or http to https on the same host; the address is
                // sent exactly as written or refused (pages of the blog)
    AnyHttp,    // any http or https address (pictures, which live on any host)
};

// What one use of the fetcher accepts. One time-out covers the whole answer, redirects included.
struct Policy
{
    Redirects redirects = Redirects::WithinSite;
    // The media type prefix the answer must carry ("image/"), or empty for any; acceptedKind names
    // it for the user ("an image").
    QByteArray acceptedType;
    QString acceptedKind;
    // The cap on the body as it arrives, after content decoding; subject names the body ("page").
    qint64 maxBytes = 16 * 1024 * 1024;
    QString subject = QStringLiteral("page");
    int timeoutMs = 30000;
};

struct Result
{
    enum class Status {
        Complete,  // a 2xx answer of an accepted type; the body is whatever the host sent
        HttpError, // another status; body empty, error names the status
        TimedOut,  // no complete answer within the time-out; body empty
        TooLarge,  // the body passed the cap; body empty
        Refused,   // the address or a redirect is not followed, or the type is not accepted; body empty
        Failed,    // the connection failed or the answer is malformed; body is what arrived
    };
    Status status = Status::Complete;
    QByteArray body;
    QByteArray contentType;
    QString error;         // why the answer is not complete, for the user; empty when it is
    int httpStatus = 0;    // the final answer's status, 0 when none came
    int retryAfterMs = -1; // a 429 or 503 answer's Retry-After, -1 when it gave none

    bool complete() const { return status == Status::Complete; }
    // Whether another attempt may fare better: a time-out, a lost connection, a busy host.
    bool worthRetrying() const;
};

} // namespace Fetch

Q_DECLARE_METATYPE(Fetch::Result)
