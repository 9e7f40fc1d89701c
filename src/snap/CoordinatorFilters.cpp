// The coordinator's table filters: each keeps the entries of a table that pass one test.
#include "snap/CoordinatorFilters.h"

#include <algorithm>

namespace fw {

namespace {

template<typename Map, typename Keep>
Map keeping(const Map& from, Keep keep)
{
    Map out;
    for (const auto& entry : from) {
        if (keep(entry))
            out.insert(entry);
    }
    return out;
}

} // namespace

std::map<RegionNumber, Rect> openRegions(const SnapAssistSession<ManagedWindow>& session)
{
    return keeping(session.regions, [&](const auto& e) { return session.isOpen(e.first); });
}

SpanMap usableWindowEntries(const SpanMap& spans, const BoundsMap& bounds, const WindowAccess& access)
{
    return keeping(spans, [&](const auto& e) { return access.isUsable(e.first, bounds); });
}

RegionWindows usableRegionEntries(const RegionWindows& windows, const BoundsMap& bounds, const WindowAccess& access)
{
    return keeping(windows, [&](const auto& e) { return access.isUsable(e.second, bounds); });
}

RegionWindows removingWindow(const ManagedWindow& window, const RegionWindows& from)
{
    return keeping(from, [&](const auto& e) { return !(e.second == window); });
}

RegionWindows removingWindows(const ManagedWindow& a, const ManagedWindow& b, const RegionWindows& from)
{
    return keeping(from, [&](const auto& e) { return !(e.second == a) && !(e.second == b); });
}

RegionWindows removingWindows(const WindowSet& windows, const RegionWindows& from)
{
    return keeping(from, [&](const auto& e) { return !windows.count(e.second); });
}

SpanMap spans(const std::set<RegionNumber>& within, const SpanMap& table)
{
    return keeping(table, [&](const auto& e) {
        return std::includes(within.begin(), within.end(), e.second.begin(), e.second.end());
    });
}

ReturnHomes returnHomes(const QString& leaving, const WindowSet& windows, const ReturnHomes& homes)
{
    return keeping(homes, [&](const auto& e) { return e.second.display != leaving && !windows.count(e.first); });
}

} // namespace fw
