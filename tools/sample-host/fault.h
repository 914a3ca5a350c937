#pragma once

#include "common/result.h"

#include <QList>
#include <QString>
#include <utility>

// How the host misbehaves for one article page.
enum class FaultMode {
    Slow,                // answer after delayMs
    BrokenOnce,          // the first request gets a page without body or host marker, later ones are good
    AlwaysBroken,        // every request gets that page
    WithdrawnFooter,     // a complete page without body, with the rights-reserved footer
    WithdrawnDisclaimer, // no body, the disclaimer marker, no footer
    WithdrawnNotOpen,    // no body, the blog-not-open marker, no footer
    EmptyBody,           // 200 with Content-Length 0
    Never,               // read the request, never answer, keep the connection open
    Reset,               // close the connection without a response
    Http500,             // status 500, a small page without markers
    Truncated,           // the page cut off before the body start marker
    CrLf,                // the page's lines joined by CR LF
    Http503,             // status 503 without Retry-After, every time
    BusyOnce,            // the first request of the article gets 429 with Retry-After: `count` seconds

    // Hostile answers for any page, list and blog pages included.
    Endless,    // 200 with a chunked body that never ends, sent as fast as the client reads
    GzipBomb,   // 200 with a gzip body of about 1 MB that inflates to 1 GiB of zeros
    Drip,       // the page one byte at a time, DripIntervalMs apart
    Redirect,   // 302 to `url`
    EntryFlood, // list pages only: `count` entry-marker lines and nothing else

    // Faults of the article's pictures (the host serves pictures only when asked to); the article
    // gets a picture even when it would have none.
    ImageMissing,   // the pictures answer 404
    ImageNotImage,  // 200 with an HTML page (Content-Type text/html)
    ImageHuge,      // announced as 2 GB and sent without end
    ImageEndless,   // no length, sent without end until the client leaves
    ImageSlow,      // the pictures answer after delayMs
    ImageLoop,      // the pictures redirect to themselves
    ImageElsewhere, // the pictures redirect to the same picture on the other port
    ImageHostile,   // the article also references ../../x.png, a data: URL, a file: URL and a path with ".."
};

// Which page a fault is for.
enum class FaultTarget {
    Article,  // the article in row `row`
    BlogPage, // the blog address page
    ListPage, // list page `row` (from 0), or every list page when `row` is AnyListPage
    Every,    // every page of every blog
};
constexpr int AnyListPage = -1;
constexpr int DripIntervalMs = 20;

// True for the modes that concern an article's pictures, not its page.
bool isImageFault(FaultMode mode);

// A fault of the article in row `row`: its 1-based position in list order, newest first; or of the
// page `target` names.
struct Fault
{
    Fault() = default;
    Fault(int row_, FaultMode mode_, int delayMs_ = 0, FaultTarget target_ = FaultTarget::Article, int count_ = 0,
          QString url_ = {})
        : row(row_)
        , mode(mode_)
        , delayMs(delayMs_)
        , target(target_)
        , count(count_)
        , url(std::move(url_))
    {}

    int row = 0;
    FaultMode mode = FaultMode::Slow;
    int delayMs = 0; // Slow and ImageSlow only
    FaultTarget target = FaultTarget::Article;
    int count = 0; // EntryFlood: lines; BusyOnce: seconds
    QString url;   // Redirect only

    bool operator==(const Fault &) const = default;
};

// "N=MODE", with MODE one of slow:MS, broken-once, always-broken, withdrawn-footer,
// withdrawn-disclaimer, withdrawn-notopen, empty-body, never, reset, http500, http503,
// busy-once:SECONDS, truncated, crlf, endless, gzip-bomb, drip, redirect:URL, flood:COUNT. Instead of the row N: "blog"
// for the blog address page, "list:P" for list page P, "list:*" for every list page, "every" for every page. For
// pictures: img-404, img-not-image, img-huge, img-endless, img-slow:MS, img-loop, img-elsewhere, img-hostile.
Result<Fault> parseFault(const QString &spec);

// One fault a line, "N MODE" (or "N=MODE"); blank lines and text after "#" are skipped.
// An error names the line it stopped at.
Result<QList<Fault>> parseFaultLines(const QString &text);
Result<QList<Fault>> readFaultFile(const QString &path);

// The "N=MODE" text parseFault() reads back.
QString faultText(const Fault &fault);
