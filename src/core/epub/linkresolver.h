#pragma once

#include "epub/bookplan.h"

#include <QString>

namespace Epub {

// Decides where a link or picture address of an article leads once the article is in the book.
// Addresses are taken as the archive's pages write them: relative to the article file, with "/"
// or "\", percent-encoded or not.
class LinkResolver
{
public:
    LinkResolver(const BookPlan &plan, const QString &hostBase);

    // What a link becomes, relative to the book's root: another article's document, the contents
    // page for the archive's index pages, an http(s) or mailto address that stays as it is (the
    // blog host's article addresses lead to the article in the book when it is there), or empty
    // for a link that leads nowhere the book can follow (a file outside it, a script, a fragment).
    QString link(const QString &href, const QString &fromArchivePath) const;

    // The file a picture address names, relative to the archive folder, or empty when it is remote
    // or lies outside the archive folder.
    QString localFile(const QString &src, const QString &fromArchivePath) const;

private:
    const BookPlan &m_plan;
    QString m_articlePrefix; // the blog host's address of an article, up to its link
};

} // namespace Epub
