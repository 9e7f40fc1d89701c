#pragma once
// The applications that are running as far as the desktop shows them: the owners of normal
// windows, each named by its desktop-entry id. Windows that no installed entry is found for
// (WindowApplicationIndex) name no application and are left out; our own windows are never in
// the window list.

#include "platform/Applications.h"
#include "platform/WindowSystem.h"

#include <QStringList>
#include <vector>

namespace fw {

// The ids of the applications owning normal windows of the list (minimized ones included),
// each once, in list order.
QStringList runningApplicationIds(const std::vector<WindowInfo>& windows, const WindowApplicationIndex& index);

// Reads the window list at every call, the installed entries when they changed.
class RunningApplications {
public:
    RunningApplications(WindowSystem& windows, const Applications& applications)
        : windows_(windows), index_(applications)
    {
    }
    QStringList ids();

private:
    WindowSystem& windows_;
    WindowApplicationIndex index_;
};

} // namespace fw
