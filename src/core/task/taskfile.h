#pragma once

#include "common/result.h"

#include <QString>
#include <QStringList>

namespace Blog {
class ArticleTable;
}

namespace Task {

// One article as a task file carries it: title, category, link, date.
struct Record
{
    QString title;
    QString category;
    QString link;
    QString date;
};

struct TaskData
{
    QString blogName;
    QList<Record> records;
};

// The task file's bytes: an empty line, the blog name, two empty lines, then per article its row
// number, title, category, link, date and ordinal followed by two empty lines. GBK, CR LF.
QByteArray exportBytes(const QString &blogName, const Blog::ArticleTable &table);

// Values the format cannot carry (empty, or holding a line break), as "record N: field" texts.
QStringList unstorableValues(const Blog::ArticleTable &table);

// Writes the task file, replacing an earlier one.
Result<void> exportTask(const QString &path, const QString &blogName, const Blog::ArticleTable &table);

// Reads a task file's text by cutting it at CR LF CR LF. A record with fewer or more than six values
// is an error naming its record number.
Result<TaskData> parseTask(const QString &text);
Result<TaskData> importTask(const QString &path);

} // namespace Task
