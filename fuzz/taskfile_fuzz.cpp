#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "fuzzcheck.h"
#include "task/taskfile.h"

#include <memory>

namespace {

// The table Import fills from a task file, as the window and the command line fill it.
std::unique_ptr<Blog::ArticleTable> load(const Task::TaskData &task)
{
    auto table = std::make_unique<Blog::ArticleTable>();
    for (const Task::Record &r : task.records)
        table->appendArticle(r.title, r.category, r.link, r.date);
    return table;
}

// Text as a GBK file holds it: what GBK cannot hold comes back as "?".
QString throughFile(const QString &text)
{
    return Gbk::decode(Gbk::encode(text));
}

} // namespace

// The input is a task file. Whatever one import makes of it, export and import give that table again,
// as far as GBK can hold its text: a replacement character from a broken byte comes back as "?".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Result<Task::TaskData> first = Task::parseTask(Gbk::decode(fuzzBytes(data, size)));
    if (!first) {
        check(!first.error().isEmpty(), "a refused file says why");
        return 0;
    }
    const QByteArray exported = Task::exportBytes(first->blogName, *load(*first));

    first->blogName = throughFile(first->blogName);
    for (Task::Record &r : first->records)
        r = {throughFile(r.title), throughFile(r.category), throughFile(r.link), throughFile(r.date)};
    const auto expected = load(*first);

    const Result<Task::TaskData> second = Task::parseTask(Gbk::decode(exported));
    check(second.ok(), "an exported file imports");
    check(second->blogName == first->blogName, "the blog name survives");
    check(second->records.size() == first->records.size(), "every record survives, and no other");
    const auto table = load(*second);
    for (int row = 1; row <= table->articleCount(); ++row) {
        for (int column = 0; column <= 5; ++column)
            check(table->cell(row, column) == expected->cell(row, column), "every value survives");
    }
    check(Task::exportBytes(second->blogName, *table) == Task::exportBytes(first->blogName, *expected),
          "exporting the import again writes the same file");
    return 0;
}
