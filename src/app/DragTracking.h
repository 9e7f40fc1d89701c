#pragma once
// Drag tracking as the shell drives it: every left-button and motion event of the desktop goes
// to handle(); the shell cancels a drag before each command acts, resets it when snapping
// pauses and turns it off and on with the pause. The shell installs and removes the desktop's
// mouse monitor itself.
//
// Until the drag monitor of the snap library is built, NoDragTracking stands in: it follows no
// drag, and cancelling ends only the coordinator's interaction.

#include "platform/MouseMonitor.h"
#include "snap/SnapCoordinator.h"

namespace fw {

class DragTracking {
public:
    virtual ~DragTracking() = default;
    // One left-button press, release or drag, or a move of the pointer.
    virtual void handle(const MouseEvent& event) = 0;
    // Before a command acts: the drag trace records "cancelled", the drag-state file is
    // written (with diagnostics on), the drag is reset ending the interaction, and the
    // coordinator's interaction ends without resuming the stacks.
    virtual void cancel() = 0;
    // Forgets the drag; with endInteraction, the coordinator ends its interaction too.
    virtual void reset(bool endInteraction) = 0;
    // False while snapping is paused: every event is ignored.
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};

class NoDragTracking final : public DragTracking {
public:
    explicit NoDragTracking(SnapCoordinator& coordinator) : coordinator_(coordinator) {}

    void handle(const MouseEvent&) override {}
    void cancel() override { coordinator_.endInteraction(false); }
    void reset(bool endInteraction) override
    {
        if (endInteraction)
            coordinator_.endInteraction(false);
    }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }

private:
    SnapCoordinator& coordinator_;
    bool enabled_ = true;
};

} // namespace fw
