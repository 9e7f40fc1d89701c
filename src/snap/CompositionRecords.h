#pragma once
// The candidate windows of a composition and the choices over them: the next candidate by
// front-to-back order, and one unit per stack of the stack engine (a stack counts once and
// moves whole). Pure: the caller asks the stack engine.

#include "base/Geometry.h"
#include "snap/WindowSets.h"
#include "windows/ManagedWindow.h"

#include <functional>
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

// One unit of a composition: the record that is placed and the other members of its stack,
// which go where it goes, front to back.
struct CompositionUnit {
    CompositionRecord placed;
    std::vector<ManagedWindow> behind;

    friend bool operator==(const CompositionUnit&, const CompositionUnit&) = default;
};
// The members of a window's stack, the window included (the stack engine's membership).
using StackMatesOf = std::function<std::vector<ManagedWindow>(const ManagedWindow&)>;
// The records grouped by stack membership, never by their frames: a record joins the unit of
// the first earlier record whose stack names it. One unit per group, in the order of the
// groups' first records, placed through its first record by order whose window is not in
// `used` (else its first by order); the others behind it by order.
std::vector<CompositionUnit> compositionUnits(const std::vector<CompositionRecord>& records, const WindowSet& used,
                                              const StackMatesOf& stackMates);

} // namespace fw
