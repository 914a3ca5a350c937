#include "gui/progresspresenter.h"

#include <QProgressBar>
#include <QWidget>

namespace {

QString phaseName(Progress::Phase phase)
{
    switch (phase) {
    case Progress::Phase::Find:
        return QStringLiteral("寻找文章");
    case Progress::Phase::Download:
        return QStringLiteral("下载文章");
    case Progress::Phase::Pictures:
        return QStringLiteral("下载图片");
    case Progress::Phase::IndexPages:
        return QStringLiteral("生成索引");
    case Progress::Phase::HelpFile:
        return QStringLiteral("打包CHM");
    case Progress::Phase::StartPage:
    case Progress::Phase::Import:
    case Progress::Phase::Export:
        break;
    }
    return QString();
}

} // namespace

ProgressPresenter::ProgressPresenter(QWidget &window, QProgressBar &bar, const QString &desktopFileName,
                                     QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_bar(bar)
    , m_launcher(desktopFileName)
    , m_notifier(QStringLiteral("Pelmora"), desktopFileName)
{
    setObjectName(QStringLiteral("progressPresenter"));
    m_steady.start();
    m_clock = [this] { return m_steady.elapsed(); };
    m_refresh.setInterval(1000);
    connect(&m_refresh, &QTimer::timeout, this, &ProgressPresenter::refreshText);
    m_bar.setTextVisible(true);
    m_bar.hide();
}

void ProgressPresenter::runStarted()
{
    m_runStartMs = m_clock();
}

void ProgressPresenter::present(const Progress &progress)
{
    switch (progress.phase) {
    case Progress::Phase::Find:
    case Progress::Phase::Download:
    case Progress::Phase::Pictures:
    case Progress::Phase::IndexPages:
        if (progress.stage == Progress::Stage::Running)
            update(progress.phase, progress.done, progress.total);
        return;
    case Progress::Phase::HelpFile:
        // Busy until the compile counts the files it compresses.
        if (progress.stage == Progress::Stage::Started)
            update(progress.phase, 0, 0);
        else if (progress.stage == Progress::Stage::Running)
            update(progress.phase, progress.done, progress.total);
        return;
    case Progress::Phase::StartPage:
    case Progress::Phase::Import:
    case Progress::Phase::Export:
        return;
    }
}

void ProgressPresenter::update(Progress::Phase phase, int done, int total)
{
    const qint64 now = m_clock();
    if (!m_active || phase != m_phase || total != m_total)
        m_estimator.reset();
    m_active = true;
    m_phase = phase;
    m_done = qBound(0, done, qMax(total, 0));
    m_total = qMax(total, 0);
    m_estimator.sample(now, m_done);

    m_bar.show();
    refreshText();
    m_bar.setRange(0, m_total);
    m_bar.setValue(m_done);
    if (!m_refresh.isActive())
        m_refresh.start();
    if (m_total > 0)
        m_launcher.setProgress(double(m_done) / m_total);
}

void ProgressPresenter::refreshText()
{
    if (!m_active)
        return;
    m_bar.setFormat(barText(m_phase, m_done, m_total, m_estimator.remainingMs(m_clock(), m_total)));
}

void ProgressPresenter::runEnded(const RunNotice &notice)
{
    hide();
    const bool longRun = m_runStartMs >= 0 && m_clock() - m_runStartMs >= m_longRunMs;
    m_runStartMs = -1;
    // The user who watches the window sees the end there.
    if (longRun && !notice.summary.isEmpty() && !m_window.isActiveWindow())
        m_notifier.notify(notice.summary, notice.body);
}

void ProgressPresenter::hide()
{
    m_active = false;
    m_refresh.stop();
    m_estimator.reset();
    m_bar.hide();
    m_bar.reset();
    m_launcher.hide();
}

QString ProgressPresenter::barText(Progress::Phase phase, int done, int total, std::optional<qint64> remainingMs)
{
    if (total <= 0)
        return phaseName(phase);
    QString text =
        phaseName(phase) + QLatin1Char(' ') + QString::number(done) + QLatin1Char('/') + QString::number(total);
    if (remainingMs && done < total)
        text += QStringLiteral("  剩余 ") + durationText(*remainingMs);
    // The bar reads %v, %m and %p in its text; a literal percent sign is doubled.
    return text.replace(QLatin1Char('%'), QStringLiteral("%%"));
}
