#pragma once

#include <functional>

// How long a failed request waits before its next attempt: exponential back-off with jitter, or
// what a busy host asked for in Retry-After, capped. Tests shrink the numbers; none of them sleeps.
struct RetryTiming
{
    int firstDelayMs = 500;
    int maxDelayMs = 30000;
    int retryAfterCapMs = 120000;
    // A number in [0, 1) spreading the waits of requests that failed together; replaceable in tests.
    std::function<double()> jitter;

    // The wait after `attemptsMade` attempts (1 or more), the last one answered with `retryAfterMs`
    // (-1 when the host named no time).
    int delayMs(int attemptsMade, int retryAfterMs) const;

    // No waits at all, for tests that are about something else.
    static RetryTiming none() { return RetryTiming{0, 0, 0, {}}; }
};
