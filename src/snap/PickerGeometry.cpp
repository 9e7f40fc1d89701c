// The layout picker's geometry as pure data: card grid, region or layout buttons, view height, panel
// frame and the selection under a point.
#include "snap/PickerGeometry.h"

#include <algorithm>

namespace fw {

namespace {

constexpr double kRowHeight = 118;

double titleHeight(bool wholeComposition) { return wholeComposition ? 80 : 58; }

// A unit rectangle mapped into an area, pulled in by `inset` on every side.
Rect mapUnit(const Rect& unit, const Rect& area, double inset)
{
    return Rect(area.x() + unit.minX() * area.width() + inset, area.y() + unit.minY() * area.height() + inset,
                unit.width() * area.width() - 2 * inset, unit.height() * area.height() - 2 * inset);
}

// Buttons squeezed below zero size on narrow cards take no point.
bool hits(const Rect& frame, Point p) { return frame.width() > 0 && frame.height() > 0 && frame.contains(p); }

} // namespace

int pickerColumnCount(double width, std::size_t layoutCount)
{
    if (width >= 720)
        return layoutCount < 7 ? 6 : 4;
    return 3;
}

double pickerViewHeight(double width, std::size_t layoutCount, bool wholeComposition)
{
    const auto columns = std::size_t(pickerColumnCount(width, layoutCount));
    const auto rows = (layoutCount + columns - 1) / columns;
    return titleHeight(wholeComposition) + double(rows) * kRowHeight + 12;
}

PickerGeometry PickerGeometry::make(const std::vector<SnapLayout>& layouts, bool wholeComposition, double width)
{
    PickerGeometry g;
    g.width = width;
    g.wholeComposition = wholeComposition;
    g.columns = pickerColumnCount(width, layouts.size());
    g.height = pickerViewHeight(width, layouts.size(), wholeComposition);
    const double c = (width - 36) / g.columns;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const int row = int(i) / g.columns, column = int(i) % g.columns;
        PickerCard card;
        card.index = int(i);
        card.cell = Rect(c * column + 18, titleHeight(wholeComposition) + row * kRowHeight, c, kRowHeight);
        const double x = card.cell.x(), y = card.cell.y();
        if (wholeComposition) {
            card.button = Rect(x + 2, y, c - 6, 105);
        } else {
            const Rect area(x + 11, y + 2, c - 24, 63);
            for (const auto& [region, unit] : layouts[i].tree.unitRects(Rect(0, 0, 1, 1)))
                card.regions.emplace(region, mapUnit(unit, area, 1.5));
        }
        g.cards.push_back(std::move(card));
    }
    return g;
}

std::optional<SnapSelection> PickerGeometry::selection(Point p) const
{
    for (const PickerCard& card : cards) {
        if (card.button && hits(*card.button, p))
            return SnapSelection{card.index, 0};
        for (const auto& [region, frame] : card.regions) {
            if (hits(frame, p))
                return SnapSelection{card.index, region};
        }
    }
    return std::nullopt;
}

double pickerWidth(const Rect& visible) { return std::min(visible.width() - 40, 820.0); }

Rect pickerFrame(const Rect& visible, double viewWidth, double viewHeight)
{
    const double h = std::min(viewHeight, visible.height() - 24);
    return Rect(visible.midX() - viewWidth / 2, visible.minY() + 12, viewWidth, h);
}

std::optional<SnapSelection> pickerSelectionAt(const PickerHitArea& area, Point global)
{
    if (!area.panel.contains(global) || !(area.scale > 0))
        return std::nullopt;
    return area.geometry.selection(
        Point{(global.x - area.viewOrigin.x) / area.scale, (global.y - area.viewOrigin.y) / area.scale});
}

} // namespace fw
