#include "samplehostconfig.h"

namespace {

// Large enough for any benchmark, small enough that the list of one blog fits in memory.
constexpr int MaxArticles = 10'000'000;
constexpr int MaxCategories = 100'000;
constexpr int MaxListSize = 100'000;
constexpr int MaxLatencyMs = 24 * 60 * 60 * 1000;

Result<void> checkRange(const char16_t *name, int value, int low, int high)
{
    if (value >= low && value <= high)
        return {};
    return Result<void>::failure(
        QStringLiteral("%1 must be from %2 to %3, not %4").arg(QStringView(name)).arg(low).arg(high).arg(value));
}

} // namespace

Result<void> checkConfig(const SampleHostConfig &config)
{
    for (const Result<void> &check :
         {checkRange(u"articles", config.articles, 0, MaxArticles),
          checkRange(u"categories", config.categories, 1, MaxCategories),
          checkRange(u"list size", config.listSize, 1, MaxListSize),
          checkRange(u"latency", config.latencyMs, 0, MaxLatencyMs),
          checkRange(u"reverse list latency", config.reverseListLatencyMs, 0, MaxLatencyMs)}) {
        if (!check)
            return check;
    }
    for (const Fault &fault : config.faults) {
        if (fault.target == FaultTarget::Article && fault.row < 1)
            return Result<void>::failure(QStringLiteral("fault row must be from 1, not %1").arg(fault.row));
    }
    for (const EntryFault &fault : config.entryFaults) {
        if (fault.row < 1)
            return Result<void>::failure(QStringLiteral("entry fault row must be from 1, not %1").arg(fault.row));
    }
    return {};
}
