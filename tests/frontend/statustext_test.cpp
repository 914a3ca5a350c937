#include "frontend/statustext.h"

#include <gtest/gtest.h>

namespace {

using Phase = Progress::Phase;
using Stage = Progress::Stage;

struct Case
{
    Progress event;
    const char *text; // UTF-8
};

Progress event(Phase phase, Stage stage, int done = 0, int total = 0)
{
    Progress p;
    p.phase = phase;
    p.stage = stage;
    p.done = done;
    p.total = total;
    return p;
}

Progress downloadRow(int row, int total)
{
    Progress p = event(Phase::Download, Stage::Running, 0, total);
    p.row = row;
    return p;
}

Progress failed(Phase phase, const char *subject, const char *reason, int attempts = 0)
{
    Progress p = event(phase, Stage::Failed);
    p.attempts = attempts;
    p.subject = QString::fromUtf8(subject);
    p.reason = QString::fromUtf8(reason);
    return p;
}

Progress exported(const char *blogName)
{
    Progress p = event(Phase::Export, Stage::Done);
    p.subject = QString::fromUtf8(blogName);
    return p;
}

} // namespace

TEST(StatusText, EachEventShowsItsExactText)
{
    const Case cases[] = {
        {event(Phase::Find, Stage::Started), "正在查找文章.."},
        {event(Phase::Find, Stage::Planned), "正在寻找文章...."},
        {event(Phase::Find, Stage::Running, 3, 12), "查找文章：3页/12页"},
        {event(Phase::Find, Stage::Done), "文章寻找完成，按“下载”开始下载，或者保存本次任务"},
        {failed(Phase::Find, "http://h/a/blog", "HTTP 500", 5), "查找文章失败：http://h/a/blog（HTTP 500，已试5次）"},
        {event(Phase::Download, Stage::Started), "正在下载文章.."},
        {downloadRow(-1, 6), "下载文章：/6"},
        {downloadRow(0, 6), "下载文章：0/6"},
        {downloadRow(17, 230), "下载文章：17/230"},
        {event(Phase::Download, Stage::Done, 6, 6), "全部完成，请用软件打包成CHM以便浏览"},
        {event(Phase::Pictures, Stage::Running, 4, 9), "图片：4/9"},
        {event(Phase::IndexPages, Stage::Running, 100, 230), "生成文章索引：100/230"},
        {event(Phase::StartPage, Stage::Started), "正在生成总索引"},
        {event(Phase::HelpFile, Stage::Started), "正在打包CHM..."},
        {event(Phase::HelpFile, Stage::Done), "打包CHM成功！"},
        {event(Phase::HelpFile, Stage::Done, 2), "打包CHM完成，缺少2篇文章"},
        {failed(Phase::HelpFile, "", "no compiler"), "打包CHM失败：no compiler"},
        {event(Phase::Import, Stage::Running, 2, 31), "导入任务：2/31"},
        {event(Phase::Import, Stage::Done), "导入成功，请按下载开始"},
        {exported("abc"), "abc.ini 导出成功! 放在程序目录"},
        {event(Phase::Export, Stage::Started), ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Presentation::statusText(c.event).toStdString(), std::string(c.text));
}
