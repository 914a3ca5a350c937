#include "samplehost.h"

#include "common/gbkcodec.h"
#include "entryfault.h"
#include "sampleimages.h"
#include "samplepages.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTimer>
#include <optional>
#include <utility>
#include <zlib.h>

namespace {

// A request head beyond this is no client of ours; refuse it rather than buffer without end.
constexpr qsizetype MaxHeadBytes = 16 * 1024;
constexpr qint64 MaxRequestBodyBytes = 1024 * 1024;
// Blogs asked for are kept, up to this many names, so that article requests need not rebuild them.
constexpr qsizetype CachedBlogs = 16;

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

// Hostile bodies -------------------------------------------------------------------------------

constexpr qsizetype EndlessChunkBytes = 256 * 1024;

// One chunk of an endless chunked body: filler lines without any marker.
const QByteArray &endlessChunk()
{
    static const QByteArray chunk = []() -> QByteArray {
        QByteArray data;
        const QByteArray line = "<p>" + QByteArray(60, 'x') + "</p>\n";
        while (data.size() + line.size() <= EndlessChunkBytes)
            data += line;
        return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
    }();
    return chunk;
}

// A gzip member of about 1 MB that inflates to 1 GiB of zeros: one deflate segment of 16 MiB,
// flushed so that it depends on nothing before it, repeated 64 times.
const QByteArray &gzipBomb()
{
    static const QByteArray bomb = [] {
        constexpr uInt SegmentBytes = 16 * 1024 * 1024;
        constexpr int Segments = 64;
        const QByteArray zeros(SegmentBytes, '\0');
        z_stream stream = {};
        deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        QByteArray segment(static_cast<qsizetype>(deflateBound(&stream, SegmentBytes)), '\0');
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
        stream.avail_in = SegmentBytes;
        stream.next_out = reinterpret_cast<Bytef *>(segment.data());
        stream.avail_out = static_cast<uInt>(segment.size());
        deflate(&stream, Z_FULL_FLUSH);
        segment.resize(segment.size() - stream.avail_out);
        QByteArray last(64, '\0');
        stream.next_out = reinterpret_cast<Bytef *>(last.data());
        stream.avail_out = static_cast<uInt>(last.size());
        deflate(&stream, Z_FINISH);
        last.resize(last.size() - stream.avail_out);
        deflateEnd(&stream);

        const uLong segmentCrc = crc32(0, reinterpret_cast<const Bytef *>(zeros.data()), SegmentBytes);
        uLong crc = segmentCrc;
        for (int i = 1; i < Segments; ++i)
            crc = crc32_combine(crc, segmentCrc, SegmentBytes);
        const quint32 size = static_cast<quint32>(quint64(SegmentBytes) * Segments);
        QByteArray data("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
        for (int i = 0; i < Segments; ++i)
            data += segment;
        data += last;
        for (const quint32 value : {static_cast<quint32>(crc), size}) {
            for (int shift = 0; shift < 32; shift += 8)
                data += static_cast<char>((value >> shift) & 0xFF);
        }
        return data;
    }();
    return bomb;
}

} // namespace

struct SampleHost::PageFaults
{
    int delayMs = 0;
    std::optional<Fault> fault;
};

struct SampleHost::Connection
{
    QByteArray buffer;
    bool waiting = false; // a delayed response is still to be sent
    bool silent = false;  // a request that is never answered: the connection stays quiet
    bool closing = false;
    bool unanswered = false; // a request read and not answered yet: it counts as in flight
};

struct SampleHost::Response
{
    enum class Action { Send, Never, Reset, Endless, Drip };
    Action action = Action::Send;
    int status = 200;
    QByteArray body;
    int delayMs = 0;
    QByteArray location;   // a redirect's target
    bool gzip = false;     // the body is sent with Content-Encoding: gzip
    bool headOnly = false; // HEAD: the head says how long the body would be, the body stays away
    // Pictures: the body's type, further head lines, and a body sent without end (with an announced
    // length, or none and the connection closed after it).
    QByteArray contentType;
    QByteArray extraHead;
    bool endless = false;
    qint64 announcedLength = -1;

    static Response answer(int status, QByteArray body = {})
    {
        Response response;
        response.status = status;
        response.body = std::move(body);
        return response;
    }
};

struct SampleHost::BlogEntry
{
    SampleBlog blog;
    QHash<QString, int> links; // link -> index in list order
};

SampleHost::SampleHost(SampleHostConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
{
    m_clock.start();
    connect(&m_server, &QTcpServer::newConnection, this, [this] { onNewConnection(m_server); });
    connect(&m_imageServer, &QTcpServer::newConnection, this, [this] { onNewConnection(m_imageServer); });
}

SampleHost::~SampleHost()
{
    m_server.close();
    m_imageServer.close();
    // Sockets go first, without their signals, so that nothing reaches a host half torn down.
    const QList<QTcpSocket *> sockets = m_connections.keys();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
    m_connections.clear();
}

bool SampleHost::listen(quint16 port, const QHostAddress &address)
{
    if (const Result<void> check = checkConfig(m_config); !check) {
        m_error = check.error();
        return false;
    }
    if (!m_config.logPath.isEmpty() && !m_logFile.isOpen()) {
        m_logFile.setFileName(m_config.logPath);
        if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
            m_error = QStringLiteral("cannot open log %1: %2").arg(m_config.logPath, m_logFile.errorString());
            return false;
        }
    }
    if (!m_server.listen(address, port)) {
        m_error = m_server.errorString();
        return false;
    }
    if (m_config.images && !m_imageServer.listen(address, 0)) {
        m_error = m_imageServer.errorString();
        m_server.close();
        return false;
    }
    return true;
}

QString SampleHost::imageBaseUrl() const
{
    if (!m_imageServer.isListening())
        return {};
    QString base = baseUrl();
    return base.replace(QStringLiteral(":%1/").arg(port()), QStringLiteral(":%1/").arg(m_imageServer.serverPort()));
}

quint16 SampleHost::port() const
{
    return m_server.serverPort();
}

QString SampleHost::baseUrl() const
{
    const QHostAddress address = m_server.serverAddress();
    QString host = address.toString();
    if (address.isLoopback() || address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
        address == QHostAddress::AnyIPv6 || address.isNull())
        host = QStringLiteral("127.0.0.1");
    else if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = u'[' + host + u']';
    return QStringLiteral("http://%1:%2/").arg(host).arg(port());
}

void SampleHost::setFaults(const QList<Fault> &faults)
{
    m_config.faults = faults;
    m_brokenServed.clear();
}

void SampleHost::addFault(const Fault &fault)
{
    m_config.faults.append(fault);
}

void SampleHost::clearRequestLog()
{
    m_log.clear();
    m_counts.clear();
}

void SampleHost::onNewConnection(QTcpServer &server)
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        ++m_connectionCount;
        m_connections.insert(socket, std::make_shared<Connection>());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (const std::shared_ptr<Connection> connection = m_connections.value(socket);
                connection && connection->unanswered)
                --m_inFlight;
            m_connections.remove(socket);
            socket->disconnect(this);
            socket->deleteLater();
        });
    }
}

void SampleHost::onReadyRead(QTcpSocket *socket)
{
    const std::shared_ptr<Connection> connection = m_connections.value(socket);
    if (!connection)
        return;
    const QByteArray data = socket->readAll();
    // A connection with an unanswered request stays quiet, whatever else the client sends.
    if (connection->silent || connection->closing)
        return;
    connection->buffer += data;
    processRequests(socket);
}

void SampleHost::processRequests(QTcpSocket *socket)
{
    const std::shared_ptr<Connection> connection = m_connections.value(socket);
    while (connection && m_connections.contains(socket) && !connection->waiting && !connection->silent &&
           !connection->closing) {
        QByteArray &buffer = connection->buffer;
        // Heads end in an empty line; bare LF line ends are taken too.
        qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        qsizetype separator = 4;
        const qsizetype bareEnd = buffer.indexOf("\n\n");
        if (bareEnd >= 0 && (headEnd < 0 || bareEnd < headEnd)) {
            headEnd = bareEnd;
            separator = 2;
        }
        if (headEnd < 0) {
            if (buffer.size() > MaxHeadBytes) {
                connection->closing = true;
                send(socket, Response::answer(431), false);
            }
            return;
        }

        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
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
            connection->closing = true;
            send(socket, Response::answer(400), false);
            return;
        }
        if (buffer.size() < headEnd + separator + bodyLength)
            return;
        buffer.remove(0, headEnd + separator + bodyLength);

        const bool keepAlive = requestLine[2] == "HTTP/1.1" ? !connectionHeader.contains("close")
                                                            : connectionHeader.contains("keep-alive");
        const QString path = decodePath(requestLine[1]);
        logRequest(path);
        connection->unanswered = true;
        m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
        Response response = respond(requestLine[0], path);
        // Even refused, a HEAD answer must not carry a body, or the next answer on the connection
        // would be read as part of it.
        response.headOnly = requestLine[0] == "HEAD";
        if (response.action == Response::Action::Never) {
            connection->silent = true;
            return;
        }
        response.delayMs += m_config.latencyMs;
        if (response.delayMs > 0) {
            connection->waiting = true;
            // The socket is the timer's context: a connection closed meanwhile cancels the answer.
            QTimer::singleShot(response.delayMs, Qt::PreciseTimer, socket, [this, socket, response, keepAlive] {
                const std::shared_ptr<Connection> waiting = m_connections.value(socket);
                if (!waiting)
                    return;
                waiting->waiting = false;
                send(socket, response, keepAlive);
                processRequests(socket);
            });
            return;
        }
        send(socket, response, keepAlive);
    }
}

SampleHost::Response SampleHost::respond(const QByteArray &method, const QString &path)
{
    if (method != "GET")
        return Response::answer(405);

    // Pictures, and where img-elsewhere sends them.
    if (m_config.images && path.startsWith(QStringLiteral("/img/")))
        return respondImage(path, true);
    if (m_config.images && path.startsWith(QStringLiteral("/moved/img/")))
        return respondImage(path.mid(6), false);

    static const QRegularExpression route(QStringLiteral("^/(.+)/blog(?:/index/(\\d+)|/item/([^/]+))?/?$"));
    const QRegularExpressionMatch match = route.match(path);
    if (!match.hasMatch())
        return Response::answer(404);
    const std::shared_ptr<const BlogEntry> entry = blog(match.captured(1));

    if (match.hasCaptured(3))
        return respondArticle(*entry, match.captured(3));

    // The blog address page and the list pages, with the faults meant for them.
    PageFaults faults;
    QByteArray page;
    int listDelayMs = 0;
    if (match.hasCaptured(2)) {
        bool ok = false;
        const int number = match.captured(2).toInt(&ok);
        if (!ok)
            return Response::answer(404);
        faults = pageFaults(FaultTarget::ListPage, number);
        if (faults.fault && faults.fault->mode == FaultMode::EntryFlood)
            page = encodePage(SamplePages::floodListPage(entry->blog, faults.fault->count));
        else
            page = encodePage(SamplePages::listPage(entry->blog, number));
        listDelayMs = static_cast<int>(std::min<qint64>(
            std::max(0, entry->blog.lastPage() - number) * qint64(m_config.reverseListLatencyMs), 24 * 60 * 60 * 1000));
    } else {
        faults = pageFaults(FaultTarget::BlogPage, 0);
        page = encodePage(SamplePages::blogPage(entry->blog));
    }
    Response response = Response::answer(200, page);
    response.delayMs = faults.delayMs + listDelayMs;
    if (faults.fault)
        applyPageFault(*faults.fault, response);
    return response;
}

// The faults any page can have; the others leave the response as it is.
void SampleHost::applyPageFault(const Fault &fault, Response &response)
{
    switch (fault.mode) {
    case FaultMode::Never:
        response.action = Response::Action::Never;
        break;
    case FaultMode::Reset:
        response.action = Response::Action::Reset;
        break;
    case FaultMode::Http500:
        response.status = 500;
        break;
    case FaultMode::Http503:
    case FaultMode::BusyOnce:
        response.status = fault.mode == FaultMode::Http503 ? 503 : 429;
        if (fault.mode == FaultMode::BusyOnce)
            response.extraHead = "Retry-After: " + QByteArray::number(fault.count) + "\r\n";
        break;
    case FaultMode::EmptyBody:
        response.body.clear();
        break;
    case FaultMode::Endless:
        response.action = Response::Action::Endless;
        break;
    case FaultMode::GzipBomb:
        response.body = gzipBomb();
        response.gzip = true;
        break;
    case FaultMode::Drip:
        response.action = Response::Action::Drip;
        break;
    case FaultMode::Redirect:
        response.status = 302;
        response.location = fault.url.toUtf8();
        break;
    default:
        break;
    }
}

SampleHost::Response SampleHost::respondArticle(const BlogEntry &entry, const QString &link)
{
    const int index = entry.links.value(link, -1);
    if (index < 0)
        return Response::answer(404);
    const int row = index + 1;

    const PageFaults faults = pageFaults(FaultTarget::Article, row);
    const int delayMs = faults.delayMs;
    std::optional<FaultMode> mode;
    if (faults.fault)
        mode = faults.fault->mode;
    if (mode == FaultMode::BrokenOnce || mode == FaultMode::BusyOnce) {
        const QString key = entry.blog.name + u'\n' + QString::number(row);
        if (m_brokenServed.contains(key))
            mode.reset();
        else
            m_brokenServed.insert(key);
    }

    Response response = Response::answer(200);
    response.delayMs = delayMs;
    const auto page = [&] {
        const SampleArticle &article = entry.blog.articles[index];
        QStringList body = generateBody(entry.blog.name, index, article);
        if (m_config.images) {
            bool forced = false;
            bool hostile = false;
            for (const Fault &fault : m_config.faults) {
                if (fault.row == row && isImageFault(fault.mode)) {
                    forced = true;
                    hostile = hostile || fault.mode == FaultMode::ImageHostile;
                }
            }
            // After the title, date and text opening lines, where a reader sees them first.
            const QStringList pictures =
                SampleImages::bodyLines(entry.blog.name, row, forced, hostile, baseUrl(), imageBaseUrl());
            const qsizetype at = std::min<qsizetype>(3, body.size());
            for (qsizetype i = 0; i < pictures.size(); ++i)
                body.insert(at + i, pictures[i]);
        }
        return SamplePages::articleLines(entry.blog, index, body);
    };
    switch (mode.value_or(FaultMode::Slow)) {
    case FaultMode::BrokenOnce:
    case FaultMode::AlwaysBroken:
        response.body = Gbk::encode(SamplePages::brokenPage(entry.blog));
        break;
    case FaultMode::WithdrawnFooter:
    case FaultMode::WithdrawnDisclaimer:
    case FaultMode::WithdrawnNotOpen:
        response.body = Gbk::encode(SamplePages::withdrawnPage(entry.blog, *mode));
        break;
    case FaultMode::EmptyBody:
        break;
    case FaultMode::Never:
    case FaultMode::Reset:
    case FaultMode::Http500:
    case FaultMode::Http503:
    case FaultMode::BusyOnce:
        applyPageFault(*faults.fault, response);
        break;
    case FaultMode::Truncated:
        response.body = Gbk::encode(SamplePages::truncatedArticlePage(page()));
        break;
    case FaultMode::CrLf:
        response.body = Gbk::encode(page().join(QStringLiteral("\r\n")));
        break;
    case FaultMode::Endless:
    case FaultMode::GzipBomb:
    case FaultMode::Drip:
    case FaultMode::Redirect:
        response.body = Gbk::encode(page().join(u'\n'));
        applyPageFault(*faults.fault, response);
        break;
    case FaultMode::Slow:
    case FaultMode::EntryFlood:
    default: // picture faults never reach here; pageFaults leaves them out
        response.body = Gbk::encode(page().join(u'\n'));
        break;
    }
    return response;
}

SampleHost::PageFaults SampleHost::pageFaults(FaultTarget target, int row) const
{
    PageFaults result;
    for (const Fault &fault : m_config.faults) {
        const bool applies =
            fault.target == FaultTarget::Every ||
            (fault.target == target && (target == FaultTarget::BlogPage || fault.row == row ||
                                        (target == FaultTarget::ListPage && fault.row == AnyListPage)));
        if (!applies || isImageFault(fault.mode))
            continue;
        if (fault.mode == FaultMode::Slow)
            result.delayMs += fault.delayMs;
        else
            result.fault = fault;
    }
    return result;
}

SampleHost::Response SampleHost::respondImage(const QString &path, bool withFaults)
{
    QString blogName;
    SampleImages::Picture picture;
    if (!SampleImages::parsePath(path, &blogName, &picture))
        return Response::answer(404);
    Response response = Response::answer(200, SampleImages::bytes(blogName, picture));
    response.contentType = picture.jpeg ? "image/jpeg" : "image/png";
    if (!withFaults)
        return response;
    // The logo (row 0) has no faults; of the other faults of a row the last one counts.
    std::optional<FaultMode> mode;
    for (const Fault &fault : m_config.faults) {
        if (fault.row != picture.row || picture.row == 0 || !isImageFault(fault.mode))
            continue;
        if (fault.mode == FaultMode::ImageSlow)
            response.delayMs += fault.delayMs;
        else
            mode = fault.mode;
    }
    switch (mode.value_or(FaultMode::ImageSlow)) {
    case FaultMode::ImageHostile:
        if (picture.number == 7) {
            response = Response::answer(302);
            response.extraHead = "Location: file:///etc/passwd\r\n";
        }
        break;
    case FaultMode::ImageMissing:
        return Response::answer(404);
    case FaultMode::ImageNotImage:
        response.contentType.clear();
        response.body = Gbk::encode(SamplePages::errorPage(200, QStringLiteral("OK")));
        break;
    case FaultMode::ImageHuge:
        response.endless = true;
        response.announcedLength = qint64(2) * 1024 * 1024 * 1024;
        break;
    case FaultMode::ImageEndless:
        response.endless = true;
        break;
    case FaultMode::ImageLoop:
        // A relative Location: the same picture on whichever port was asked.
        response = Response::answer(302);
        response.extraHead = "Location: " + QUrl(path).toEncoded() + "\r\n";
        break;
    case FaultMode::ImageElsewhere:
        response = Response::answer(302);
        response.extraHead =
            "Location: " +
            QUrl((m_imageServer.isListening() ? imageBaseUrl() : baseUrl()) + QStringLiteral("moved") + path)
                .toEncoded() +
            "\r\n";
        break;
    default:
        break;
    }
    return response;
}

void SampleHost::stream(QTcpSocket *socket, qint64 remaining)
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

void SampleHost::send(QTcpSocket *socket, const Response &response, bool keepAlive)
{
    if (const std::shared_ptr<Connection> connection = m_connections.value(socket);
        connection && std::exchange(connection->unanswered, false))
        --m_inFlight;
    if (response.action == Response::Action::Reset) {
        if (const std::shared_ptr<Connection> connection = m_connections.value(socket))
            connection->closing = true;
        socket->abort();
        return;
    }
    if (response.action == Response::Action::Endless && !response.headOnly) {
        sendEndless(socket);
        return;
    }
    if (response.endless) {
        if (const std::shared_ptr<Connection> connection = m_connections.value(socket))
            connection->closing = true;
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: " + response.contentType + "\r\n";
        if (response.announcedLength >= 0)
            head += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
        socket->write(head + "Connection: close\r\n\r\n");
        // Without an announced length the body ends when the connection does; 2 GB is far past any cap.
        stream(socket, response.announcedLength >= 0 ? response.announcedLength : qint64(2) * 1024 * 1024 * 1024);
        return;
    }
    QByteArray body = response.body;
    if (response.status != 200)
        body = Gbk::encode(SamplePages::errorPage(response.status, QString::fromLatin1(reasonPhrase(response.status))));
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
    if (response.action == Response::Action::Drip && !response.headOnly) {
        sendDrip(socket, head + "\r\n", body);
        return;
    }
    socket->write(head + "\r\n" + (response.headOnly ? QByteArray() : body));
    if (!keepAlive) {
        if (const std::shared_ptr<Connection> connection = m_connections.value(socket))
            connection->closing = true;
        socket->disconnectFromHost();
    }
}

void SampleHost::sendEndless(QTcpSocket *socket)
{
    const std::shared_ptr<Connection> connection = m_connections.value(socket);
    if (!connection)
        return;
    // The connection carries this answer until the client goes away.
    connection->waiting = true;
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gb2312\r\nTransfer-Encoding: chunked\r\n\r\n");
    const auto feed = [socket] {
        while (socket->bytesToWrite() < 4 * EndlessChunkBytes)
            socket->write(endlessChunk());
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, feed);
    feed();
}

void SampleHost::sendDrip(QTcpSocket *socket, const QByteArray &head, const QByteArray &body)
{
    const std::shared_ptr<Connection> connection = m_connections.value(socket);
    if (!connection)
        return;
    connection->waiting = true;
    socket->write(head);
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, body, sent] {
        if (*sent >= body.size()) {
            timer->deleteLater();
            if (const std::shared_ptr<Connection> waiting = m_connections.value(socket)) {
                waiting->waiting = false;
                processRequests(socket);
            }
            return;
        }
        socket->write(body.mid((*sent)++, 1));
    });
    timer->start(DripIntervalMs);
}

std::shared_ptr<const SampleHost::BlogEntry> SampleHost::blog(const QString &name)
{
    if (const std::shared_ptr<const BlogEntry> cached = m_blogs.value(name))
        return cached;
    auto entry = std::make_shared<BlogEntry>();
    entry->blog = generateBlog(name, m_config, SampleBodies::Omit);
    entry->links.reserve(entry->blog.articles.size());
    for (qsizetype i = 0; i < entry->blog.articles.size(); ++i)
        entry->links.insert(entry->blog.articles[i].link, static_cast<int>(i));
    if (m_blogs.size() >= CachedBlogs)
        m_blogs.clear();
    m_blogs.insert(name, entry);
    return entry;
}

void SampleHost::logRequest(const QString &path)
{
    m_log.append(path);
    ++m_counts[path];
    if (m_logFile.isOpen()) {
        m_logFile.write(QByteArray::number(m_clock.elapsed()) + '\t' + path.toUtf8() + '\n');
        m_logFile.flush();
    }
    emit requestReceived(path);
}
