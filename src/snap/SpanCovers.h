#pragma once
// The covers of the windows that span several regions of a display's applied layout, as the
// stack controller shows them: one per spanning window with the regions it hides, each named
// by its place on the display and with the window recorded there; and the frames of every
// applied region, the slots the stacks know besides the windows' own frames.

#include "base/Geometry.h"
#include "platform/Screens.h"
#include "snap/AppliedLayouts.h"
#include "snap/WindowStackController.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

// A region's name from its unit rectangle (a third of the display decides each word).
QString spanRegionName(const Rect& unit);
// A span's name from the unit rectangles of its regions.
QString spanName(const std::vector<Rect>& units);

// One cover per spanning window of every group whose display is connected; spans with a
// region the layout lacks are left out.
std::vector<SpanCover> spanCovers(const AppliedLayouts::Groups& groups, const std::vector<ScreenInfo>& screens);
// The frames of every region of the applied layouts, on the displays still connected.
std::vector<Rect> appliedRegionFrames(const AppliedLayouts::Groups& groups, const std::vector<ScreenInfo>& screens);

} // namespace fw
