#include "pipeline/taskjob.h"

#include "archive/layout.h"
#include "blog/articletable.h"

namespace Pipeline {

namespace {

Progress taskEvent(Progress::Phase phase, Progress::Stage stage)
{
    Progress progress;
    progress.phase = phase;
    progress.stage = stage;
    return progress;
}

} // namespace

ExportReport exportTask(const Archive::Layout &layout, const QString &blogName, const Blog::ArticleTable &table,
                        const ProgressSink &report)
{
    ExportReport result;
    result.unstorable = Task::unstorableValues(table);
    if (const Result<void> written = Task::exportTask(layout.taskFile(), blogName, table); !written) {
        result.error = written.error();
        return result;
    }
    Progress done = taskEvent(Progress::Phase::Export, Progress::Stage::Done);
    done.subject = blogName;
    report(done);
    return result;
}

Result<Task::TaskData> readTask(const QString &path, const QString &expectedBlogName)
{
    Result<Task::TaskData> task = Task::importTask(path);
    if (task && !expectedBlogName.isEmpty() && task->blogName != expectedBlogName)
        return Result<Task::TaskData>::failure(
            QStringLiteral("%1 belongs to the blog \"%2\"").arg(path, task->blogName));
    return task;
}

void loadTask(const Task::TaskData &task, Blog::ArticleTable &table, const ProgressSink &report)
{
    table.clear();
    Progress running = taskEvent(Progress::Phase::Import, Progress::Stage::Running);
    running.total = static_cast<int>(task.records.size()) + 1;
    for (int i = 0; i < task.records.size(); ++i) {
        running.done = i + 2;
        report(running);
        const Task::Record &r = task.records[i];
        table.appendArticle(r.title, r.category, r.link, r.date);
    }
    report(taskEvent(Progress::Phase::Import, Progress::Stage::Done));
}

} // namespace Pipeline
