#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The blog host's page layout as line-oriented marker matching: no HTML parsing. Positions follow
// the host's own conventions (1-based character offsets within one line).
namespace Blog::ListParser {

struct Entry
{
    QString title;
    QString category;
    QString link;
    QString date;
};

// The highest list-page number named by the pager line(s) of the blog address page; 0 without a
// pager. Capped at MaxPageNumber so a hostile pager cannot queue billions of pages.
int highestPageNumber(const QString &page);
constexpr int MaxPageNumber = 100000;

// Splits a list page at every LF followed by TAB.
QStringList splitListPage(const QString &page);

// The article entries of one list page in line order. A field that cannot be cut from its line
// (the line is too short) keeps the value it had in the previous entry: `carry` holds those values
// across pages of one Find. An entry whose title, category or date line is not found before the
// page ends is skipped.
QList<Entry> parseListPage(const QString &page, Entry &carry);

} // namespace Blog::ListParser
