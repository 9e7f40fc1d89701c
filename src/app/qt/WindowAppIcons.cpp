// The application icon of a window: from its desktop entry, else from the icon it publishes,
// with the window list read once for many asks.
#include "app/qt/WindowAppIcons.h"

#include "overlay/AppIcon.h"

#include <QImage>
#include <QPixmap>

namespace fw {

void WindowAppIcons::readWindows(Duration now) const
{
    if (platform_.applications && !index_)
        index_ = std::make_unique<WindowApplicationIndex>(*platform_.applications);
    if (index_)
        index_->refresh();
    Windows read{now, {}};
    for (const WindowInfo& info : platform_.windows.snapshot()) {
        const auto entry = index_ ? index_->entryFor(info) : std::nullopt;
        read.byId[info.id].appId = entry ? entry->id : QString();
    }
    windows_ = std::move(read);
}

std::optional<QIcon> WindowAppIcons::publishedIcon(WindowId id, Window& window) const
{
    if (window.published)
        return *window.published;
    window.published.emplace();
    if (const auto picture = platform_.windows.windowIcon(id)) {
        const QImage image(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width, picture->height,
                           picture->width * 4, QImage::Format_ARGB32_Premultiplied);
        window.published->emplace(QPixmap::fromImage(image.copy()));
    }
    return *window.published;
}

std::optional<QIcon> WindowAppIcons::icon(WindowId id) const
{
    const Duration now = platform_.clock.now();
    if (!windows_ || now - windows_->readAt > kWindowsLifetime || !windows_->byId.contains(id))
        readWindows(now);
    const auto it = windows_->byId.find(id);
    if (it == windows_->byId.end())
        return std::nullopt;
    if (auto entryIcon = AppIcon::ownIcon(it->second.appId))
        return entryIcon;
    if (auto published = publishedIcon(id, it->second))
        return published;
    // An entry without a picture of its own still draws as an application.
    return it->second.appId.isEmpty() ? std::nullopt : AppIcon::icon(it->second.appId);
}

} // namespace fw
