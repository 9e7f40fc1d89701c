#pragma once
// What the stack presenter drives on screen, apart from how it is drawn: a badge panel of app
// icons per stack, and an anchor panel per stack front that presents the stack's switcher
// (as a popover on hover, as a key panel by shortcut). The widgets live in src/stacks/qt;
// NoStackSurfaces makes panels that keep their state and show nothing, so the deciding code
// runs the same with or without a screen. All frames in global top-left points.

#include "base/Geometry.h"
#include "snap/WindowStackController.h"
#include "stacks/StackModel.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

// Icon positions [lower, upper) of a badge that form a group.
using BadgeGroup = std::pair<int, int>;

// One badge panel and its icon strip.
class BadgeSurface {
public:
    virtual ~BadgeSurface() = default;

    // What the badge reports; each may be empty.
    struct Actions {
        std::function<void(const ManagedWindow&)> choose;
        // The drag ended with the panel at this frame.
        std::function<void(const Rect&)> moved;
        std::function<void()> resetPosition;
        std::function<void()> resetAllPositions;
        std::function<void()> bringGroupForward;
    };
    struct Content {
        std::vector<ManagedWindow> members;   // badge order; the first six get icons
        bool expanded = false;
        std::optional<BadgeGroup> group;
        QString groupTitle;
        std::optional<QString> resetTitle;      // context menu items; none: no item
        std::optional<QString> resetAllTitle;
        bool vertical = false;                  // upright, on the window's edge
    };
    virtual void configure(const Content& content, Actions actions) = 0;

    // A drag of the badge is under way: the presenter leaves it alone.
    virtual bool isDragging() const = 0;
    virtual bool expanded() const = 0;
    virtual void setExpanded(bool expanded, bool animated) = 0;

    virtual Rect frame() const = 0;
    // Moves the panel; `animated` glides it there in 0.25 s.
    virtual void setFrame(const Rect& frame, bool animated) = 0;
    virtual bool isVisible() const = 0;
    // Meant to be shown: fades in, or fades out and then hides unless shown again meanwhile.
    virtual bool badgeShown() const = 0;
    virtual void setBadgeShown(bool shown) = 0;
    // Clicks go through the panel to the window under it.
    virtual void setIgnoresMouse(bool ignores) = 0;
    // Above the windows again (the window manager does not keep it there).
    virtual void raise() = 0;
};

// The per-stack view that presents the switcher, inside its own small panel.
class WindowStackAnchor {
public:
    virtual ~WindowStackAnchor() = default;

    // The controller's side of one stack; installed on every pass for the stack.
    struct Actions {
        std::vector<WindowStackSection> sections;
        std::function<LayoutSummary()> layoutInfo;
        std::function<void(int)> chooseLayout;
        std::function<void()> sendToBack;   // only with windows under a span
        std::function<void(const ManagedWindow&)> choose;
        std::function<void(const ManagedWindow&)> peekWindow;
        std::function<std::vector<ManagedWindow>()> currentFronts;
        std::function<void(const ManagedWindow&)> stretch;   // only with sections
        std::function<std::optional<ManagedWindow>(int)> cycle;
        std::function<void()> onDismiss;   // after every tear-down
    };
    virtual void setActions(Actions actions) = 0;
    virtual void update(const std::vector<ManagedWindow>& members, const std::optional<ManagedWindow>& front) = 0;
    virtual std::optional<ManagedWindow> front() const = 0;

    virtual void showPopover() = 0;
    // The switcher in a panel that takes keys, centred on the rectangle.
    virtual void showKeyPanel(const Rect& near) = 0;
    virtual bool popoverShown() const = 0;
    virtual bool hasKeyPanel() const = 0;
    // The popover's frame while it is shown; never the key panel's.
    virtual std::optional<Rect> pickerFrame() const = 0;
    // Ends a peek, raising what was in front when `restore`; then runs `then`.
    virtual void endPeek(bool restore, std::function<void()> then) = 0;
    // Closes whatever presentation is up, then cleans up.
    virtual void teardown() = 0;
    virtual void didDismiss() = 0;

    bool switcherUp() const { return popoverShown() || hasKeyPanel(); }
};

// The small borderless panel an anchor stands in, over the front window's title-bar button.
class AnchorPanel {
public:
    virtual ~AnchorPanel() = default;
    virtual WindowStackAnchor& anchor() = 0;
    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame) = 0;
    virtual bool isVisible() const = 0;
    virtual void orderFrontRegardless() = 0;
    virtual void orderOut() = 0;
};

// Makes the panels.
class StackSurfaces {
public:
    virtual ~StackSurfaces() = default;
    virtual std::unique_ptr<BadgeSurface> makeBadge() = 0;
    virtual std::unique_ptr<AnchorPanel> makeAnchorPanel(const Rect& frame) = 0;
    // Whether the desktop asks for reduced motion (badges then jump instead of gliding).
    virtual bool reduceMotion() const { return false; }
};

// Keeps the state a panel would have and draws nothing; no switcher ever opens.
class NoWindowStackAnchor : public WindowStackAnchor {
public:
    void setActions(Actions actions) override { actions_ = std::move(actions); }
    void update(const std::vector<ManagedWindow>& members, const std::optional<ManagedWindow>& front) override
    {
        members_ = members;
        front_ = front;
    }
    std::optional<ManagedWindow> front() const override { return front_; }
    void showPopover() override {}
    void showKeyPanel(const Rect&) override {}
    bool popoverShown() const override { return false; }
    bool hasKeyPanel() const override { return false; }
    std::optional<Rect> pickerFrame() const override { return std::nullopt; }
    void endPeek(bool, std::function<void()> then) override
    {
        if (then)
            then();
    }
    void teardown() override { didDismiss(); }
    void didDismiss() override
    {
        if (actions_.onDismiss)
            actions_.onDismiss();
    }

protected:
    Actions actions_;
    std::vector<ManagedWindow> members_;
    std::optional<ManagedWindow> front_;
};

class NoAnchorPanel : public AnchorPanel {
public:
    explicit NoAnchorPanel(const Rect& frame) : frame_(frame) {}
    WindowStackAnchor& anchor() override { return anchor_; }
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override { frame_ = frame; }
    bool isVisible() const override { return false; }
    void orderFrontRegardless() override {}
    void orderOut() override {}

private:
    NoWindowStackAnchor anchor_;
    Rect frame_;
};

class NoBadgeSurface : public BadgeSurface {
public:
    void configure(const Content& content, Actions) override { content_ = content; }
    bool isDragging() const override { return false; }
    bool expanded() const override { return content_.expanded; }
    void setExpanded(bool expanded, bool) override { content_.expanded = expanded; }
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame, bool) override { frame_ = frame; }
    bool isVisible() const override { return false; }
    bool badgeShown() const override { return shown_; }
    void setBadgeShown(bool shown) override { shown_ = shown; }
    void setIgnoresMouse(bool) override {}
    void raise() override {}

private:
    Content content_;
    Rect frame_;
    bool shown_ = false;
};

class NoStackSurfaces final : public StackSurfaces {
public:
    std::unique_ptr<BadgeSurface> makeBadge() override { return std::make_unique<NoBadgeSurface>(); }
    std::unique_ptr<AnchorPanel> makeAnchorPanel(const Rect& frame) override
    {
        return std::make_unique<NoAnchorPanel>(frame);
    }
};

} // namespace fw
