#pragma once

#include "common/retrytiming.h"
#include "fetch/fetcher.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <memory>

namespace Fetch {

// The five request slots that Find, Download and the picture pass each fetch through; what a slot
// fetches next, and in what order, is the user's. A slot can wait before it sends, which is how a
// retry keeps its distance: the wait counts as busy, and abort() ends it too.
class SlotPool final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlotPool)
public:
    static constexpr int SlotCount = 5;

    explicit SlotPool(QObject *parent = nullptr);
    ~SlotPool() override;

    // Sends a GET from `slot` after `delayMs` (at once for 0), abandoning whatever the slot did.
    void fetch(int slot, const QUrl &url, const Policy &policy, int delayMs = 0);
    void abort(int slot);
    void abortAll();
    // Neither waiting nor fetching.
    bool idle(int slot) const;
    // Waiting to send a retry.
    bool waiting(int slot) const;

signals:
    void finished(int slot, const Fetch::Result &result);
    // A slot waits this many seconds (rounded up) before its next attempt.
    void retryWaiting(int seconds);

private:
    struct Slot
    {
        std::unique_ptr<Fetcher> fetcher;
        QTimer delay;
        QUrl url;
        Policy policy;
    };
    std::array<Slot, SlotCount> m_slots;
};

} // namespace Fetch
