#pragma once

#include <QMetaType>
#include <QString>

// What a long operation reports while it runs. Core emits these; the window and the command line
// turn them into status texts, progress lines and bars.
struct Progress
{
    enum class Phase {
        Find, // list pages: done = the page read now (from 1), total = pages
        // articles: done = saved or given up, total = articles, row = the row last handed out (-1
        // before the first, 0 once none is left); Done after the index pages, done = saved
        Download,
        Pictures,   // pictures: done = settled, total = all
        IndexPages, // index pages: done = the row written, total = articles
        StartPage,  // the start page
        // help project and compile: Running done = files compressed, total = files; Done done =
        // articles missing from the help file
        HelpFile,
        Import, // task file rows: done = the row loaded, total = rows
        Export, // task file: subject = the blog name
    };
    enum class Stage {
        Started,
        Planned, // the amount of work is known (Find: the pager was read)
        Running,
        Done,
        Failed, // subject and reason say what failed and why
    };

    Phase phase = Phase::Find;
    Stage stage = Stage::Running;
    int done = 0;
    int total = 0;
    int row = -1;
    int givenUp = 0;  // items given up so far (Download: articles)
    int attempts = 0; // Find Failed: the fetches of the page that failed
    QString subject;
    QString reason;
};

Q_DECLARE_METATYPE(Progress)
