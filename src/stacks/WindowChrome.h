#pragma once
// A window's title-bar reading: the elements in the title bar the window manager draws (the
// items at its two ends and the title's text) and the rectangle around the window's buttons,
// window-relative (origin at the frame's top-left corner, y downward). The free-spot search
// for badges works on these readings; the reading itself is a pure rule over what the
// window system states.

#include "base/Geometry.h"
#include "platform/DesktopSettings.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

struct WindowChrome {
    struct Element {
        Rect frame;         // relative to the window's top-left corner, y downward
        bool isControl = false;
        friend bool operator==(const Element&, const Element&) = default;
    };
    std::vector<Element> elements;
    std::optional<Rect> titleBarButtons;   // union of the title-bar buttons, window-relative

    friend bool operator==(const WindowChrome&, const WindowChrome&) = default;
};

namespace stacks {

// The title's text, estimated from its length: each character this share of the bar's height
// wide (a generous average for the title fonts window managers use at their bar heights).
inline constexpr double kTitleCharWidth = 0.4;

// The reading of a window `width` wide whose window manager draws a title bar `barHeight`
// high (the frame's top extent; none or under 4 pixels: a window that draws its own title bar,
// or none, and the reading is empty): each item at the bar's two ends a control as wide as the
// bar is high, the items at the buttons' end making up `titleBarButtons`, and the title's text
// centred on the bar, kept between the ends. The text counts as a control: a badge keeps clear of it, and the
// stretches beside it are the free spots between it and the ends.
WindowChrome titleBarChrome(double width, std::optional<double> barHeight, const TitleBarButtons& buttons,
                            const QString& title);

} // namespace stacks
} // namespace fw
