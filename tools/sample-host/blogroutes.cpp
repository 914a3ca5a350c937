#include "blogroutes.h"

#include "common/gbkcodec.h"
#include "entryfault.h"
#include "sampleimages.h"
#include "samplepages.h"

#include <QRegularExpression>
#include <QUrl>
#include <utility>

namespace {

// Blogs asked for are kept, up to this many names, so that article requests need not rebuild them.
constexpr qsizetype CachedBlogs = 16;

QByteArray locationLine(const QString &target)
{
    return "Location: " + QUrl(target).toEncoded() + "\r\n";
}

} // namespace

BlogRoutes::BlogRoutes(const SampleHostConfig &config, FaultPolicy &faults)
    : m_config(config)
    , m_faults(faults)
{}

void BlogRoutes::setAddresses(QString blogBase, QString imageBase)
{
    m_blogBase = std::move(blogBase);
    m_imageBase = std::move(imageBase);
}

HttpResponse BlogRoutes::respond(const QByteArray &method, const QString &path)
{
    if (method != "GET")
        return HttpResponse::answer(405);

    // Pictures, and where img-elsewhere sends them.
    if (m_config.images && path.startsWith(QStringLiteral("/img/")))
        return respondImage(path, true);
    if (m_config.images && path.startsWith(QStringLiteral("/moved/img/")))
        return respondImage(path.mid(6), false);

    static const QRegularExpression route(QStringLiteral("^/(.+)/blog(?:/index/(\\d+)|/item/([^/]+))?/?$"));
    const QRegularExpressionMatch match = route.match(path);
    if (!match.hasMatch())
        return HttpResponse::answer(404);
    const std::shared_ptr<const BlogEntry> entry = blog(match.captured(1));
    if (match.hasCaptured(3))
        return respondArticle(*entry, match.captured(3));
    return respondPage(*entry, match);
}

// The blog address page and the list pages, with the faults meant for them.
HttpResponse BlogRoutes::respondPage(const BlogEntry &entry, const QRegularExpressionMatch &match)
{
    FaultPolicy::PageFaults faults;
    QByteArray page;
    int listDelayMs = 0;
    if (match.hasCaptured(2)) {
        bool ok = false;
        const int number = match.captured(2).toInt(&ok);
        if (!ok)
            return HttpResponse::answer(404);
        faults = m_faults.pageFaults(FaultTarget::ListPage, number);
        if (faults.fault && faults.fault->mode == FaultMode::EntryFlood)
            page = encodePage(SamplePages::floodListPage(entry.blog, faults.fault->count));
        else
            page = encodePage(SamplePages::listPage(entry.blog, number));
        listDelayMs = static_cast<int>(std::min<qint64>(
            std::max(0, entry.blog.lastPage() - number) * qint64(m_config.reverseListLatencyMs), 24 * 60 * 60 * 1000));
    } else {
        faults = m_faults.pageFaults(FaultTarget::BlogPage, 0);
        page = encodePage(SamplePages::blogPage(entry.blog));
    }
    HttpResponse response = HttpResponse::answer(200, page);
    response.delayMs = faults.delayMs + listDelayMs;
    if (faults.fault)
        FaultPolicy::applyPageFault(*faults.fault, response);
    return response;
}

HttpResponse BlogRoutes::respondArticle(const BlogEntry &entry, const QString &link)
{
    const int index = entry.links.value(link, -1);
    if (index < 0)
        return HttpResponse::answer(404);
    const int row = index + 1;
    const FaultPolicy::PageFaults faults = m_faults.pageFaults(FaultTarget::Article, row);
    const std::optional<FaultMode> mode = m_faults.articleMode(entry.blog.name, row, faults);

    HttpResponse response = HttpResponse::answer(200);
    response.delayMs = faults.delayMs;
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
        FaultPolicy::applyPageFault(*faults.fault, response);
        break;
    case FaultMode::Truncated:
        response.body = Gbk::encode(SamplePages::truncatedArticlePage(articleLines(entry, index)));
        break;
    case FaultMode::CrLf:
        response.body = Gbk::encode(articleLines(entry, index).join(QStringLiteral("\r\n")));
        break;
    case FaultMode::Endless:
    case FaultMode::GzipBomb:
    case FaultMode::Drip:
    case FaultMode::Redirect:
        response.body = Gbk::encode(articleLines(entry, index).join(u'\n'));
        FaultPolicy::applyPageFault(*faults.fault, response);
        break;
    case FaultMode::Slow:
    case FaultMode::EntryFlood:
    default: // picture faults never reach here; pageFaults leaves them out
        response.body = Gbk::encode(articleLines(entry, index).join(u'\n'));
        break;
    }
    return response;
}

QStringList BlogRoutes::articleLines(const BlogEntry &entry, int index) const
{
    const SampleArticle &article = entry.blog.articles[index];
    QStringList body = generateBody(entry.blog.name, index, article);
    if (m_config.images) {
        const int row = index + 1;
        const FaultPolicy::PictureFaults faults = m_faults.pictureFaults(row);
        // After the title, date and text opening lines, where a reader sees them first.
        const QStringList pictures =
            SampleImages::bodyLines(entry.blog.name, row, faults.forced, faults.hostile, m_blogBase, m_imageBase);
        const qsizetype at = std::min<qsizetype>(3, body.size());
        for (qsizetype i = 0; i < pictures.size(); ++i)
            body.insert(at + i, pictures[i]);
    }
    return SamplePages::articleLines(entry.blog, index, body);
}

HttpResponse BlogRoutes::respondImage(const QString &path, bool withFaults) const
{
    QString blogName;
    SampleImages::Picture picture;
    if (!SampleImages::parsePath(path, &blogName, &picture))
        return HttpResponse::answer(404);
    HttpResponse response = HttpResponse::answer(200, SampleImages::bytes(blogName, picture));
    response.contentType = picture.jpeg ? "image/jpeg" : "image/png";
    // The logo (row 0) has no faults; of the other faults of a row the last one counts.
    if (!withFaults || picture.row == 0)
        return response;
    const FaultPolicy::PictureFaults faults = m_faults.pictureFaults(picture.row);
    response.delayMs += faults.delayMs;
    switch (faults.mode.value_or(FaultMode::ImageSlow)) {
    case FaultMode::ImageHostile:
        if (picture.number == 7) {
            response = HttpResponse::answer(302);
            response.extraHead = "Location: file:///etc/passwd\r\n";
        }
        break;
    case FaultMode::ImageMissing:
        return HttpResponse::answer(404);
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
        response = HttpResponse::answer(302);
        response.extraHead = locationLine(path);
        break;
    case FaultMode::ImageElsewhere:
        response = HttpResponse::answer(302);
        response.extraHead =
            locationLine((m_imageBase.isEmpty() ? m_blogBase : m_imageBase) + QStringLiteral("moved") + path);
        break;
    default:
        break;
    }
    return response;
}

std::shared_ptr<const BlogRoutes::BlogEntry> BlogRoutes::blog(const QString &name)
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
