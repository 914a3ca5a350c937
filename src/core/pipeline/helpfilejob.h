#pragma once

#include "helpfile/hha.h"
#include "pipeline/taskjob.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace Archive {
class Layout;
}

namespace Pipeline {

// Compiles the help project at a path into the compiled file the project names; the report lists
// the project's entries that were missing on disk and are not in the compiled file.
using HelpCompiler =
    std::function<Result<HelpFile::CompileReport>(const QString &projectPath, const HelpFile::CompileOptions &)>;

// The compiler of this program (HelpFile::compileProject).
Result<HelpFile::CompileReport> compileHelpProject(const QString &projectPath, const HelpFile::CompileOptions &options);

struct HelpFileReport
{
    QString helpFile;               // Layout::helpFile
    QStringList missingArticles;    // articles not in the help file, as "title (category, link)" lines
    int indexedPages = 0;           // pages in the full-text index
    int indexedWords = 0;           // distinct words in it
    int pagesWithActiveContent = 0; // pages stored without their scripts or controls
};

// Build CHM: refuses an archive without its start page (Download has not finished), writes the
// help project into the archive folder and compiles it, reporting HelpFile Started before the
// compile, Running for each file compressed (done of total files) and Done (done = articles
// missing) after it. With `titledContents` the compiled copy's contents and index go by category
// and title (Archive::helpCompileOptions). The compile blocks; a failure is returned,
// with the reason, and reported as HelpFile Failed.
Result<HelpFileReport> buildHelpFile(const Archive::Layout &layout, const QString &blogName,
                                     const Blog::ArticleTable &table, bool titledContents, const HelpCompiler &compile,
                                     const ProgressSink &report);

} // namespace Pipeline
