#pragma once

#include "fault.h"
#include "httpresponse.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// Which faults the host plays for a page: the configured faults matched against the page asked
// for, what they do to an answer, and which broken-once pages were already answered broken.
class FaultPolicy
{
public:
    // Faults for any page: slow delays of every match add up, of the other faults the last counts.
    struct PageFaults
    {
        int delayMs = 0;
        std::optional<Fault> fault;
    };
    // The faults of one article's pictures: whether the article shows pictures anyway (and hostile
    // ones), and, for the picture answers, the added delay and the last other mode.
    struct PictureFaults
    {
        bool forced = false;
        bool hostile = false;
        int delayMs = 0;
        std::optional<FaultMode> mode;
    };

    // `faults` is read at every request, so that changes take effect with the next one.
    explicit FaultPolicy(const QList<Fault> &faults);

    PageFaults pageFaults(FaultTarget target, int row) const;
    // The mode an article page is answered with; a broken-once article is broken for its blog's
    // first request only.
    std::optional<FaultMode> articleMode(const QString &blogName, int row, const PageFaults &faults);
    PictureFaults pictureFaults(int row) const;
    // Broken-once articles are broken again.
    void forgetServed() { m_brokenServed.clear(); }

    // The faults any page can have; the others leave the response as it is.
    static void applyPageFault(const Fault &fault, HttpResponse &response);

private:
    const QList<Fault> &m_faults;
    QSet<QString> m_brokenServed; // name + '\n' + row of broken-once faults already answered broken
};
