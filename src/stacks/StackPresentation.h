#pragma once
// The window stacks as the user sees them: the badges, the hover anchors and the switcher,
// built apart from the engine. The refresh pass hands over each presented stack and then lets
// the views retire what it did not present; the pass waits while a switcher is open and
// counts windows that float over an anchor as changes. NoStackPresentation shows nothing: no
// stack gets an anchor, and no switcher opens.

#include "base/Geometry.h"
#include "stacks/StackModel.h"
#include "windows/ManagedWindow.h"

#include <QJsonArray>
#include <optional>
#include <unordered_set>
#include <vector>

namespace fw {

class StackPresentation {
public:
    virtual ~StackPresentation() = default;

    struct Shown {
        // The window at the stack's first anchor, in front of the stack; none without an anchor.
        std::optional<ManagedWindow> front;
        // Diagnostics fields, one object per anchor or one saying why there is none; the pass
        // adds the stack's "apps" and "frame" to each.
        QJsonArray records;
    };
    // One stack of the pass, its members in first-seen order, with the pass's layer list.
    virtual Shown present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                          const std::vector<WindowLayerSnapshot>& layers) = 0;
    // After the last stack of a pass: what was not presented goes, hover is checked.
    virtual void endPass() = 0;
    // The engine started: timers of the views may run.
    virtual void start() {}
    // A badge setting changed: every badge goes at once, to come back at the next pass.
    virtual void dropBadges() {}
    // Hides anchors, switchers and badges until the next pass / closes only the switchers.
    virtual void suspend() = 0;
    virtual void dismissPickers() = 0;
    // Everything goes and is forgotten.
    virtual void stop() = 0;
    // Forgets what it keeps of windows that are gone.
    virtual void forget(const std::unordered_set<ManagedWindow>& known) = 0;
    // A switcher is open (its popover or key panel is up).
    virtual bool switcherOpen() const = 0;
    virtual int visiblePanelCount() const = 0;
    // Title bars read so far, for the diagnostics.
    virtual int titleBarReadCount() const { return 0; }
    // The anchors' activation areas grown by 20 pixels.
    virtual std::vector<Rect> anchorZones() const = 0;
    virtual void noteMouseMoved(Point at) = 0;
    // Opens the switcher of the stack at a 24-pixel (logical) anchor, by shortcut; false when it cannot.
    virtual bool openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                              const ManagedWindow& front, const Rect& anchor) = 0;
};

class NoStackPresentation final : public StackPresentation {
public:
    Shown present(const WindowStack&, const std::vector<ManagedWindow>&, const std::vector<WindowLayerSnapshot>&) override;
    void endPass() override {}
    void suspend() override {}
    void dismissPickers() override {}
    void stop() override {}
    void forget(const std::unordered_set<ManagedWindow>&) override {}
    bool switcherOpen() const override { return false; }
    int visiblePanelCount() const override { return 0; }
    std::vector<Rect> anchorZones() const override { return {}; }
    void noteMouseMoved(Point) override {}
    bool openSwitcher(const WindowStack&, const std::vector<ManagedWindow>&, const ManagedWindow&, const Rect&) override
    {
        return false;
    }
};

} // namespace fw
