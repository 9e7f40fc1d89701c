#pragma once
// The size of a stack badge, and the free spot for it in a window's title bar, tab strip or
// toolbar: after the last control of a row, beside the title-bar buttons, or in the widest gap
// between controls, clear of the controls of every stacked window that has some. Pure
// functions over title-bar readings (window coordinates, y downward).

#include "base/Geometry.h"
#include "stacks/WindowChrome.h"

#include <optional>
#include <vector>

namespace fw {

// A badge's length and thickness for a member count: compact at rest, open under the pointer
// (the joiner of a group lengthens only the open badge). In logical pixels, times `scale`
// for the device pixels of a display of that scale.
Size badgeSize(int count, bool expanded, bool joiner, double scale = 1);

// Fewer than two controls outside the title-bar buttons (grown by 6 pixels).
bool hasFewControls(const WindowChrome& chrome);
// How many controls lie outside the title-bar buttons grown by 6 pixels.
int controlsOutsideButtons(const WindowChrome& chrome);

// One row of controls: its top and bottom y.
struct ControlBand {
    double low = 0;
    double high = 0;
    friend bool operator==(const ControlBand&, const ControlBand&) = default;
};
// The rows of controls near the top of the window, top row first.
std::vector<ControlBand> controlBands(const WindowChrome& chrome);

// The top-left corner for a badge in the front window's chrome, keeping clear of the other
// stacked windows' chromes; nothing when no spot is free.
std::optional<Point> badgeOrigin(const WindowChrome& chrome, const Size& windowSize, const Size& compact,
                                 const Size& expanded, const std::vector<WindowChrome>& avoiding);

} // namespace fw
