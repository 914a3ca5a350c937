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
    qint64 contentBytes = 0;  // their total size on disk
    qint64 outputBytes = 0;   // size of the compiled file
    QStringList missingFiles; // [FILES] entries that do not exist, as the project writes them
    QStringList missingLinks; // other linked files that do not exist, relative to the project folder
    int droppedEntries = 0;   // contents and index entries left out because they lead to no file
};

// Compiles a help project (.hhp) into the file its "Compiled file" option names. What is stored is a
// copy made for every reader (PortableCopy); the project's files are only read. The output is written
// to a temporary file and renamed into place, so a failed compile leaves any earlier file untouched
// and no partial one. A [FILES] entry that is missing does not stop the compile: it is listed in
// `missingFiles`, and the caller tells the user that the compiled file lacks it. Fails with a message
// on an unreadable project, a missing contents, index or default page, a page of 0 bytes, or a write
// failure (with the system's reason). `progress` receives one line of text per step.
Result<CompileReport> compileProject(const QString &projectPath,
                                     const std::function<void(const QString &)> &progress = {});

// The program's notification callback: ignores its argument and always answers -1 (true).
short notifyCallback(void *);

} // namespace HelpFile

// The authoring library's compile call: nonzero on success, 0 on failure. A compile that left out
// missing [FILES] entries still writes the compiled file but answers 0, with one error message naming
// them. `progress` receives each step and `error` the failure message, as a NUL-terminated UTF-8
// text; either may be null, and their results are not used. `reserved` is ignored.
int HHA_CompileHHP(const QString &projectPath, HelpFile::Callback progress, HelpFile::Callback error, int reserved);
