#pragma once
// The small picture of a layout that menus listing layouts show: a rounded panel with one
// tile per region in the accent colour (lighter where the region has apps) and the region's
// front app icon over it. Each picture is rasterised once per light or dark palette at twice
// its size and kept in a process-wide cache of at most 257 entries (emptied whole when a new
// entry would exceed 256). Main thread only.

#include "layout/SnapLayout.h"

#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace fw {

inline constexpr double layoutDiagramWidth = 72;
inline constexpr double layoutDiagramHeight = 42;

// The diagram of the layout, 72 × 42 points (144 × 84 pixels). Copies of one cached picture
// share its pixels; callers may show it at any size.
QPixmap layoutDiagramImage(const SnapLayout& layout);
// Draws the diagram into a rectangle of the painter (top-left origin).
void drawLayoutDiagram(QPainter& painter, const SnapLayout& layout, const QRectF& rect);

// The cache key: palette ("light" or "dark"), "|", the tree as JSON, "|", the apps as
// "region=id,id;region=id" in ascending region order (empty without apps).
QString layoutDiagramKey(const SnapLayout& layout, bool dark);
std::size_t layoutDiagramCacheSize();
void resetLayoutDiagramCache();

} // namespace fw
