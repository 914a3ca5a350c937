#pragma once

#include "archive/layout.h"

#include <QByteArray>
#include <QString>

namespace Archive {

// What became of one fetched article page.
enum class SaveOutcome {
    Saved,     // the body was written to the article file
    Withdrawn, // a complete host page without a body: the withdrawn-article notice was written
    Broken,    // no body and no host page marker: nothing kept, fetch again
    Failed,    // the file system refused; nothing kept, fetch again
};

struct SaveResult
{
    SaveOutcome outcome = SaveOutcome::Broken;
    QString error;
};

// The article body of a page: the lines from the one holding the body start marker up to, not
// including, the one holding the body end marker, each as GBK followed by CR LF. The page is split
// at LF alone, so a CR LF page keeps its CR and gives CR CR LF.
QByteArray articleBody(const QString &page);

// True when the page holds one of the host's own page markers (footer, disclaimer, blog not open):
// a complete page of the host, not a broken one.
bool isHostPage(const QString &page);

// The one-line notice written in place of a withdrawn article.
QString withdrawnNotice(const QString &hostBase, const QString &blogName, const QString &link);

// Saves one article page of the given category and link. The file is replaced atomically, so an
// interrupted save never leaves a partial file that a later run would count as saved. A broken page
// removes the file unless `keepExisting` (another request already saved this article).
SaveResult wirtfile(const QString &page, const Layout &layout, const QString &category, const QString &link,
                    const QString &hostBase, const QString &blogName, bool keepExisting = false);

} // namespace Archive
