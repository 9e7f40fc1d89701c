#pragma once
// The badges as presented, with the title-bar readings their spots come from: per stack and
// slot the badge panel and where it stands; per window the title-bar buttons and bar as last
// read for its slot, and the readings of its title bar's elements (taken on the main thread,
// one at a time, again on a 4 s tick as titles and frames change). The badge rules read only this state and what they
// are handed: where a badge stands (across the window's left edge, where the user dragged it,
// in a free stretch of the title bar, on the window manager's title bar beside its buttons, or
// inside the top edge of a window without one) and whether anything covers it.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/DesktopSettings.h"
#include "platform/Screens.h"
#include "stacks/BadgeSettings.h"
#include "stacks/StackModel.h"
#include "stacks/StackSurfaces.h"
#include "windows/ManagedWindow.h"
#include "stacks/WindowChrome.h"

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

struct ChromeReading {
    Size size;
    WindowChrome chrome;
    double read = 0;
};

// The title-bar buttons of a window as last read for its slot, and the title bar itself;
// without a title bar of the window manager's (`titled` false), the spot inside its top edge
// that stands for them.
struct TitleBarControls {
    Rect slot, controls, minimize;
    bool titled = true;
    Rect bar;
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

// What a layout reads besides the state: the settings, the screens of the pass, where the
// window manager draws its buttons, and the free title-bar spot from the readings (asked only
// when the rules come to it).
struct BadgeSurroundings {
    BadgeSettings& settings;
    const std::vector<ScreenInfo>& screens;
    TitleBarButtons buttons;
    std::function<std::optional<Point>()> autoOffset;
};

class BadgeState {
public:
    static constexpr Duration chromeInterval = std::chrono::seconds(4);

    explicit BadgeState(Clock& clock) : clock_(clock) {}
    ~BadgeState() { clock_.cancel(chromeTimer); }
    BadgeState(const BadgeState&) = delete;
    BadgeState& operator=(const BadgeState&) = delete;

    std::unordered_map<BadgeKey, Badge> badges;
    std::unordered_set<BadgeKey> seen;   // presented in this pass
    std::unordered_map<ManagedWindow, TitleBarControls> controls;
    std::unordered_map<ManagedWindow, ChromeReading> chrome;
    std::unordered_set<ManagedWindow> chromeInFlight;
    int chromeReadCount = 0;
    TimerId chromeTimer = 0;

    // Where the badge of `front` (of `count` icons, with the group's joiner) stands in its
    // slot; none when it has no spot. `buttons` is the rectangle standing for the front's
    // title-bar buttons; none for a window without a title bar.
    std::optional<BadgeLayout> layout(const ManagedWindow& front, const WindowStack& stack,
                                      const std::optional<Rect>& buttons, const QString& display, int count,
                                      bool joiner, const BadgeSurroundings& around) const;
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

private:
    Clock& clock_;
};

} // namespace fw::stacks
