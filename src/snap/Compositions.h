#pragma once
// Applying a composition: a whole layout put on a display at once, with its apps. The running
// windows of each region's apps go to their region (the first app's in front, the others
// behind it), the display's other windows fill the regions left over (a stack counts once and
// moves whole), apps without a window are launched (CompositionApps) and their windows placed
// when they appear (LateWindows), and its notices say how it went. With diagnostics, the
// composition-state file records the outcome, and the "Motion" log times it.

#include "base/Clock.h"
#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/ChoiceState.h"
#include "windows/CoordinatorHost.h"

#include <QString>
#include <cstddef>

namespace fw {

struct SnapContext;

// The diagnostics file of the last composition.
inline const QString kCompositionStateFile = QStringLiteral("Framewell-composition-state.json");

// Applies the layout to the display for the interaction `stamp`. The caller holds the
// mutation guard from before until after.
Task<void> applyComposition(SnapContext& ctx, ChoiceState state, SnapLayout layout, ScreenInfo screen,
                            InteractionStamp stamp);

// "Layout <id> with <n> windows finished <ms> ms after choosing" ("Motion"), whole ms.
void logLayoutTiming(const QString& layoutId, std::size_t windows, Duration start, Duration now);

} // namespace fw
