#pragma once
// Recognising the layout that windows form on a display, from their frames alone: which
// candidate layout has windows sitting in its regions, and which windows span several regions.
// Pure: reads no coordinator state and changes nothing.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "snap/WindowStackController.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

inline constexpr double kLayoutGap = 8.0;

using SpanMap = std::unordered_map<ManagedWindow, std::set<RegionNumber>>;

// The first candidate whose region frames in the display frame hold windows in the most
// regions: at least two regions, or one when the candidate is the preferred layout. A tie is
// won by the preferred layout, else by the first candidate when every tied candidate has the
// same tree; tied different trees give nothing. Windows are taken in list order, each by the
// lowest-numbered region it sits in; windows sharing a frame all join that region.
std::optional<RecoveredLayout<ManagedWindow>> recognizeLayout(const std::vector<SnapLayout>& candidates,
                                                              const WindowSnapshot& windows,
                                                              const std::optional<SnapLayout>& preferred,
                                                              const Rect& displayFrame);

// The windows, other than those placed, whose frame matches the union of the two or more
// region frames it overlaps, each with those regions.
SpanMap spanMembers(const WindowSnapshot& windows, const std::map<RegionNumber, Rect>& frames,
                    const std::unordered_set<ManagedWindow>& placed);

// The union of the frames of the regions; nothing when the set is empty or a region has no
// frame.
std::optional<Rect> unionFrame(const std::set<RegionNumber>& regions, const std::map<RegionNumber, Rect>& frames);

} // namespace fw
