#pragma once

#include "fault.h"
#include "sampleblog.h"

#include <QString>
#include <QStringList>

// The texts of the host's pages, laid out line by line as the program's marker search expects.
// The host encodes them as GBK.
namespace SamplePages {

// The pager of a blog whose highest list page is `lastPage`; empty when there is one page only.
// The first-page link has no quote before ">", every other link a double quote.
QString pagerLine(const QString &name, int lastPage);

// The blog address page, lines joined by LF.
QString blogPage(const SampleBlog &blog);

// List page `page`, lines joined by LF + TAB; four lines an article, none beyond the last page.
QString listPage(const SampleBlog &blog, int page);

// The article page's lines: header, the body start line, `body`, the body end line, comments, footer.
QStringList articleLines(const SampleBlog &blog, int index, const QStringList &body);

// The article page cut off in its header, before the body start marker.
QString truncatedArticlePage(const QStringList &lines);

// A page of the host that holds neither a body nor any host marker, as a busy host sends.
QString brokenPage(const SampleBlog &blog);

// A page without body for a withdrawn article, holding the one host marker `mode` names
// (WithdrawnFooter, WithdrawnDisclaimer or WithdrawnNotOpen).
QString withdrawnPage(const SampleBlog &blog, FaultMode mode);

// A list page of `count` entry-marker lines with article addresses and no title, category or date
// line, lines joined by LF + TAB: a page on which every entry's search runs to the end.
QString floodListPage(const SampleBlog &blog, int count);

// A small page for an error status, without any marker.
QString errorPage(int status, const QString &reason);

} // namespace SamplePages
