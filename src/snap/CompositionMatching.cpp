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

// Which windows may serve an app: its own, or those of the same application.
enum class Kinship { own, sameApplication };

// The window for one app of a region: in place, else preferred, else the first unused.
const AppWindow* chooseWindow(const QString& appId, Kinship kin, const Rect& region,
                              const std::vector<AppWindow>& windows, const std::unordered_set<ManagedWindow>& used,
                              const std::unordered_set<ManagedWindow>& preferred)
{
    std::vector<const AppWindow*> candidates;
    for (const AppWindow& w : windows) {
        const bool serves = kin == Kinship::own ? w.appId == appId : w.sameApplicationAs.contains(appId);
        if (!appId.isEmpty() && serves && !used.count(w.window))
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
    std::map<std::pair<RegionNumber, int>, ManagedWindow> chosen; // by region and place in its list
    for (const Kinship kin : {Kinship::own, Kinship::sameApplication}) {
        for (const auto& [region, ids] : *apps) { // the map keeps regions ascending
            const auto frame = frames.find(region);
            for (int j = 0; frame != frames.end() && j < ids.size(); ++j) {
                if (chosen.count({region, j}))
                    continue;
                if (const AppWindow* w = chooseWindow(ids[j], kin, frame->second, windows, used, preferred)) {
                    used.insert(w->window);
                    chosen.emplace(std::pair{region, j}, w->window);
                }
            }
        }
    }
    for (const auto& [region, ids] : *apps) {
        for (int j = 0; frames.count(region) && j < ids.size(); ++j) {
            const auto window = chosen.find({region, j});
            if (window == chosen.end())
                match.missing.push_back({region, ids[j], j == 0});
            else if (j == 0)
                match.front.emplace(region, window->second);
            else
                match.behind[region].push_back(window->second);
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
