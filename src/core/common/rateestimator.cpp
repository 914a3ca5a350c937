#include "common/rateestimator.h"

#include <cmath>

RateEstimator::RateEstimator(qint64 windowMs)
    : m_windowMs(windowMs)
{}

void RateEstimator::reset()
{
    m_samples.clear();
}

void RateEstimator::sample(qint64 atMs, int done)
{
    if (!m_samples.empty() && (done < m_samples.back().done || atMs < m_samples.back().atMs))
        m_samples.clear();
    m_samples.push_back({atMs, done});
    // Keep one sample at or before the window's start, so the window is covered from its start.
    while (m_samples.size() > 1 && m_samples[1].atMs <= atMs - m_windowMs)
        m_samples.pop_front();
}

std::optional<double> RateEstimator::rate(qint64 nowMs) const
{
    if (m_samples.empty())
        return std::nullopt;
    const Sample &oldest = m_samples.front();
    const qint64 span = nowMs - oldest.atMs;
    const int finished = m_samples.back().done - oldest.done;
    if (span < MinimumSpanMs || finished <= 0)
        return std::nullopt;
    return finished * 1000.0 / static_cast<double>(span);
}

std::optional<qint64> RateEstimator::remainingMs(qint64 nowMs, int total) const
{
    const std::optional<double> perSecond = rate(nowMs);
    if (!perSecond)
        return std::nullopt;
    const int left = qMax(0, total - m_samples.back().done);
    return static_cast<qint64>(std::llround(left * 1000.0 / *perSecond));
}

QString durationText(qint64 ms)
{
    const qint64 seconds = (qMax<qint64>(0, ms) + 999) / 1000;
    const auto twoDigits = [](qint64 n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); };
    if (seconds < 3600)
        return QString::number(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60);
    return QString::number(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}
