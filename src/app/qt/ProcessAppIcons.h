#pragma once
// The application icon of a process with a window, for the cards and badges that show one: the
// icon of the desktop entry its windows match. Cards come many at a time (every candidate of
// every empty region): the installed entries and the window list are read once for them all,
// again only after a while or for a process that was not there. Main thread only.
//
//   ProcessAppIcons icons(platform);
//   if (auto icon = icons.icon(window.pid)) …

#include "base/Clock.h"
#include "platform/Platform.h"

#include <QIcon>
#include <QString>

#include <optional>
#include <unordered_map>

namespace fw {

class ProcessAppIcons {
public:
    explicit ProcessAppIcons(Platform& platform) : platform_(platform) {}

    // The icon of the process's desktop entry; none without the installed applications, for a
    // process with no window or one whose windows match no entry.
    std::optional<QIcon> icon(Pid pid) const;

private:
    // The desktop-entry id of each process with a window (empty: none found), read at a time.
    struct IconIds {
        Duration readAt{};
        std::unordered_map<Pid, QString> byPid;
    };
    static constexpr Duration kIconIdsLifetime = std::chrono::seconds(2);

    Platform& platform_;
    mutable std::optional<IconIds> iconIds_;
};

} // namespace fw
