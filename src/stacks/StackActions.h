#pragma once
// What a user's gesture on a badge or switcher asks of the stacks: bring a member forward,
// cycle, bring the windows under a span forward, refresh. The engine (StackEngine) implements
// it; the presenter holds it, never the engine, so calls run one way: the engine tells the
// presenter what to show, the presenter asks through StackQueries and acts through this.

#include "base/Geometry.h"
#include "stacks/StackModel.h"
#include "windows/ManagedWindow.h"

#include <optional>

namespace fw::stacks {

class StackActions {
public:
    virtual ~StackActions() = default;

    // Bring the member forward (`instant`: a plain raise); false when refused.
    virtual bool switchFront(const ManagedWindow& target, const Rect& slot, bool instant,
                             const std::optional<ManagedWindow>& previous) = 0;
    // The stack's next member in the direction `step`, brought forward; none when refused.
    virtual std::optional<ManagedWindow> cycle(const ManagedWindow& current, int step, const WindowStack& stack) = 0;
    // The windows a span covers come forward over it; false when none moved.
    virtual bool bringUnderneathForward(const WindowStack& stack) = 0;
    // A pass now (`fullScan`: every window asked again), and one 0.2 s from now.
    virtual void refresh(bool fullScan) = 0;
    virtual void scheduleRefresh() = 0;
    // The next pass shows every stack again.
    virtual void presentAgain() = 0;
};

} // namespace fw::stacks
