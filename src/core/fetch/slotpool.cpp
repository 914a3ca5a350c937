#include "fetch/slotpool.h"

namespace Fetch {

SlotPool::SlotPool(QObject *parent)
    : QObject(parent)
{
    for (int s = 0; s < SlotCount; ++s) {
        Slot &slot = m_slots[s];
        slot.fetcher = std::make_unique<Fetcher>();
        connect(slot.fetcher.get(), &Fetcher::finished, this,
                [this, s](const Result &result) { emit finished(s, result); });
        slot.delay.setSingleShot(true);
        // A host that asks for a wait must not see the retry early; a coarse timer may fire up to
        // 5 % before its time.
        slot.delay.setTimerType(Qt::PreciseTimer);
        connect(&slot.delay, &QTimer::timeout, this, [&slot] { slot.fetcher->fetch(slot.url, slot.policy); });
    }
}

SlotPool::~SlotPool()
{
    abortAll();
}

void SlotPool::fetch(int s, const QUrl &url, const Policy &policy, int delayMs)
{
    Slot &slot = m_slots[s];
    abort(s);
    if (delayMs <= 0) {
        slot.fetcher->fetch(url, policy);
        return;
    }
    slot.url = url;
    slot.policy = policy;
    slot.delay.start(delayMs);
    emit retryWaiting((delayMs + 999) / 1000);
}

void SlotPool::abort(int s)
{
    m_slots[s].delay.stop();
    m_slots[s].fetcher->abort();
}

void SlotPool::abortAll()
{
    for (int s = 0; s < SlotCount; ++s)
        abort(s);
}

bool SlotPool::idle(int s) const
{
    return !m_slots[s].delay.isActive() && !m_slots[s].fetcher->busy();
}

bool SlotPool::waiting(int s) const
{
    return m_slots[s].delay.isActive();
}

} // namespace Fetch
