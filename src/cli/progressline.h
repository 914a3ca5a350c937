#pragma once

#include "common/rateestimator.h"

#include <QString>

namespace Cli {

// The one line a phase shows on a terminal while it runs, rewritten in place: a bar, the phase,
// done/total, the recent rate and the time left at that rate. A new phase or total starts the
// rate over.
class ProgressLine
{
public:
    // The line for `done` of `total` at `nowMs` (a steady clock), starting with a carriage return
    // and ending with the erase-to-end-of-line sequence; `note` goes after the counts.
    QString render(qint64 nowMs, const QString &phase, int done, int total, const QString &note);
    // The phase of the line last rendered; empty before the first.
    const QString &phase() const { return m_phase; }
    void reset();

private:
    RateEstimator m_estimator;
    QString m_phase;
    int m_total = -1;
};

} // namespace Cli
