// The picker's card widgets: a region button, the plate behind a region card, a key cap and the
// button of a composition card; each draws itself and hit-tests its exact fractional frame.
#include "overlay/PickerButtons.h"

#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "snap/AppNames.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Unit rectangle mapped into an area.
QRectF mapUnit(const Rect& unit, const QRectF& area)
{
    return QRectF(area.x() + unit.minX() * area.width(), area.y() + unit.minY() * area.height(),
                  unit.width() * area.width(), unit.height() * area.height());
}

// Half-open containment, like the frames of the layout geometry: min ≤ p < max.
bool containsPoint(const QRectF& r, const QPointF& p)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

} // namespace

void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& color)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, color);
}

// --- RegionButton ---

RegionButton::RegionButton(const QString& label, QWidget* parent) : QAbstractButton(parent)
{
    setAccessibleName(label);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, &RegionButton::choose);
}

void RegionButton::choose()
{
    if (!invoke)
        return;
    auto fn = invoke;
    fn();
}

void RegionButton::setExactFrame(const QRectF& frame)
{
    exact_ = frame;
    setGeometry(frame.toAlignedRect());
}

QRectF RegionButton::localRect() const { return exact_.translated(-QPointF(geometry().topLeft())); }

std::optional<QRectF> RegionButton::iconRect() const
{
    const QRectF r = localRect().adjusted(1, 1, -1, -1);
    const double side = std::min({30.0, r.width() - 8, r.height() - 8});
    if (side < 10)
        return std::nullopt;
    return QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
}

bool RegionButton::hitButton(const QPoint& pos) const { return containsPoint(localRect(), QPointF(pos)); }

void RegionButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const QRectF r = localRect().adjusted(1, 1, -1, -1);
    fillRounded(p, r, 6,
                highlightedRegion ? styleColor(StyleColor::accent, pal)
                                  : styleColor(StyleColor::label, pal, occupied ? 0.22 : 0.11));
    if (highlightedRegion) {
        QPainterPath edge;
        edge.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
        p.strokePath(edge, QPen(styleColor(StyleColor::white, pal, 0.35), 1));
    }
    if (icon && !icon->isNull()) {
        if (auto target = iconRect()) {
            const int px = int(std::ceil(target->width() * devicePixelRatioF()));
            const QPixmap pm = icon->pixmap(QSize(px, px));
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawPixmap(*target, pm, QRectF(pm.rect()));
        }
    }
}

// --- LayoutCardPlatter ---

LayoutCardPlatter::LayoutCardPlatter(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LayoutCardPlatter::setHighlighted(bool highlighted)
{
    if (highlighted == highlighted_)
        return;
    highlighted_ = highlighted;
    update();
}

void LayoutCardPlatter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillRounded(p, QRectF(rect()), 14,
                highlighted_ ? styleColor(StyleColor::accent, palette(), 0.16)
                             : styleColor(StyleColor::label, palette(), 0.045));
}

// --- KeyCapLabel ---

KeyCapLabel::KeyCapLabel(const QString& key, QWidget* parent) : QWidget(parent)
{
    label_ = makeLabel(key, 10, QFont::DemiBold, StyleColor::secondaryLabel, this);
    label_->sizeToFit();
    resize(label_->width() + 12, 18);
    label_->move(6, (18 - label_->height()) / 2);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KeyCapLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillRounded(p, QRectF(rect()), 5, styleColor(StyleColor::label, palette(), 0.08));
}

// --- CompositionButton ---

CompositionButton::CompositionButton(const SnapLayout& layout_, bool adjusted, QWidget* parent)
    : QAbstractButton(parent), layout(layout_)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    if (adjusted) {
        adjusted_ = true;
    } else if (layout.isCustom()) {
        adjusted_ = false;
    } else {
        const SnapLayout* b = SnapLayout::builtInWithId(layout.id);
        adjusted_ = !(b && b->tree == layout.tree);
    }
    const std::optional<QString> summary = AppNames::summary(layout.tree, layout.apps);
    if (adjusted_) {
        detail = summary ? *summary : u"Use adjusted proportions"_qs;
        displayName = u"Adjusted: "_qs + layout.name;
    } else {
        detail = summary ? *summary : layout.isCustom() ? u"Custom layout"_qs : u"Standard proportions"_qs;
        displayName = layout.name;
    }
    QString accessible = u"Apply "_qs + displayName + u" to windows on this display"_qs;
    if (summary)
        accessible += u": "_qs + *summary;
    setAccessibleName(accessible);
    connect(this, &QAbstractButton::clicked, this, &CompositionButton::applyLayout);
    // The view paints the plate behind the button, which reaches past its frame.
    connect(this, &QAbstractButton::pressed, this, [this] { if (parentWidget()) parentWidget()->update(); });
    connect(this, &QAbstractButton::released, this, [this] { if (parentWidget()) parentWidget()->update(); });
}

void CompositionButton::applyLayout()
{
    if (!invoke)
        return;
    auto fn = invoke;
    fn();
}

void CompositionButton::setExactFrame(const QRectF& frame)
{
    exact_ = frame;
    setGeometry(frame.toAlignedRect());
}

QRectF CompositionButton::miniatureRect() const
{
    const QPointF o = exact_.topLeft() - QPointF(geometry().topLeft());
    return QRectF(o.x() + 5, o.y(), exact_.width() - 10, 67);
}

bool CompositionButton::hitButton(const QPoint& pos) const
{
    return containsPoint(exact_.translated(-QPointF(geometry().topLeft())), QPointF(pos));
}

void CompositionButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const bool active = isActive();
    const QRectF m = miniatureRect();
    for (const auto& [region, unit] : layout.tree.unitRects(Rect(0, 0, 1, 1))) {
        (void)region;
        fillRounded(p, mapUnit(unit, m).adjusted(2, 2, -2, -2), 6,
                    active ? styleColor(StyleColor::accent, pal) : styleColor(StyleColor::label, pal, 0.12));
    }
    AppIcon::drawRegionIcons(p, layout.tree, layout.apps, m, 30);

    const QPointF o = exact_.topLeft() - QPointF(geometry().topLeft());
    const double w = exact_.width();
    const double s = layout.isCustom() ? 58 : 0;
    QFont nameFont = systemFont(11, highlightedComposition ? QFont::DemiBold : QFont::Normal);
    p.setFont(nameFont);
    p.setPen(styleColor(StyleColor::label, pal));
    const QRectF nameRect(o.x() + s, o.y() + 73, w - 2 * s, 18);
    p.drawText(nameRect, Qt::AlignCenter, QFontMetrics(nameFont).elidedText(displayName, Qt::ElideRight, int(nameRect.width())));
    if (detail) {
        const QFont f = systemFont(9);
        p.setFont(f);
        p.setPen(styleColor(StyleColor::secondaryLabel, pal));
        const QRectF r(o.x(), o.y() + 91, w, 12);
        p.drawText(r, Qt::AlignCenter, QFontMetrics(f).elidedText(*detail, Qt::ElideRight, int(r.width())));
    }
}

} // namespace fw
