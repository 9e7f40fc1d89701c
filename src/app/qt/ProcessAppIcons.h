#pragma once
// The application icon of a process with a window, for the cards and badges that show one: the
// icon of the desktop entry its windows match (WindowApplicationIndex, as names and layouts
// find it), else the largest picture one of its windows publishes as its icon. Cards come many
// at a time (every candidate of every empty region): the window list is read once for them
// all, again only after a while or for a process that was not there; a window's own icon is
// read when first asked for. Main thread only.
//
//   ProcessAppIcons icons(platform);
//   if (auto icon = icons.icon(window.pid)) …

#include "base/Clock.h"
#include "platform/Platform.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

class ProcessAppIcons {
public:
    explicit ProcessAppIcons(Platform& platform) : platform_(platform) {}

    // The icon of the process's desktop entry; for a process whose windows match no entry, the
    // icon one of its windows publishes. None for a process with no window, or with neither.
    std::optional<QIcon> icon(Pid pid) const;

private:
    // What is known of each process with a window, read at a time: the desktop-entry id of its
    // windows (empty: none found), else its windows, whose icon is read once asked for.
    struct Process {
        QString entryId;
        std::vector<WindowId> windows;
        std::optional<std::optional<QIcon>> published;
    };
    struct Processes {
        Duration readAt{};
        std::unordered_map<Pid, Process> byPid;
    };
    static constexpr Duration kProcessesLifetime = std::chrono::seconds(2);

    void readProcesses(Duration now) const;
    std::optional<QIcon> publishedIcon(Process& process) const;

    Platform& platform_;
    mutable std::unique_ptr<WindowApplicationIndex> index_;
    mutable std::optional<Processes> processes_;
};

} // namespace fw
