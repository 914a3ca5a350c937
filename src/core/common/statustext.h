#pragma once

#include <QString>

// The status line's vocabulary. Every text the status line shows comes from here.
namespace StatusText {

inline QString initial()
{
    return QStringLiteral("请按\"寻找\"或者导入任务");
}
inline QString findStarting()
{
    return QStringLiteral("正在查找文章..");
}
inline QString findPagesKnown()
{
    return QStringLiteral("正在寻找文章....");
}
inline QString findPage(int page, int total)
{
    return QStringLiteral("查找文章：") + QString::number(page) + QStringLiteral("页/") + QString::number(total) +
           QStringLiteral("页");
}
inline QString findDone()
{
    return QStringLiteral("文章寻找完成，按“下载”开始下载，或者保存本次任务");
}
// Find stopped at a page that did not come complete after `attempts` fetches.
inline QString findFailed(const QString &address, const QString &why, int attempts)
{
    return QStringLiteral("查找文章失败：") + address + QStringLiteral("（") + why + QStringLiteral("，已试") +
           QString::number(attempts) + QStringLiteral("次）");
}
inline QString downloadStarting()
{
    return QStringLiteral("正在下载文章..");
}
// Before the first completion no row has been handed out yet and the row number is empty.
inline QString downloadProgress(const QString &row, int total)
{
    return QStringLiteral("下载文章：") + row + QLatin1Char('/') + QString::number(total);
}
inline QString downloadProgress(int row, int total)
{
    return downloadProgress(QString::number(row), total);
}
// A busy host or a failed request: the next attempt waits this long.
inline QString retryWaiting(int seconds)
{
    return QStringLiteral("等待重试：") + QString::number(seconds) + QStringLiteral("秒");
}
inline QString imageProgress(int done, int total)
{
    return QStringLiteral("图片：") + QString::number(done) + QLatin1Char('/') + QString::number(total);
}
inline QString indexProgress(int row, int total)
{
    return QStringLiteral("生成文章索引：") + QString::number(row) + QLatin1Char('/') + QString::number(total);
}
inline QString startPage()
{
    return QStringLiteral("正在生成总索引");
}
inline QString downloadDone()
{
    return QStringLiteral("全部完成，请用软件打包成CHM以便浏览");
}
inline QString packing()
{
    return QStringLiteral("正在打包CHM...");
}
inline QString packed()
{
    return QStringLiteral("打包CHM成功！");
}
// The help file was written, but without the articles that are missing on disk.
inline QString packedWithout(int missing)
{
    return QStringLiteral("打包CHM完成，缺少") + QString::number(missing) + QStringLiteral("篇文章");
}
inline QString packFailed(const QString &why)
{
    return QStringLiteral("打包CHM失败：") + why;
}
inline QString exported(const QString &blogName)
{
    return blogName + QStringLiteral(".ini 导出成功! 放在程序目录");
}
inline QString importProgress(int n, int total)
{
    return QStringLiteral("导入任务：") + QString::number(n) + QLatin1Char('/') + QString::number(total);
}
inline QString imported()
{
    return QStringLiteral("导入成功，请按下载开始");
}

// The refusal shown when Download is pressed with fewer than five articles.
inline QString tooFewArticles()
{
    return QStringLiteral("很遗憾没有找到文章(或者文章少于5篇)，请重新输入用户名后再按“寻找”");
}

} // namespace StatusText
