#pragma once
// Steps the coordinator takes a moment after the event that decided them: the choice that a
// release over the layout picker or a seam corner commits 0.1 s later, and tasks that start
// on the next turn of the loop. Each holds the coordinator's interaction stamp and does
// nothing once that interaction has ended or the coordinator is gone; every step lives in the
// coordinator's task scope, so none survives the coordinator.

#include "base/TaskScope.h"
#include "snap/SnapSelection.h"
#include "windows/CoordinatorHost.h"

#include <functional>

namespace fw {

// Makes the task of a choice. The task outlives the function that made it, so the function
// must not be a coroutine lambda with captures: call a coroutine that takes what it needs as
// parameters.
using SelectionRun = std::function<Task<void>(SnapSelection)>;

// How long a release's choice waits before it is carried out.
inline constexpr Duration kSelectionCommitDelay = 100ms;

// 0.1 s from now, when the stamp is still current, starts a task that runs `choose` with the
// selection.
void commitSelectionLater(TaskScope& tasks, InteractionStamp stamp, SnapSelection selection, SelectionRun choose);

// On the next turn of the loop, when the stamp is still current, starts the task that `run`
// makes.
void startWhenCurrent(TaskScope& tasks, InteractionStamp stamp, std::function<Task<void>()> run);

} // namespace fw
