#pragma once
// Mouse-button shortcuts: a middle or side button, with or without modifiers, runs an action.
// The platform's tap thread offers every grabbed press to MouseTapState, which matches it
// against the trigger table under its lock, drops a match (and its release) and hands the
// action with the click point to the main thread. A match whose action has nothing to do where
// the click is (the switcher off every stack) is left to the window under the pointer, decided
// from the stack slots the main thread last published. The tap runs only while a trigger is
// bound.
//
//   MouseShortcuts mouse(platformButtonGrabs);
//   mouse.action = [&](ShortcutAction a, Point at) { dispatchMouse(a, at); };
//   mouse.configure(defaults);     // again after every change of the shortcuts
//   mouse.setSuspended(true);      // while the shortcuts window records
//   mouse.setStackSlots(stacks.stackSlots());   // after every change of the stacks
//   mouse.setPaused(true);         // the user paused the program: the tap stops

#include "app/Shortcuts.h"
#include "app/StackCommands.h"
#include "base/Geometry.h"
#include "platform/ButtonGrabs.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace fw {

// What the tap thread and the main thread share. Every field is read and written under the
// lock; the tap thread holds it for the matching of one event, including the hand-off, which
// only posts to the main thread.
class MouseTapState {
public:
    using Match = std::function<void(ShortcutAction, Point)>;

    void setTriggers(std::map<MouseTrigger, ShortcutAction> triggers);
    void setSuspended(bool suspended);
    bool suspended() const;
    void setOnMatch(Match onMatch);
    // Forgets the presses whose releases were still to be dropped.
    void clearSwallowed();
    // Where the stacks stand now, for the actions that reach only them.
    void setStackSlots(std::vector<StackSlot> spots);

    // The tap callback: true drops the event. A press matches when its button and modifiers
    // equal a trigger's exactly, matching is not suspended and the action reaches the click's
    // point (clickReach); a release is dropped when its press was, also while suspended.
    bool handle(const ButtonEvent& event);

private:
    bool reaches(ShortcutAction action, Point at) const;

    mutable std::mutex lock_;
    std::map<MouseTrigger, ShortcutAction> triggers_;
    std::vector<StackSlot> stackSlots_;
    bool suspended_ = false;
    std::set<int> swallowed_;
    Match onMatch_;
};

// Carries matches from the tap thread to the main thread. The matches wait behind the queue's
// own lock; Qt's event queue carries only the wake-up, so no data crosses the threads outside
// a lock this code holds.
class MouseMatchQueue : public QObject {
    Q_OBJECT
public:
    std::function<void(ShortcutAction, Point)> deliver;   // main thread

    // Any thread.
    void push(ShortcutAction action, Point at);
    // Main thread: hands every waiting match to `deliver`, in order.
    Q_INVOKABLE void drain();

private:
    std::mutex lock_;
    std::vector<std::pair<ShortcutAction, Point>> waiting_;
};

class MouseShortcuts {
public:
    explicit MouseShortcuts(ButtonGrabs& platform);
    // Stops the tap thread; matches still on their way to the main thread are dropped.
    ~MouseShortcuts();
    MouseShortcuts(const MouseShortcuts&) = delete;
    MouseShortcuts& operator=(const MouseShortcuts&) = delete;

    // Called on the main thread with each matched action and the click point.
    std::function<void(ShortcutAction, Point)> action;

    // True when the platform refused the tap, or another client holds a bound combination.
    bool unavailable() const { return unavailable_; }
    bool running() const { return platform_.running(); }
    MouseTapState& state() { return *state_; }

    // Reads the triggers (buttons 2 and up) into the table and starts or stops the tap.
    void configure(UserDefaults& defaults);
    // Starts the tap for the current table, or re-grabs it when it runs.
    void startTapThread();
    void stop();
    // While suspended no press matches (the shortcuts window records).
    void setSuspended(bool suspended) { state_->setSuspended(suspended); }
    // While the program is paused no action has anything to do: the tap stops, and every
    // click is the windows'. Resuming starts it again for the current table.
    void setPaused(bool paused);
    // The stacks' slots (StackCommands::stackSlots) after each change.
    void setStackSlots(std::vector<StackSlot> spots) { state_->setStackSlots(std::move(spots)); }

private:
    std::vector<ButtonGrab> grabs() const;

    ButtonGrabs& platform_;
    std::shared_ptr<MouseTapState> state_ = std::make_shared<MouseTapState>();
    std::map<MouseTrigger, ShortcutAction> triggers_;   // main thread's copy, for the grabs
    bool unavailable_ = false;
    bool paused_ = false;
    MouseMatchQueue queue_;   // lives on the main thread; matches still waiting die with it
};

} // namespace fw
