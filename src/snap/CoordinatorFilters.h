#pragma once
// The coordinator narrows its tables before every placement: which windows still exist,
// which regions are open, which entries belong to the windows being moved. Each filter
// returns a new table of the same kind and leaves its input alone. Windows are the same when
// their process ids and elements are equal. Also the choice of a composition's next
// candidate and the two values of the drop log line.

#include "base/Clock.h"
#include "snap/DropActionMenu.h"
#include "snap/LayoutRecognition.h"
#include "snap/SnapAssistSession.h"
#include "snap/WindowMemory.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QString>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fw {

using WindowSet = std::unordered_set<ManagedWindow>;
using ReturnHomes = std::unordered_map<ManagedWindow, ReturnSnapTarget>;

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
// The windows whose process is not one of the given ones.
WindowSet windowsOutside(const std::unordered_set<Pid>& processes, const WindowSet& windows);
// The windows whose frame can no longer be read.
WindowSet vanishedWindows(const WindowSet& windows, const WindowAccess& access);

// One candidate window of a composition: where it is and its place in the front-to-back
// order.
struct CompositionRecord {
    ManagedWindow window;
    Rect frame;
    int order = 0;

    friend bool operator==(const CompositionRecord&, const CompositionRecord&) = default;
};
struct NextCandidate {
    ManagedWindow window;
    std::vector<CompositionRecord> rest; // the others, in order
};
// The first record by order whose window is not used yet (the first record when all are),
// with the records of the other windows; nothing for no records.
std::optional<NextCandidate> nextCompositionCandidate(std::vector<CompositionRecord> records, const WindowSet& used);

// Pairs of a number and a window: those whose window is in the set first, then by number.
struct SetMembersFirst {
    const WindowSet& members;
    bool operator()(const std::pair<RegionNumber, ManagedWindow>& a,
                    const std::pair<RegionNumber, ManagedWindow>& b) const
    {
        const bool inA = members.count(a.second), inB = members.count(b.second);
        return inA != inB ? inA : a.first < b.first;
    }
};

// The intent as the drop log writes it: "swap(3)", "split(3, top: true)", …
QString dropIntentText(const RegionDropIntent& intent);
// Whole milliseconds from `then` to `now` (uptimes), truncated toward zero.
long millisecondsSince(Duration then, Duration now);

} // namespace fw
