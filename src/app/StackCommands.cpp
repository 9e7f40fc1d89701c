// The shell's stack commands over the stack engine.
#include "app/StackCommands.h"

#include "stacks/StackEngine.h"

namespace fw {

EngineStackCommands::EngineStackCommands(stacks::StackEngine& engine, bool presented)
    : engine_(engine), presented_(presented)
{
}

bool EngineStackCommands::enabled() const { return engine_.enabled(); }

void EngineStackCommands::setEnabled(bool enabled) { engine_.setEnabled(enabled); }

void EngineStackCommands::start() { engine_.start(); }

void EngineStackCommands::stop() { engine_.stop(); }

void EngineStackCommands::refresh(bool force) { engine_.refresh(force); }

void EngineStackCommands::setMonitoringEnabled(bool enabled) { engine_.setMonitoringEnabled(enabled); }

void EngineStackCommands::setStatusMenuOpen(bool open) { engine_.setMenuOpen(open); }

bool EngineStackCommands::menuOpen() const { return engine_.menuOpen(); }

void EngineStackCommands::menuClosed() { engine_.scheduleRefresh(); }

bool EngineStackCommands::presentPickerForFrontWindow(const ManagedWindow& window)
{
    return presented_ && engine_.showSwitcher(window);
}

bool EngineStackCommands::cycleFrontStack(const ManagedWindow& window, bool forward)
{
    return engine_.cycleStack(window, forward);
}

bool EngineStackCommands::sendSpanToBack(const ManagedWindow& window)
{
    return engine_.sendSpanToBack(window.element, window.pid);
}

StackBadgeSettings EngineStackCommands::badgeSettings() const
{
    return {engine_.badgesEnabled(), engine_.autoPlaceBadges(), engine_.badgesOnEdge()};
}

void EngineStackCommands::setBadgesEnabled(bool enabled)
{
    if (presented_)
        engine_.setBadgesEnabled(enabled);
}

void EngineStackCommands::setBadgesOnEdge(bool onEdge)
{
    if (presented_)
        engine_.setBadgesOnEdge(onEdge);
}

void EngineStackCommands::setAutoPlaceBadges(bool autoPlace)
{
    if (presented_)
        engine_.setAutoPlaceBadges(autoPlace);
}

bool EngineStackCommands::hasMovedBadges() const
{
    return presented_ && !engine_.badgePlacements().isEmpty();
}

void EngineStackCommands::resetBadgePlacements()
{
    if (presented_)
        engine_.badgePlacements().removeAll();
}

StackDiagnostics EngineStackCommands::diagnostics() const
{
    StackDiagnostics d;
    for (const WindowStack& stack : engine_.stacks())
        d.stackSizes.push_back(int(stack.members.size()));
    d.visibleAnchors = engine_.visiblePanelCount();
    d.lastRefreshMilliseconds = engine_.lastRefreshMilliseconds();
    d.details = engine_.stackDiagnostics();
    d.knownFrames = engine_.knownFrames();
    return d;
}

std::vector<StackSlot> EngineStackCommands::stackSlots() const
{
    std::vector<StackSlot> out;
    if (!engine_.enabled() || !engine_.monitoringEnabled())
        return out;
    for (const WindowStack& stack : engine_.presented()) {
        const bool span = !stack.sections.empty();
        const std::vector<Rect> covers = framesAbove(stack, engine_.layers());
        out.push_back({stack.frame, span, covers});
        for (const ManagedWindow& member : stack.members)
            if (const Rect slot = stack.slot(member); slot != stack.frame)
                out.push_back({slot, span, covers});
    }
    return out;
}

void EngineStackCommands::setSlotsChanged(std::function<void()> changed) { engine_.setStacksChanged(std::move(changed)); }

} // namespace fw
