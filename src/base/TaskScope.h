#pragma once
// Lifetimes of the work an object starts. A TaskScope owns every task and deferred step its
// owner starts: when the scope ends, unfinished tasks are destroyed (their pending sleeps are
// withdrawn with them) and deferred steps that have not run are withdrawn, so nothing started
// by the owner runs after it. A Lifeline hands out weak references to an object that is not
// itself held by a shared_ptr. Main thread only.
//
//   TaskScope tasks{clock};
//   tasks.spawn(placeWindow(...));                 // runs now, until it ends or the scope does
//   tasks.after(100ms, [&] { ... });               // a deferred step, withdrawn with the scope

#include "base/Clock.h"
#include "base/Task.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace fw {

class TaskScope {
public:
    using Id = std::uint64_t;

    explicit TaskScope(Clock& clock) : clock_(clock) {}
    ~TaskScope();
    TaskScope(const TaskScope&) = delete;
    TaskScope& operator=(const TaskScope&) = delete;

    Clock& clock() const { return clock_; }

    // Starts the task at once; it runs until it finishes or the scope ends it. Returns 0 (and
    // drops the task) while the scope is ending.
    Id spawn(Task<void> task);
    // Ends an unfinished task now: its frame and the tasks it awaits are destroyed. Never call
    // it from inside that task. False when the task has finished or is unknown.
    bool cancel(Id id);
    bool running(Id id) const;
    // Unfinished tasks.
    std::size_t taskCount() const;

    // Runs fn once after the delay (0: on the next turn of the loop) unless the scope ends
    // first. Ignored while the scope is ending.
    void after(Duration delay, std::function<void()> fn);
    // Deferred steps that have not run yet.
    std::size_t pendingSteps() const { return steps_.size(); }

private:
    void sweep();

    Clock& clock_;
    std::map<Id, Task<void>> tasks_;
    std::map<std::uint64_t, TimerId> steps_;
    Id nextId_ = 1;
    std::uint64_t nextStep_ = 1;
    bool ending_ = false;
};

// Weak references to an object that is not held by a shared_ptr: they expire when the
// Lifeline is cut or destroyed. The owner cuts it first thing in its destructor, so no weak
// holder sees a half-destroyed object.
template<typename T>
class Lifeline {
public:
    explicit Lifeline(T* object) : handle_(object, [](T*) {}) {}
    Lifeline(const Lifeline&) = delete;
    Lifeline& operator=(const Lifeline&) = delete;

    std::weak_ptr<T> weak() const { return handle_; }
    void cut() { handle_.reset(); }

private:
    std::shared_ptr<T> handle_;
};

} // namespace fw
