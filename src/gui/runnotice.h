#pragma once

#include <QString>

namespace Archive {
struct DownloadJobReport;
}

// What the desktop notice says when a run ends: what finished, and how.
struct RunNotice
{
    QString summary;
    QString body;
};

namespace RunNotices {

// `failure` is empty when every list page was read.
RunNotice find(const QString &blogName, int articles, const QString &failure);
// Complete, or how many articles were given up, or why the index pages were not written.
RunNotice download(const QString &blogName, const Archive::DownloadJobReport &report);
// `statusLine` is what the status line says at the end of Build CHM.
RunNotice pack(const QString &blogName, bool packed, const QString &statusLine);

} // namespace RunNotices
