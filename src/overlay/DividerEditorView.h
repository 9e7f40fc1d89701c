#pragma once
// Covers a display's visible frame while the user adjusts a layout's dividers: the regions
// with their numbers and a handle on every divider. A press selects the divider under it, a
// drag reports positions, a release reports the final one and a double-click asks for 50/50.
// It changes nothing itself: the owner applies changes and hands back the new layout.
// Without translucency the view keeps only the region outlines, their numbers and the handles
// (its panel is cut to them): the windows of the display stay in sight between them.

#include "layout/SnapLayout.h"
#include "overlay/OverlayWindow.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace fw {

class DividerEditorView : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    DividerEditorView(SnapLayout layout, const QRect& frame, QWidget* parent = nullptr);

    const SnapLayout& layout() const { return layout_; }
    // Replaces the layout; redraws.
    void setLayout(SnapLayout layout);

    // Divider path, unit position (not clamped), final.
    std::function<void(const DividerPath&, double, bool)> onChange;
    std::function<void(const DividerPath&)> onEqualize;
    std::function<void(bool)> onSelectionChange;

    const std::optional<DividerPath>& selectedPath() const { return selectedPath_; }
    const std::optional<RegionTree::Divider>& active() const { return active_; }
    bool dragged() const { return dragged_; }

    // Asks for the selected divider's area to be split into equal halves.
    void equalizeSelection();

    // The layout's dividers in the unit square, in tree order.
    std::vector<RegionTree::Divider> dividers() const;
    // A divider's handle in a view of the given size: 14 thick, centred on the divider, 48
    // short of each end of its extent, never shorter than 20.
    static QRectF handleRect(const RegionTree::Divider& d, double width, double height);
    // The first divider whose handle, grown by 5 on every side, contains the point.
    std::optional<RegionTree::Divider> dividerAt(const QPointF& point) const;

    // Nothing: the drawing is made of many parts, whose region is given whole.
    std::optional<QPainterPath> shapeOutline() const override { return std::nullopt; }
    // The region outlines, the numbers and the handles; the whole view where translucency
    // shows, since the screen is dimmed then.
    std::optional<QRegion> shapeRegion() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    // Where each region's outline and number go, in view coordinates.
    std::vector<std::pair<RegionNumber, QRectF>> regionFrames() const;
    void press(const QPointF& point);
    double unitPosition(const QPointF& point) const;
    void updateCursor(const QPointF& point);

    SnapLayout layout_;
    std::optional<DividerPath> selectedPath_;
    std::optional<RegionTree::Divider> active_;
    bool dragged_ = false;
};

} // namespace fw
