#pragma once

#include "common/result.h"

#include <QList>
#include <QString>

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

// True for the modes that concern an article's pictures, not its page.
bool isImageFault(FaultMode mode);

// A fault of the article in row `row`: its 1-based position in list order, newest first.
struct Fault
{
    int row = 0;
    FaultMode mode = FaultMode::Slow;
    int delayMs = 0; // Slow and ImageSlow only

    bool operator==(const Fault &) const = default;
};

// "N=MODE", with MODE one of slow:MS, broken-once, always-broken, withdrawn-footer,
// withdrawn-disclaimer, withdrawn-notopen, empty-body, never, reset, http500, truncated, crlf,
// or for pictures img-404, img-not-image, img-huge, img-endless, img-slow:MS, img-loop,
// img-elsewhere, img-hostile.
Result<Fault> parseFault(const QString &spec);

// One fault a line, "N MODE" (or "N=MODE"); blank lines and text after "#" are skipped.
// An error names the line it stopped at.
Result<QList<Fault>> parseFaultLines(const QString &text);
Result<QList<Fault>> readFaultFile(const QString &path);

// The "N=MODE" text parseFault() reads back.
QString faultText(const Fault &fault);
