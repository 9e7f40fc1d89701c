// Draws the small window frames of the onboarding pictures, with a Linux-style title bar and buttons.
#include "onboarding/qt/WindowArt.h"

#include "overlay/OverlayStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace fw {

double titleBarHeight(const QRectF& window) { return std::clamp(window.height() * 0.11, 14.0, 20.0); }

void drawTitleBar(QPainter& p, const QRectF& window, double radius, const QString& title, const QPalette& palette)
{
    const double h = titleBarHeight(window);
    const QRectF bar(window.left(), window.top(), window.width(), h);
    QPainterPath outline;
    outline.addRoundedRect(window, radius, radius);
    QPainterPath band;
    band.addRect(bar);
    p.save();
    p.fillPath(outline.intersected(band), styleColor(StyleColor::label, palette, 0.07));
    p.setPen(QPen(styleColor(StyleColor::separator, palette, 0.6), 1));
    p.drawLine(QPointF(bar.left() + 0.5, bar.bottom()), QPointF(bar.right() - 0.5, bar.bottom()));

    // Minimize, maximize and close, right to left from the bar's end.
    const double g = std::round(h * 0.36), step = std::round(h * 0.8), cy = bar.center().y();
    const QColor ink = styleColor(StyleColor::secondaryLabel, palette, 0.85);
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const double closeX = bar.right() - radius / 2 - 6 - g;
    p.drawLine(QPointF(closeX, cy - g / 2), QPointF(closeX + g, cy + g / 2));
    p.drawLine(QPointF(closeX, cy + g / 2), QPointF(closeX + g, cy - g / 2));
    const double maxX = closeX - step;
    p.drawRect(QRectF(maxX, cy - g / 2, g, g));
    const double minX = maxX - step;
    p.drawLine(QPointF(minX, cy + g / 2), QPointF(minX + g, cy + g / 2));

    // The title, in the room the buttons leave.
    QFont font = systemFont(std::round(h * 0.55), QFont::DemiBold);
    const QFontMetricsF fm(font);
    const double left = bar.left() + std::max(8.0, radius / 2 + 4), room = minX - 8 - left;
    const QString shown = fm.elidedText(title, Qt::ElideRight, room);
    if (room > 0 && !title.isEmpty() && shown == title) {
        p.setFont(font);
        p.setPen(styleColor(StyleColor::label, palette, 0.8));
        p.drawText(QRectF(left, bar.top(), room, h), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    p.restore();
}

} // namespace fw
