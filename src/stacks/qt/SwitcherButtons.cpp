// The switcher's window-set button and previews button, drawn by hand.
#include "stacks/qt/SwitcherButtons.h"

#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QPainter>
#include <algorithm>

namespace fw {

namespace {

void drawElided(QPainter& p, const QString& text, const QRectF& box, int flags)
{
    p.drawText(box, flags, QFontMetricsF(p.font()).elidedText(text, Qt::ElideRight, box.width()));
}

} // namespace

WindowSetButton::WindowSetButton(std::vector<Region> regions, QString heading, QString detail,
                                 std::function<void()> action, QWidget* parent)
    : ActionButton(QString(), std::move(action), parent), regions_(std::move(regions)), heading_(std::move(heading)),
      detail_(std::move(detail))
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);   // reached by B, never by Tab or the arrows
}

// The miniature in top-left coordinates: (12, 47, w − 24, h − 57) measured from the bottom.
QRectF WindowSetButton::miniatureArea(QSizeF size)
{
    return QRectF(12, 10, size.width() - 24, size.height() - 57);
}

QRectF WindowSetButton::regionRect(const QRectF& area, const QRectF& unit)
{
    return QRectF(area.left() + unit.left() * area.width(), area.top() + unit.top() * area.height(),
                  unit.width() * area.width(), unit.height() * area.height())
        .adjusted(2, 2, -2, -2);
}

std::optional<QRectF> WindowSetButton::iconRect(const QRectF& region)
{
    const double s = std::min({region.width() - 6, region.height() - 6, 26.0});
    if (s < 10)
        return std::nullopt;
    const QPointF c = region.center();
    return QRectF(c.x() - s / 2, c.y() - s / 2, s, s);
}

void WindowSetButton::setHovered(bool hovered)
{
    if (hovered == hovered_)
        return;
    hovered_ = hovered;
    update();
    if (onHover)
        onHover(hovered);
}

void WindowSetButton::enterEvent(QEnterEvent*) { setHovered(true); }
void WindowSetButton::leaveEvent(QEvent*) { setHovered(false); }

void WindowSetButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const double w = width(), h = height();
    const bool active = isEnabled() && (hovered_ || isDown());

    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setBrush(styleColor(StyleColor::accent, pal, active ? 0.2 : 0.08));
    p.setPen(active || isCurrentChoice ? QPen(styleColor(StyleColor::accent, pal), 2) : QPen(Qt::NoPen));
    p.drawRoundedRect(card, 12, 12);

    const QRectF area = miniatureArea(size());
    for (const Region& region : regions_) {
        const QRectF r = regionRect(area, region.frame);
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::label, pal, 0.1));
        p.drawRoundedRect(r, 5, 5);
        if (region.icon) {
            if (auto square = iconRect(r))
                region.icon->paint(&p, square->toRect());
        }
    }

    // The desktop's font may run wider than the card was drawn for: the heading gives up to
    // two points before it truncates.
    double headingSize = 12;
    while (headingSize > 10
           && QFontMetricsF(systemFont(headingSize, QFont::DemiBold)).horizontalAdvance(heading_) > w - 24)
        headingSize -= 0.5;
    p.setFont(systemFont(headingSize, QFont::DemiBold));
    p.setPen(styleColor(StyleColor::label, pal));
    drawElided(p, heading_, QRectF(12, h - 23 - 17, w - 24, 17), Qt::AlignLeft | Qt::AlignVCenter);
    p.setFont(systemFont(11));
    p.setPen(styleColor(StyleColor::secondaryLabel, pal));
    drawElided(p, detail_, QRectF(12, h - 6 - 16, w - 24, 16), Qt::AlignLeft | Qt::AlignVCenter);

    if (isCurrentChoice) {
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::accent, pal));
        p.drawEllipse(QRectF(w - 25, 9, 16, 16));
        Symbols::draw(p, QStringLiteral("checkmark"), QRectF(w - 22, 12, 10, 10), Qt::white);
    }
}

LayoutButton::LayoutButton(bool isActiveLayout, const QString& title, std::function<void()> action, QWidget* parent)
    : ActionButton(title, std::move(action), parent), active_(isActiveLayout)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

QColor LayoutButton::fill() const
{
    if (active_)
        return styleColor(StyleColor::accent, palette());
    return styleColor(StyleColor::label, palette(), hovered_ || isDown() ? 0.16 : 0.08);
}

void LayoutButton::setHovered(bool hovered)
{
    hovered_ = hovered;
    update();
}

void LayoutButton::enterEvent(QEnterEvent*) { setHovered(true); }
void LayoutButton::leaveEvent(QEvent*) { setHovered(false); }

void LayoutButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double h = height();
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(fill());
    p.drawRoundedRect(capsule, h / 2, h / 2);
    p.setFont(systemFont(11, active_ ? QFont::DemiBold : QFont::Normal));
    p.setPen(active_ ? QColor(Qt::white) : styleColor(StyleColor::label, palette()));
    const double t = QFontMetricsF(p.font()).height();
    drawElided(p, text(), QRectF(8, (h - t) / 2, width() - 16, t), Qt::AlignCenter);
}

} // namespace fw
