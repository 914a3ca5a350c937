#include "fetch/responsereader.h"

#include <algorithm>

namespace Fetch {

namespace {

// Far above any real host's header; more is hostile.
constexpr qsizetype MaxHeadBytes = 64 * 1024;
// A chunk-size line or a trailer line.
constexpr qsizetype MaxLineBytes = 4 * 1024;

// Takes one line ending in LF from `data` into `line`; true when it is complete (LF consumed).
bool takeLine(QByteArrayView data, QByteArray &line, qsizetype &consumed)
{
    const qsizetype end = data.indexOf('\n');
    consumed = end < 0 ? data.size() : end + 1;
    line += data.first(end < 0 ? data.size() : end);
    return end >= 0;
}

} // namespace

void ResponseReader::reset()
{
    *this = ResponseReader();
}

QByteArray ResponseReader::header(QByteArrayView name) const
{
    for (const auto &[field, value] : m_headers) {
        if (QByteArrayView(field).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

void ResponseReader::fail(const QString &why)
{
    m_state = State::Error;
    m_error = why;
}

qsizetype ResponseReader::feed(QByteArrayView data, QByteArray &body)
{
    switch (m_state) {
    case State::Head:
        return feedHead(data);
    case State::Body:
        break;
    case State::Done:
    case State::Error:
        return 0;
    }
    switch (m_framing) {
    case Framing::None:
        m_state = State::Done;
        return 0;
    case Framing::UntilClose:
        body += data;
        return data.size();
    case Framing::Length: {
        const qsizetype take = static_cast<qsizetype>(std::min<qint64>(m_remaining, data.size()));
        body += data.first(take);
        m_remaining -= take;
        if (m_remaining == 0)
            m_state = State::Done;
        return take;
    }
    case Framing::Chunked:
        return feedChunked(data, body);
    }
    return 0;
}

qsizetype ResponseReader::feedHead(QByteArrayView data)
{
    const qsizetype before = m_line.size();
    const qsizetype room = MaxHeadBytes - before;
    m_line += data.first(std::min(room, data.size()));
    const qsizetype end = m_line.indexOf("\r\n\r\n", std::max<qsizetype>(0, before - 3));
    if (end < 0) {
        if (m_line.size() >= MaxHeadBytes)
            fail(QStringLiteral("answer header larger than %1 bytes").arg(MaxHeadBytes));
        return m_line.size() - before;
    }
    const qsizetype consumed = end + 4 - before;
    m_line.truncate(end);
    if (!parseHead())
        return consumed;
    m_line.clear();
    // An interim answer (100 Continue) is followed by the real one.
    if (m_status >= 100 && m_status < 200 && m_status != 101) {
        m_headers.clear();
        return consumed;
    }
    m_state = State::Body;
    return consumed;
}

bool ResponseReader::parseHead()
{
    const QList<QByteArray> lines = m_line.split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    bool ok = false;
    if (statusLine.size() >= 2 && statusLine[0].startsWith("HTTP/1."))
        m_status = statusLine[1].toInt(&ok);
    if (!ok || m_status < 100 || m_status > 999) {
        fail(QStringLiteral("not an HTTP answer"));
        return false;
    }
    const QByteArray first = lines.first().trimmed();
    const qsizetype codeEnd = first.indexOf(' ', first.indexOf(' ') + 1);
    m_reason = codeEnd < 0 ? QByteArray() : first.mid(codeEnd + 1);
    m_keepAlive = statusLine[0] == "HTTP/1.1";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            m_headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    const QByteArray connection = header("Connection").toLower();
    if (connection.contains("close"))
        m_keepAlive = false;
    else if (connection.contains("keep-alive"))
        m_keepAlive = true;

    const QByteArray length = header("Content-Length");
    if (m_status < 200 || m_status == 204 || m_status == 304) {
        m_framing = Framing::None;
    } else if (header("Transfer-Encoding").toLower().contains("chunked")) {
        m_framing = Framing::Chunked;
    } else if (!length.isEmpty()) {
        m_remaining = length.toLongLong(&ok);
        if (!ok || m_remaining < 0) {
            fail(QStringLiteral("invalid Content-Length \"%1\"").arg(QString::fromLatin1(length)));
            return false;
        }
        m_framing = Framing::Length;
    } else {
        m_framing = Framing::UntilClose;
    }
    return true;
}

qsizetype ResponseReader::feedChunked(QByteArrayView data, QByteArray &body)
{
    qsizetype at = 0;
    while (at < data.size() && m_state == State::Body) {
        const QByteArrayView rest = data.sliced(at);
        qsizetype consumed = 0;
        if (m_chunkStep == ChunkStep::Data) {
            consumed = static_cast<qsizetype>(std::min<qint64>(m_remaining, rest.size()));
            body += rest.first(consumed);
            m_remaining -= consumed;
            if (m_remaining == 0)
                m_chunkStep = ChunkStep::DataEnd;
            at += consumed;
            continue;
        }
        const bool whole = takeLine(rest, m_line, consumed);
        at += consumed;
        if (!whole) {
            if (m_line.size() > MaxLineBytes)
                fail(QStringLiteral("chunk line larger than %1 bytes").arg(MaxLineBytes));
            continue;
        }
        const QByteArray line = std::exchange(m_line, QByteArray()).trimmed();
        if (m_chunkStep == ChunkStep::DataEnd) {
            if (!line.isEmpty())
                fail(QStringLiteral("malformed chunked answer"));
            m_chunkStep = ChunkStep::Size;
        } else if (m_chunkStep == ChunkStep::Trailer) {
            if (line.isEmpty())
                m_state = State::Done;
        } else {
            bool ok = false;
            const qsizetype extension = line.indexOf(';');
            m_remaining = (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
            if (!ok || m_remaining < 0)
                fail(QStringLiteral("malformed chunked answer"));
            m_chunkStep = m_remaining == 0 ? ChunkStep::Trailer : ChunkStep::Data;
        }
    }
    return at;
}

void ResponseReader::closed()
{
    if (m_state == State::Body && m_framing == Framing::UntilClose)
        m_state = State::Done;
    else if (m_state == State::Head || m_state == State::Body)
        fail(m_state == State::Head && m_line.isEmpty()
                 ? QStringLiteral("the host closed the connection without an answer")
                 : QStringLiteral("the host closed the connection before the end of the answer"));
}

} // namespace Fetch
