// The choices over a composition's candidate windows: the next candidate and one unit per stack.
#include "snap/CompositionRecords.h"

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

std::vector<CompositionUnit> compositionUnits(const std::vector<CompositionRecord>& records, const WindowSet& used,
                                              const StackMatesOf& stackMates)
{
    std::vector<std::vector<CompositionRecord>> groups;
    std::vector<std::vector<ManagedWindow>> mates; // each group's stack, by its first record
    for (const CompositionRecord& record : records) {
        auto home = std::find_if(mates.begin(), mates.end(), [&](const std::vector<ManagedWindow>& stack) {
            return std::find(stack.begin(), stack.end(), record.window) != stack.end();
        });
        if (home == mates.end()) {
            groups.push_back({record});
            mates.push_back(stackMates ? stackMates(record.window) : std::vector<ManagedWindow>{record.window});
        } else {
            groups[std::size_t(home - mates.begin())].push_back(record);
        }
    }
    std::vector<CompositionUnit> out;
    for (auto& group : groups) {
        std::stable_sort(group.begin(), group.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
        const auto next = nextCompositionCandidate(group, used);
        CompositionUnit unit;
        for (const CompositionRecord& r : group) {
            if (r.window == next->window)
                unit.placed = r;
            else
                unit.behind.push_back(r.window);
        }
        out.push_back(std::move(unit));
    }
    return out;
}

} // namespace fw
