// The choices over a composition's candidate windows: the next candidate and one per cluster.
#include "snap/CompositionRecords.h"

#include "windows/FrameMatch.h"

#include <algorithm>

namespace fw {

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

std::vector<CompositionRecord> clusterPlacements(const std::vector<CompositionRecord>& records, const WindowSet& used)
{
    std::vector<std::vector<CompositionRecord>> clusters;
    for (const CompositionRecord& record : records) {
        auto home = std::find_if(clusters.begin(), clusters.end(), [&](const auto& cluster) {
            return sameFrame(cluster.front().frame, record.frame, kSameFrameTolerance);
        });
        if (home == clusters.end())
            clusters.push_back({record});
        else
            home->push_back(record);
    }
    std::vector<CompositionRecord> out;
    for (const auto& cluster : clusters) {
        const auto next = nextCompositionCandidate(cluster, used);
        const auto chosen = std::find_if(cluster.begin(), cluster.end(),
                                         [&](const CompositionRecord& r) { return r.window == next->window; });
        out.push_back(*chosen);
    }
    return out;
}

} // namespace fw
