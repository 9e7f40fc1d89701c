#pragma once
// The small windows the onboarding pictures draw, as a Linux desktop shows them: a rounded
// frame whose window manager's title bar runs across the top, with the window's title at its
// left and the minimize, maximize and close buttons at its right.

#include <QPalette>
#include <QRectF>
#include <QString>

class QPainter;

namespace fw {

// The title bar's height for a window drawn this tall.
double titleBarHeight(const QRectF& window);

// Draws the title bar inside the top of `window` (corners of the given radius); the title is
// left out where the buttons leave it no room.
void drawTitleBar(QPainter& p, const QRectF& window, double radius, const QString& title, const QPalette& palette);

} // namespace fw
