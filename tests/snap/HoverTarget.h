#pragma once
// The drop target under the pointer asked for as the drag handler's hover update asks: the
// planner over the coordinator's applied layouts, with the state the handler reads of the
// coordinator's guard, shown menu, window stacks and remembered side splits.

#include "snap/DropTargets.h"
#include "snap/SnapCoordinator.h"
#include "snap/SnapDragHandler.h"

namespace fw::snaptest {

inline std::optional<RegionDropTarget> regionDropTarget(SnapCoordinator& coordinator, const DropTargetQuery& query)
{
    const DragStates states = coordinator.dragStates();
    return fw::regionDropTarget(query, coordinator.groups(),
                                dropTargetState(coordinator.context(), states, query.display));
}

} // namespace fw::snaptest
