#pragma once
// The coordinator narrows its tables before every placement: which windows still exist,
// which regions are open, which entries belong to the windows being moved. Each filter
// returns a new table of the same kind and leaves its input alone. Windows are the same when
// their process ids and elements are equal.

#include "snap/LayoutRecognition.h"
#include "snap/SnapAssistSession.h"
#include "snap/WindowMemory.h"
#include "snap/WindowSets.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QString>
#include <map>
#include <set>
#include <unordered_set>

namespace fw {

// The session's regions that are neither chosen for nor skipped.
std::map<RegionNumber, Rect> openRegions(const SnapAssistSession<ManagedWindow>& session);
// The entries whose window is still a usable window against the window-server list.
SpanMap usableWindowEntries(const SpanMap& spans, const BoundsMap& bounds, const WindowAccess& access);
RegionWindows usableRegionEntries(const RegionWindows& windows, const BoundsMap& bounds, const WindowAccess& access);
// The entries whose window is not the given one (or ones).
RegionWindows removingWindow(const ManagedWindow& window, const RegionWindows& from);
RegionWindows removingWindows(const ManagedWindow& a, const ManagedWindow& b, const RegionWindows& from);
RegionWindows removingWindows(const WindowSet& windows, const RegionWindows& from);
// The spans that lie within the regions (every region of the span is one of them).
SpanMap spans(const std::set<RegionNumber>& within, const SpanMap& spans);
// The return positions on other displays than `leaving`, of windows not in the set.
ReturnHomes returnHomes(const QString& leaving, const WindowSet& windows, const ReturnHomes& homes);

} // namespace fw
