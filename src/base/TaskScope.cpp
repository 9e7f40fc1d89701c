// TaskScope: spawns tasks and deferred steps, sweeps finished ones, and destroys or withdraws what is
// left when the scope ends.
#include "base/TaskScope.h"

#include <iterator>
#include <utility>

namespace fw {

TaskScope::~TaskScope()
{
    ending_ = true;
    for (const auto& [key, timer] : steps_)
        clock_.cancel(timer);
    steps_.clear();
    // Destroying a frame may run destructors that try to start more work; ending_ drops it.
    auto tasks = std::move(tasks_);
    tasks_.clear();
    tasks.clear();
}

void TaskScope::sweep()
{
    for (auto it = tasks_.begin(); it != tasks_.end();)
        it = it->second.done() ? tasks_.erase(it) : std::next(it);
}

TaskScope::Id TaskScope::spawn(Task<void> task)
{
    if (ending_ || !task.valid())
        return 0;
    sweep();
    const Id id = nextId_++;
    // std::map keeps the element in place while the task runs and spawns more.
    auto& slot = tasks_.emplace(id, std::move(task)).first->second;
    slot.start();
    return id;
}

bool TaskScope::cancel(Id id)
{
    auto it = tasks_.find(id);
    if (it == tasks_.end() || it->second.done())
        return false;
    Task<void> task = std::move(it->second);
    tasks_.erase(it);
    return true; // the frame goes with `task`
}

bool TaskScope::running(Id id) const
{
    auto it = tasks_.find(id);
    return it != tasks_.end() && !it->second.done();
}

std::size_t TaskScope::taskCount() const
{
    std::size_t n = 0;
    for (const auto& [id, task] : tasks_)
        n += task.done() ? 0 : 1;
    return n;
}

void TaskScope::after(Duration delay, std::function<void()> fn)
{
    if (ending_)
        return;
    const std::uint64_t key = nextStep_++;
    steps_[key] = clock_.schedule(delay, [this, key, fn = std::move(fn)] {
        steps_.erase(key);
        fn();
    });
}

} // namespace fw
