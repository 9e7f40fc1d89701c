#pragma once
// The application icon of a window, for the cards and badges that show one: the icon of its
// desktop entry (WindowApplicationIndex, the rule that names it), else the largest
// picture the window itself publishes as its icon; nothing then, and the card draws the
// letter. Per window, not per process: one process may show windows of several applications
// (an office suite's documents, a terminal server's programs). Cards come many at a time
// (every candidate of every empty region): the window list is read once for them all, again
// only after a while or for a window that was not in it; a window's own icon is read when
// first asked for. Main thread only.
//
//   WindowAppIcons icons(platform);
//   if (auto icon = icons.icon(window.element)) …

#include "base/Clock.h"
#include "platform/Platform.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>

namespace fw {

class WindowAppIcons {
public:
    explicit WindowAppIcons(Platform& platform) : platform_(platform) {}

    std::optional<QIcon> icon(WindowId window) const;

private:
    // What is known of a listed window as of the last read: its entry's id (empty: none), and
    // its own icon once asked for.
    struct Window {
        QString appId;
        std::optional<std::optional<QIcon>> published;
    };
    struct Windows {
        Duration readAt{};
        std::unordered_map<WindowId, Window> byId;
    };
    static constexpr Duration kWindowsLifetime = std::chrono::seconds(2);

    void readWindows(Duration now) const;
    std::optional<QIcon> publishedIcon(WindowId id, Window& window) const;

    Platform& platform_;
    mutable std::unique_ptr<WindowApplicationIndex> index_;
    mutable std::optional<Windows> windows_;
};

} // namespace fw
