#pragma once
// The stack panels on screen. A badge is an override-redirect panel (the window manager does
// not keep it above, so the presenter raises it after each pass) holding a StackBadgeView;
// it lets clicks through until the pointer comes near. It fades in and out through the
// window's opacity (seen only with a compositing manager; the end states are exact either
// way) and glides in 0.25 s when it moves. An anchor panel is the place over the front
// window's title-bar button from which its WindowStackAnchorView presents the switcher; it
// draws nothing, so its window is never mapped. The surfaces hold the task scope the anchors'
// looks are put back in, as an anchor may go before its look is undone.

#include "base/Clock.h"
#include "stacks/StackSurfaces.h"
#include "stacks/WindowStackAnchor.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

namespace fw {

class OverlayWindow;
class StackBadgeView;
class WindowStackAnchorView;

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
    bool ignoresMouse() const;

private:
    // Runs `step(t)` for t from 0 to 1 over the seconds on the timer slot, then `done`; a new
    // animation on the slot replaces the running one.
    void animate(TimerId& slot, double seconds, std::function<void(double)> step, std::function<void()> done);

    // Leaves out of the panel what the panels that should stand above it cover.
    void recut();

    Clock& clock_;
    std::function<bool()> reduceMotion_;
    std::unique_ptr<OverlayWindow> window_;
    StackBadgeView* view_;
    std::vector<QPointer<OverlayWindow>> covers_;   // our panels above it that take clicks
    std::unique_ptr<QObject> coverWatch_;          // re-cuts the panel when one of them changes
    TimerId fade_ = 0, glide_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

class QtAnchorPanel final : public AnchorPanel {
public:
    QtAnchorPanel(const Rect& frame, const AnchorServices& services, std::function<bool()> reduceMotion);
    ~QtAnchorPanel() override;

    WindowStackAnchor& anchor() override;
    Rect frame() const override;
    void setFrame(const Rect& frame) override;
    bool isVisible() const override;
    void orderFrontRegardless() override;
    void orderOut() override;

    OverlayWindow& window() const { return *window_; }
    WindowStackAnchorView& view() const { return *view_; }

private:
    std::unique_ptr<OverlayWindow> window_;
    WindowStackAnchorView* view_;
    bool shown_ = false;
};

class QtStackSurfaces final : public StackSurfaces {
public:
    explicit QtStackSurfaces(const AnchorServices& services, std::function<bool()> reduceMotion = {});

    std::unique_ptr<BadgeSurface> makeBadge() override;
    std::unique_ptr<AnchorPanel> makeAnchorPanel(const Rect& frame) override;
    bool reduceMotion() const override { return reduceMotion_ && reduceMotion_(); }

private:
    AnchorServices services_;
    std::function<bool()> reduceMotion_;
    TaskScope looks_;   // the restorations of the anchors' looks
};

} // namespace fw
