#include "fuzzcheck.h"
#include "helpfile/filecollector.h"
#include "helpfile/helpproject.h"
#include "helpfile/htmlscan.h"
#include "helpfile/portablecopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace HelpFile;

namespace {

void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
          "the page can be written");
}

// A project folder with a few pages to reach, and files beside it that no link may reach.
struct Folder
{
    QTemporaryDir root;
    QString project = root.filePath(QStringLiteral("proj"));

    Folder()
    {
        put(project + QStringLiteral("/a.htm"), "<a href=\"Sub/b.htm#top\">b</a>");
        put(project + QStringLiteral("/Sub/b.htm"), "<img src=../a.htm><img src='Pic.GIF'>");
        put(project + QStringLiteral("/Sub/Pic.GIF"), "GIF89a");
        put(project + QStringLiteral("/中文.htm"), "<title> 中文 </title>");
        put(root.filePath(QStringLiteral("outside.htm")), "outside");
        put(root.filePath(QStringLiteral("proj.htm")), "beside");
        put(root.filePath(QStringLiteral("projx/c.htm")), "next door");
    }
};

bool isCleanRelative(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    for (const QString &part : name.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

// Where the scanner says a tag and its values lie is where they lie: the stored copy edits there.
void checkPositions(QByteArrayView page)
{
    qsizetype previousEnd = 0;
    Html::forEachTag(page, [&](const Html::Tag &tag) {
        check(previousEnd <= tag.start && tag.start < tag.end && tag.end <= page.size() && page[tag.start] == '<',
              "tags lie in page order, each from its \"<\"");
        previousEnd = tag.end;
        for (const Html::Attribute &a : tag.attributes) {
            if (a.valueStart < 0)
                continue;
            check(tag.start < a.valueStart && a.valueStart <= a.valueEnd && a.valueEnd <= tag.end,
                  "a value lies inside its tag");
            check(page.sliced(a.valueStart, a.valueEnd - a.valueStart) == a.value, "a value is the bytes it spans");
        }
    });
}

// True when `stored` is `page` with some "<" written as "&lt;" and nothing else changed.
bool onlyLessThanEscaped(QByteArrayView page, QByteArrayView stored)
{
    qsizetype j = 0;
    for (qsizetype i = 0; i < page.size(); ++i) {
        if (j < stored.size() && stored[j] == page[i])
            ++j;
        else if (page[i] == '<' && stored.sliced(j).startsWith("&lt;"))
            j += 4;
        else
            return false;
    }
    return j == stored.size();
}

// The stored copy of a page changes links and stray "<" only, and with every target replaced, every
// link names the new target. A stray "<" may be what ended a tag left open, and "&lt;" in its place
// lets the tag run on, so the second check takes pages without one.
void checkStoredCopy(QByteArrayView page)
{
    const HelpFile::Relinker keep = [](QByteArrayView) { return Relink{}; };
    const QByteArray stored = portablePage(page, keep, {});
    check(onlyLessThanEscaped(page, stored), "a stored page differs only in stray \"<\"");
    if (stored != page)
        return;
    const HelpFile::Relinker replace = [](QByteArrayView) { return Relink{Relink::Replace, "r.htm"}; };
    Html::forEachTag(portablePage(page, replace, {}), [](const Html::Tag &tag) {
        for (const Html::Attribute &a : tag.attributes) {
            if (Html::isLinkAttribute(a.name) && a.valueStart >= 0)
                check(Html::linkTarget(a.value) == "r.htm", "every link names its new target");
        }
    });
}

} // namespace

// The input is a page of a help project: the compiler scans it for links and gathers what they
// reach, never anything outside the project folder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Folder folder;
    const QByteArrayView page = fuzzBytes(data, size);

    const QByteArray title = Html::title(page);
    check(title == title.simplified(), "a title is trimmed");
    for (const Html::SitemapEntry &e : Html::sitemapEntries(page))
        check(e.local == e.local.trimmed(), "a sitemap target is trimmed");

    checkPositions(page);
    checkStoredCopy(page);

    put(folder.project + QStringLiteral("/index.htm"), page.toByteArray());
    HelpProject project;
    project.folder = folder.project;
    FileCollector collector(project);
    const Result<QString> required = collector.require(QStringLiteral("index.htm"), QStringLiteral("[FILES] entry"));
    // A page of 0 bytes is one cut short when it was written, and is refused.
    check(required.ok() == !page.isEmpty(), "the page is found unless it is empty");
    if (!required) {
        QFile::remove(folder.project + QStringLiteral("/index.htm"));
        return 0;
    }
    const Result<void> followed = collector.followLinks();
    check(followed.ok(), "every reachable file can be read");

    const QString inside = QDir(folder.project).canonicalPath() + QLatin1Char('/');
    for (const CollectedFile &f : collector.files()) {
        check(isCleanRelative(f.name), "a gathered name is relative and clean");
        check(QFileInfo(folder.project + QLatin1Char('/') + f.name).canonicalFilePath().startsWith(inside),
              "a gathered file lies inside the project folder");
    }
    for (const QString &missing : collector.missingLinks())
        check(isCleanRelative(missing), "a missing link is named relative to the project folder");
    // A new file each time: replacing one by truncation makes the file system write it out.
    QFile::remove(folder.project + QStringLiteral("/index.htm"));
    return 0;
}
