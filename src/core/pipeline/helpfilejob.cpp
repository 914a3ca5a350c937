#include "pipeline/helpfilejob.h"

#include "archive/layout.h"
#include "archive/projectwriter.h"
#include "helpfile/hha.h"

#include <QDir>
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

Result<QStringList> compileHelpProject(const QString &projectPath)
{
    const Result<HelpFile::CompileReport> compiled = HelpFile::compileProject(projectPath);
    if (!compiled)
        return failureFrom<QStringList>(compiled);
    return compiled->missingFiles;
}

Result<HelpFileReport> buildHelpFile(const Archive::Layout &layout, const QString &blogName,
                                     const Blog::ArticleTable &table, const HelpCompiler &compile,
                                     const ProgressSink &report)
{
    if (!QFileInfo::exists(layout.file(QStringLiteral("index.html"))))
        return failed(QStringLiteral("%1 has no start page; run download first")
                          .arg(QDir::toNativeSeparators(layout.archiveFolder())),
                      report);
    if (const Result<void> written = Archive::writeProject(layout.archiveFolder(), blogName, table); !written)
        return failed(written.error(), report);
    report(helpFileEvent(Progress::Stage::Started));
    const Result<QStringList> missing = compile(layout.file(Archive::projectFileName()));
    if (!missing)
        return failed(missing.error(), report);
    HelpFileReport result;
    result.helpFile = layout.helpFile();
    result.missingArticles = Archive::describeEntries(table, *missing);
    Progress done = helpFileEvent(Progress::Stage::Done);
    done.done = static_cast<int>(missing->size());
    report(done);
    return result;
}

} // namespace Pipeline
