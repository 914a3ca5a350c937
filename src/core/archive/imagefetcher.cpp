#include "archive/imagefetcher.h"

#include "common/mediatype.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace Archive {

namespace {

// Bytes Qt may hold for a reply before we read them.
constexpr qint64 ReadBufferBytes = 64 * 1024;

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

} // namespace

ImageFetcher::ImageFetcher(QNetworkAccessManager &network, int timeoutMs, qint64 maxBytes, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_timeoutMs(timeoutMs)
    , m_maxBytes(maxBytes)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no answer within %1 s").arg(m_timeoutMs / 1000.0), true); });
}

ImageFetcher::~ImageFetcher()
{
    abort();
}

void ImageFetcher::fetch(const QUrl &url)
{
    abort();
    m_visited.clear();
    m_timer.start(m_timeoutMs);
    if (!isHttp(url)) {
        // Reported after return, as every other outcome is.
        m_refused = true;
        QTimer::singleShot(0, this, [this] {
            if (m_refused)
                fail(QStringLiteral("not an http or https address"), false);
        });
        return;
    }
    get(url);
}

void ImageFetcher::abort()
{
    m_refused = false;
    m_timer.stop();
    release();
}

void ImageFetcher::release()
{
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        // We may be inside one of the reply's own signals; Qt reports an error twice when a reply
        // is aborted there, so the abort waits for the event loop.
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        reply->deleteLater();
    }
    m_body.clear();
    m_contentType.clear();
    m_checked = false;
}

void ImageFetcher::get(const QUrl &url)
{
    release();
    m_visited.insert(url);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(ReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &ImageFetcher::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &ImageFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &ImageFetcher::onFinished);
}

void ImageFetcher::onMetaData()
{
    if (!m_reply || m_checked)
        return;
    const QVariant statusAttribute = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid())
        return;
    const int status = statusAttribute.toInt();
    if (status >= 300 && status < 400 && m_reply->hasRawHeader("Location")) {
        const QUrl here = m_reply->url();
        const QUrl next = here.resolved(QUrl::fromEncoded(m_reply->rawHeader("Location"), QUrl::StrictMode));
        if (!next.isValid() || !isHttp(next))
            return fail(QStringLiteral("redirect to an address that is not http or https"), false);
        if (m_visited.contains(next))
            return fail(QStringLiteral("redirect loop"), false);
        if (m_visited.size() > MaxRedirects)
            return fail(QStringLiteral("more than %1 redirects").arg(MaxRedirects), false);
        return get(next);
    }
    if (status < 200 || status >= 300)
        return fail(QStringLiteral("HTTP %1").arg(status), status >= 500 || status == 408 || status == 429);
    m_contentType = m_reply->rawHeader("Content-Type");
    if (!mediaTypeOf(m_contentType).startsWith("image/"))
        return fail(QStringLiteral("not an image (Content-Type \"%1\")").arg(QString::fromLatin1(m_contentType)),
                    false);
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_maxBytes)
        return fail(QStringLiteral("larger than %1 bytes").arg(m_maxBytes), false);
    m_checked = true;
}

void ImageFetcher::onReadyRead()
{
    QNetworkReply *const reply = m_reply;
    if (!reply)
        return;
    onMetaData();
    // A refusal or a redirect replaced the reply; the bytes of this one are not ours.
    if (m_reply != reply || !m_checked)
        return;
    m_body += m_reply->read(m_maxBytes + 1 - m_body.size());
    if (m_body.size() > m_maxBytes)
        fail(QStringLiteral("larger than %1 bytes").arg(m_maxBytes), false);
}

void ImageFetcher::onFinished()
{
    QNetworkReply *const reply = m_reply;
    if (!reply)
        return;
    onMetaData();
    if (m_reply != reply)
        return; // refused or redirected
    if (!m_checked) {
        const QNetworkReply::NetworkError error = m_reply->error();
        return fail(error == QNetworkReply::NoError ? QStringLiteral("no answer") : m_reply->errorString(), true);
    }
    onReadyRead();
    if (m_reply != reply)
        return;
    if (m_reply->error() != QNetworkReply::NoError)
        return fail(m_reply->errorString(), true);
    m_timer.stop();
    ImageFetchResult result;
    result.ok = true;
    result.body = std::move(m_body);
    result.contentType = m_contentType;
    release();
    emit finished(result);
}

void ImageFetcher::fail(const QString &error, bool retry)
{
    m_refused = false;
    m_timer.stop();
    release();
    ImageFetchResult result;
    result.retry = retry;
    result.error = error;
    emit finished(result);
}

} // namespace Archive
