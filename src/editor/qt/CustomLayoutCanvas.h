#pragma once
// The editing surface of the custom layout editor: the working copy's tree stretched over the
// view, each region with its number (in reading order), its share of the layout in whole
// percent and its apps. A click selects a region, the arrow keys step through regions in
// reading order, a divider drags with a live preview and a double-click on it makes both sides
// equal. Every change goes through the draft; after each one the view redraws, refreshes the
// divider cursor and calls onChange.

#include "editor/CanvasGeometry.h"
#include "layout/CustomLayoutDraft.h"
#include "layout/SnapLayout.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace fw {

class CustomLayoutCanvas : public QWidget {
    Q_OBJECT
public:
    // The selection starts on the tree's lowest region, with no history.
    CustomLayoutCanvas(const RegionTree& tree, const QRect& frame, QWidget* parent = nullptr);

    // The working copy; the editor window reads and changes it, then calls changed().
    CustomLayoutDraft draft;
    // Called after every change of the tree, the selection or the apps.
    std::function<void()> onChange;

    const SnapLayout::AppMap& apps() const { return apps_; }
    // Stores and redraws; calls onChange when the map differs from the old one.
    void setApps(SnapLayout::AppMap apps);

    // The change sequence: redraw, refresh the divider cursor, call onChange.
    void changed();

    const std::optional<RegionTree::Divider>& dragDivider() const { return dragDivider_; }
    const std::optional<RegionTree>& previewTree() const { return previewTree_; }
    // The tree on show: the preview while a divider is dragged, else the draft's.
    const RegionTree& shownTree() const { return previewTree_ ? *previewTree_ : draft.tree; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void press(const QPointF& point, int clickCount);
    void updateCursor(const QPointF& point);
    // `shown`: the number the region shows; `share`: its size in whole percent.
    void drawRegion(QPainter& painter, RegionNumber region, const Rect& unit, int shown, const canvas::Share& share);

    SnapLayout::AppMap apps_;
    std::optional<RegionTree::Divider> dragDivider_;
    std::optional<RegionTree> previewTree_;
};

} // namespace fw
