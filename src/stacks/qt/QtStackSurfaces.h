#pragma once
// The stack panels on screen. A badge is an override-redirect panel (the window manager does
// not keep it above, so the presenter raises it after each pass) holding a StackBadgeView;
// it lets clicks through until the pointer comes near. It fades in and out through the
// window's opacity (seen only with a compositing manager; the end states are exact either
// way) and glides in 0.25 s when it moves. Anchor panels come from the anchor maker when one
// is installed, else they show nothing.

#include "base/Clock.h"
#include "stacks/StackSurfaces.h"

#include <functional>
#include <memory>

namespace fw {

class OverlayWindow;
class StackBadgeView;

class BadgePanel final : public BadgeSurface {
public:
    static constexpr double fadeIn = 0.2, fadeOut = 0.15, glide = 0.25;

    BadgePanel(Clock& clock, std::function<bool()> reduceMotion);
    ~BadgePanel() override;

    void configure(const Content& content, Actions actions) override;
    bool isDragging() const override;
    bool expanded() const override;
    void setExpanded(bool expanded, bool animated) override;
    Rect frame() const override;
    void setFrame(const Rect& frame, bool animated) override;
    bool isVisible() const override;
    bool badgeShown() const override;
    void setBadgeShown(bool shown) override;
    void setIgnoresMouse(bool ignores) override;
    void raise() override;

    OverlayWindow& window() const { return *window_; }
    StackBadgeView& view() const { return *view_; }
    bool ignoresMouse() const { return ignoresMouse_; }

private:
    // Runs `step(t)` for t from 0 to 1 over the seconds on the timer slot, then `done`; a new
    // animation on the slot replaces the running one.
    void animate(TimerId& slot, double seconds, std::function<void(double)> step, std::function<void()> done);

    Clock& clock_;
    std::function<bool()> reduceMotion_;
    std::unique_ptr<OverlayWindow> window_;
    StackBadgeView* view_;
    bool ignoresMouse_ = true;
    TimerId fade_ = 0, glide_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

class QtStackSurfaces final : public StackSurfaces {
public:
    using AnchorMaker = std::function<std::unique_ptr<AnchorPanel>(const Rect&)>;

    explicit QtStackSurfaces(Clock& clock, std::function<bool()> reduceMotion = {});

    std::unique_ptr<BadgeSurface> makeBadge() override;
    std::unique_ptr<AnchorPanel> makeAnchorPanel(const Rect& frame) override;
    bool reduceMotion() const override { return reduceMotion_ && reduceMotion_(); }
    // Where the anchor panels with their switcher come from.
    void setAnchorMaker(AnchorMaker maker) { anchorMaker_ = std::move(maker); }

private:
    Clock& clock_;
    std::function<bool()> reduceMotion_;
    AnchorMaker anchorMaker_;
};

} // namespace fw
