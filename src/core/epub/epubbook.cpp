#include "epub/epubbook.h"

#include "common/paths.h"
#include "epub/articleconverter.h"
#include "epub/bookcollector.h"
#include "epub/linkresolver.h"
#include "epub/packagefiles.h"
#include "epub/pictureshelf.h"
#include "epub/xhtmlpage.h"
#include "epub/zipwriter.h"

#include <QFile>

namespace Epub {

namespace {

Result<void> addArticles(ZipWriter &zip, BookPlan &plan, const LinkResolver &links, PictureShelf &pictures,
                         const Progress &progress)
{
    int done = 0;
    const int total = static_cast<int>(plan.articles.size());
    for (const PlannedCategory &category : plan.categories) {
        for (int index : category.articles) {
            const PlannedArticle &article = plan.articles[index];
            QFile file(article.sourceFile);
            if (!file.open(QIODevice::ReadOnly))
                plan.problems << QStringLiteral("%1: cannot read %2: %3")
                                     .arg(article.title, article.sourceFile, file.errorString());
            ConvertedArticle converted = convertArticle(file.readAll(), article, links, pictures);
            plan.problems << converted.problems;
            if (auto added = zip.add(article.document, converted.document); !added)
                return added;
            if (progress)
                progress(++done, total);
        }
    }
    return {};
}

} // namespace

Result<BookReport> writeBook(const BookRequest &request, const Progress &progress)
{
    Result<BookPlan> collected = collectBook(request.programFolder, request.blogName, request.table);
    if (!collected)
        return failureFrom<BookReport>(collected);
    BookPlan &plan = *collected;
    BookReport report;
    report.outputPath = Paths::join(request.programFolder, request.blogName + QStringLiteral(".epub"));
    const QString identifier = bookIdentifier(request.hostBase, request.blogName);
    const LinkResolver links(plan, request.hostBase);
    PictureShelf pictures(plan.archiveFolder);

    ZipWriter zip(report.outputPath);
    if (auto opened = zip.open(); !opened)
        return failureFrom<BookReport>(opened);
    // Readers find the book's type in its first entry, stored as it is.
    Result<void> written = zip.add(QStringLiteral("mimetype"), "application/epub+zip", ZipWriter::Compression::Store);
    if (written)
        written = zip.add(QStringLiteral("META-INF/container.xml"), containerXml());
    if (written)
        written = addArticles(zip, plan, links, pictures, progress);
    for (const PictureShelf::Picture &picture : pictures.pictures()) {
        if (written)
            written = zip.addFile(picture.bookPath, picture.sourceFile);
    }
    const std::pair<QString, QByteArray> ownFiles[] = {
        {QStringLiteral("style.css"), styleSheet()},
        {QStringLiteral("title.xhtml"), titlePage(plan)},
        {QStringLiteral("contents.xhtml"), contentsPage(plan)},
        {QStringLiteral("nav.xhtml"), navigationDocument(plan)},
        {QStringLiteral("toc.ncx"), ncx(plan, identifier)},
        {QStringLiteral("content.opf"), packageDocument(plan, pictures.pictures(), identifier, request.modified)},
    };
    for (const auto &[name, data] : ownFiles) {
        if (written)
            written = zip.add(name, data);
    }
    if (written)
        written = zip.close();
    if (!written)
        return failureFrom<BookReport>(written);
    report.articleCount = static_cast<int>(plan.articles.size());
    report.pictureCount = static_cast<int>(pictures.pictures().size());
    report.missingArticles = plan.missingArticles;
    report.problems = plan.problems;
    return report;
}

} // namespace Epub
