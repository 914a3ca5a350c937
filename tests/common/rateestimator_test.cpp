#include "common/rateestimator.h"

#include <gtest/gtest.h>

namespace {

// Feeds the estimator the completions of a host that answers every request after `latencyMs`, with
// five requests in flight: the articles arrive in bursts of five. Returns the estimate when half
// are done, and the time really left then.
struct Halfway
{
    qint64 estimateMs;
    qint64 realMs;
};

Halfway constantLatency(int total, qint64 latencyMs)
{
    constexpr int InFlight = 5;
    RateEstimator estimator;
    estimator.sample(0, 0);
    for (int done = InFlight;; done += InFlight) {
        const qint64 at = done / InFlight * latencyMs;
        estimator.sample(at, done);
        if (done >= total / 2) {
            const qint64 end = (total + InFlight - 1) / InFlight * latencyMs;
            return {estimator.remainingMs(at, total).value_or(-1), end - at};
        }
    }
}

} // namespace

TEST(RateEstimator, HalfwayEstimateOnAConstantLatencyHostIsWithinTwiceTheRealTimeLeft)
{
    for (const qint64 latency : {40, 400, 3000}) {
        const Halfway h = constantLatency(400, latency);
        EXPECT_GE(h.estimateMs, h.realMs / 2) << latency;
        EXPECT_LE(h.estimateMs, h.realMs * 2) << latency;
    }
}

TEST(RateEstimator, FollowsTheRecentPaceNotTheAverageSinceTheStart)
{
    RateEstimator estimator;
    qint64 at = 0;
    int done = 0;
    // 60 articles at two a second, then ten a second.
    for (; done < 60; ++done, at += 500)
        estimator.sample(at, done);
    for (; done <= 120; ++done, at += 100)
        estimator.sample(at, done);
    at -= 100;
    const qint64 real = 80 * 100;
    const std::optional<qint64> estimate = estimator.remainingMs(at, 200);
    ASSERT_TRUE(estimate);
    EXPECT_GE(*estimate, real / 2);
    EXPECT_LE(*estimate, real * 2);
}

TEST(RateEstimator, NoEstimateBeforeThereIsAnythingToJudgeBy)
{
    RateEstimator estimator;
    EXPECT_FALSE(estimator.remainingMs(0, 10));
    estimator.sample(0, 0);
    estimator.sample(300, 3);
    EXPECT_FALSE(estimator.remainingMs(400, 10)); // too short a span
    estimator.sample(2000, 0);                    // a new run on the same estimator
    EXPECT_FALSE(estimator.remainingMs(2000, 10));

    EXPECT_EQ(durationText(0), QStringLiteral("0:00"));
    EXPECT_EQ(durationText(61001), QStringLiteral("1:02"));
    EXPECT_EQ(durationText(3600000), QStringLiteral("1:00:00"));
}
