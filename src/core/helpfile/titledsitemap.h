#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

// A contents tree and keyword index by title, for the compiled copy in place of the project's own
// contents and index files (which keep their bytes on disk).
namespace HelpFile {

struct SitemapTopic
{
    QString name;
    QString local;        // relative to the project folder, "\" or "/" separators
    QString keyword = {}; // the index keyword; none when empty
};

struct SitemapBook
{
    QString name;
    QString local; // the page the book itself opens; none when empty
    std::vector<SitemapTopic> topics;
};

struct TitledSitemap
{
    std::vector<SitemapTopic> first; // before the books, at the top level
    std::vector<SitemapBook> books;
};

using TextEncoder = std::function<QByteArray(QStringView)>;

// The contents file: the first topics, then one book per entry of `books` holding its topics, in
// the order given. Names and Locals are escaped for the sitemap (&, <, ") and encoded by `encode`.
QByteArray titledContents(const TitledSitemap &sitemap, const TextEncoder &encode);

// The index file: one keyword per distinct topic keyword, in code-point order; topics sharing a
// keyword are targets of that one keyword, each under its own name.
QByteArray titledIndex(const TitledSitemap &sitemap, const TextEncoder &encode);

} // namespace HelpFile
