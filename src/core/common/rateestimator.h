#pragma once

#include <QString>
#include <QtGlobal>
#include <deque>
#include <optional>

// Estimates the time a counted run has left from its recent pace: the rate over the last `windowMs`
// milliseconds, so a run that speeds up or slows down is judged by how it goes now, not by its
// average since the start. Times are milliseconds on any steady clock; the caller passes them in.
class RateEstimator
{
public:
    static constexpr qint64 DefaultWindowMs = 10000;
    // Below this much time in the window there is too little to judge by.
    static constexpr qint64 MinimumSpanMs = 1000;

    explicit RateEstimator(qint64 windowMs = DefaultWindowMs);

    void reset();
    // Records that `done` items were finished at `atMs`. A count that goes down starts over.
    void sample(qint64 atMs, int done);
    // Items per second from the oldest sample in the window up to `nowMs`; nothing while there is too
    // little to judge by or nothing was finished in the window (a stall).
    std::optional<double> rate(qint64 nowMs) const;
    // Milliseconds until `total` items are done at that rate; nothing when the rate is unknown.
    std::optional<qint64> remainingMs(qint64 nowMs, int total) const;

private:
    struct Sample
    {
        qint64 atMs;
        int done;
    };
    qint64 m_windowMs;
    // Oldest first; the first one is the newest sample at or before the window's start.
    std::deque<Sample> m_samples;
};

// A duration as "m:ss", or "h:mm:ss" from an hour on; rounded up to whole seconds.
QString durationText(qint64 ms);
