#include "gui/helpcompiler.h"

#include "helpfile/hha.h"

Result<void> compileHelpProject(const QString &projectPath)
{
    const Result<HelpFile::CompileReport> compiled = HelpFile::compileProject(projectPath);
    if (!compiled)
        return failureFrom<void>(compiled);
    return {};
}
