#include "frontend/statustext.h"

namespace Presentation {

namespace {

using Phase = Progress::Phase;
using Stage = Progress::Stage;

// "label done/total", as every counting status shows its progress.
QString counted(const QString &label, const QString &done, int total)
{
    return label + done + QLatin1Char('/') + QString::number(total);
}

QString findText(const Progress &p)
{
    switch (p.stage) {
    case Stage::Started:
        return findStarting();
    case Stage::Planned:
        return findPagesKnown();
    case Stage::Running:
        return findPage(p.done, p.total);
    case Stage::Done:
        return findDone();
    case Stage::Failed:
        return findFailed(p.subject, p.reason, p.attempts);
    }
    return {};
}

QString downloadText(const Progress &p)
{
    switch (p.stage) {
    case Stage::Started:
        return downloadStarting();
    case Stage::Running:
        return downloadProgress(p.row < 0 ? QString() : QString::number(p.row), p.total);
    case Stage::Done:
        return downloadDone();
    case Stage::Planned:
    case Stage::Failed:
        break;
    }
    return {};
}

QString helpFileText(const Progress &p)
{
    switch (p.stage) {
    case Stage::Started:
        return packing();
    case Stage::Done:
        return p.done == 0 ? packed() : packedWithout(p.done);
    case Stage::Failed:
        return packFailed(p.reason);
    case Stage::Planned:
    case Stage::Running:
        break;
    }
    return {};
}

QString taskText(const Progress &p)
{
    if (p.phase == Phase::Export)
        return p.stage == Stage::Done ? exported(p.subject) : QString();
    if (p.stage == Stage::Running)
        return importProgress(p.done, p.total);
    return p.stage == Stage::Done ? imported() : QString();
}

} // namespace

QString statusText(const Progress &p)
{
    switch (p.phase) {
    case Phase::Find:
        return findText(p);
    case Phase::Download:
        return downloadText(p);
    case Phase::Pictures:
        return p.stage == Stage::Running ? imageProgress(p.done, p.total) : QString();
    case Phase::IndexPages:
        return p.stage == Stage::Running ? indexProgress(p.done, p.total) : QString();
    case Phase::StartPage:
        return startPage();
    case Phase::HelpFile:
        return helpFileText(p);
    case Phase::Import:
    case Phase::Export:
        return taskText(p);
    }
    return {};
}

QString picturesLabel()
{
    return QStringLiteral("图片：");
}

QString initial()
{
    return QStringLiteral("请按\"寻找\"或者导入任务");
}

QString findStarting()
{
    return QStringLiteral("正在查找文章..");
}

QString findPagesKnown()
{
    return QStringLiteral("正在寻找文章....");
}

QString findPage(int page, int total)
{
    return QStringLiteral("查找文章：") + QString::number(page) + QStringLiteral("页/") + QString::number(total) +
           QStringLiteral("页");
}

QString findDone()
{
    return QStringLiteral("文章寻找完成，按“下载”开始下载，或者保存本次任务");
}

QString findFailed(const QString &address, const QString &why, int attempts)
{
    return QStringLiteral("查找文章失败：") + address + QStringLiteral("（") + why + QStringLiteral("，已试") +
           QString::number(attempts) + QStringLiteral("次）");
}

QString downloadStarting()
{
    return QStringLiteral("正在下载文章..");
}

QString downloadProgress(const QString &row, int total)
{
    return counted(QStringLiteral("下载文章："), row, total);
}

QString downloadProgress(int row, int total)
{
    return downloadProgress(QString::number(row), total);
}

QString retryWaiting(int seconds)
{
    return QStringLiteral("等待重试：") + QString::number(seconds) + QStringLiteral("秒");
}

QString imageProgress(int done, int total)
{
    return counted(picturesLabel(), QString::number(done), total);
}

QString indexProgress(int row, int total)
{
    return counted(QStringLiteral("生成文章索引："), QString::number(row), total);
}

QString startPage()
{
    return QStringLiteral("正在生成总索引");
}

QString downloadDone()
{
    return QStringLiteral("全部完成，请用软件打包成CHM以便浏览");
}

QString packing()
{
    return QStringLiteral("正在打包CHM...");
}

QString packed()
{
    return QStringLiteral("打包CHM成功！");
}

QString packedWithout(int missing)
{
    return QStringLiteral("打包CHM完成，缺少") + QString::number(missing) + QStringLiteral("篇文章");
}

QString packFailed(const QString &why)
{
    return QStringLiteral("打包CHM失败：") + why;
}

QString exported(const QString &blogName)
{
    return blogName + QStringLiteral(".ini 导出成功! 放在程序目录");
}

QString importProgress(int n, int total)
{
    return counted(QStringLiteral("导入任务："), QString::number(n), total);
}

QString imported()
{
    return QStringLiteral("导入成功，请按下载开始");
}

QString epubWriting()
{
    return QStringLiteral("正在生成EPUB");
}

QString epubWritten()
{
    return QStringLiteral("EPUB已生成");
}

QString epubWrittenWithout(int left)
{
    return QStringLiteral("EPUB已生成，有%1处内容未能收入").arg(left);
}

QString epubFailed(const QString &why)
{
    return QStringLiteral("生成EPUB失败：") + why;
}

} // namespace Presentation
