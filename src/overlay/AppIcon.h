#pragma once
// Application icons for layout thumbnails and cards: each region's front application drawn
// centred in its region. Icons come from the installed application's icon (a theme name or a
// file) and are kept in one cache for the whole run; an id that has no icon is asked again
// next time.

#include "layout/SnapLayout.h"
#include "platform/Applications.h"

#include <QIcon>
#include <QRectF>
#include <map>
#include <memory>
#include <optional>

class QPainter;

namespace fw {

class AppIcon {
public:
    // The applications that icons come from; installing another source starts a fresh cache.
    // With none installed no id has an icon.
    static void setApplications(std::shared_ptr<const Applications> applications);
    static std::shared_ptr<const Applications> applications();

    // The icon of the application with this id: its entry's own (ownIcon), else the generic
    // application icon; nothing for an id no entry has.
    static std::optional<QIcon> icon(const QString& id);
    // The icon the application's entry names, when it can be drawn: cached, else looked up and
    // cached.
    static std::optional<QIcon> ownIcon(const QString& id);
    // The square an icon takes in a region area: side min(maxSide, width − 4, height − 4),
    // centred; nothing when that side is below 9.
    static std::optional<QRectF> iconRect(const QRectF& area, double maxSide);
    // Draws the front application's icon of every region that has apps into its area of
    // `in` (the tree laid out in that rectangle). Upright in any painter transform.
    static void drawRegionIcons(QPainter& painter, const RegionTree& tree,
                                const std::optional<SnapLayout::AppMap>& apps, const QRectF& in, double maxSide);

    static std::size_t cacheSize();
    // Empties the cache.
    static void resetCache();
    // Resolves an icon value of a desktop entry (theme name or absolute path).
    static std::optional<QIcon> resolve(const QString& iconValue);
    // What stands for an application without an icon: a rounded tile in a colour of its own
    // (from its name) with its initial.
    static void paintPlaceholder(QPainter& painter, const QRectF& rect, const QString& appName);
};

// Region → icon of the region's first application, for regions whose first application has
// an icon.
std::map<RegionNumber, QIcon> appIcons(const SnapLayout::AppMap& apps);

} // namespace fw
