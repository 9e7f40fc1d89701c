// The application icon of a process with a window: from the desktop entry its windows match,
// else from the icon its windows publish, with the entries and windows read once for many asks.
#include "app/qt/ProcessAppIcons.h"

#include "overlay/AppIcon.h"

#include <QImage>
#include <QPixmap>

namespace fw {

void ProcessAppIcons::readProcesses(Duration now) const
{
    if (platform_.applications && !index_)
        index_ = std::make_unique<WindowApplicationIndex>(*platform_.applications);
    if (index_)
        index_->refresh();
    Processes read{now, {}};
    for (const WindowInfo& info : platform_.windows.snapshot()) {
        Process& process = read.byPid[info.pid];
        if (!process.entryId.isEmpty())
            continue;
        if (const auto entry = index_ ? index_->entryFor(info) : std::nullopt)
            process.entryId = entry->id;
        else
            process.windows.push_back(info.id);
    }
    processes_ = std::move(read);
}

std::optional<QIcon> ProcessAppIcons::publishedIcon(Process& process) const
{
    if (process.published)
        return *process.published;
    process.published.emplace();
    for (const WindowId window : process.windows) {
        const auto picture = platform_.windows.windowIcon(window);
        if (!picture)
            continue;
        const QImage image(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width, picture->height,
                           picture->width * 4, QImage::Format_ARGB32_Premultiplied);
        process.published->emplace(QPixmap::fromImage(image.copy()));
        break;
    }
    return *process.published;
}

std::optional<QIcon> ProcessAppIcons::icon(Pid pid) const
{
    const Duration now = platform_.clock.now();
    if (!processes_ || now - processes_->readAt > kProcessesLifetime || !processes_->byPid.contains(pid))
        readProcesses(now);
    const auto it = processes_->byPid.find(pid);
    if (it == processes_->byPid.end())
        return std::nullopt;
    if (!it->second.entryId.isEmpty())
        return AppIcon::icon(it->second.entryId);
    return publishedIcon(it->second);
}

} // namespace fw
