#pragma once
// The stack controller presenting its own stacks on the simulated desktop: recording panels
// stand for the badges and anchors (a panel is visible while it is meant to be shown; an
// anchor's popover has a frame below the anchor); title bars are read from the simulated
// windows.

#include "StackDesk.h"

#include "stacks/BadgeSpots.h"
#include "stacks/StackPresenter.h"

namespace fw::stacktest {

struct RecordingBadge final : BadgeSurface {
    explicit RecordingBadge(std::vector<RecordingBadge*>& live) : registry(live) { live.push_back(this); }
    ~RecordingBadge() override { std::erase(registry, this); }
    std::vector<RecordingBadge*>& registry;
    Content content;
    Actions actions;
    Rect at;
    bool shown = false, open = false, dragging = false, ignores = true, lastGlide = false;
    int raises = 0;

    void configure(const Content& c, Actions a) override
    {
        content = c;
        actions = std::move(a);
    }
    bool isDragging() const override { return dragging; }
    bool expanded() const override { return open; }
    void setExpanded(bool e, bool) override { open = e; }
    Rect frame() const override { return at; }
    void setFrame(const Rect& f, bool animated) override
    {
        at = f;
        lastGlide = animated;
    }
    bool isVisible() const override { return shown; }
    bool badgeShown() const override { return shown; }
    void setBadgeShown(bool s) override { shown = s; }
    void setIgnoresMouse(bool i) override { ignores = i; }
    void raise() override { ++raises; }
};

// The switcher's presentation: a popover of 400 × 300 points where the anchor puts it, and a
// key panel.
struct RecordingSwitcher final : SwitcherPresenter {
    bool picker = false, popover = false, keyPanel = false;
    Rect popoverAt, keyPanelAt, anchorAt;
    void makePicker(PickerContent, PickerSlots) override { picker = true; }
    bool hasPicker() const override { return picker; }
    Size pickerSize() const override { return {400, 300}; }
    void setThumbnail(const Thumbnail&, const ManagedWindow&) override {}
    void markCurrent(const std::optional<ManagedWindow>&) override {}
    void showPopover(const Rect& frame, bool) override
    {
        popover = true;
        popoverAt = frame;
    }
    bool popoverShown() const override { return popover; }
    std::optional<Rect> popoverFrame() const override { return popover ? std::optional(popoverAt) : std::nullopt; }
    void closePopover() override
    {
        if (std::exchange(popover, false) && popoverDidClose)
            popoverDidClose();
    }
    void clearPopoverContent() override { picker = false; }
    void showKeyPanel(const Rect& frame) override
    {
        keyPanel = true;
        keyPanelAt = frame;
    }
    bool hasKeyPanel() const override { return keyPanel; }
    void makeKeyPanelKey() override {}
    void closeKeyPanel() override { keyPanel = false; }
    bool reduceMotion() const override { return false; }
    Rect anchorFrame() const override { return anchorAt; }
};

struct RecordingAnchorPanel final : AnchorPanel {
    RecordingAnchorPanel(const Rect& f, const AnchorServices& services, std::vector<RecordingAnchorPanel*>& live)
        : registry(live), a(services, switcher), at(f)
    {
        switcher.anchorAt = f;
        live.push_back(this);
    }
    ~RecordingAnchorPanel() override { std::erase(registry, this); }
    std::vector<RecordingAnchorPanel*>& registry;
    RecordingSwitcher switcher;
    WindowStackAnchor a;
    Rect at;
    bool visible = false;
    WindowStackAnchor& anchor() override { return a; }
    Rect frame() const override { return at; }
    void setFrame(const Rect& f) override { at = switcher.anchorAt = f; }
    bool isVisible() const override { return visible; }
    void orderFrontRegardless() override { visible = true; }
    void orderOut() override { visible = false; }
};

struct RecordingSurfaces final : StackSurfaces {
    explicit RecordingSurfaces(const AnchorServices& s) : services(s) {}
    AnchorServices services;
    std::vector<RecordingBadge*> badges;   // the live ones, oldest first
    std::vector<RecordingAnchorPanel*> anchors;
    int badgesMade = 0;
    std::unique_ptr<BadgeSurface> makeBadge() override
    {
        ++badgesMade;
        return std::make_unique<RecordingBadge>(badges);
    }
    std::unique_ptr<AnchorPanel> makeAnchorPanel(const Rect& frame) override
    {
        return std::make_unique<RecordingAnchorPanel>(frame, services, anchors);
    }
};

class BadgeDesk : public StackDesk {
protected:
    ~BadgeDesk() override
    {
        coordinator.reset();   // both go before the panels they use
        controller.reset();
    }

    static constexpr double kTitleBar = 22;

    // The engine with its own presenter over the recording panels, started.
    fw::stacks::StackEngine& startPresenting()
    {
        clock.advance(10s);   // the system has been up a while: no switch is recent
        controller = std::make_unique<fw::stacks::StackEngine>(fw::stacks::StackServices{
            access, sim, sim, clock, defaults, transitions, sim, nullptr, false, 0, &surfaces, &sim.mouse()});
        controller->callbacks.tip = [this](Tip t) { tips.push_back(t); };
        stacksUsed = controller.get();
        start();
        controller->callbacks.tip = [this](Tip t) { tips.push_back(t); };
        controller->start();
        clock.advance(250ms);
        return *controller;
    }
    fw::stacks::StackPresenter& presenter() { return *controller->presenter(); }

    // A window with a 22-point title bar, on top.
    ManagedWindow addTitled(Pid pid, const Rect& frame)
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = u"App%1"_qs.arg(pid)});
        const WindowId id = sim.addWindow({.pid = pid, .title = u"W%1"_qs.arg(pid), .frame = frame, .titleBar = kTitleBar});
        return ManagedWindow::make(sim, id).value_or(ManagedWindow{});
    }
    // The badge on the title bar of a window filling the slot, as large as anywhere: the open
    // badge centred on the bar (reaching past the thin bar), 4 points left of the three buttons
    // at its right end (each as wide as the bar is high).
    static Rect defaultBadge(const Rect& slot, int count)
    {
        const Size open = badgeSize(count, true, false);
        const double middle = slot.minY() + kTitleBar / 2;
        return Rect(slot.maxX() - 3 * kTitleBar - 4 - open.width, std::round(middle - open.height / 2), open.width,
                    open.height);
    }
    // Its compact strip at rest, centred on the bar.
    static Rect defaultStrip(const Rect& slot, int count)
    {
        const Size compact = badgeSize(count, false, false);
        return Rect(defaultBadge(slot, count).minX(), slot.minY() + kTitleBar / 2 - compact.height / 2, compact.width,
                    compact.height);
    }
    // The pointer rests at the point (moved there, as the mouse monitor reports it).
    void pointAt(Point p)
    {
        sim.mouse().setPosition(p);
        controller->noteMouseMoved(p);
    }
    const RecordingBadge* shownBadge() const
    {
        const RecordingBadge* out = nullptr;
        for (const RecordingBadge* b : surfaces.badges) {
            if (b->shown)
                out = b;
        }
        return out;
    }

    NoScrollSteps scroll;
    RecordingSurfaces surfaces{AnchorServices{clock, capture, sim, sim, scroll}};
    std::vector<Tip> tips;
};

} // namespace fw::stacktest
