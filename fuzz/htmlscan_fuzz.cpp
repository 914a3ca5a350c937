#include "fuzzcheck.h"
#include "helpfile/filecollector.h"
#include "helpfile/helpproject.h"
#include "helpfile/htmlscan.h"

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

    put(folder.project + QStringLiteral("/index.htm"), page.toByteArray());
    HelpProject project;
    project.folder = folder.project;
    FileCollector collector(project);
    check(collector.require(QStringLiteral("index.htm"), QStringLiteral("[FILES] entry")).ok(), "the page is found");
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
