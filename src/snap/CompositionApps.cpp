// The desktop's windows with their applications, and the launching of a composition's apps.
#include "snap/CompositionApps.h"

#include "snap/SnapContext.h"

#include <unordered_map>

namespace fw {

const Applications& installedApplications(const SnapContext& ctx)
{
    static const NoApplications none;
    return ctx.applications ? *ctx.applications : none;
}

namespace {

// Which named apps each window belongs to besides its own: those whose entry names its class.
void addSameApplications(std::vector<AppWindow>& windows, const std::vector<const WindowInfo*>& infos,
                         const WindowApplicationIndex& index, const QStringList& named)
{
    for (const QString& id : named) {
        const auto entry = index.entry(id);
        for (std::size_t i = 0; entry && i < windows.size(); ++i) {
            const WindowInfo* info = infos[i];
            if (info && windows[i].appId != id && entryNamesClass(*entry, info->appClass, info->appInstance))
                windows[i].sameApplicationAs << id;
        }
    }
}

} // namespace

std::vector<AppWindow> appWindows(const SnapContext& ctx, const WindowApplicationIndex& index, const WindowList& list,
                                  const QStringList& named)
{
    std::unordered_map<WindowId, const WindowInfo*> infos;
    for (const WindowInfo& info : list)
        infos.emplace(info.id, &info);
    std::vector<AppWindow> out;
    std::vector<const WindowInfo*> found;
    for (const ManagedWindow& window : ctx.access.windows({}, std::nullopt, &list)) {
        QString id;
        Size grid;
        const auto info = infos.find(window.element);
        found.push_back(info == infos.end() ? nullptr : info->second);
        if (info != infos.end()) {
            if (const auto entry = index.entryFor(*info->second))
                id = entry->id;
            grid = info->second->increment;
        }
        out.push_back({window, id, ctx.access.frame(window), grid, {}});
    }
    addSameApplications(out, found, index, named);
    return out;
}

QStringList launchMissingApps(SnapContext& ctx, const QStringList& ids)
{
    QStringList absent;
    const Applications& apps = installedApplications(ctx);
    for (const QString& id : ids) {
        if (apps.launchRunning(id, kLateTimeLimit) || apps.launch(id))
            continue;
        absent << id;
    }
    return absent;
}

} // namespace fw
