// Application icons drawn in layout thumbnails: resolved from the installed applications (theme name
// or file) and cached for the run; ids without an icon are looked up again next time.
#include "overlay/AppIcon.h"

#include "overlay/ThemeIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <unordered_map>

namespace fw {

namespace {

std::unordered_map<QString, QIcon>& cache()
{
    static std::unordered_map<QString, QIcon> icons;
    return icons;
}

std::shared_ptr<const Applications>& source()
{
    static std::shared_ptr<const Applications> apps;
    return apps;
}

bool usable(const QIcon& icon) { return !icon.isNull() && !icon.pixmap(QSize(32, 32)).isNull(); }

} // namespace

void AppIcon::setApplications(std::shared_ptr<const Applications> applications)
{
    source() = std::move(applications);
    resetCache();
}

std::shared_ptr<const Applications> AppIcon::applications() { return source(); }

std::optional<QIcon> AppIcon::resolve(const QString& value)
{
    // Every file is read by us, bounded and only when regular: nothing here may block on a FIFO
    // or a device planted in a theme or named by a desktop entry.
    if (value.isEmpty())
        return std::nullopt;
    if (QDir::isAbsolutePath(value)) {
        auto icon = ThemeIcons::fromFile(value);
        return icon && usable(*icon) ? icon : std::nullopt;
    }
    if (value.contains(u'/'))
        return std::nullopt;
    QString name = value;
    if (auto themed = ThemeIcons::find(name); themed && usable(*themed))
        return themed;
    // Some entries name the icon with its file extension.
    for (const char* ext : {".png", ".svg", ".xpm"}) {
        if (name.endsWith(QLatin1String(ext))) {
            name.chop(4);
            if (auto themed = ThemeIcons::find(name); themed && usable(*themed))
                return themed;
            break;
        }
    }
    for (const char* ext : {".png", ".svg", ".xpm"}) {
        const QString path = u"/usr/share/pixmaps/"_qs + name + QLatin1String(ext);
        if (!QFileInfo::exists(path))
            continue;
        if (auto icon = ThemeIcons::fromFile(path); icon && usable(*icon))
            return icon;
    }
    return std::nullopt;
}

std::optional<QIcon> AppIcon::ownIcon(const QString& id)
{
    auto& icons = cache();
    if (auto it = icons.find(id); it != icons.end())
        return it->second;
    const auto apps = source();
    const auto entry = apps && !id.isEmpty() ? apps->entry(id) : std::nullopt;
    const auto found = entry ? resolve(entry->icon) : std::nullopt;
    if (found)
        icons.emplace(id, *found);
    return found;
}

std::optional<QIcon> AppIcon::icon(const QString& id)
{
    if (auto own = ownIcon(id))
        return own;
    const auto apps = source();
    if (!apps || !apps->entry(id))
        return std::nullopt;
    // The generic one, kept under the id no entry has.
    auto& icons = cache();
    if (auto it = icons.find(QString()); it != icons.end())
        return it->second;
    const auto generic = resolve(u"application-x-executable"_qs);
    if (generic)
        icons.emplace(QString(), *generic);
    return generic;
}

std::optional<QRectF> AppIcon::iconRect(const QRectF& area, double maxSide)
{
    const double side = std::min({maxSide, area.width() - 4, area.height() - 4});
    if (!(side >= 9))
        return std::nullopt;
    const QPointF c = area.center();
    return QRectF(c.x() - side / 2, c.y() - side / 2, side, side);
}

void AppIcon::drawRegionIcons(QPainter& painter, const RegionTree& tree, const std::optional<SnapLayout::AppMap>& apps,
                              const QRectF& in, double maxSide)
{
    if (!apps)
        return;
    const auto rects = tree.unitRects(Rect(0, 0, 1, 1));
    for (const auto& [region, unit] : rects) {
        auto it = apps->find(region);
        if (it == apps->end() || it->second.isEmpty())
            continue;
        const QRectF area(in.x() + unit.minX() * in.width(), in.y() + unit.minY() * in.height(),
                          unit.width() * in.width(), unit.height() * in.height());
        const auto target = iconRect(area, maxSide);
        if (!target)
            continue;
        const auto image = icon(it->second.first());
        if (!image)
            continue;
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(1.0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const int px = int(std::ceil(target->width() * dpr));
        const QPixmap pm = image->pixmap(QSize(px, px));
        if (!pm.isNull())
            painter.drawPixmap(*target, pm, QRectF(pm.rect()));
        painter.restore();
    }
}

std::size_t AppIcon::cacheSize() { return cache().size(); }

void AppIcon::resetCache()
{
    cache().clear();
    ThemeIcons::reset();
}

std::map<RegionNumber, QIcon> appIcons(const SnapLayout::AppMap& apps)
{
    std::map<RegionNumber, QIcon> out;
    for (const auto& [region, ids] : apps) {
        if (ids.isEmpty())
            continue;
        if (auto icon = AppIcon::icon(ids.first()))
            out.emplace(region, *icon);
    }
    return out;
}

void AppIcon::paintPlaceholder(QPainter& p, const QRectF& r, const QString& name)
{
    const QColor tile = QColor::fromHsv(int(qHash(name) % 360), 120, 170);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(r, r.width() * 0.22, r.width() * 0.22);
    QFont font = p.font();
    font.setPixelSize(std::max(6, int(r.height() * 0.62)));
    font.setWeight(QFont::DemiBold);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, name.left(1).toUpper());
}

} // namespace fw
