#pragma once

#include "common/result.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace HelpFile {

// A notification function as the compile call takes it: one pointer-sized argument, a 16-bit result.
using Callback = short (*)(void *);

struct CompileReport
{
    QString outputPath;       // the compiled file, absolute
    int fileCount = 0;        // files taken from the project folder
    qint64 contentBytes = 0;  // their total size
    qint64 outputBytes = 0;   // size of the compiled file
    QStringList missingLinks; // linked files that do not exist, relative to the project folder
};

// Compiles a help project (.hhp) into the file its "Compiled file" option names. The output is written
// to a temporary file and renamed into place, so a failed compile leaves any earlier file untouched
// and no partial one. Fails with a message on an unreadable project, a missing file that the project
// names, or a write failure. `progress` receives one line of text per step.
Result<CompileReport> compileProject(const QString &projectPath,
                                     const std::function<void(const QString &)> &progress = {});

// The program's notification callback: ignores its argument and always answers -1 (true).
short notifyCallback(void *);

} // namespace HelpFile

// The authoring library's compile call: nonzero on success, 0 on failure. `progress` receives each
// step and `error` the failure message, as a NUL-terminated UTF-8 text; either may be null, and their
// results are not used. `reserved` is ignored.
int HHA_CompileHHP(const QString &projectPath, HelpFile::Callback progress, HelpFile::Callback error, int reserved);
