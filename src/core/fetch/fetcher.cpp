#include "fetch/fetcher.h"

#include <QTcpSocket>
#ifndef QT_NO_SSL
#include <QSslSocket>
#endif

namespace Fetch {

namespace {

bool isHttps(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

int effectivePort(const QUrl &url)
{
    return url.port(isHttps(url) ? 443 : 80);
}

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

QByteArray mediaType(const QByteArray &contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
}

QByteArray requestFor(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0 && url.port() != (isHttps(url) ? 443 : 80))
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nUser-Agent: Mozilla/5.0\r\nAccept: */*\r\nAccept-Encoding: gzip, deflate\r\n"
           "Connection: keep-alive\r\n\r\n";
}

} // namespace

bool Result::worthRetrying() const
{
    switch (status) {
    case Status::TimedOut:
    case Status::Failed:
        return true;
    case Status::HttpError:
        return httpStatus >= 500 || httpStatus == 408 || httpStatus == 429;
    default:
        return false;
    }
}

Fetcher::Fetcher(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        finish(Result::Status::TimedOut, QStringLiteral("no answer within %1 s").arg(m_policy.timeoutMs / 1000.0));
    });
}

Fetcher::~Fetcher()
{
    abort();
    dropSocket();
}

QString Fetcher::refusal(const QUrl &url) const
{
    if (m_policy.redirects == Redirects::WithinSite)
        return addressProblem(url);
    return isHttp(url) ? QString() : QStringLiteral("not an http or https address");
}

void Fetcher::fetch(const QUrl &url, const Policy &policy)
{
    abort();
    m_policy = policy;
    m_visited.clear();
    m_busy = true;
    if (const QString problem = refusal(url); !problem.isEmpty()) {
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation, problem] {
                if (generation == m_generation)
                    finish(Result::Status::Refused, problem);
            },
            Qt::QueuedConnection);
        return;
    }
    m_timer.start(m_policy.timeoutMs);
    startHop(url);
}

void Fetcher::abort()
{
    ++m_generation;
    m_timer.stop();
    if (m_busy) {
        m_busy = false;
        dropSocket();
    }
}

void Fetcher::startHop(const QUrl &url)
{
    m_url = url;
    m_visited.insert(url);
    m_reader.reset();
    m_inflater.reset();
    m_body.clear();
    m_head = Result();
    m_answered = false;
    const QString origin = url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + u':' +
                           QString::number(effectivePort(url));
    m_reused = m_socket && origin == m_origin && m_socket->state() == QAbstractSocket::ConnectedState;
    if (!m_reused) {
        dropSocket();
        m_origin = origin;
        openSocket();
    }
    sendRequest();
}

void Fetcher::openSocket()
{
#ifndef QT_NO_SSL
    if (isHttps(m_url)) {
        auto *socket = new QSslSocket(this);
        m_socket = socket;
        socket->setReadBufferSize(ReadBufferBytes);
        socket->connectToHostEncrypted(m_url.host(), static_cast<quint16>(effectivePort(m_url)));
    }
#endif
    if (!m_socket) {
        m_socket = new QTcpSocket(this);
        // What the socket may hold before we read it; past that it stops reading and the host's
        // sending stalls in the kernel.
        m_socket->setReadBufferSize(ReadBufferBytes);
        m_socket->connectToHost(m_url.host(), static_cast<quint16>(effectivePort(m_url)));
    }
    connect(m_socket, &QAbstractSocket::readyRead, this, &Fetcher::onReadyRead);
    connect(m_socket, &QAbstractSocket::disconnected, this, &Fetcher::onClosed);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &Fetcher::onSocketError);
}

void Fetcher::sendRequest()
{
    // Written before the connection is up, the request waits in the socket until it is; on a
    // kept connection it goes out now rather than on the next turn of the event loop.
    m_socket->write(requestFor(m_url));
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
}

void Fetcher::dropSocket()
{
    if (QAbstractSocket *socket = std::exchange(m_socket, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void Fetcher::onReadyRead()
{
    if (!m_busy) {
        dropSocket(); // bytes nobody asked for on an idle connection
        return;
    }
    QAbstractSocket *const socket = m_socket;
    const quint64 generation = m_generation;
    while (m_socket == socket && m_busy && generation == m_generation && socket->bytesAvailable() > 0) {
        const QByteArray data = socket->read(ReadBufferBytes);
        m_answered = true;
        if (!consume(data))
            return;
    }
}

void Fetcher::onClosed()
{
    if (!m_busy) {
        dropSocket();
        return;
    }
    QAbstractSocket *const socket = m_socket;
    onReadyRead();
    if (!m_busy || m_socket != socket)
        return;
    if (m_reused && !m_answered) {
        // A kept connection the host had closed meanwhile: the request goes out once more on a
        // new one.
        dropSocket();
        openSocket();
        m_reused = false;
        sendRequest();
        return;
    }
    m_reader.closed();
    if (m_reader.state() == ResponseReader::State::Done)
        complete();
    else
        finish(Result::Status::Failed, m_reader.error());
}

void Fetcher::onSocketError()
{
    if (!m_socket)
        return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError) {
        onClosed();
        return;
    }
    if (!m_busy) {
        dropSocket();
        return;
    }
    if (m_reused && !m_answered) {
        m_socket->disconnect(this);
        onClosed();
        return;
    }
    finish(Result::Status::Failed, m_socket->errorString());
}

bool Fetcher::consume(QByteArrayView data)
{
    qsizetype at = 0;
    for (;;) {
        QByteArray &sink = m_inflater ? m_raw : m_body;
        at += m_reader.feed(data.sliced(at), sink);
        if (!takeBody(sink))
            return false;
        if (m_reader.state() == ResponseReader::State::Error) {
            finish(Result::Status::Failed, m_reader.error());
            return false;
        }
        if (m_reader.headReady()) {
            m_reader.takeHead();
            if (!judgeHead())
                return false;
            continue;
        }
        if (m_reader.state() == ResponseReader::State::Done) {
            complete();
            return false;
        }
        if (at >= data.size())
            return true;
    }
}

bool Fetcher::takeBody(QByteArray &raw)
{
    if (m_inflater && !raw.isEmpty()) {
        const Inflater::Outcome outcome = m_inflater->inflate(raw, m_body, m_policy.maxBytes);
        raw.clear();
        if (outcome == Inflater::Outcome::Broken) {
            finish(Result::Status::Failed, QStringLiteral("the compressed answer is broken"));
            return false;
        }
    }
    if (m_body.size() > m_policy.maxBytes) {
        finish(Result::Status::TooLarge,
               QStringLiteral("%1 larger than %2 bytes").arg(m_policy.subject).arg(m_policy.maxBytes));
        return false;
    }
    return true;
}

bool Fetcher::judgeHead()
{
    const int status = m_reader.status();
    m_head.httpStatus = status;
    const QByteArray location = m_reader.header("Location");
    if (status >= 300 && status < 400 && !location.isEmpty()) {
        redirect(location);
        return false;
    }
    if (status < 200 || status > 299) {
        if (status == 429 || status == 503)
            m_head.retryAfterMs = parseRetryAfter(m_reader.header("Retry-After"));
        // An error page is not the page asked for, whatever it holds.
        finish(Result::Status::HttpError,
               QStringLiteral("HTTP %1 %2").arg(status).arg(QString::fromLatin1(m_reader.reason())).trimmed());
        return false;
    }
    m_head.contentType = m_reader.header("Content-Type");
    if (!m_policy.acceptedType.isEmpty() && !mediaType(m_head.contentType).startsWith(m_policy.acceptedType)) {
        finish(Result::Status::Refused, QStringLiteral("not %1 (Content-Type \"%2\")")
                                            .arg(m_policy.acceptedKind, QString::fromLatin1(m_head.contentType)));
        return false;
    }
    if (m_reader.header("Content-Length").toLongLong() > m_policy.maxBytes) {
        finish(Result::Status::TooLarge,
               QStringLiteral("%1 larger than %2 bytes").arg(m_policy.subject).arg(m_policy.maxBytes));
        return false;
    }
    const QByteArray encoding = m_reader.header("Content-Encoding").trimmed().toLower();
    if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
        m_inflater = std::make_unique<Inflater>();
    } else if (!encoding.isEmpty() && encoding != "identity") {
        finish(Result::Status::Failed,
               QStringLiteral("unknown Content-Encoding \"%1\"").arg(QString::fromLatin1(encoding)));
        return false;
    }
    return true;
}

void Fetcher::redirect(const QByteArray &location)
{
    QUrl target = QUrl::fromEncoded(location, QUrl::StrictMode);
    if (!target.isValid())
        target = QUrl(QString::fromUtf8(location), QUrl::TolerantMode);
    target = m_url.resolved(target);
    if (m_policy.redirects == Redirects::WithinSite && !redirectAllowed(m_url, target))
        return finish(Result::Status::Refused,
                      QStringLiteral("redirected to %1, which is not the blog host").arg(target.toDisplayString()));
    if (m_policy.redirects == Redirects::AnyHttp && !isHttp(target))
        return finish(Result::Status::Refused, QStringLiteral("redirect to an address that is not http or https"));
    if (const QString problem = refusal(target); !problem.isEmpty())
        return finish(Result::Status::Refused, QStringLiteral("redirected: ") + problem);
    if (m_visited.contains(target))
        return finish(Result::Status::Refused, QStringLiteral("redirect loop"));
    if (m_visited.size() > MaxRedirects)
        return finish(Result::Status::Refused, QStringLiteral("more than %1 redirects").arg(MaxRedirects));
    // The rest of the redirect's answer is not read; its connection goes with it.
    dropSocket();
    startHop(target);
}

void Fetcher::complete()
{
    m_timer.stop();
    m_busy = false;
    if (!m_reader.keepAlive() || !m_socket || m_socket->bytesAvailable() > 0)
        dropSocket();
    Result result = std::move(m_head);
    result.status = Result::Status::Complete;
    result.body = std::move(m_body);
    m_body = QByteArray();
    m_inflater.reset();
    emit finished(result);
}

void Fetcher::finish(Result::Status status, const QString &error)
{
    m_timer.stop();
    if (!m_busy)
        return;
    m_busy = false;
    ++m_generation;
    dropSocket();
    Result result = std::move(m_head);
    result.status = status;
    result.error = error;
    if (status == Result::Status::Failed)
        result.body = std::move(m_body);
    m_body = QByteArray();
    m_raw = QByteArray();
    m_inflater.reset();
    emit finished(result);
}

bool redirectAllowed(const QUrl &from, const QUrl &to)
{
    if (to.host().compare(from.host(), Qt::CaseInsensitive) != 0)
        return false;
    if (to.scheme() == from.scheme())
        return effectivePort(to) == effectivePort(from);
    return from.scheme() == QLatin1String("http") && to.scheme() == QLatin1String("https") &&
           (effectivePort(to) == 443 || effectivePort(to) == effectivePort(from));
}

QString addressProblem(const QUrl &url)
{
    if (!url.isValid())
        return QStringLiteral("not a valid address: ") + url.errorString();
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return QStringLiteral("not an http address: ") + url.toDisplayString();
    if (url.host().isEmpty())
        return QStringLiteral("no host in the address: ") + url.toDisplayString();
    // Hosts resolve "." and ".." segments, %2e included, and would answer with another page.
    if (url.adjusted(QUrl::NormalizePathSegments).path() != url.path())
        return QStringLiteral("the address holds a \".\" or \"..\" segment and would reach another page: ") +
               url.toDisplayString();
    return {};
}

} // namespace Fetch
