#pragma once

#include "common/progress.h"

#include <QString>

// The status line's vocabulary, shared by the window and the command line: every text the status
// line shows comes from here, most of them through statusText() from what core reports.
namespace Presentation {

// The status text of one progress event; empty for an event the status line does not show.
QString statusText(const Progress &progress);

// The label before the picture counts on the command line's progress line.
QString picturesLabel();

QString initial();
QString findStarting();
QString findPagesKnown();
QString findPage(int page, int total);
QString findDone();
// Find stopped at a page that did not come complete after `attempts` fetches.
QString findFailed(const QString &address, const QString &why, int attempts);
QString downloadStarting();
// Before the first completion no row has been handed out yet and the row number is empty.
QString downloadProgress(const QString &row, int total);
QString downloadProgress(int row, int total);
// A busy host or a failed request: the next attempt waits this long.
QString retryWaiting(int seconds);
QString imageProgress(int done, int total);
QString indexProgress(int row, int total);
QString startPage();
QString downloadDone();
QString packing();
QString packed();
// The help file was written, but without the articles that are missing on disk.
QString packedWithout(int missing);
QString packFailed(const QString &why);
QString exported(const QString &blogName);
QString importProgress(int n, int total);
QString imported();
QString epubWriting();
QString epubWritten();
// The book was written, but `left` articles, pictures or values could not go into it.
QString epubWrittenWithout(int left);
QString epubFailed(const QString &why);

} // namespace Presentation
