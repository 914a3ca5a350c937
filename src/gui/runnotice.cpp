#include "gui/runnotice.h"

#include "archive/downloadjob.h"

namespace RunNotices {

RunNotice find(const QString &blogName, int articles, const QString &failure)
{
    if (!failure.isEmpty())
        return {QStringLiteral("寻找文章没有完成"), blogName + QStringLiteral("：") + failure};
    return {QStringLiteral("寻找文章完成"), blogName + QStringLiteral("：找到 %1 篇文章").arg(articles)};
}

RunNotice download(const QString &blogName, const Archive::DownloadJobReport &report)
{
    const Archive::DownloadReport &d = report.download;
    if (!report.indexed)
        return {QStringLiteral("下载没有完成"), blogName + QStringLiteral("：") + report.error};
    if (d.givenUp > 0) {
        return {QStringLiteral("下载完成，有文章放弃"),
                blogName + QStringLiteral("：保存 %1 篇，放弃 %2 篇文章").arg(d.saved).arg(d.givenUp)};
    }
    return {QStringLiteral("下载完成"), blogName + QStringLiteral("：%1 篇文章全部保存").arg(d.saved)};
}

RunNotice pack(const QString &blogName, bool packed, const QString &statusLine)
{
    return {packed ? QStringLiteral("打包CHM完成") : QStringLiteral("打包CHM没有完成"),
            blogName + QStringLiteral("：") + statusLine};
}

} // namespace RunNotices
