#pragma once

#include "common/result.h"
#include "entryfault.h"
#include "fault.h"

#include <QList>
#include <QString>

// What every blog on the host looks like and how the host behaves. The articles themselves follow
// from the blog name and these numbers alone.
struct SampleHostConfig
{
    int articles = 60;   // per blog
    int categories = 6;  // per blog; the first ones of a fixed list, then generated names
    int listSize = 10;   // articles per list page
    int latencyMs = 0;   // added to every response
    QString logPath;     // one line per request appended here when set
    QList<Fault> faults; // by article row, the same for every blog
    // List page p answers (last page - p) times this later: later pages come first.
    int reverseListLatencyMs = 0;
    // Odd entries of the list pages, by article row, the same for every blog.
    QList<EntryFault> entryFaults;
    // Articles show pictures, served from the host and from a second port; off, the host's pages
    // are exactly those of a host without pictures.
    bool images = false;
};

// Refuses numbers the host cannot serve sensibly, naming the first one.
Result<void> checkConfig(const SampleHostConfig &config);
