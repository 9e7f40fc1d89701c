// Draws the small layout pictures of the menus (one tile per region, its front app's icon) and keeps
// them in a bounded process-wide cache keyed by layout and palette.
#include "editor/qt/LayoutDiagram.h"

#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <unordered_map>

namespace fw {

namespace {

std::unordered_map<QString, QPixmap>& cache()
{
    static std::unordered_map<QString, QPixmap> pictures;
    return pictures;
}

constexpr std::size_t maxEntries = 256;

QPalette currentPalette() { return QGuiApplication::palette(); }

void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

} // namespace

QString layoutDiagramKey(const SnapLayout& layout, bool dark)
{
    const QString tree = QString::fromUtf8(QJsonDocument(QJsonArray{layout.tree.toJson()}).toJson(QJsonDocument::Compact));
    QStringList apps;
    if (layout.apps) {
        for (const auto& [region, ids] : *layout.apps)
            apps << QString::number(region) + u'=' + ids.join(u',');
    }
    return (dark ? QStringLiteral("dark") : QStringLiteral("light")) + u'|' + tree + u'|' + apps.join(u';');
}

void drawLayoutDiagram(QPainter& painter, const SnapLayout& layout, const QRectF& r)
{
    const QPalette palette = currentPalette();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fillRounded(painter, r.adjusted(1, 1, -1, -1), 5, styleColor(StyleColor::label, palette, 0.08));
    const QRectF c = r.adjusted(4, 4, -4, -4);
    for (const auto& [region, u] : layout.tree.unitRects(Rect(0, 0, 1, 1))) {
        const QRectF tile(c.x() + u.minX() * c.width(), c.y() + u.minY() * c.height(), u.width() * c.width(),
                          u.height() * c.height());
        bool hasApps = false;
        if (layout.apps) {
            const auto it = layout.apps->find(region);
            hasApps = it != layout.apps->end() && !it->second.isEmpty();
        }
        fillRounded(painter, tile.adjusted(1, 1, -1, -1), 2, styleColor(StyleColor::accent, palette, hasApps ? 0.3 : 0.72));
    }
    AppIcon::drawRegionIcons(painter, layout.tree, layout.apps, c, 22);
    painter.restore();
}

QPixmap layoutDiagramImage(const SnapLayout& layout)
{
    const QString key = layoutDiagramKey(layout, isDark(currentPalette()));
    auto& pictures = cache();
    if (const auto hit = pictures.find(key); hit != pictures.end())
        return hit->second;
    QPixmap picture(int(layoutDiagramWidth * 2), int(layoutDiagramHeight * 2));
    picture.setDevicePixelRatio(2);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        drawLayoutDiagram(painter, layout, QRectF(0, 0, layoutDiagramWidth, layoutDiagramHeight));
    }
    if (pictures.size() > maxEntries)
        pictures.clear();
    pictures.emplace(key, picture);
    return picture;
}

std::size_t layoutDiagramCacheSize() { return cache().size(); }

void resetLayoutDiagramCache() { cache().clear(); }

} // namespace fw
