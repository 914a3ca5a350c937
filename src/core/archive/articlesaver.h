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

// An article page judged and cut, ready to be written: the bytes of the body or of the notice.
struct PreparedArticle
{
    SaveOutcome outcome = SaveOutcome::Broken;
    QByteArray bytes;
};

// Judges one article page: its body, the withdrawn-article notice, or broken. Touches no file.
PreparedArticle prepareArticle(const QString &page, const QString &hostBase, const QString &blogName,
                               const QString &link);

// Writes a prepared article (or, for a broken page, removes the file unless `keepExisting`).
SaveResult storeArticle(const PreparedArticle &article, const Layout &layout, const QString &category,
                        const QString &link, bool keepExisting = false);

// Saves one article page of the given category and link. The file is replaced atomically, so an
// interrupted save never leaves a partial file that a later run would count as saved. A broken page
// removes the file unless `keepExisting` (another request already saved this article).
SaveResult saveArticle(const QString &page, const Layout &layout, const QString &category, const QString &link,
                       const QString &hostBase, const QString &blogName, bool keepExisting = false);

} // namespace Archive
