#pragma once
// The title bar a window manager draws, as one reading: the bar (the frame's top extent), the
// items at its two ends where the manager's button layout puts them, the window's buttons
// among them and the title's text between. Everything that asks where a title bar's buttons or
// free stretches are derives it from here. Global coordinates, y downward; pure rules.

#include "base/Geometry.h"
#include "platform/DesktopSettings.h"
#include "platform/WindowSystem.h"

#include <QString>
#include <functional>
#include <optional>

namespace fw {

// The title's text, estimated from its length: each character this share of the bar's height
// wide (a generous average for the title fonts window managers use at their bar heights).
inline constexpr double kTitleCharWidth = 0.4;

struct TitleBar {
    Rect bar;
    // The items at each end (buttons, menu or icon, spacers), each as wide as the bar is high.
    Rect leftEnd, rightEnd;
    int leftItems = 0, rightItems = 0;
    bool buttonsLeft = false;   // the window's buttons stand at the left end
    // The title's text: centred on the bar where the manager is known to draw it so, else all
    // of the stretch between the ends (where it may stand); none for an empty title.
    std::optional<Rect> title;

    const Rect& buttonsEnd() const { return buttonsLeft ? leftEnd : rightEnd; }
    // The items outside the buttons' end: the other end's, and the title.
    int itemsBesideButtons() const { return (buttonsLeft ? rightItems : leftItems) + (title ? 1 : 0); }
    // The window's buttons: their end, inset from the bar's top and bottom.
    Rect buttons() const;
    // What stands for the minimise button: the buttons' middle 12 pixels.
    Rect minimize() const;

    friend bool operator==(const TitleBar&, const TitleBar&) = default;
};

// The reading of a bar `bar` under the button layout `layout`, for a window titled `title`.
TitleBar titleBarOf(const Rect& bar, const TitleBarButtons& layout, const QString& title = {});

// Where the running window manager draws its buttons, for every reading in the process: the
// shell hands over the desktop's button layout once (an empty source: the default layout,
// its buttons at the right end), and takes it back before the desktop goes.
void setTitleBarLayout(std::function<TitleBarButtons()> source);
TitleBarButtons titleBarLayout();

// The title bar the window manager draws for the window, read now (its height, the frame and
// the title, under the layout above): nothing for a window that draws its own or has none
// (under 4 pixels high), or narrower than 60 pixels.
std::optional<TitleBar> readTitleBar(WindowSystem& windows, WindowId window);

} // namespace fw
