#pragma once
// Where everything of the layout picker lies, as pure data: the card grid of a picker view of
// a given width, each card's region buttons (region mode) or its one layout button
// (composition mode), the view's height, and the panel that hangs the view at the top centre
// of a display. The overlay's view lays its widgets out from it and the coordinator's tests
// hit-test it without widgets. Top-left coordinates (y downward) in the view's logical pixels:
// the overlay converts the display's frame and the pointer (DevicePixels) before it asks.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "snap/SnapSelection.h"

#include <map>
#include <optional>
#include <vector>

namespace fw {

struct PickerCard {
    int index = 0;
    Rect cell;                              // the card's grid cell
    std::map<RegionNumber, Rect> regions;   // region mode: each region button's exact frame
    std::optional<Rect> button;             // composition mode: the layout button's exact frame
};

struct PickerGeometry {
    double width = 0;
    double height = 0;
    int columns = 0;
    bool wholeComposition = false;
    std::vector<PickerCard> cards;          // in layout order

    // Lays out one card per layout for a view of the given width.
    static PickerGeometry make(const std::vector<SnapLayout>& layouts, bool wholeComposition, double width);

    // The selection under a point of the view: nothing in the gaps between buttons and
    // outside every card. Buttons contain their minimum edges, not their maximum ones.
    std::optional<SnapSelection> selection(Point inView) const;
};

// Six columns from 720 logical pixels for at most six layouts, else four; three below 720.
int pickerColumnCount(double width, std::size_t layoutCount);
// Title area (58, or 80 with the composition subtitle), 118 per row, 12 below.
double pickerViewHeight(double width, std::size_t layoutCount, bool wholeComposition);

// The view's width on a display: min(visible width − 40, 820).
double pickerWidth(const Rect& visibleFrame);
// The panel: centred on the visible frame, its top 12 logical pixels below the visible frame's top,
// min(view height, visible height − 24) high (the view scrolls inside when taller).
Rect pickerFrame(const Rect& visibleFrame, double viewWidth, double viewHeight);

// Where a shown picker's view lies, as the overlay reports it: the geometry it was laid out
// from, the panel that clips it and the view's top-left corner, both in global device pixels
// (the corner lies above the panel's top when the view is scrolled), and the screen's scale.
struct PickerHitArea {
    PickerGeometry geometry;
    Rect panel;
    Point viewOrigin;
    double scale = 1;
};

// The selection under a global point (device pixels): nothing outside the panel, so cards
// scrolled out of sight take no drop.
std::optional<SnapSelection> pickerSelectionAt(const PickerHitArea& area, Point global);

} // namespace fw
