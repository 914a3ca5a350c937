#include "task/taskfile.h"

#include "blog/articletable.h"
#include "common/blogname.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"

#include <QFile>

namespace Task {

namespace {

const QString Crlf = QStringLiteral("\r\n");

} // namespace

QByteArray exportBytes(const QString &blogName, const Blog::ArticleTable &table)
{
    QByteArray bytes;
    LineWriter::appendLine(bytes, QString());
    bytes += Gbk::encode(blogName);
    bytes += "\r\n\r\n\r\n";
    for (int row = 1; row <= table.articleCount(); ++row) {
        for (int column = 0; column <= 5; ++column)
            LineWriter::appendLine(bytes, table.cell(row, column));
        bytes += "\r\n\r\n";
    }
    return bytes;
}

QStringList unstorableValues(const Blog::ArticleTable &table)
{
    static const char *const names[] = {"标题", "分类", "链接", "日期"};
    QStringList problems;
    for (int row = 1; row <= table.articleCount(); ++row) {
        for (int column = 1; column <= 4; ++column) {
            const QString value = table.cell(row, column);
            if (value.isEmpty() || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
                problems.append(QStringLiteral("第%1条：%2").arg(row).arg(QString::fromUtf8(names[column - 1])));
        }
    }
    return problems;
}

Result<void> exportTask(const QString &path, const QString &blogName, const Blog::ArticleTable &table)
{
    return LineWriter::writeBytes(path, exportBytes(blogName, table), LineWriter::Mode::Atomic);
}

Result<TaskData> parseTask(const QString &text)
{
    const QStringList sections = text.split(QStringLiteral("\r\n\r\n"));
    TaskData task;
    task.blogName = QString(sections.first()).remove(Crlf);
    if (auto check = checkBlogName(task.blogName); !check)
        return Result<TaskData>::failure(QStringLiteral("任务文件没有可用的博客名：") + check.error());
    const qsizetype last = sections.size() - 1; // the remainder after the last record is not a record
    for (qsizetype i = 1; i < last; ++i) {
        const QStringList pieces = sections[i].split(Crlf);
        // A line break inside a value shifts the rest of its record, so the count must be exact.
        if (pieces.size() < 7) {
            return Result<TaskData>::failure(
                QStringLiteral("任务文件第%1条记录不完整：只有%2个值，应有6个").arg(i).arg(pieces.size() - 1));
        }
        if (pieces.size() > 7) {
            return Result<TaskData>::failure(
                QStringLiteral("任务文件第%1条记录有%2个值，应有6个").arg(i).arg(pieces.size() - 1));
        }
        task.records.append(Record{pieces[2], pieces[3], pieces[4], pieces[5]});
    }
    return task;
}

Result<TaskData> importTask(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<TaskData>::failure(QStringLiteral("无法读取任务文件 %1：%2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result<TaskData>::failure(QStringLiteral("无法读取任务文件 %1：%2").arg(path, file.errorString()));
    return parseTask(Gbk::decode(bytes));
}

} // namespace Task
