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

WindowSet windowsOutside(const std::unordered_set<Pid>& processes, const WindowSet& windows)
{
    return keeping(windows, [&](const ManagedWindow& w) { return !processes.count(w.pid); });
}

WindowSet vanishedWindows(const WindowSet& windows, const WindowAccess& access)
{
    return keeping(windows, [&](const ManagedWindow& w) { return !access.frame(w); });
}

std::optional<NextCandidate> nextCompositionCandidate(std::vector<CompositionRecord> records, const WindowSet& used)
{
    if (records.empty())
        return std::nullopt;
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
    auto chosen = std::find_if(records.begin(), records.end(), [&](const auto& r) { return !used.count(r.window); });
    NextCandidate next{chosen == records.end() ? records.front().window : chosen->window, {}};
    for (const auto& r : records) {
        if (!(r.window == next.window))
            next.rest.push_back(r);
    }
    return next;
}

QString dropIntentText(const RegionDropIntent& intent)
{
    using K = RegionDropIntent::Kind;
    const QString region = QString::number(intent.region);
    const QString flag = intent.side ? u"true"_qs : u"false"_qs;
    switch (intent.kind) {
    case K::swap:
        return u"swap("_qs + region + u')';
    case K::split:
        return u"split("_qs + region + u", top: "_qs + flag + u')';
    case K::splitSide:
        return u"splitSide("_qs + region + u", left: "_qs + flag + u')';
    case K::place:
        return u"place("_qs + region + u')';
    case K::fillColumn:
        return u"fillColumn("_qs + region + u')';
    case K::choose:
        return u"choose("_qs + region + u')';
    case K::putBack:
        return u"putBack("_qs + region + u')';
    }
    return {};
}

long millisecondsSince(Duration then, Duration now)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(now - then).count());
}

} // namespace fw
