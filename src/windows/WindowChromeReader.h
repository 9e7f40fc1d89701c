#pragma once
// What lies in the top band of another application's window: its title-bar buttons and the
// controls and content areas that reach into the band, so that badges placed there can keep
// clear of them. A breadth-first walk over the window's accessible nodes, bounded by a visit
// limit, a depth limit and the band itself. Synchronous; safe on any thread.

#include "base/Geometry.h"
#include "platform/AccessibleNodes.h"

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

class WindowChromeReader {
public:
    static constexpr double kBandHeight = 130.0;
    static constexpr int kMaxSearchDepth = 10;
    static constexpr std::chrono::milliseconds kNodeTimeout{200};

    // Walks from the window's node; visits at most maxVisits nodes.
    static WindowChrome read(AccessibleNodes& nodes, NodeId window, const Rect& windowFrame, int maxVisits);
    // The same from a window id; the empty chrome when the window exposes no nodes.
    static WindowChrome readWindow(AccessibleNodes& nodes, WindowId window, const Rect& windowFrame, int maxVisits);
};

} // namespace fw
