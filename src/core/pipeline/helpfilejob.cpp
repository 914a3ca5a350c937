#include "pipeline/helpfilejob.h"

#include "archive/helpoptions.h"
#include "archive/layout.h"
#include "archive/projectwriter.h"
#include "helpfile/hha.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Pipeline {

namespace {

Progress helpFileEvent(Progress::Stage stage)
{
    Progress progress;
    progress.phase = Progress::Phase::HelpFile;
    progress.stage = stage;
    return progress;
}

Result<HelpFileReport> failed(const QString &why, const ProgressSink &report)
{
    Progress failure = helpFileEvent(Progress::Stage::Failed);
    failure.reason = why;
    report(failure);
    return Result<HelpFileReport>::failure(why);
}

} // namespace

Result<HelpFile::CompileReport> compileHelpProject(const QString &projectPath, const HelpFile::CompileOptions &options)
{
    return HelpFile::compileProject(projectPath, {}, options);
}

Result<HelpFileReport> buildHelpFile(const Archive::Layout &layout, const QString &blogName,
                                     const Blog::ArticleTable &table, bool titledContents, const HelpCompiler &compile,
                                     const ProgressSink &report)
{
    if (!QFileInfo::exists(layout.file(QStringLiteral("index.html"))))
        return failed(QStringLiteral("%1 has no start page; run download first")
                          .arg(QDir::toNativeSeparators(layout.archiveFolder())),
                      report);
    if (const Result<void> written = Archive::writeProject(layout.archiveFolder(), blogName, table); !written)
        return failed(written.error(), report);
    report(helpFileEvent(Progress::Stage::Started));
    QFile startPage(layout.file(QStringLiteral("index.html")));
    const QByteArray startPageBytes = startPage.open(QIODevice::ReadOnly) ? startPage.readAll() : QByteArray();
    HelpFile::CompileOptions options =
        Archive::helpCompileOptions(table, titledContents, Archive::pagesOnStartPage(startPageBytes));
    options.filesCompressed = [&report](int done, int total) {
        Progress running = helpFileEvent(Progress::Stage::Running);
        running.done = done;
        running.total = total;
        report(running);
    };
    const Result<HelpFile::CompileReport> compiled = compile(layout.file(Archive::projectFileName()), options);
    if (!compiled)
        return failed(compiled.error(), report);
    HelpFileReport result;
    result.helpFile = layout.helpFile();
    result.missingArticles = Archive::describeEntries(table, compiled->missingFiles);
    result.indexedPages = compiled->indexedPages;
    result.indexedWords = compiled->indexedWords;
    result.pagesWithActiveContent = compiled->pagesWithActiveContent;
    Progress done = helpFileEvent(Progress::Stage::Done);
    done.done = static_cast<int>(compiled->missingFiles.size());
    report(done);
    return result;
}

} // namespace Pipeline
