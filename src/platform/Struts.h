#pragma once
// Each monitor's visible frame from the space panels and docks reserve along the screen's
// edges (EWMH struts), instead of the one work area the window manager publishes for the whole
// screen, which lets a panel on one monitor take space from the others.

#include "base/Geometry.h"

#include <optional>
#include <vector>

namespace fw {

// What one window reserves, as _NET_WM_STRUT_PARTIAL states it: a width from each edge of the
// whole screen and, per edge, the first and last pixel of the span along it it reserves.
struct Strut {
    double left = 0, right = 0, top = 0, bottom = 0;
    double leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    double topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;

    // A plain _NET_WM_STRUT: the spans are the window's own extent along each edge.
    static Strut along(double left, double right, double top, double bottom, const Rect& window);
    bool reserves() const { return left > 0 || right > 0 || top > 0 || bottom > 0; }

    friend bool operator==(const Strut&, const Strut&) = default;
};

// The visible frame of each monitor, in the monitors' order: the monitor less the struts that
// stand on it (a strut stands on the monitors its innermost reserved line crosses, where its
// window sits). The one work area counts only when no window states a strut at all, and
// neither empties a monitor.
std::vector<Rect> visibleFrames(const std::vector<Rect>& monitors, const std::vector<Strut>& struts, Size screen,
                                const std::optional<Rect>& workArea);

} // namespace fw
