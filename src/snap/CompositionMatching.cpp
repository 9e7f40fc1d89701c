// Matching a layout's apps to running windows, the apps still missing, placement records.
#include "snap/CompositionMatching.h"

#include "windows/FrameMatch.h"
#include "windows/CompositionCandidate.h"

#include <QJsonArray>
#include <algorithm>

namespace fw {

namespace {

QJsonArray frameArray(const std::optional<Rect>& r)
{
    return r ? QJsonArray{r->x(), r->y(), r->width(), r->height()} : QJsonArray{};
}


bool liesIn(const std::optional<Rect>& frame, const Rect& region)
{
    return frame && edgesMatch(*frame, region, kPlacementTolerance);
}

// The window for one app of a region: in place, else preferred, else the first unused.
const AppWindow* chooseWindow(const QString& appId, const Rect& region, const std::vector<AppWindow>& windows,
                              const std::unordered_set<ManagedWindow>& used,
                              const std::unordered_set<ManagedWindow>& preferred)
{
    std::vector<const AppWindow*> candidates;
    for (const AppWindow& w : windows) {
        if (!appId.isEmpty() && w.appId == appId && !used.count(w.window))
            candidates.push_back(&w);
    }
    const auto first = [&](auto test) -> const AppWindow* {
        const auto it = std::find_if(candidates.begin(), candidates.end(), test);
        return it == candidates.end() ? nullptr : *it;
    };
    if (const AppWindow* inPlace = first([&](const AppWindow* w) { return w->frame && liesInRegion(*w->frame, region, w->grid); }))
        return inPlace;
    if (const AppWindow* onDisplay = first([&](const AppWindow* w) { return preferred.count(w->window) > 0; }))
        return onDisplay;
    return candidates.empty() ? nullptr : candidates.front();
}

} // namespace

AppMatch matchLayoutApps(const std::optional<SnapLayout::AppMap>& apps, const std::map<RegionNumber, Rect>& frames,
                         const std::vector<AppWindow>& windows, const std::unordered_set<ManagedWindow>& preferred)
{
    AppMatch match;
    if (!apps)
        return match;
    std::unordered_set<ManagedWindow> used;
    for (const auto& [region, ids] : *apps) { // the map keeps regions ascending
        const auto frame = frames.find(region);
        if (frame == frames.end())
            continue;
        for (int j = 0; j < ids.size(); ++j) {
            const AppWindow* chosen = chooseWindow(ids[j], frame->second, windows, used, preferred);
            if (!chosen) {
                match.missing.push_back({region, ids[j], j == 0});
                continue;
            }
            used.insert(chosen->window);
            if (j == 0)
                match.front.emplace(region, chosen->window);
            else
                match.behind[region].push_back(chosen->window);
        }
    }
    return match;
}

std::vector<MissingApp> missingAppsStillOpen(const std::vector<MissingApp>& missing,
                                             const std::map<RegionNumber, ManagedWindow>& front)
{
    std::vector<MissingApp> open;
    std::copy_if(missing.begin(), missing.end(), std::back_inserter(open),
                 [&](const MissingApp& m) { return !front.count(m.region); });
    return open;
}

QJsonObject compositionPlacementRecord(RegionNumber region, const QString& appId,
                                       const std::map<RegionNumber, Rect>& frames, const std::optional<Rect>& actual)
{
    const auto it = frames.find(region);
    const std::optional<Rect> requested = it == frames.end() ? std::nullopt : std::optional<Rect>(it->second);
    const bool fits = requested && liesIn(actual, *requested);
    return {{QStringLiteral("region"), double(region)},
            {QStringLiteral("app"), appId},
            {QStringLiteral("requested"), frameArray(requested)},
            {QStringLiteral("actual"), frameArray(actual)},
            {QStringLiteral("fits"), fits}};
}

std::vector<ManagedWindow> excluding(const std::vector<ManagedWindow>& windows,
                                     const std::vector<ManagedWindow>& without)
{
    const std::unordered_set<ManagedWindow> drop(without.begin(), without.end());
    std::vector<ManagedWindow> kept;
    std::copy_if(windows.begin(), windows.end(), std::back_inserter(kept),
                 [&](const ManagedWindow& w) { return !drop.count(w); });
    return kept;
}

} // namespace fw
