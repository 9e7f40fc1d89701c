// The custom layout editor's canvas widget: painting regions with their numbers, shares and apps, and
// turning clicks, arrow keys and divider drags into changes of the draft.
#include "editor/qt/CustomLayoutCanvas.h"

#include "editor/CanvasGeometry.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "snap/AppNames.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

Size sizeOf(const QWidget* w) { return Size{double(w->width()), double(w->height())}; }
Point pointOf(const QPointF& p) { return Point{p.x(), p.y()}; }
QRectF qrect(const Rect& r) { return QRectF(r.x(), r.y(), r.width(), r.height()); }

void drawCentredText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font, const QColor& color)
{
    painter.setFont(font);
    painter.setPen(color);
    // Each line truncates its tail on its own.
    const QStringList lines = text.split(u'\n');
    const QFontMetricsF metrics(font);
    QStringList elided;
    for (const QString& line : lines)
        elided << metrics.elidedText(line, Qt::ElideRight, std::max(0.0, rect.width()));
    painter.drawText(rect, Qt::AlignCenter, elided.join(u'\n'));
}

} // namespace

CustomLayoutCanvas::CustomLayoutCanvas(const RegionTree& tree, const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    const auto lowest = lowestRegion(tree.unitRects(canvas::unitSquare()));
    draft = CustomLayoutDraft(tree, lowest.value_or(0));
    setGeometry(frame);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Layout canvas. Use arrow keys to select a region, then choose a split button. "
                                     "Drag dividers to resize; double-click for equal halves."));
}

void CustomLayoutCanvas::setApps(SnapLayout::AppMap apps)
{
    const bool differs = apps != apps_;
    apps_ = std::move(apps);
    update();
    if (differs && onChange)
        onChange();
}

void CustomLayoutCanvas::changed()
{
    update();
    updateCursor(mapFromGlobal(QCursor::pos()));
    if (onChange)
        onChange();
}

void CustomLayoutCanvas::updateCursor(const QPointF& point)
{
    const auto divider = canvas::dividerAt(shownTree(), pointOf(point), sizeOf(this));
    if (!divider)
        unsetCursor();
    else
        setCursor(divider->axis == SplitAxis::horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

// --- Mouse and keys ---

void CustomLayoutCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    press(event->position(), 1);
}

void CustomLayoutCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    press(event->position(), 2);
}

void CustomLayoutCanvas::press(const QPointF& point, int clickCount)
{
    setFocus(Qt::MouseFocusReason);
    dragDivider_ = canvas::dividerAt(draft.tree, pointOf(point), sizeOf(this));
    if (dragDivider_) {
        if (clickCount != 2)
            return;
        const auto equal = draft.tree.equalizingDivider(dragDivider_->path, Size{canvas::minimumExtent, canvas::minimumExtent});
        dragDivider_.reset();
        if (equal) {
            draft.commit(*equal);
            changed();
        }
        return;
    }
    if (const auto region = canvas::regionAt(draft.tree, pointOf(point), sizeOf(this))) {
        draft.selectedRegion = *region;
        changed();
    }
}

void CustomLayoutCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragDivider_ || !(event->buttons() & Qt::LeftButton)) {
        if (!dragDivider_)
            updateCursor(event->position());
        return;
    }
    const double coordinate = canvas::unitCoordinate(*dragDivider_, pointOf(event->position()), sizeOf(this));
    previewTree_ = draft.tree.settingDivider(dragDivider_->path, coordinate, canvas::unitSquare(),
                                             Size{canvas::minimumExtent, canvas::minimumExtent});
    update();
}

void CustomLayoutCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (previewTree_) {
        const RegionTree preview = *previewTree_;
        previewTree_.reset();
        draft.commit(preview);
        changed();
    }
    previewTree_.reset();
    dragDivider_.reset();
    update();
}

void CustomLayoutCanvas::keyPressEvent(QKeyEvent* event)
{
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    draft.selectedRegion = canvas::steppedRegion(draft.tree, draft.selectedRegion, step);
    changed();
}

// --- Drawing ---

void CustomLayoutCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const RegionTree& tree = shownTree();
    const auto shares = canvas::shares(tree);
    const auto order = canvas::readingOrder(tree);
    for (const auto& [region, unit] : tree.unitRects(canvas::unitSquare())) {
        const auto place = std::find(order.begin(), order.end(), region);
        const auto share = shares.find(region);
        drawRegion(painter, region, unit, int(place - order.begin()) + 1,
                   share == shares.end() ? canvas::Share{} : share->second);
    }
}

void CustomLayoutCanvas::drawRegion(QPainter& painter, RegionNumber region, const Rect& unit, int shown,
                                    const canvas::Share& share)
{
    const QPalette& pal = palette();
    const bool selected = region == draft.selectedRegion;
    const Rect box = canvas::viewRect(unit, sizeOf(this)).insetBy(5, 5);
    if (box.isNull())
        return;
    QPainterPath path;
    path.addRoundedRect(qrect(box), 10, 10);
    painter.fillPath(path, styleColor(StyleColor::accent, pal, selected ? 0.28 : 0.12));
    painter.strokePath(path, QPen(styleColor(selected ? StyleColor::accent : StyleColor::separator, pal), selected ? 3 : 1));

    const QString number = QString::number(shown);
    const QString size = canvas::sizeLabel(share);
    const QFont main = systemFont(13, QFont::Medium);
    const auto found = apps_.find(region);
    if (found == apps_.end() || found->second.isEmpty()) {
        drawCentredText(painter, qrect(canvas::plainLabel(box)), number + u'\n' + size, main,
                        styleColor(StyleColor::label, pal));
        return;
    }
    const QStringList& ids = found->second;
    const auto labels = canvas::regionLabels(box, int(ids.size()));
    for (std::size_t i = labels.icons.size(); i-- > 0;) {
        if (const auto icon = AppIcon::icon(ids[qsizetype(i)])) {
            const QRectF target = qrect(labels.icons[i]);
            const qreal dpr = devicePixelRatioF();
            const int px = int(std::ceil(target.width() * dpr));
            const QPixmap pixmap = icon->pixmap(QSize(px, px));
            painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
        }
    }
    drawCentredText(painter, qrect(labels.firstLine), number + QStringLiteral(" · ") + canvas::appNamesText(appNames(ids)),
                    main, styleColor(StyleColor::label, pal));
    drawCentredText(painter, qrect(labels.secondLine), size, systemFont(11), styleColor(StyleColor::secondaryLabel, pal));
}

} // namespace fw
