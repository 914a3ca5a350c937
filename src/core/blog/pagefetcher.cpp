#include "blog/pagefetcher.h"

#include "common/gbkcodec.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace Blog {

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
    QNetworkRequest request{QUrl(address, QUrl::TolerantMode)};
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetcher::onFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &PageFetcher::onProgress);
    m_timer.start(m_timeoutMs);
}

void PageFetcher::abort()
{
    m_timer.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PageFetcher::onFinished()
{
    const bool failed = m_reply->error() != QNetworkReply::NoError &&
                        m_reply->error() < QNetworkReply::ContentAccessDenied; // connection-level errors
    finish(failed ? FetchResult::Status::Failed : FetchResult::Status::Complete,
           failed ? m_reply->errorString() : QString());
}

void PageFetcher::onTimeout()
{
    finish(FetchResult::Status::TimedOut, QStringLiteral("no answer within %1 s").arg(m_timeoutMs / 1000.0));
}

void PageFetcher::onProgress(qint64 received)
{
    if (received > m_maxBodyBytes)
        finish(FetchResult::Status::TooLarge, QStringLiteral("page larger than %1 bytes").arg(m_maxBodyBytes));
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
        result.body = reply->readAll();
    else
        reply->abort();
    reply->deleteLater();
    emit finished(result);
}

QString Bytes2bStr(const QByteArray &body)
{
    return Gbk::decode(body);
}

} // namespace Blog
