#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

namespace Fetch {

// Reads one HTTP/1.1 answer as it arrives, a piece at a time: the status line and header, then
// the body with its transfer framing (length, chunks, or until the connection closes) taken off.
// It holds no more than the header and one chunk-size line; body bytes go straight to the caller.
class ResponseReader
{
public:
    enum class State { Head, Body, Done, Error };

    // `bodyExpected` is false for answers that never carry one (a HEAD request).
    void reset();

    // Consumes `data`, appending body bytes (still content-encoded) to `body`. Stops at the end of
    // the head so the caller can judge it (headReady()), and at the end of the answer; returns the
    // bytes consumed.
    qsizetype feed(QByteArrayView data, QByteArray &body);
    // The connection closed: the end of an answer that runs until then, an error otherwise.
    void closed();

    State state() const { return m_state; }
    // True once after the head arrived, until takeHead() is called.
    bool headReady() const { return m_state == State::Body && !m_headTaken; }
    void takeHead() { m_headTaken = true; }
    const QString &error() const { return m_error; }

    int status() const { return m_status; }
    const QByteArray &reason() const { return m_reason; }
    // The value of a header field, the first of that name, or empty.
    QByteArray header(QByteArrayView name) const;
    // Whether the connection can carry another request after this answer.
    bool keepAlive() const { return m_keepAlive && m_framing != Framing::UntilClose; }

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class ChunkStep { Size, Data, DataEnd, Trailer };

    qsizetype feedHead(QByteArrayView data);
    bool parseHead();
    qsizetype feedChunked(QByteArrayView data, QByteArray &body);
    void fail(const QString &why);

    State m_state = State::Head;
    bool m_headTaken = false;
    QByteArray m_line; // the head so far, or a chunk-size or trailer line
    int m_status = 0;
    QByteArray m_reason;
    QList<std::pair<QByteArray, QByteArray>> m_headers;
    bool m_keepAlive = true;
    Framing m_framing = Framing::None;
    ChunkStep m_chunkStep = ChunkStep::Size;
    qint64 m_remaining = 0;
    QString m_error;
};

} // namespace Fetch
