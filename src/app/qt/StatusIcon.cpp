// Draws the tray icon's three-pane mask in one colour for the panel's light or dark palette, faded
// while snapping is paused.
#include "app/qt/StatusIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace fw {

void drawStatusIcon(QPainter& painter, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.3));
    painter.setBrush(Qt::NoBrush);
    // The tall left pane and the lower right pane, outlined.
    painter.drawRoundedRect(QRectF(1, 2, 6.5, 14), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(10, 10, 7, 6), 1.5, 1.5);
    // The upper right pane, solid.
    QPainterPath filled;
    filled.addRoundedRect(QRectF(9.4, 1.4, 8.2, 7.1), 1.7, 1.7);
    painter.fillPath(filled, color);
    painter.restore();
}

QIcon statusIcon(const QPalette& palette, bool paused)
{
    QColor color = palette.color(QPalette::Active, QPalette::WindowText);
    if (paused)
        color.setAlphaF(0.4f);
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(statusIconSide * scale, statusIconSide * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawStatusIcon(painter, color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace fw
