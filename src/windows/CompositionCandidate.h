#pragma once
// Matching windows to the regions of a composition: a deterministic maximum matching that
// keeps windows already lying in a region and otherwise prefers the window nearest to it.
// Pure; generic over the window type so that it can be tested on plain values.

#include "base/Geometry.h"
#include "layout/RegionGeometry.h"
#include "layout/RegionTree.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// The tolerance for "already in place" everywhere in composition placement.
inline constexpr double kPlacementTolerance = 1.0;

// Whether a window at `frame` with the size increments `grid` already lies in the region: its
// edges within the tolerance, a window on a cell grid short of it by less than a cell.
bool liesInRegion(const Rect& frame, const Rect& region, const Size& grid);
// Cost of putting a window with frame `frame` into region frame `region`: -1 when it already
// lies there, else the distance between the centres plus 0.2 × the width and height
// differences.
double placementCost(const Rect& frame, const Rect& region, const Size& grid = {});

template<typename W>
struct CompositionCandidate {
    W window;
    Rect frame;     // where the window is now; decides the placement cost
    Size minimum;   // a region narrower or lower than this cannot take the window
    Size grid;      // its size increments; 0 = none

    double placementCost(const Rect& region) const { return fw::placementCost(frame, region, grid); }

    bool fits(const Rect& region) const
    {
        return region.width() >= minimum.width && region.height() >= minimum.height;
    }

    // Region number → window. Maximum in the number of filled regions; windows already in a
    // region keep it unless moving them is the only way to fill another one; ties go to the
    // earlier candidate. `excluding` names regions each window failed to take.
    template<typename Hash = std::hash<W>>
    static std::map<RegionNumber, W> assign(const std::vector<CompositionCandidate>& candidates,
                                   const std::map<RegionNumber, Rect>& regions,
                                   const std::unordered_map<W, std::set<RegionNumber>, Hash>& excluding = {});
};

template<typename W>
template<typename Hash>
std::map<RegionNumber, W> CompositionCandidate<W>::assign(const std::vector<CompositionCandidate>& input,
                                                 const std::map<RegionNumber, Rect>& regions,
                                                 const std::unordered_map<W, std::set<RegionNumber>, Hash>& excluding)
{
    // Duplicates: only the first occurrence of a window counts; indices below are into `cands`.
    std::vector<const CompositionCandidate*> cands;
    {
        std::unordered_set<W, Hash> seen;
        for (const auto& c : input) {
            if (seen.insert(c.window).second)
                cands.push_back(&c);
        }
    }

    struct RegionInfo {
        RegionNumber number;
        Rect frame;
        std::vector<int> eligible; // candidate indices, by cost then index
    };
    std::vector<RegionInfo> order;
    for (const auto& [number, frame] : regions) {
        RegionInfo info{number, frame, {}};
        std::vector<std::pair<double, int>> costs;
        for (int i = 0; i < int(cands.size()); ++i) {
            const auto& c = *cands[i];
            auto ex = excluding.find(c.window);
            if (ex != excluding.end() && ex->second.count(number))
                continue;
            if (!c.fits(frame))
                continue;
            costs.emplace_back(c.placementCost(frame), i);
        }
        std::stable_sort(costs.begin(), costs.end(), [](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return a.second < b.second;
        });
        for (const auto& [cost, i] : costs)
            info.eligible.push_back(i);
        order.push_back(std::move(info));
    }
    std::stable_sort(order.begin(), order.end(), [](const RegionInfo& a, const RegionInfo& b) {
        if (a.eligible.size() != b.eligible.size())
            return a.eligible.size() < b.eligible.size();
        if (a.frame.minY() != b.frame.minY())
            return a.frame.minY() < b.frame.minY();
        if (a.frame.minX() != b.frame.minX())
            return a.frame.minX() < b.frame.minX();
        return a.number < b.number;
    });

    const int regionCount = int(order.size());
    std::vector<int> windowOf(regionCount, -1);          // region position → candidate index
    std::vector<int> regionOf(cands.size(), -1);         // candidate index → region position

    auto isEligible = [&](int r, int i) {
        const auto& e = order[r].eligible;
        return std::find(e.begin(), e.end(), i) != e.end();
    };

    // First pass: keep windows that already lie in a region.
    for (int r = 0; r < regionCount; ++r) {
        for (int i = 0; i < int(cands.size()); ++i) {
            if (regionOf[i] != -1 || !isEligible(r, i))
                continue;
            if (liesInRegion(cands[i]->frame, order[r].frame, cands[i]->grid)) {
                windowOf[r] = i;
                regionOf[i] = r;
                break;
            }
        }
    }

    // Second pass: augmenting paths for the regions still empty.
    std::function<bool(int, std::vector<bool>&)> augment = [&](int r, std::vector<bool>& visited) {
        for (int i : order[r].eligible) {
            if (regionOf[i] == -1 && !visited[i]) {
                visited[i] = true;
                windowOf[r] = i;
                regionOf[i] = r;
                return true;
            }
        }
        for (int i : order[r].eligible) {
            if (visited[i])
                continue;
            visited[i] = true;
            const int held = regionOf[i];
            if (held == -1 || augment(held, visited)) {
                // The region it held (if any) found another window inside the recursion.
                windowOf[r] = i;
                regionOf[i] = r;
                return true;
            }
        }
        return false;
    };
    for (int r = 0; r < regionCount; ++r) {
        if (windowOf[r] != -1)
            continue;
        std::vector<bool> visited(cands.size(), false);
        augment(r, visited);
    }

    std::map<RegionNumber, W> result;
    for (int r = 0; r < regionCount; ++r) {
        if (windowOf[r] != -1)
            result.emplace(order[r].number, cands[windowOf[r]]->window);
    }
    return result;
}

} // namespace fw
