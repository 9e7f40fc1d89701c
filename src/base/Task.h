#pragma once
// Cooperative tasks: C++20 coroutines resumed on the main thread by the clock's timers.
//
//   Task<bool> move(...) {
//       ...
//       const bool slept = co_await clock.sleep(80ms, token);
//       if (!slept)
//           co_return false;
//       ...
//   }
//   fw::spawn(move(...));               // start now, detached; the frame frees itself at the end
//   bool ok = co_await move(...);       // or await it from another task
//
// Always bind the result of co_await to a variable first. Never write co_await inside the
// condition of an if, while, for or switch (`if (!co_await sleep(...))`): GCC 12 miscompiles
// that form and the coroutine silently never runs.
//
// A Task is lazy: nothing runs until it is awaited or spawned. Destroying a Task that is
// suspended destroys its frame (and, through it, any task it awaits); pending sleeps are
// withdrawn from the clock. Exceptions escaping a spawned task terminate the program
// (failures here are values, never exceptions).

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

namespace fw {

template<typename T>
class Task;

namespace detail {

struct PromiseBase {
    std::coroutine_handle<> continuation;
    bool detached = false;

    std::suspend_always initial_suspend() noexcept { return {}; }

    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template<typename P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept
        {
            auto& p = h.promise();
            if (p.continuation)
                return p.continuation;
            if (p.detached)
                h.destroy();
            return std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { std::terminate(); }
};

template<typename T>
struct Promise : PromiseBase {
    std::optional<T> value;
    Task<T> get_return_object() noexcept;
    template<typename U>
    void return_value(U&& v) { value.emplace(std::forward<U>(v)); }
};

template<>
struct Promise<void> : PromiseBase {
    Task<void> get_return_object() noexcept;
    void return_void() noexcept {}
};

} // namespace detail

template<typename T = void>
class [[nodiscard]] Task {
public:
    using promise_type = detail::Promise<T>;
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    explicit Task(Handle h) : handle_(h) {}
    Task(Task&& o) noexcept : handle_(std::exchange(o.handle_, {})) {}
    Task& operator=(Task&& o) noexcept
    {
        if (this != &o) {
            reset();
            handle_ = std::exchange(o.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { reset(); }

    bool valid() const { return bool(handle_); }
    bool done() const { return handle_ && handle_.done(); }

    bool await_ready() const noexcept { return !handle_ || handle_.done(); }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume()
    {
        if constexpr (!std::is_void_v<T>)
            return std::move(*handle_.promise().value);
    }

    // Result of a finished task (for drivers such as VirtualClock::run).
    T result()
    {
        if constexpr (!std::is_void_v<T>)
            return std::move(*handle_.promise().value);
    }

    // Starts the task without an awaiter; used by spawn() and test drivers.
    void start() { handle_.resume(); }

    // Gives up ownership: the frame destroys itself when it finishes.
    Handle release()
    {
        handle_.promise().detached = true;
        return std::exchange(handle_, {});
    }

private:
    void reset()
    {
        if (handle_)
            handle_.destroy();
        handle_ = {};
    }
    Handle handle_;
};

namespace detail {
template<typename T>
Task<T> Promise<T>::get_return_object() noexcept
{
    return Task<T>(std::coroutine_handle<Promise<T>>::from_promise(*this));
}
inline Task<void> Promise<void>::get_return_object() noexcept
{
    return Task<void>(std::coroutine_handle<Promise<void>>::from_promise(*this));
}
} // namespace detail

// Starts a task now and lets it run to its end on its own.
template<typename T>
void spawn(Task<T> task)
{
    if (!task.valid())
        return;
    auto h = task.release();
    h.resume();
}

} // namespace fw
