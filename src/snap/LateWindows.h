#pragma once
// The late-window task of a composition: the apps it launched get their windows placed as
// they appear. Every 0.25 s for at most 20 s it looks at the desktop's windows; a window of a
// waiting app that has been seen for 0.8 s and held still for 0.6 s goes to its region (at
// most two tries per app), and counts once it has stayed there for 1.5 s. A window of an app
// listed behind another in its region goes behind the region's front window; a front app whose
// region has come to hold a window of the app meanwhile is served by it. One notice
// names the apps whose windows never settled, another those that opened no window to take. It compares no interaction generation: it
// stops when the display shows another layout, or when the coordinator is gone.

#include "base/Clock.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/ChoiceState.h"
#include "snap/CompositionApps.h"
#include "snap/CompositionMatching.h"

#include <vector>

namespace fw {

struct SnapContext;

inline constexpr Duration kLatePollInterval = 250ms;
inline constexpr Duration kLateSeenFor = 800ms;
inline constexpr Duration kLateStillFor = 600ms;
inline constexpr Duration kLateSettleTime = 1500ms;
inline constexpr int kLateTries = 2;

// Starts the task for the apps (in their order) of the layout `layoutId` on the display and
// returns at once. The task lives in the coordinator's task scope.
void settleLateApps(SnapContext& ctx, ChoiceState state, std::vector<MissingApp> pending, QString layoutId,
                    ScreenInfo screen);

} // namespace fw
