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

std::vector<AppWindow> appWindows(const SnapContext& ctx, const WindowApplicationIndex& index, const WindowList& list)
{
    std::unordered_map<WindowId, const WindowInfo*> infos;
    for (const WindowInfo& info : list)
        infos.emplace(info.id, &info);
    std::vector<AppWindow> out;
    for (const ManagedWindow& window : ctx.access.windows({}, std::nullopt, &list)) {
        QString id;
        Size grid;
        if (const auto info = infos.find(window.element); info != infos.end()) {
            if (const auto entry = index.entryFor(info->second->appClass, info->second->appInstance))
                id = entry->id;
            grid = info->second->increment;
        }
        out.push_back({window, id, ctx.access.frame(window), grid});
    }
    return out;
}

QStringList launchMissingApps(SnapContext& ctx, const QStringList& ids)
{
    QStringList absent;
    for (const QString& id : ids) {
        if (installedApplications(ctx).launch(id))
            continue;
        absent << id;
    }
    return absent;
}

} // namespace fw
