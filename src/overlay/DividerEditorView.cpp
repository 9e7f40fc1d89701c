// The divider editor's view over a display: regions, numbers and divider handles; presses, drags,
// releases and double-clicks are reported to the owner, which applies them.
#include "overlay/DividerEditorView.h"

#include "overlay/OverlayStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace fw {

DividerEditorView::DividerEditorView(SnapLayout layout, const QRect& frame, QWidget* parent)
    : QWidget(parent), layout_(std::move(layout))
{
    setGeometry(frame);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void DividerEditorView::setLayout(SnapLayout layout)
{
    layout_ = std::move(layout);
    update();
    reshapePanelOf(this);
    updateCursor(mapFromGlobal(QCursor::pos()));
}

std::vector<RegionTree::Divider> DividerEditorView::dividers() const
{
    return layout_.tree.dividers(Rect(0, 0, 1, 1));
}

QRectF DividerEditorView::handleRect(const RegionTree::Divider& d, double w, double h)
{
    if (d.axis == SplitAxis::horizontal)
        return {d.position * w - 7, d.container.minY() * h + 48, 14, std::max(d.container.height() * h - 96, 20.0)};
    return {d.container.minX() * w + 48, d.position * h - 7, std::max(d.container.width() * w - 96, 20.0), 14};
}

std::optional<RegionTree::Divider> DividerEditorView::dividerAt(const QPointF& point) const
{
    for (const auto& d : dividers()) {
        const QRectF r = handleRect(d, width(), height()).adjusted(-5, -5, 5, 5);
        // Closed on every edge, so a press exactly 5 points out still counts.
        if (point.x() >= r.left() && point.x() <= r.right() && point.y() >= r.top() && point.y() <= r.bottom())
            return d;
    }
    return std::nullopt;
}

double DividerEditorView::unitPosition(const QPointF& point) const
{
    if (!active_)
        return 0;
    if (active_->axis == SplitAxis::vertical)
        return height() > 0 ? point.y() / height() : 0;
    return width() > 0 ? point.x() / width() : 0;
}

void DividerEditorView::updateCursor(const QPointF& point)
{
    if (auto d = dividerAt(point); d && handleRect(*d, width(), height()).contains(point))
        setCursor(d->axis == SplitAxis::horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    else
        unsetCursor();
}

void DividerEditorView::press(const QPointF& point)
{
    active_ = dividerAt(point);
    dragged_ = false;
    if (active_)
        selectedPath_ = active_->path;
    else
        selectedPath_.reset();
    update();
    if (onSelectionChange)
        onSelectionChange(selectedPath_.has_value());
}

void DividerEditorView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    press(event->position());
}

void DividerEditorView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    press(event->position());
    active_.reset();
    dragged_ = false;
    if (selectedPath_ && onEqualize)
        onEqualize(*selectedPath_);
}

void DividerEditorView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        updateCursor(event->position());
        return;
    }
    dragged_ = true;
    if (active_ && onChange)
        onChange(active_->path, unitPosition(event->position()), false);
}

void DividerEditorView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (dragged_ && active_ && onChange)
        onChange(active_->path, unitPosition(event->position()), true);
    active_.reset();
    dragged_ = false;
}

void DividerEditorView::equalizeSelection()
{
    active_.reset();
    dragged_ = false;
    if (selectedPath_ && onEqualize)
        onEqualize(*selectedPath_);
}

void DividerEditorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    reshapePanelOf(this);
}

std::vector<std::pair<RegionNumber, QRectF>> DividerEditorView::regionFrames() const
{
    std::vector<std::pair<RegionNumber, QRectF>> out;
    for (const auto& [region, f] : layout_.tree.frames(Rect(0, 0, width(), height()), 8))
        out.emplace_back(region, QRectF(f.minX() + 2, f.minY() + 2, f.width() - 4, f.height() - 4));
    return out;
}

namespace {

QRectF numberBox(const QRectF& region) { return QRectF(region.center().x() - 30, region.center().y() - 18, 60, 36); }

QRegion roundedRegion(const QPainterPath& path) { return QRegion(path.toFillPolygon().toPolygon(), path.fillRule()); }

} // namespace

std::optional<QRegion> DividerEditorView::shapeRegion() const
{
    // Where translucency shows, the whole screen is dimmed.
    if (showsTranslucent(this))
        return std::nullopt;
    const QFont numberFont = systemFont(28, QFont::Bold);
    QRegion shape;
    for (const auto& [region, r] : regionFrames()) {
        QPainterPath ring;
        ring.addRoundedRect(r, 12, 12);
        ring.addRoundedRect(r.adjusted(2, 2, -2, -2), 10, 10);
        shape += roundedRegion(ring);
        shape += outlinedTextRegion(numberBox(r), QString::number(region + 1), numberFont);
    }
    for (const auto& d : dividers()) {
        QPainterPath handle;
        handle.addRoundedRect(handleRect(d, width(), height()), 7, 7);
        shape += roundedRegion(handle);
    }
    return shape;
}

void DividerEditorView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Without translucency the panel is cut to the drawing: no dimming, and lines in full colour.
    const bool translucent = showsTranslucent(this);
    if (translucent)
        p.fillRect(rect(), QColor(0, 0, 0, int(std::lround(0.13 * 255))));

    const QColor accent = styleColor(StyleColor::accent, palette());
    QFont numberFont = systemFont(28, QFont::Bold);
    p.setFont(numberFont);
    for (const auto& [region, r] : regionFrames()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(styleColor(StyleColor::accent, palette(), translucent ? 0.8 : 1.0), 2));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 11, 11);
        drawOutlinedText(p, numberBox(r), QString::number(region + 1), numberFont);
    }
    for (const auto& d : dividers()) {
        const QRectF h = handleRect(d, width(), height());
        p.setBrush(accent);
        if (selectedPath_ && *selectedPath_ == d.path) {
            p.setPen(QPen(Qt::white, 2));
            p.drawRoundedRect(h.adjusted(1, 1, -1, -1), 6, 6);
        } else {
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(h, 7, 7);
        }
    }
}

} // namespace fw
