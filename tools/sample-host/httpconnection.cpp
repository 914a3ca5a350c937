#include "httpconnection.h"

#include "common/gbkcodec.h"
#include "fault.h"
#include "hostilebodies.h"

#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <utility>

namespace {

// A request head beyond this is no client of ours; refuse it rather than buffer without end.
constexpr qsizetype MaxHeadBytes = 16 * 1024;
constexpr qint64 MaxRequestBodyBytes = 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    case 302:
        return "Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// The path of a request target, percent escapes decoded as UTF-8, or as GBK when they are not
// UTF-8, since a client may send the name in either.
QString decodePath(QByteArray target)
{
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype slash = target.indexOf('/', target.indexOf("//") + 2);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    const qsizetype query = target.indexOf('?');
    if (query >= 0)
        target.truncate(query);
    const qsizetype fragment = target.indexOf('#');
    if (fragment >= 0)
        target.truncate(fragment);
    const QByteArray bytes = QByteArray::fromPercentEncoding(target);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? Gbk::decode(bytes) : text;
}

// Where the head ends and how long the empty line after it is; bare LF line ends are taken too.
std::pair<qsizetype, qsizetype> headEnd(const QByteArray &buffer)
{
    const qsizetype crlfEnd = buffer.indexOf("\r\n\r\n");
    const qsizetype bareEnd = buffer.indexOf("\n\n");
    if (bareEnd >= 0 && (crlfEnd < 0 || bareEnd < crlfEnd))
        return {bareEnd, 2};
    return {crlfEnd, 4};
}

} // namespace

struct HttpConnection::State
{
    QByteArray buffer;
    bool waiting = false; // a delayed response is still to be sent
    bool silent = false;  // a request that is never answered: the connection stays quiet
    bool closing = false;
    bool unanswered = false; // a request read and not answered yet: it counts as in flight
};

struct HttpConnection::Request
{
    QByteArray method;
    QString path;
    bool keepAlive = false;
};

HttpConnection::HttpConnection(Handler handler, ErrorPage errorPage, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
    , m_errorPage(std::move(errorPage))
{}

HttpConnection::~HttpConnection()
{
    // Sockets go first, without their signals, so that nothing reaches a host half torn down.
    const QList<QTcpSocket *> sockets = m_sockets.keys();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
    m_sockets.clear();
}

void HttpConnection::serve(QTcpServer &server)
{
    connect(&server, &QTcpServer::newConnection, this, [this, &server] { accept(server); });
}

void HttpConnection::accept(QTcpServer &server)
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        ++m_connectionCount;
        m_sockets.insert(socket, std::make_shared<State>());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (const std::shared_ptr<State> state = m_sockets.value(socket); state && state->unanswered)
                --m_inFlight;
            m_sockets.remove(socket);
            socket->disconnect(this);
            socket->deleteLater();
        });
    }
}

void HttpConnection::onReadyRead(QTcpSocket *socket)
{
    const std::shared_ptr<State> state = m_sockets.value(socket);
    if (!state)
        return;
    const QByteArray data = socket->readAll();
    // A connection with an unanswered request stays quiet, whatever else the client sends.
    if (state->silent || state->closing)
        return;
    state->buffer += data;
    processRequests(socket);
}

void HttpConnection::processRequests(QTcpSocket *socket)
{
    const std::shared_ptr<State> state = m_sockets.value(socket);
    while (state && m_sockets.contains(socket) && !state->waiting && !state->silent && !state->closing) {
        const std::optional<Request> request = takeRequest(socket, *state);
        if (!request)
            return;
        answer(socket, *state, *request);
    }
}

std::optional<HttpConnection::Request> HttpConnection::takeRequest(QTcpSocket *socket, State &state)
{
    QByteArray &buffer = state.buffer;
    const auto [end, separator] = headEnd(buffer);
    if (end < 0) {
        if (buffer.size() > MaxHeadBytes) {
            state.closing = true;
            send(socket, HttpResponse::answer(431), false);
        }
        return std::nullopt;
    }

    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    bool valid = requestLine.size() == 3 && requestLine[2].startsWith("HTTP/1.");
    qint64 bodyLength = 0;
    QByteArray connectionHeader;
    for (qsizetype i = 1; valid && i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0) {
            valid = lines[i].trimmed().isEmpty();
            continue;
        }
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "content-length")
            bodyLength = value.toLongLong(&valid);
        else if (name == "transfer-encoding")
            valid = false; // GET has no body; a chunked one is not worth reading
        else if (name == "connection")
            connectionHeader = value.toLower();
    }
    if (!valid || bodyLength < 0 || bodyLength > MaxRequestBodyBytes) {
        state.closing = true;
        send(socket, HttpResponse::answer(400), false);
        return std::nullopt;
    }
    if (buffer.size() < end + separator + bodyLength)
        return std::nullopt;
    buffer.remove(0, end + separator + bodyLength);

    const bool keepAlive =
        requestLine[2] == "HTTP/1.1" ? !connectionHeader.contains("close") : connectionHeader.contains("keep-alive");
    return Request{requestLine[0], decodePath(requestLine[1]), keepAlive};
}

void HttpConnection::answer(QTcpSocket *socket, State &state, const Request &request)
{
    emit requestArrived(request.path);
    state.unanswered = true;
    m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
    HttpResponse response = m_handler(request.method, request.path);
    // Even refused, a HEAD answer must not carry a body, or the next answer on the connection
    // would be read as part of it.
    response.headOnly = request.method == "HEAD";
    if (response.action == HttpResponse::Action::Never) {
        state.silent = true;
        return;
    }
    if (response.delayMs > 0) {
        state.waiting = true;
        // The socket is the timer's context: a connection closed meanwhile cancels the answer.
        QTimer::singleShot(response.delayMs, Qt::PreciseTimer, socket,
                           [this, socket, response, keepAlive = request.keepAlive] {
                               const std::shared_ptr<State> waiting = m_sockets.value(socket);
                               if (!waiting)
                                   return;
                               waiting->waiting = false;
                               send(socket, response, keepAlive);
                               processRequests(socket);
                           });
        return;
    }
    send(socket, response, request.keepAlive);
}

void HttpConnection::markAnswered(QTcpSocket *socket)
{
    if (const std::shared_ptr<State> state = m_sockets.value(socket); state && std::exchange(state->unanswered, false))
        --m_inFlight;
}

void HttpConnection::send(QTcpSocket *socket, const HttpResponse &response, bool keepAlive)
{
    markAnswered(socket);
    if (response.action == HttpResponse::Action::Reset) {
        if (const std::shared_ptr<State> state = m_sockets.value(socket))
            state->closing = true;
        socket->abort();
        return;
    }
    if (response.action == HttpResponse::Action::Endless && !response.headOnly) {
        sendEndless(socket);
        return;
    }
    if (response.endless) {
        sendWithoutEnd(socket, response);
        return;
    }
    const QByteArray body =
        response.status == 200 ? response.body : m_errorPage(response.status, reasonPhrase(response.status));
    const QByteArray head = this->head(response, body, keepAlive);
    if (response.action == HttpResponse::Action::Drip && !response.headOnly) {
        sendDrip(socket, head + "\r\n", body);
        return;
    }
    socket->write(head + "\r\n" + (response.headOnly ? QByteArray() : body));
    if (!keepAlive) {
        if (const std::shared_ptr<State> state = m_sockets.value(socket))
            state->closing = true;
        socket->disconnectFromHost();
    }
}

QByteArray HttpConnection::head(const HttpResponse &response, const QByteArray &body, bool keepAlive) const
{
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\nContent-Type: " +
        (response.contentType.isEmpty() || response.status != 200 ? QByteArray("text/html; charset=gb2312")
                                                                  : response.contentType) +
        "\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nConnection: " + (keepAlive ? "keep-alive" : "close") + "\r\n" + response.extraHead;
    if (response.status == 405)
        head += "Allow: GET\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    if (response.gzip)
        head += "Content-Encoding: gzip\r\n";
    return head;
}

void HttpConnection::sendWithoutEnd(QTcpSocket *socket, const HttpResponse &response)
{
    if (const std::shared_ptr<State> state = m_sockets.value(socket))
        state->closing = true;
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: " + response.contentType + "\r\n";
    if (response.announcedLength >= 0)
        head += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
    socket->write(head + "Connection: close\r\n\r\n");
    // Without an announced length the body ends when the connection does; 2 GB is far past any cap.
    stream(socket, response.announcedLength >= 0 ? response.announcedLength : qint64(2) * 1024 * 1024 * 1024);
}

void HttpConnection::stream(QTcpSocket *socket, qint64 remaining)
{
    // Sent a piece at a time as the client takes it, so that the host never holds much.
    static const QByteArray piece(64 * 1024, '\x5a');
    while (remaining > 0 && socket->bytesToWrite() < piece.size()) {
        const qint64 n = std::min<qint64>(remaining, piece.size());
        socket->write(piece.constData(), n);
        remaining -= n;
    }
    if (remaining <= 0) {
        socket->disconnectFromHost();
        return;
    }
    QObject::disconnect(socket, &QTcpSocket::bytesWritten, this, nullptr);
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket, remaining] {
        QObject::disconnect(socket, &QTcpSocket::bytesWritten, this, nullptr);
        stream(socket, remaining);
    });
}

void HttpConnection::sendEndless(QTcpSocket *socket)
{
    const std::shared_ptr<State> state = m_sockets.value(socket);
    if (!state)
        return;
    // The connection carries this answer until the client goes away.
    state->waiting = true;
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gb2312\r\nTransfer-Encoding: chunked\r\n\r\n");
    const auto feed = [socket] {
        while (socket->bytesToWrite() < 4 * HostileBodies::EndlessChunkBytes)
            socket->write(HostileBodies::endlessChunk());
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, feed);
    feed();
}

void HttpConnection::sendDrip(QTcpSocket *socket, const QByteArray &head, const QByteArray &body)
{
    const std::shared_ptr<State> state = m_sockets.value(socket);
    if (!state)
        return;
    state->waiting = true;
    socket->write(head);
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, body, sent] {
        if (*sent >= body.size()) {
            timer->deleteLater();
            if (const std::shared_ptr<State> waiting = m_sockets.value(socket)) {
                waiting->waiting = false;
                processRequests(socket);
            }
            return;
        }
        socket->write(body.mid((*sent)++, 1));
    });
    timer->start(DripIntervalMs);
}
