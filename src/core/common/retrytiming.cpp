#include "common/retrytiming.h"

#include <QRandomGenerator>
#include <QtGlobal>
#include <algorithm>

int RetryTiming::delayMs(int attemptsMade, int retryAfterMs) const
{
    if (retryAfterMs >= 0)
        return std::min(retryAfterMs, retryAfterCapMs);
    // 0.5 s, 1 s, 2 s, ... up to the ceiling; each wait is drawn from the upper half of its step, so
    // the waits of one request still grow while those of requests failing together drift apart.
    qint64 ceiling = firstDelayMs;
    for (int i = 1; i < attemptsMade && ceiling < maxDelayMs; ++i)
        ceiling *= 2;
    ceiling = std::min<qint64>(ceiling, maxDelayMs);
    const double spread = jitter ? jitter() : QRandomGenerator::global()->generateDouble();
    return static_cast<int>(ceiling / 2 + static_cast<qint64>(spread * static_cast<double>(ceiling - ceiling / 2)));
}
