#pragma once

#include "pipeline/taskjob.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace Archive {
class Layout;
}

namespace Pipeline {

// Compiles the help project at a path into the compiled file the project names; the result lists
// the project's entries that were missing on disk and are not in the compiled file.
using HelpCompiler = std::function<Result<QStringList>(const QString &projectPath)>;

// The compiler of this program (HelpFile::compileProject).
Result<QStringList> compileHelpProject(const QString &projectPath);

struct HelpFileReport
{
    QString helpFile;            // Layout::helpFile
    QStringList missingArticles; // articles not in the help file, as "title (category, link)" lines
};

// Build CHM: refuses an archive without its start page (Download has not finished), writes the
// help project into the archive folder and compiles it, reporting HelpFile Started before the
// compile and Done (done = articles missing) after it. The compile blocks; a failure is returned,
// with the reason, and reported as HelpFile Failed.
Result<HelpFileReport> buildHelpFile(const Archive::Layout &layout, const QString &blogName,
                                     const Blog::ArticleTable &table, const HelpCompiler &compile,
                                     const ProgressSink &report);

} // namespace Pipeline
