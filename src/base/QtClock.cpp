// The production clock over Qt's precise timers and the monotonic steady clock.
#include "base/QtClock.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace fw {

QtClock::QtClock() = default;

QtClock::~QtClock()
{
    for (auto& [id, p] : timers_)
        delete p.timer;
    timers_.clear();
}

Duration QtClock::now() const
{
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now().time_since_epoch());
}

TimerId QtClock::schedule(Duration delay, std::function<void()> fn)
{
    using std::chrono::milliseconds;
    // Whole milliseconds, rounded up, so a timer never fires before its delay has passed.
    milliseconds ms = std::chrono::ceil<milliseconds>(std::max(delay, Duration::zero()));
    if (ms > milliseconds(std::numeric_limits<int>::max()))
        ms = milliseconds(std::numeric_limits<int>::max());

    const TimerId id = nextId_++;
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, &context_, [this, id] { fire(id); });
    timers_.emplace(id, Pending{timer, std::move(fn)});
    timer->start(ms);
    return id;
}

void QtClock::cancel(TimerId id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    QTimer* timer = it->second.timer;
    timers_.erase(it);
    timer->stop();
    timer->deleteLater(); // cancel may be called from inside this very timer's signal chain
}

void QtClock::fire(TimerId id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    auto fn = std::move(it->second.fn);
    QTimer* timer = it->second.timer;
    timers_.erase(it);
    timer->deleteLater();
    fn(); // may schedule or cancel other timers, or destroy whatever owns this clock's users
}

} // namespace fw
