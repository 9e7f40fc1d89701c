// The placement cost and the matching of windows to a composition's regions: the regions
// ordered by how few windows can take them, windows already in a region kept there, then
// augmenting paths for the regions still empty.

#include "windows/CompositionCandidate.h"

#include "windows/WindowAccess.h"

namespace fw {

bool liesInRegion(const Rect& frame, const Rect& region, const Size& grid)
{
    return arrivedAt(frame, region, grid, kPlacementTolerance);
}

double placementCost(const Rect& frame, const Rect& region, const Size& grid)
{
    if (liesInRegion(frame, region, grid))
        return -1.0;
    return std::hypot(frame.midX() - region.midX(), frame.midY() - region.midY())
        + 0.2 * std::abs(frame.width() - region.width()) + 0.2 * std::abs(frame.height() - region.height());
}

namespace {

struct RegionInfo {
    RegionNumber number;
    Rect frame;
    std::vector<int> eligible; // entry indices, by cost then index
};

bool fits(const MatchEntry& entry, const Rect& region)
{
    return region.width() >= entry.minimum.width && region.height() >= entry.minimum.height;
}

// The entries that may take the region (not excluded from it, not too large for it), by cost
// then index.
std::vector<int> eligibleFor(const std::vector<MatchEntry>& entries, RegionNumber number, const Rect& frame)
{
    std::vector<std::pair<double, int>> costs;
    for (int i = 0; i < int(entries.size()); ++i) {
        const MatchEntry& e = entries[std::size_t(i)];
        if (e.excluded && e.excluded->count(number))
            continue;
        if (!fits(e, frame))
            continue;
        costs.emplace_back(placementCost(e.frame, frame, e.grid), i);
    }
    std::stable_sort(costs.begin(), costs.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return a.second < b.second;
    });
    std::vector<int> eligible;
    for (const auto& [cost, i] : costs)
        eligible.push_back(i);
    return eligible;
}

// The regions in the order they are filled: the fewest eligible entries first, then top to
// bottom, left to right, by number.
std::vector<RegionInfo> regionOrder(const std::vector<MatchEntry>& entries, const std::map<RegionNumber, Rect>& regions)
{
    std::vector<RegionInfo> order;
    for (const auto& [number, frame] : regions)
        order.push_back(RegionInfo{number, frame, eligibleFor(entries, number, frame)});
    std::stable_sort(order.begin(), order.end(), [](const RegionInfo& a, const RegionInfo& b) {
        if (a.eligible.size() != b.eligible.size())
            return a.eligible.size() < b.eligible.size();
        if (a.frame.minY() != b.frame.minY())
            return a.frame.minY() < b.frame.minY();
        if (a.frame.minX() != b.frame.minX())
            return a.frame.minX() < b.frame.minX();
        return a.number < b.number;
    });
    return order;
}

// The matching between region positions (in `order`) and entry indices.
class Matching {
public:
    Matching(const std::vector<MatchEntry>& entries, std::vector<RegionInfo> order)
        : entries_(entries), order_(std::move(order)), windowOf_(order_.size(), -1), regionOf_(entries.size(), -1)
    {
    }

    // First pass: keep windows that already lie in a region.
    void keepInPlace();
    // Second pass: augmenting paths for the regions still empty.
    void fillEmpty();
    std::map<RegionNumber, std::size_t> result() const;

private:
    bool isEligible(int r, int i) const
    {
        const auto& e = order_[std::size_t(r)].eligible;
        return std::find(e.begin(), e.end(), i) != e.end();
    }
    void pair(int r, int i)
    {
        windowOf_[std::size_t(r)] = i;
        regionOf_[std::size_t(i)] = r;
    }
    bool augment(int r, std::vector<bool>& visited);

    const std::vector<MatchEntry>& entries_;
    const std::vector<RegionInfo> order_;
    std::vector<int> windowOf_; // region position → entry index
    std::vector<int> regionOf_; // entry index → region position
};

void Matching::keepInPlace()
{
    for (int r = 0; r < int(order_.size()); ++r) {
        for (int i = 0; i < int(entries_.size()); ++i) {
            if (regionOf_[std::size_t(i)] != -1 || !isEligible(r, i))
                continue;
            const MatchEntry& e = entries_[std::size_t(i)];
            if (liesInRegion(e.frame, order_[std::size_t(r)].frame, e.grid)) {
                pair(r, i);
                break;
            }
        }
    }
}

bool Matching::augment(int r, std::vector<bool>& visited)
{
    const std::vector<int>& eligible = order_[std::size_t(r)].eligible;
    for (int i : eligible) {
        if (regionOf_[std::size_t(i)] == -1 && !visited[std::size_t(i)]) {
            visited[std::size_t(i)] = true;
            pair(r, i);
            return true;
        }
    }
    for (int i : eligible) {
        if (visited[std::size_t(i)])
            continue;
        visited[std::size_t(i)] = true;
        const int held = regionOf_[std::size_t(i)];
        if (held == -1 || augment(held, visited)) {
            // The region it held (if any) found another window inside the recursion.
            pair(r, i);
            return true;
        }
    }
    return false;
}

void Matching::fillEmpty()
{
    for (int r = 0; r < int(order_.size()); ++r) {
        if (windowOf_[std::size_t(r)] != -1)
            continue;
        std::vector<bool> visited(entries_.size(), false);
        augment(r, visited);
    }
}

std::map<RegionNumber, std::size_t> Matching::result() const
{
    std::map<RegionNumber, std::size_t> out;
    for (std::size_t r = 0; r < order_.size(); ++r) {
        if (windowOf_[r] != -1)
            out.emplace(order_[r].number, std::size_t(windowOf_[r]));
    }
    return out;
}

} // namespace

std::map<RegionNumber, std::size_t> matchRegions(const std::vector<MatchEntry>& entries,
                                                 const std::map<RegionNumber, Rect>& regions)
{
    Matching matching(entries, regionOrder(entries, regions));
    matching.keepInPlace();
    matching.fillEmpty();
    return matching.result();
}

} // namespace fw
