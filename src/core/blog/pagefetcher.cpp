#include "blog/pagefetcher.h"

#include "common/gbkcodec.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace Blog {

namespace {

// What Qt may hold for one reply before we read it; the size cap is checked after every read.
constexpr qint64 ReadBufferBytes = 64 * 1024;
// Enough for an http to https upgrade and a moved page or two.
constexpr int MaxRedirects = 5;

int effectivePort(const QUrl &url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

PageFetcher::PageFetcher(QNetworkAccessManager &network, int timeoutMs, qint64 maxBodyBytes, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_timeoutMs(timeoutMs)
    , m_maxBodyBytes(maxBodyBytes)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PageFetcher::onTimeout);
}

PageFetcher::~PageFetcher()
{
    abort();
}

void PageFetcher::fetch(const QString &address)
{
    abort();
    m_body.clear();
    // Tolerant parsing only escapes what cannot stand in an address (spaces, non-ASCII); the
    // check below refuses what the HTTP layer would change.
    m_url = QUrl(address, QUrl::TolerantMode);
    if (const QString problem = addressProblem(m_url); !problem.isEmpty()) {
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation, problem] {
                if (generation != m_generation)
                    return;
                FetchResult result;
                result.status = FetchResult::Status::Refused;
                result.error = problem;
                emit finished(result);
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    // The cap below counts inflated bytes as they are read, which bounds a gzip bomb; Qt's own
    // ratio check would end such a reply without finishing it.
    request.setDecompressedSafetyCheckThreshold(-1);
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(ReadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::redirected, this, &PageFetcher::onRedirected);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetcher::onFinished);
    m_timer.start(m_timeoutMs);
}

void PageFetcher::abort()
{
    ++m_generation;
    m_timer.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_body.clear();
}

void PageFetcher::onReadyRead()
{
    // Read no more than one byte past the cap, so a runaway body never sits here whole.
    const qint64 room = m_maxBodyBytes + 1 - m_body.size();
    m_body += m_reply->read(room);
    if (m_body.size() > m_maxBodyBytes)
        finish(FetchResult::Status::TooLarge, QStringLiteral("page larger than %1 bytes").arg(m_maxBodyBytes));
}

void PageFetcher::onRedirected(const QUrl &target)
{
    if (!redirectAllowed(m_url, target)) {
        finish(FetchResult::Status::Refused,
               QStringLiteral("redirected to %1, which is not the blog host").arg(target.toDisplayString()));
        return;
    }
    if (const QString problem = addressProblem(target); !problem.isEmpty()) {
        finish(FetchResult::Status::Refused, QStringLiteral("redirected: ") + problem);
        return;
    }
    m_body.clear();
    emit m_reply->redirectAllowed();
}

void PageFetcher::onFinished()
{
    onReadyRead();
    if (!m_reply)
        return;
    const QVariant statusCode = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (statusCode.isValid() && (statusCode.toInt() < 200 || statusCode.toInt() > 299)) {
        // An error page is not the page asked for, whatever it holds.
        const QString reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        finish(FetchResult::Status::HttpError, QStringLiteral("HTTP %1 %2").arg(statusCode.toInt()).arg(reason));
        return;
    }
    if (m_reply->error() != QNetworkReply::NoError) {
        finish(FetchResult::Status::Failed, m_reply->errorString());
        return;
    }
    finish(FetchResult::Status::Complete, QString());
}

void PageFetcher::onTimeout()
{
    finish(FetchResult::Status::TimedOut, QStringLiteral("no answer within %1 s").arg(m_timeoutMs / 1000.0));
}

void PageFetcher::finish(FetchResult::Status status, const QString &error)
{
    m_timer.stop();
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->disconnect(this);
    FetchResult result;
    result.status = status;
    result.error = error;
    if (status == FetchResult::Status::Complete || status == FetchResult::Status::Failed)
        result.body = std::move(m_body);
    else
        reply->abort();
    m_body.clear();
    reply->deleteLater();
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
    // The HTTP layer resolves "." and ".." segments, %2e included, before it sends the path.
    if (url.adjusted(QUrl::NormalizePathSegments).path() != url.path())
        return QStringLiteral("the address holds a \".\" or \"..\" segment and would reach another page: ") +
               url.toDisplayString();
    return {};
}

QString Bytes2bStr(const QByteArray &body)
{
    return Gbk::decode(body);
}

} // namespace Blog
