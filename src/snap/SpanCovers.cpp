// The covers of windows spanning several regions as the stack controller shows them, and the frames
// of every applied region.
#include "snap/SpanCovers.h"

#include "layout/ScreenGeometry.h"
#include "snap/SpanPlacement.h"

#include <algorithm>

namespace fw {

namespace {

QString capitalised(const QString& word) { return word.left(1).toUpper() + word.mid(1); }

QString horizontalWord(double midX) { return midX < 0.34 ? u"left"_qs : midX <= 0.66 ? u"middle"_qs : u"right"_qs; }
QString verticalWord(double midY) { return midY < 0.34 ? u"top"_qs : midY <= 0.66 ? u"middle"_qs : u"bottom"_qs; }

Rect unitOf(const std::map<RegionNumber, Rect>& units, RegionNumber region)
{
    auto it = units.find(region);
    return it == units.end() ? Rect() : it->second;
}

} // namespace

QString spanRegionName(const Rect& unit)
{
    const QString across = horizontalWord(unit.midX());
    const QString down = verticalWord(unit.midY());
    const bool fullWidth = unit.width() > 0.99, fullHeight = unit.height() > 0.99;
    if (fullWidth && fullHeight)
        return u"Whole display"_qs;
    if (fullHeight)
        return capitalised(across) + u" column"_qs;
    if (fullWidth)
        return capitalised(down) + u" row"_qs;
    if (across == u"middle"_qs && down == u"middle"_qs)
        return u"Center"_qs;
    return capitalised(down) + u' ' + across;
}

QString spanName(const std::vector<Rect>& units)
{
    const auto all = [&](auto pred) { return std::all_of(units.begin(), units.end(), pred); };
    if (units.size() == 2 && all([](const Rect& u) { return u.height() > 0.99; }))
        return u"Across both columns"_qs;
    if (units.size() == 2 && all([](const Rect& u) { return u.width() > 0.99; }))
        return u"Across both rows"_qs;
    return u"Across %1 regions"_qs.arg(units.size());
}

std::vector<SpanCover> spanCovers(const AppliedLayouts::Groups& groups, const std::vector<ScreenInfo>& screens)
{
    std::vector<SpanCover> covers;
    for (const auto& [key, group] : groups) {
        if (group.spans.empty())
            continue;
        const auto screen = screenWithKey(screens, key);
        if (!screen)
            continue;
        const auto frames = regionFrames(group.layout, *screen);
        const auto units = group.layout.tree.unitRects(Rect(0, 0, 1, 1));
        for (const auto& [window, regionSet] : group.spans) {
            const auto united = unionFrame(regionSet, frames);
            if (!united)
                continue;
            std::vector<RegionNumber> order(regionSet.begin(), regionSet.end());
            std::stable_sort(order.begin(), order.end(),
                             [&](RegionNumber a, RegionNumber b) { return isBeforeInReadingOrder(a, b, units); });
            SpanCover cover{window, *united, {}, {}};
            std::vector<Rect> named;
            for (RegionNumber region : order) {
                std::optional<ManagedWindow> occupant;
                if (auto it = group.windows.find(region); it != group.windows.end() && !(it->second == window))
                    occupant = it->second;
                cover.regions.push_back({spanRegionName(unitOf(units, region)), frames.at(region), occupant});
                if (units.count(region))
                    named.push_back(units.at(region));
            }
            cover.title = spanName(named);
            covers.push_back(std::move(cover));
        }
    }
    return covers;
}

std::vector<Rect> appliedRegionFrames(const AppliedLayouts::Groups& groups, const std::vector<ScreenInfo>& screens)
{
    std::vector<Rect> out;
    for (const auto& [key, group] : groups) {
        if (const auto screen = screenWithKey(screens, key)) {
            for (const auto& [region, frame] : regionFrames(group.layout, *screen))
                out.push_back(frame);
        }
    }
    return out;
}

} // namespace fw
