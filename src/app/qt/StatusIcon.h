#pragma once
// The tray icon: three panes of a layout (a tall left pane and two on the right, the upper one
// filled), drawn as a mask in one colour that follows the panel's light or dark palette. While
// snapping is paused the icon is drawn faded.

#include <QIcon>
#include <QPalette>

class QPainter;

namespace fw {

inline constexpr int statusIconSide = 18;

// Draws the icon into an 18 × 18 square of the painter (top-left origin) in the colour.
void drawStatusIcon(QPainter& painter, const QColor& color);
// The icon at 1× and 2× in the palette's text colour; faded while paused.
QIcon statusIcon(const QPalette& palette, bool paused = false);

} // namespace fw
