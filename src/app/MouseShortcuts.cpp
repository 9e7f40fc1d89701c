// Mouse-button shortcuts: the tap thread matches grabbed presses against the triggers under a lock,
// swallows a match that has something to do where it is, with its release, and hands the action
// to the main thread.
#include "app/MouseShortcuts.h"

#include <QMetaObject>

#include <algorithm>

namespace fw {

void MouseTapState::setTriggers(std::map<MouseTrigger, ShortcutAction> triggers)
{
    std::lock_guard guard(lock_);
    triggers_ = std::move(triggers);
}

void MouseTapState::setSuspended(bool suspended)
{
    std::lock_guard guard(lock_);
    suspended_ = suspended;
}

bool MouseTapState::suspended() const
{
    std::lock_guard guard(lock_);
    return suspended_;
}

void MouseTapState::setOnMatch(Match onMatch)
{
    std::lock_guard guard(lock_);
    onMatch_ = std::move(onMatch);
}

void MouseTapState::clearSwallowed()
{
    std::lock_guard guard(lock_);
    swallowed_.clear();
}

void MouseTapState::setStackSlots(std::vector<StackSlot> spots)
{
    std::lock_guard guard(lock_);
    stackSlots_ = std::move(spots);
}

bool MouseTapState::reaches(ShortcutAction action, Point at) const
{
    const ClickReach reach = clickReach(action);
    if (reach == ClickReach::anywhere)
        return true;
    return std::any_of(stackSlots_.begin(), stackSlots_.end(), [&](const StackSlot& s) {
        return (reach == ClickReach::stack || s.span) && s.slot.contains(at)
            && std::none_of(s.covers.begin(), s.covers.end(), [&](const Rect& c) { return c.contains(at); });
    });
}

bool MouseTapState::handle(const ButtonEvent& event)
{
    std::lock_guard guard(lock_);
    if (event.type == ButtonEvent::Type::Up)
        return swallowed_.erase(event.button) > 0;
    if (suspended_)
        return false;
    const auto it = triggers_.find(MouseTrigger{event.button, event.modifiers & StoredModifierMask});
    if (it == triggers_.end() || !reaches(it->second, event.location))
        return false;
    swallowed_.insert(event.button);
    if (onMatch_)
        onMatch_(it->second, event.location);
    return true;
}

void MouseMatchQueue::push(ShortcutAction action, Point at)
{
    bool wake;
    {
        std::lock_guard guard(lock_);
        wake = waiting_.empty();
        waiting_.emplace_back(action, at);
    }
    if (wake)
        QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
}

void MouseMatchQueue::drain()
{
    std::vector<std::pair<ShortcutAction, Point>> matches;
    {
        std::lock_guard guard(lock_);
        matches.swap(waiting_);
    }
    for (const auto& [action, at] : matches)
        if (deliver)
            deliver(action, at);
}

MouseShortcuts::MouseShortcuts(ButtonGrabs& platform) : platform_(platform)
{
    queue_.deliver = [this](ShortcutAction a, Point at) {
        if (action)
            action(a, at);
    };
}

MouseShortcuts::~MouseShortcuts()
{
    stop();
}

void MouseShortcuts::configure(UserDefaults& defaults)
{
    std::map<MouseTrigger, ShortcutAction> table;
    for (const auto& [action, trigger] : ShortcutStore(defaults).mouseTriggers())
        if (trigger.button >= 2)
            table.emplace(trigger, action);   // a trigger held twice keeps the first action
    triggers_ = table;
    state_->setTriggers(std::move(table));
    if (triggers_.empty() || paused_)
        stop();
    else
        startTapThread();
}

void MouseShortcuts::setPaused(bool paused)
{
    paused_ = paused;
    if (paused)
        stop();
    else if (!triggers_.empty())
        startTapThread();
}

std::vector<ButtonGrab> MouseShortcuts::grabs() const
{
    std::vector<ButtonGrab> out;
    for (const auto& [trigger, action] : triggers_)
        out.push_back({trigger.button, trigger.modifiers});
    return out;
}

void MouseShortcuts::startTapThread()
{
    if (platform_.running()) {
        platform_.regrab(grabs());
        unavailable_ = !platform_.refused().empty();
        return;
    }
    state_->setOnMatch([this](ShortcutAction a, Point at) { queue_.push(a, at); });
    const bool started = platform_.start(grabs(), [state = state_](const ButtonEvent& e) { return state->handle(e); });
    unavailable_ = !started || !platform_.refused().empty();
}

void MouseShortcuts::stop()
{
    platform_.stop();
    state_->clearSwallowed();
}

} // namespace fw
