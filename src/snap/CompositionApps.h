#pragma once
// A composition's applications: the installed applications of the coordinator, the desktop's
// windows each with its application, and the launching of the apps that have no window yet.

#include "base/Clock.h"
#include "platform/Applications.h"
#include "snap/CompositionMatching.h"
#include "windows/WindowAccess.h"

#include <QStringList>
#include <vector>

namespace fw {

struct SnapContext;

// How long a launched app's window may take to appear: a composition waits as long for it, and
// a launch still within it is not made again.
inline constexpr Duration kLateTimeLimit = 20s;

// The installed applications of the context (none: nothing is installed).
const Applications& installedApplications(const SnapContext& ctx);

// The manageable windows of every display in the list's order, each with the id of its
// application (empty when no installed entry has it), its frame now, and which of the `named`
// apps it belongs to as well: those whose entry names its WM_CLASS (entryNamesClass).
std::vector<AppWindow> appWindows(const SnapContext& ctx, const WindowApplicationIndex& index, const WindowList& list,
                                  const QStringList& named);

// Launches each app without activating it, in the given order, but for an app whose launch of
// less than the late-window time limit ago still runs (its window has yet to appear: a second
// launch would open it twice). Returns the ids that could not be started (the composition
// names them once it knows what became of their spots).
QStringList launchMissingApps(SnapContext& ctx, const QStringList& ids);

} // namespace fw
