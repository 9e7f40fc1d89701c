#pragma once
// The badges as presented, with the title bars their spots come from: per stack and slot the
// badge panel and where it stands; per window its title bar as read in this refresh pass (once
// per pass: a pass comes with every change of frames or stacking, and a reading costs well
// under a millisecond). The badge rules read only this state and what they are handed: where
// a badge stands (across the window's left edge, where the user dragged it, in a free stretch
// of the title bar, on the window manager's title bar beside its buttons, or inside the top
// edge of a window without one) and whether anything covers it.

#include "base/Geometry.h"
#include "platform/Screens.h"
#include "stacks/BadgeSettings.h"
#include "stacks/StackModel.h"
#include "stacks/StackSurfaces.h"
#include "windows/ManagedWindow.h"
#include "windows/TitleBar.h"

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// A badge: the stack (its first member) and the slot it stands in, as text.
struct BadgeKey {
    ManagedWindow stack;
    QString slot;
    friend bool operator==(const BadgeKey&, const BadgeKey&) = default;
};

} // namespace fw

template<>
struct std::hash<fw::BadgeKey> {
    std::size_t operator()(const fw::BadgeKey& k) const noexcept
    {
        return std::hash<fw::ManagedWindow>{}(k.stack) ^ (qHash(k.slot) << 1);
    }
};

namespace fw::stacks {

struct Badge {
    std::unique_ptr<BadgeSurface> panel;
    Rect frame;            // where it was placed
    ManagedWindow front;   // the window it was placed for
    QString display;       // the spot key
    Rect slot;
    bool edge = false;     // placed on the window's edge
    Size size;             // the open size
};

// A window's title bar as read in this pass, and the frame's top-left corner; `bar` none: the
// window manager draws none (the window draws its own), and a spot inside the frame's top edge
// stands for its buttons.
struct BarReading {
    Point topLeft;
    std::optional<TitleBar> bar;
};

// Where a badge stands and what must be uncovered for it to show.
struct BadgeLayout {
    Rect rect;
    Rect coverTest;
    bool edge = false;
    Size size;                 // the open size (upright on the edge)
    // On a title bar: the compact strip's middle across at rest, in the badge's logical pixels
    // from the panel's top.
    std::optional<double> stripMiddle;
};

// What a layout reads besides the state: the settings, the screens of the pass, and the free
// title-bar stretch from the readings (asked only when the rules come to it).
struct BadgeSurroundings {
    BadgeSettings& settings;
    const std::vector<ScreenInfo>& screens;
    std::function<std::optional<Point>()> autoOffset;
};

class BadgeState {
public:
    BadgeState() = default;
    BadgeState(const BadgeState&) = delete;
    BadgeState& operator=(const BadgeState&) = delete;

    std::unordered_map<BadgeKey, Badge> badges;
    std::unordered_set<BadgeKey> seen;   // presented in this pass
    std::unordered_map<ManagedWindow, BarReading> bars;   // read in this pass
    int barReads = 0;                                      // title bars read so far

    // Where the badge of `front` (of `count` icons, with the group's joiner) stands in its
    // slot, from its title bar as read in this pass; none when it has no spot.
    std::optional<BadgeLayout> layout(const ManagedWindow& front, const WindowStack& stack, const QString& display,
                                      int count, bool joiner, const BadgeSurroundings& around) const;
    // Nothing but the front window, in its slot, under the rectangle's four corners.
    static bool uncovered(const Rect& r, const Rect& slot, const ManagedWindow& front, const WindowStack& stack,
                          const std::vector<WindowLayerSnapshot>& layers);
    // The display key of the screen under the slot's centre, else "unknown".
    static QString spotKey(const Rect& slot, const std::vector<ScreenInfo>& screens);
    // Reading order of two members' slots: rows top to bottom (8 pixels), left to right.
    static bool memberOrder(const Rect& a, const Rect& b);

    // Hides one badge, or every badge, and forgets it.
    void remove(const BadgeKey& key);
    void dropAll();
    // Every badge hidden, kept.
    void hideAll();
    // The shown badges above the windows again.
    void raiseShown();
    // Forgets the readings of windows that are gone.
    void forget(const std::unordered_set<ManagedWindow>& known);
};

} // namespace fw::stacks
