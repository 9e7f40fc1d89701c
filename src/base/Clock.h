#pragma once
// The clock port: every wait and timer in the system goes through it, so deciding code
// runs in virtual time under test. All callbacks run on the main thread.

#include "base/Task.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace fw {

using Duration = std::chrono::nanoseconds;
using namespace std::chrono_literals;

inline Duration milliseconds(double ms)
{
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double, std::milli>(ms));
}
inline double toMilliseconds(Duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
inline double toSeconds(Duration d) { return std::chrono::duration<double>(d).count(); }

using TimerId = std::uint64_t;

// Cancellation shared by a source and any number of sleeps. Copyable; a default-made
// token never cancels.
class CancelToken {
public:
    CancelToken() = default;
    static CancelToken make();

    bool cancelled() const { return state_ && state_->cancelled; }
    // Ends every pending sleep on this token at once (they return false).
    void cancel() const;

    // Registers a callback run on cancel(); returns a key for removal. On a token that is
    // already cancelled, fn runs at once (and 0 is returned); on a default-made token it never runs.
    std::uint64_t onCancel(std::function<void()> fn) const;
    void removeOnCancel(std::uint64_t key) const;

private:
    struct State {
        bool cancelled = false;
        std::uint64_t nextKey = 1;
        std::vector<std::pair<std::uint64_t, std::function<void()>>> callbacks;
    };
    std::shared_ptr<State> state_;
};

class Clock {
public:
    virtual ~Clock() = default;

    // Monotonic time since an arbitrary start (the "uptime").
    virtual Duration now() const = 0;
    // Runs fn once after delay (0 = on the next turn of the loop). Never runs fn inline.
    virtual TimerId schedule(Duration delay, std::function<void()> fn) = 0;
    // Stops a pending timer; unknown or fired ids are ignored.
    virtual void cancel(TimerId id) = 0;

    // Awaitable pause. Resumes with true after the delay, or with false as soon as the
    // token is cancelled (also when it already was). When the awaiting task is destroyed
    // while it sleeps, the pending timer and cancel callback go with it.
    struct SleepAwaiter {
        SleepAwaiter(Clock& c, Duration d, CancelToken t) : clock(c), delay(d), token(std::move(t)) {}
        ~SleepAwaiter();
        SleepAwaiter(const SleepAwaiter&) = delete;
        SleepAwaiter& operator=(const SleepAwaiter&) = delete;

        Clock& clock;
        Duration delay;
        CancelToken token;
        bool completed = false;
        TimerId timer = 0;
        std::uint64_t cancelKey = 0;

        bool await_ready() const noexcept { return token.cancelled(); }
        void await_suspend(std::coroutine_handle<> h);
        bool await_resume() const noexcept { return completed; }
    };
    SleepAwaiter sleep(Duration delay, CancelToken token = {}) { return SleepAwaiter(*this, delay, std::move(token)); }

    // Runs fn after delay only while owner is still alive.
    template<typename Owner>
    TimerId callAfter(Duration delay, std::weak_ptr<Owner> owner, std::function<void()> fn)
    {
        return schedule(delay, [owner = std::move(owner), fn = std::move(fn)] {
            if (!owner.expired())
                fn();
        });
    }
};

// A repeating timer on a clock. Stops when destroyed.
class RepeatingTimer {
public:
    RepeatingTimer(Clock& clock, Duration interval, std::function<void()> fn);
    ~RepeatingTimer();
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    void start();
    void stop();
    bool active() const { return active_; }
    Duration interval() const { return interval_; }
    void setInterval(Duration interval) { interval_ = interval; }

private:
    void arm();
    Clock& clock_;
    Duration interval_;
    std::function<void()> fn_;
    TimerId timer_ = 0;
    bool active_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Test clock: time stands still until the test advances it; advancing jumps from
// deadline to deadline and runs each due timer in deadline order (ties: scheduling order).
class VirtualClock final : public Clock {
public:
    Duration now() const override { return now_; }
    TimerId schedule(Duration delay, std::function<void()> fn) override;
    void cancel(TimerId id) override;

    // Runs every timer due within `by`, then sets the time to now + by.
    void advance(Duration by);
    // Runs timers until none is left or `limit` of virtual time has passed. Returns false on limit.
    bool runUntilIdle(Duration limit = std::chrono::hours(1));
    // Thrown by run() when the task has not finished once `limit` of virtual time has passed
    // (or nothing is left that could wake it); a test then fails with this message.
    struct Timeout : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    // Runs a task to its end, advancing time as its sleeps require. Throws Timeout when the
    // task does not finish; the task is then destroyed and its pending sleeps cancelled.
    template<typename T>
    T run(Task<T> task, Duration limit = std::chrono::hours(1))
    {
        if (!runTask(task, limit))
            throw Timeout("VirtualClock::run: the task did not finish within " + std::to_string(toMilliseconds(limit))
                + " ms of virtual time");
        return task.result();
    }
    // Like run(), but reports an unfinished task as nothing instead of throwing.
    template<typename T>
    auto tryRun(Task<T> task, Duration limit = std::chrono::hours(1))
    {
        using R = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
        std::optional<R> out;
        if (runTask(task, limit)) {
            if constexpr (std::is_void_v<T>)
                out.emplace();
            else
                out.emplace(task.result());
        }
        return out;
    }
    std::size_t pendingCount() const { return timers_.size(); }
    // Moves time forward without running timers, as a busy main thread would (a slow
    // synchronous call); timers that fell due meanwhile run at the next advance or run.
    void elapse(Duration by)
    {
        if (by > Duration::zero())
            now_ += by;
    }

private:
    template<typename T>
    bool runTask(Task<T>& task, Duration limit)
    {
        if (!task.valid())
            return false;
        const Duration deadline = now_ + limit;
        task.start();
        while (!task.done() && stepToNext(deadline)) {
        }
        return task.done();
    }
    bool stepToNext(Duration deadline);
    struct Timer {
        Duration due;
        TimerId id;
        std::function<void()> fn;
    };
    Duration now_{0};
    TimerId nextId_ = 1;
    std::vector<Timer> timers_; // kept sorted by (due, id)
};

} // namespace fw
