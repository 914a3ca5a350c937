#pragma once

#include "common/result.h"
#include "helpfile/titledsitemap.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace HelpFile {

// A notification function as the compile call takes it: one pointer-sized argument, a 16-bit result.
using Callback = short (*)(void *);

struct CompileReport
{
    QString outputPath;             // the compiled file, absolute
    int fileCount = 0;              // files taken from the project folder
    qint64 contentBytes = 0;        // their total size on disk
    qint64 outputBytes = 0;         // size of the compiled file
    QStringList missingFiles;       // [FILES] entries that do not exist, as the project writes them
    QStringList missingLinks;       // other linked files that do not exist, relative to the project folder
    int droppedEntries = 0;         // contents and index entries left out because they lead to no file
    int indexedPages = 0;           // pages in the full-text index
    int indexedWords = 0;           // distinct words in it
    int pagesWithActiveContent = 0; // pages stored without their scripts, controls or script addresses
};

// What the compiled copy carries beyond the project's own files.
struct CompileOptions
{
    bool fullTextSearch = true;
    // Titles of pages by their name relative to the project folder with "/" ("随笔/1.html"): what
    // search results and the viewer show for them instead of the contents' names or their <title>.
    QHash<QString, QString> pageTitles;
    // When given, the compiled copy's contents and index are made from this instead of the project's
    // contents and index files.
    std::optional<TitledSitemap> titledSitemap;
    // Called as the files taken from the project folder are compressed, the longest step: `done`
    // rises by one a call from 1 to `total`, which is CompileReport::fileCount.
    std::function<void(int done, int total)> filesCompressed;
};

// Compiles a help project (.hhp) into the file its "Compiled file" option names. What is stored is a
// copy made for every reader (PortableCopy); the project's files are only read. The output is written
// to a temporary file and renamed into place, so a failed compile leaves any earlier file untouched
// and no partial one. A [FILES] entry that is missing does not stop the compile: it is listed in
// `missingFiles`, and the caller tells the user that the compiled file lacks it. Fails with a message
// on an unreadable project, a missing contents, index or default page, a page of 0 bytes, or a write
// failure (with the system's reason). `progress` receives one line of text per step.
// Every stored page is made safe to open (activecontent.h) and, unless turned off, indexed for
// full-text search (fulltextindex.h); the files on disk never change.
Result<CompileReport> compileProject(const QString &projectPath,
                                     const std::function<void(const QString &)> &progress = {},
                                     const CompileOptions &options = {});

// The program's notification callback: ignores its argument and always answers -1 (true).
short notifyCallback(void *);

} // namespace HelpFile

// The authoring library's compile call: nonzero on success, 0 on failure. A compile that left out
// missing [FILES] entries still writes the compiled file but answers 0, with one error message naming
// them. `progress` receives each step and `error` the failure message, as a NUL-terminated UTF-8
// text; either may be null, and their results are not used. `reserved` is ignored.
int HHA_CompileHHP(const QString &projectPath, HelpFile::Callback progress, HelpFile::Callback error, int reserved);
