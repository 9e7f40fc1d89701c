#pragma once
// What the stack presenter drives on screen, apart from how it is drawn: a badge panel of app
// icons per stack, and an anchor panel per stack front whose WindowStackAnchor presents the
// stack's switcher (as a popover on hover, as a key panel by shortcut). The widgets live in
// src/stacks/qt. All frames in global top-left device pixels.

#include "base/Geometry.h"
#include "snap/WindowStackController.h"
#include "stacks/StackModel.h"
#include "stacks/WindowStackAnchor.h"
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
        // The drag ended with the panel at this frame; none: the badge cannot be moved (no
        // grip, and a drag moves nothing).
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
        // On a title bar: where the strip's middle lies across the panel at rest, in logical
        // pixels from its top (it grows about that line while it stays inside the panel);
        // none: along the panel's top (left when upright).
        std::optional<double> stripMiddle;
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

} // namespace fw
