#include "gui/helpcompiler.h"

#include "helpfile/hha.h"

Result<QStringList> compileHelpProject(const QString &projectPath)
{
    const Result<HelpFile::CompileReport> compiled = HelpFile::compileProject(projectPath);
    if (!compiled)
        return failureFrom<QStringList>(compiled);
    return compiled->missingFiles;
}
