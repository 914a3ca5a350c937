#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace Epub {

// One article that goes into the book.
struct PlannedArticle
{
    int row = 0;
    QString title;       // fit for XML, never empty
    QString date;        // fit for XML
    QString category;    // fit for XML, never empty
    QString sourceFile;  // the article file on disk
    QString archivePath; // the article file relative to the archive folder, with "/"
    QString document;    // its content document in the book, e.g. "text/r00012.xhtml"
};

struct PlannedCategory
{
    QString name;        // fit for XML, never empty
    QList<int> articles; // indexes into BookPlan::articles, in table order
};

// The book's contents, in reading order: categories in the order of the start page (first
// appearance in the table), each with its saved articles in table order.
struct BookPlan
{
    QString blogName;
    QString archiveFolder;
    QString madeOn; // when the archive was made, as its start page says
    QList<PlannedArticle> articles;
    QList<PlannedCategory> categories;
    // Content document of each article: by archive path, and by link for the blog host's addresses.
    QHash<QString, QString> documentByPath;
    QHash<QString, QString> documentByLink;
    QStringList missingArticles;
    QStringList problems;
};

} // namespace Epub
