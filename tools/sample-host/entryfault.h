#pragma once

#include "common/result.h"

#include <QList>
#include <QString>

class QByteArray;
struct SampleArticle;

// How the host lists one article oddly: faults of the blog and list pages themselves, unlike the
// article page faults of fault.h. The article is served under the link it is listed with.
enum class EntryFaultMode {
    CrLfTitle,     // the title holds CR LF in its middle
    EmptyTitle,    // no title text
    EmptyCategory, // no category text
    NulCategory,   // the category is the article's own + "1.htm" + NUL, the name of its first page
    NonGbkLink,    // one character of the link is a byte GBK does not know (0xFF)
    LongCategory,  // a category of 100 CJK characters, 300 bytes in UTF-8
    Category,      // the category given with the fault
};

// An entry fault of the article in row `row` (1-based, list order).
struct EntryFault
{
    int row = 0;
    EntryFaultMode mode = EntryFaultMode::CrLfTitle;
    QString category = {}; // for Category

    bool operator==(const EntryFault &) const = default;
};

// "N=MODE", MODE one of crlf-title, empty-title, empty-category, nul-category, nongbk-link,
// long-category, or category:NAME.
Result<EntryFault> parseEntryFault(const QString &text);

// Changes the article as the fault lists it.
void applyEntryFault(const EntryFault &fault, SampleArticle &article);

// GBK bytes of a page of the host; U+FFFD, which a NonGbkLink link holds, becomes the byte 0xFF,
// which a client decodes back to U+FFFD.
QByteArray encodePage(const QString &page);
