#pragma once
// Matching windows to the regions of a composition: a deterministic maximum matching that
// keeps windows already lying in a region and otherwise prefers the window nearest to it.
// Pure; generic over the window type so that it can be tested on plain values.

#include "base/Geometry.h"
#include "windows/FrameMatch.h"
#include "layout/RegionTree.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// Whether a window at `frame` with the size increments `grid` already lies in the region: its
// edges within the tolerance, a window on a cell grid short of it by less than a cell.
bool liesInRegion(const Rect& frame, const Rect& region, const Size& grid);
// Cost of putting a window with frame `frame` into region frame `region`: -1 when it already
// lies there, else the distance between the centres plus 0.2 × the width and height
// differences.
double placementCost(const Rect& frame, const Rect& region, const Size& grid = {});

// What the matching needs of one candidate: where it is, the smallest region it takes, its
// grid, and the regions it failed to take (none when null).
struct MatchEntry {
    Rect frame;
    Size minimum;
    Size grid;
    const std::set<RegionNumber>* excluded = nullptr;
};

// The matching of CompositionCandidate::assign on distinct entries, in candidate order:
// region number → index into `entries`.
std::map<RegionNumber, std::size_t> matchRegions(const std::vector<MatchEntry>& entries,
                                                 const std::map<RegionNumber, Rect>& regions);

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
    // Duplicates: only the first occurrence of a window counts.
    std::vector<const CompositionCandidate*> cands;
    std::vector<MatchEntry> entries;
    std::unordered_set<W, Hash> seen;
    for (const auto& c : input) {
        if (!seen.insert(c.window).second)
            continue;
        const auto ex = excluding.find(c.window);
        cands.push_back(&c);
        entries.push_back(MatchEntry{c.frame, c.minimum, c.grid, ex != excluding.end() ? &ex->second : nullptr});
    }
    std::map<RegionNumber, W> result;
    for (const auto& [region, index] : matchRegions(entries, regions))
        result.emplace(region, cands[index]->window);
    return result;
}

} // namespace fw
