// The application icon of a process with a window, from the desktop entry its windows match,
// with the entries and windows read once for many asks.
#include "app/qt/ProcessAppIcons.h"

#include "overlay/AppIcon.h"

namespace fw {

std::optional<QIcon> ProcessAppIcons::icon(Pid pid) const
{
    if (!platform_.applications)
        return std::nullopt;
    const Duration now = platform_.clock.now();
    if (!iconIds_ || now - iconIds_->readAt > kIconIdsLifetime || !iconIds_->byPid.contains(pid)) {
        WindowApplicationIndex index(*platform_.applications);
        index.rebuild();
        IconIds ids{now, {}};
        for (const WindowInfo& info : platform_.windows.snapshot()) {
            auto& id = ids.byPid[info.pid];
            if (id.isEmpty()) {
                if (const auto entry = index.entryFor(info))
                    id = entry->id;
            }
        }
        iconIds_ = std::move(ids);
    }
    const auto it = iconIds_->byPid.find(pid);
    if (it == iconIds_->byPid.end() || it->second.isEmpty())
        return std::nullopt;
    return AppIcon::icon(it->second);
}

} // namespace fw
