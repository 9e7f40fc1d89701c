// Steps run a moment after the event that chose them, dropped when their interaction has ended.
#include "snap/DeferredSteps.h"

namespace fw {

void commitSelectionLater(TaskScope& tasks, InteractionStamp stamp, SnapSelection selection, SelectionRun choose)
{
    tasks.after(kSelectionCommitDelay, [&tasks, stamp, selection, choose = std::move(choose)] {
        if (stamp.current() && choose)
            tasks.spawn(choose(selection));
    });
}

void startWhenCurrent(TaskScope& tasks, InteractionStamp stamp, std::function<Task<void>()> run)
{
    tasks.after(Duration::zero(), [&tasks, stamp, run = std::move(run)] {
        if (stamp.current() && run)
            tasks.spawn(run());
    });
}

} // namespace fw
