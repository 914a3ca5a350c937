#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace Blog {
class ArticleTable;
}

namespace Epub {

// What a book is made from: the archive folder programFolder/blogName and the article table it
// was downloaded from (the window's grid, or the task file the command line imports).
struct BookRequest
{
    QString programFolder;
    QString blogName;
    QString hostBase;   // the blog host's address prefix: links to it stay links
    QDateTime modified; // when the book is made, for its metadata
    const Blog::ArticleTable &table;
};

struct BookReport
{
    QString outputPath;          // programFolder/blogName.epub
    int articleCount = 0;        // articles in the book
    int pictureCount = 0;        // local pictures in the book
    QStringList missingArticles; // saved nowhere on disk, left out: "title (entry path)" in table order
    QStringList problems;        // input that could not be kept whole, one line each
    bool complete() const { return missingArticles.isEmpty() && problems.isEmpty(); }
};

// Articles done so far of those in the book.
using Progress = std::function<void(int done, int total)>;

} // namespace Epub
