#pragma once
// The stacks as the engine last found them: the windows known with their frames, the frame
// stacks and the stacks presented (spans first), the window in front of each, the last layer
// list, and the first-seen order stacks cycle in. A window kept above or below the others
// joins stacks as any other does. It answers the membership
// questions of the coordinator and the views; only frame stacks answer them, span stacks are
// for showing and for sending a span behind. With grouping off every window stands alone.

#include "snap/WindowStackController.h"
#include "stacks/StackGrouping.h"
#include "stacks/StackModel.h"
#include "windows/WindowAccess.h"

#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw::stacks {

class StackSet {
public:
    // `callbacks` gives the regions and spans grouping asks for; both must outlive the set.
    StackSet(WindowAccess& access, const WindowStackCallbacks& callbacks) : access_(access), callbacks_(callbacks) {}

    // Grouping ("windowStacksEnabled"); off answers every question as if there were no stacks.
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // ---- Membership questions
    // The members of the window's stack still in its slot, the window included.
    std::vector<ManagedWindow> stackMates(const ManagedWindow& window) const;
    // The window in front of the frame stack holding the window; the window itself otherwise.
    ManagedWindow stackFront(const ManagedWindow& window) const;
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const;
    // The members whose slots coincide with the window's, or lie within it, or hold it.
    std::vector<ManagedWindow> slotMates(const ManagedWindow& window, const std::vector<ManagedWindow>& members,
                                         const WindowStack& stack) const;
    // The presented stack holding the window; none.
    const WindowStack* presentedStackOf(const ManagedWindow& window) const;
    // The window at the frame sits in the slot, each by its cells.
    bool sitsIn(const ManagedWindow& window, const Rect& frame, const Rect& slot) const;
    std::vector<ManagedWindow> assignCycleOrder(const std::vector<ManagedWindow>& windows)
    {
        return cycleOrder_.assign(windows);
    }

    // Called after each grouping and clearing: the presented stacks may have changed.
    std::function<void()> onRegrouped;

    // ---- Changes
    // The coordinator placed these windows at these frames.
    void updateKnownFrames(const WindowFramePairs& windows);
    // The pass's layer list.
    void noteLayers(const std::vector<WindowLayerSnapshot>& layers) { layers_ = layers; }
    // Asks the windows again: all, or those of the processes given; the windows now known.
    std::unordered_set<ManagedWindow> discover(const std::optional<std::unordered_set<Pid>>& changedPids);
    // Groups the known windows into frame stacks and presented stacks; fronts are forgotten.
    void group();
    void setFront(const ManagedWindow& firstMember, const ManagedWindow& front) { stackFronts_[firstMember] = front; }
    // The member the last step of the cycle brought forward and the window that held the focus
    // at that step; forgotten at every other switch.
    struct CycleStep {
        ManagedWindow brought;
        ManagedWindow focused;
    };
    void noteCycleStep(const std::optional<CycleStep>& step) { lastCycleStep_ = step; }
    const std::optional<CycleStep>& lastCycleStep() const { return lastCycleStep_; }
    // Forgets every stack and window.
    void clear();

    const std::vector<WindowStack>& stacks() const { return stacks_; }
    const std::vector<WindowStack>& presented() const { return presented_; }
    const WindowSnapshot& knownFrames() const { return knownFrames_; }
    // The last pass's layer list, front to back.
    const std::vector<WindowLayerSnapshot>& layers() const { return layers_; }

private:
    Size gridOf(const ManagedWindow& window) const;
    std::vector<WindowStack> currentFrameStacks(const WindowSnapshot& windows) const;

    WindowAccess& access_;
    const WindowStackCallbacks& callbacks_;
    bool enabled_ = true;
    std::vector<WindowStack> stacks_;      // the frame stacks
    std::vector<WindowStack> presented_;   // span stacks, then frame stacks outside them
    std::unordered_map<ManagedWindow, ManagedWindow> stackFronts_;   // by a stack's first member
    WindowSnapshot knownFrames_;
    std::vector<WindowLayerSnapshot> layers_;
    CycleOrder cycleOrder_;
    std::optional<CycleStep> lastCycleStep_;
};

} // namespace fw::stacks
