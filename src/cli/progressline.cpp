#include "cli/progressline.h"

#include <QStringList>

namespace Cli {

namespace {

constexpr int BarWidth = 24;

} // namespace

QString ProgressLine::render(qint64 nowMs, const QString &phase, int done, int total, const QString &note)
{
    if (phase != m_phase || total != m_total)
        m_estimator.reset();
    m_phase = phase;
    m_total = total;
    m_estimator.sample(nowMs, done);

    const int filled = total > 0 ? static_cast<int>(static_cast<qint64>(BarWidth) * qBound(0, done, total) / total) : 0;
    QStringList parts;
    if (const std::optional<double> rate = m_estimator.rate(nowMs))
        parts << QStringLiteral("%1/s").arg(*rate, 0, 'f', 1);
    if (const std::optional<qint64> left = m_estimator.remainingMs(nowMs, total); left && done < total)
        parts << durationText(*left) + QStringLiteral(" left");
    if (!note.isEmpty())
        parts << note;
    QString line = QStringLiteral("\r[") + QString(filled, QLatin1Char('#')) +
                   QString(BarWidth - filled, QLatin1Char('-')) + QStringLiteral("] ") + phase + QLatin1Char(' ') +
                   QString::number(done) + QLatin1Char('/') + QString::number(total);
    if (!parts.isEmpty())
        line += QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    return line + QStringLiteral("\x1b[K");
}

void ProgressLine::reset()
{
    m_estimator.reset();
    m_phase.clear();
    m_total = -1;
}

} // namespace Cli
