// The clock port's shared parts: cancel tokens, the sleep awaiter, repeating timers, and the virtual
// clock that runs deciding code in virtual time under test.
#include "base/Clock.h"

#include <algorithm>

namespace fw {

CancelToken CancelToken::make()
{
    CancelToken t;
    t.state_ = std::make_shared<State>();
    return t;
}

void CancelToken::cancel() const
{
    if (!state_ || state_->cancelled)
        return;
    state_->cancelled = true;
    auto callbacks = std::move(state_->callbacks);
    state_->callbacks.clear();
    for (auto& [key, fn] : callbacks)
        fn();
}

std::uint64_t CancelToken::onCancel(std::function<void()> fn) const
{
    if (!state_)
        return 0;
    if (state_->cancelled) {
        fn();
        return 0;
    }
    const auto key = state_->nextKey++;
    state_->callbacks.emplace_back(key, std::move(fn));
    return key;
}

void CancelToken::removeOnCancel(std::uint64_t key) const
{
    if (!state_ || key == 0)
        return;
    std::erase_if(state_->callbacks, [key](const auto& e) { return e.first == key; });
}

void Clock::SleepAwaiter::await_suspend(std::coroutine_handle<> h)
{
    // The awaiter lives in the suspended coroutine's frame until it resumes or the frame is
    // destroyed (then the destructor withdraws both callbacks), so `this` is stable here.
    timer = clock.schedule(delay, [this, h] {
        timer = 0;
        completed = true;
        token.removeOnCancel(std::exchange(cancelKey, 0));
        h.resume();
    });
    cancelKey = token.onCancel([this, h] {
        cancelKey = 0;
        clock.cancel(timer);
        // Resume from the loop, not from inside cancel(), so the canceller finishes first.
        timer = clock.schedule(Duration::zero(), [this, h] {
            timer = 0;
            h.resume();
        });
    });
}

Clock::SleepAwaiter::~SleepAwaiter()
{
    if (timer)
        clock.cancel(timer);
    if (cancelKey)
        token.removeOnCancel(cancelKey);
}

RepeatingTimer::RepeatingTimer(Clock& clock, Duration interval, std::function<void()> fn)
    : clock_(clock), interval_(interval), fn_(std::move(fn))
{
}

RepeatingTimer::~RepeatingTimer() { stop(); }

void RepeatingTimer::start()
{
    if (active_)
        return;
    active_ = true;
    arm();
}

void RepeatingTimer::stop()
{
    if (!active_)
        return;
    active_ = false;
    clock_.cancel(timer_);
    timer_ = 0;
}

void RepeatingTimer::arm()
{
    std::weak_ptr<int> alive = alive_;
    timer_ = clock_.schedule(interval_, [this, alive] {
        if (alive.expired() || !active_)
            return;
        arm(); // re-arm first, so fn may stop the timer
        fn_();
    });
}

TimerId VirtualClock::schedule(Duration delay, std::function<void()> fn)
{
    if (delay < Duration::zero())
        delay = Duration::zero();
    Timer t{now_ + delay, nextId_++, std::move(fn)};
    auto pos = std::upper_bound(timers_.begin(), timers_.end(), t, [](const Timer& a, const Timer& b) {
        return a.due < b.due || (a.due == b.due && a.id < b.id);
    });
    timers_.insert(pos, std::move(t));
    return nextId_ - 1;
}

void VirtualClock::cancel(TimerId id)
{
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

bool VirtualClock::stepToNext(Duration deadline)
{
    if (timers_.empty() || timers_.front().due > deadline)
        return false;
    Timer t = std::move(timers_.front());
    timers_.erase(timers_.begin());
    if (t.due > now_)
        now_ = t.due;
    t.fn();
    return true;
}

void VirtualClock::advance(Duration by)
{
    const Duration target = now_ + by;
    while (stepToNext(target)) {
    }
    now_ = std::max(now_, target);
}

bool VirtualClock::runUntilIdle(Duration limit)
{
    const Duration deadline = now_ + limit;
    while (stepToNext(deadline)) {
    }
    return timers_.empty();
}

} // namespace fw
