#pragma once

#include "common/progress.h"
#include "common/rateestimator.h"
#include "gui/desktopnotifier.h"
#include "gui/launcherentry.h"
#include "gui/runnotice.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class QProgressBar;
class QWidget;

// Shows how far the running operation is: the window's progress bar with done/total and the time
// left at the recent pace, the same fraction on the desktop's task bar, and a desktop notice when a
// long run ends while the window is not the active one. The bar hides between runs.
class ProgressPresenter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressPresenter)
public:
    // Milliseconds on a steady clock.
    using Clock = std::function<qint64()>;
    static constexpr qint64 DefaultLongRunMs = 30000;

    ProgressPresenter(QWidget &window, QProgressBar &bar, const QString &desktopFileName, QObject *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    // A run that lasts at least this long gets a notice when it ends behind another window.
    void setLongRunMs(qint64 ms) { m_longRunMs = ms; }

    // A Find, Download or Build CHM starts: the clock for the notice starts here.
    void runStarted();
    // Shows the counted phases of what core reports: Find's pages, Download's articles, the
    // pictures, the index pages and Build CHM's files (a busy bar until the files are counted).
    void present(const Progress &progress);
    // `done` of `total` steps of `phase`; a total of 0 shows a busy bar.
    void update(Progress::Phase phase, int done, int total);
    // The run ended as the notice says; the bar goes away. An empty notice is never shown.
    void runEnded(const RunNotice &notice);

    // The bar's text for a phase, with the time left when it is known.
    static QString barText(Progress::Phase phase, int done, int total, std::optional<qint64> remainingMs);

private:
    void refreshText();
    void hide();

    QWidget &m_window;
    QProgressBar &m_bar;
    LauncherEntry m_launcher;
    DesktopNotifier m_notifier;
    RateEstimator m_estimator;
    Clock m_clock;
    QElapsedTimer m_steady;
    // The time left is recounted every second, also while no step ends.
    QTimer m_refresh;
    qint64 m_longRunMs = DefaultLongRunMs;
    qint64 m_runStartMs = -1;
    Progress::Phase m_phase = Progress::Phase::Find;
    int m_done = 0;
    int m_total = 0;
    bool m_active = false;
};
