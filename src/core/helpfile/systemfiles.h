#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace HelpFile {

struct HelpProject;

// One topic of the help file: a page that the contents, the index or the full file list names.
struct Topic
{
    QByteArray path;  // UTF-8, as stored in the directory but without the leading "/"
    QByteArray title; // in the project's code page; empty when the page has none
    bool inContents = false;
    qsizetype file = -1; // index of its page among the stored files
};

// The internal files that describe a help file to its viewer, all strings in the project's code page.
struct SystemFiles
{
    QByteArray system;      // #SYSTEM
    QByteArray windows;     // #WINDOWS
    QByteArray strings;     // #STRINGS
    QByteArray topics;      // #TOPICS
    QByteArray urlTable;    // #URLTBL
    QByteArray urlStrings;  // #URLSTR
    QByteArray indexHeader; // #IDXHDR
};

// `defaultTopic` is the stored path of the page shown first ("index.html"); `timestamp` is in seconds
// since 1970; `searchable` tells readers that the file carries a full-text index.
SystemFiles buildSystemFiles(const HelpProject &project, const QString &defaultTopic, const std::vector<Topic> &topics,
                             qint64 timestamp, bool searchable = false);

// The hash by which #URLTBL records are sorted.
quint32 urlHash(QByteArrayView path);

} // namespace HelpFile
