#pragma once
// The production clock: Qt timers on the calling thread's event loop (Qt::PreciseTimer) and
// the monotonic steady clock. schedule(0) runs on the next turn of the loop.

#include "base/Clock.h"

#include <QObject>
#include <unordered_map>

class QTimer;

namespace fw {

class QtClock final : public Clock {
public:
    QtClock();
    ~QtClock() override;
    QtClock(const QtClock&) = delete;
    QtClock& operator=(const QtClock&) = delete;

    Duration now() const override;
    TimerId schedule(Duration delay, std::function<void()> fn) override;
    void cancel(TimerId id) override;

    std::size_t pendingCount() const { return timers_.size(); }

private:
    struct Pending {
        QTimer* timer;
        std::function<void()> fn;
    };
    void fire(TimerId id);

    QObject context_; // parent of every timer, so they all go with the clock
    TimerId nextId_ = 1;
    std::unordered_map<TimerId, Pending> timers_;
};

} // namespace fw
