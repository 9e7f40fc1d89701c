#pragma once
// The candidate windows of a composition and the choices over them: the next candidate by
// front-to-back order, and one candidate per cluster of windows that share a frame (a stack
// counts once). Pure.

#include "base/Geometry.h"
#include "snap/WindowSets.h"
#include "windows/ManagedWindow.h"

#include <optional>
#include <vector>

namespace fw {

// One candidate window of a composition: where it is and its place in the front-to-back
// order.
struct CompositionRecord {
    ManagedWindow window;
    Rect frame;
    int order = 0;

    friend bool operator==(const CompositionRecord&, const CompositionRecord&) = default;
};
struct NextCandidate {
    ManagedWindow window;
    std::vector<CompositionRecord> rest; // the others, in order
};
// The first record by order whose window is not used yet (the first record when all are),
// with the records of the other windows; nothing for no records.
std::optional<NextCandidate> nextCompositionCandidate(std::vector<CompositionRecord> records, const WindowSet& used);

// The records grouped by frames that agree within 5 pixels with the first record of an
// earlier cluster (the first such cluster wins); one record per cluster, in cluster order:
// the first of the cluster by order whose window is not in `used`, else its first by order.
std::vector<CompositionRecord> clusterPlacements(const std::vector<CompositionRecord>& records, const WindowSet& used);

} // namespace fw
