#pragma once

#include "common/progress.h"
#include "common/result.h"
#include "task/taskfile.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace Blog {
class ArticleTable;
}

namespace Archive {
class Layout;
}

// Export and Import of the task file, the same for the window and the command line.
namespace Pipeline {

using ProgressSink = std::function<void(const Progress &progress)>;

struct ExportReport
{
    QStringList unstorable; // values the file cannot carry, as "record N: field"; written all the same
    QString error;          // why the file was not written; empty when it was
};

// Writes the blog's task file (Layout::taskFile), replacing an earlier one, and reports Export Done.
ExportReport exportTask(const Archive::Layout &layout, const QString &blogName, const Blog::ArticleTable &table,
                        const ProgressSink &report);

// Reads a task file whole; with `expectedBlogName` set, a file of another blog is refused. Nothing
// changes on failure.
Result<Task::TaskData> readTask(const QString &path, const QString &expectedBlogName = QString());

// Empties the table and loads the task's rows in order, reporting each row (Import Running, counted
// from 2 of rows + 1, as the file's lines are) and Import Done.
void loadTask(const Task::TaskData &task, Blog::ArticleTable &table, const ProgressSink &report);

} // namespace Pipeline
