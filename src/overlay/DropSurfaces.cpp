// Drop preview surfaces: the tinted region preview and the return target with its badge, drawn as an
// outline only (and the panel cut to it) when the panel cannot be translucent.
#include "overlay/DropSurfaces.h"

#include "overlay/Symbols.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace fw {

// --- DropSurfaceView ---

DropSurfaceView::DropSurfaceView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void DropSurfaceView::setSurfaceArmed(bool armed)
{
    if (armed == surfaceArmed_)
        return;
    surfaceArmed_ = armed;
    QWidget::update();
    reshapePanelOf(this);
}

void DropSurfaceView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    reshapePanelOf(this);
}

QPainterPath DropSurfaceView::outlineRing() const
{
    const QRectF s = surfaceRect();
    const double band = surfaceBorderWidth() + 1;
    QPainterPath ring;
    if (s.width() <= 0 || s.height() <= 0)
        return ring;
    ring.addRoundedRect(s, 14, 14);
    const QRectF inner = s.adjusted(band, band, -band, -band);
    if (inner.width() > 0 && inner.height() > 0)
        ring.addRoundedRect(inner, 14 - band, 14 - band);
    return ring;
}

std::optional<QPainterPath> DropSurfaceView::shapeOutline() const
{
    if (!showsTranslucent(this))
        return outlineRing();
    QPainterPath surface;
    const QRectF s = surfaceRect();
    if (s.width() > 0 && s.height() > 0)
        surface.addRoundedRect(s, 14, 14);
    return surface;
}

QColor DropSurfaceView::surfaceFill() const
{
    return styleColor(StyleColor::accent, palette(), surfaceArmed_ ? 0.44 : 0.25);
}

QColor DropSurfaceView::surfaceBorder() const
{
    return styleColor(StyleColor::accent, palette(), surfaceArmed_ ? 1.0 : 0.85);
}

void DropSurfaceView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!showsTranslucent(this)) {
        // Only the outline, unblended so that it meets the panel's cut edge: the border, then
        // the keyline just inside it.
        const QRectF s = surfaceRect();
        const double bw = surfaceBorderWidth();
        p.setPen(Qt::NoPen);
        p.fillPath(outlineRing(), styleColor(StyleColor::white, palette()));
        QPainterPath border;
        border.addRoundedRect(s, 14, 14);
        border.addRoundedRect(s.adjusted(bw, bw, -bw, -bw), 14 - bw, 14 - bw);
        p.fillPath(border, surfaceBorder());
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    // The border is drawn inside the surface's outline, as a layer border is.
    const double bw = surfaceBorderWidth();
    const QRectF s = surfaceRect();
    if (s.width() > 0 && s.height() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(surfaceFill());
        p.drawRoundedRect(s, 14, 14);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(surfaceBorder(), bw));
        const QRectF inner = s.adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2);
        p.drawRoundedRect(inner, 14 - bw / 2, 14 - bw / 2);
    }
    const QRectF k = keylineRect();
    if (k.width() > 0 && k.height() > 0) {
        p.setPen(QPen(styleColor(StyleColor::white, palette(), surfaceArmed_ ? 0.6 : 0.3), 1));
        p.drawRoundedRect(k.adjusted(0.5, 0.5, -0.5, -0.5), 10.5, 10.5);
    }
}

// --- ReturnBadge ---

ReturnBadge::ReturnBadge(QWidget* parent) : GlassCard(parent) { setCornerRadius(16); }

void ReturnBadge::paintEvent(QPaintEvent* event)
{
    GlassCard::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double bw = armed ? 1.5 : 1.0;
    const QRectF r = QRectF(rect()).adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2);
    p.setBrush(styleColor(StyleColor::accent, palette(), armed ? 0.15 : 0.04));
    p.setPen(QPen(styleColor(StyleColor::accent, palette(), armed ? 0.85 : 0.4), bw));
    p.drawRoundedRect(r, 16 - bw / 2, 16 - bw / 2);
}

// --- ReturnTargetView ---

ReturnTargetView::ReturnTargetView(QWidget* parent) : DropSurfaceView(parent)
{
    badge_ = new ReturnBadge(this);
    badge_->resize(int(badgeWidth), int(badgeHeight));
    caption_ = makeLabel(QStringLiteral("Previous position"), 14, QFont::DemiBold, StyleColor::label, badge_);
    icon_ = new QLabel(badge_);
    icon_->setGeometry(16, 13, 20, 20);
    icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setSurfaceArmed(false);
    caption_->setGeometry(47, 13, 175, 20);
    layoutBadge();
}

void ReturnTargetView::applySymbol()
{
    symbolDrawn_ = true;
    icon_->setPixmap(Symbols::image(symbolName_, 19, styleColor(StyleColor::accent, palette()), devicePixelRatioF()));
    icon_->setAccessibleDescription(caption_->text());
}

void ReturnTargetView::setCaption(bool armed)
{
    if (armed == armed_)
        return;
    armed_ = armed;
    caption_->setText(armed ? QStringLiteral("Release to return") : QStringLiteral("Previous position"));
    badge_->armed = armed;
    badge_->update();
    setSurfaceArmed(armed);
}

void ReturnTargetView::update(const QString& caption, const QString& symbol, bool armed,
                              const std::optional<QRectF>& keepClear)
{
    setCaption(armed);
    if (caption_->text() != caption)
        caption_->setText(caption);
    if (symbol != symbolName_ || !symbolDrawn_) {
        symbolName_ = symbol;
        applySymbol();
    }
    setKeepClear(keepClear);
}

void ReturnTargetView::setShowsCaption(bool shows)
{
    showsCaption = shows;
    badge_->setVisible(shows);
    reshapePanelOf(this);
}

std::optional<QPainterPath> ReturnTargetView::shapeOutline() const
{
    QPainterPath outline = DropSurfaceView::shapeOutline().value_or(QPainterPath());
    if (!badge_->isVisibleTo(this))
        return outline;
    QPainterPath badge;
    badge.addRoundedRect(QRectF(badge_->geometry()), 16, 16);
    return outline.united(badge);
}

void ReturnTargetView::showEvent(QShowEvent* event)
{
    DropSurfaceView::showEvent(event);
    if (!symbolDrawn_)
        applySymbol();
}

void ReturnTargetView::setKeepClear(const std::optional<QRectF>& area)
{
    if (area == keepClear_)
        return;
    keepClear_ = area;
    if (const QRect place = badgePlace(badge_->width()).toRect(); place != badge_->geometry()) {
        badge_->setGeometry(place);
        reshapePanelOf(this);
    }
}

QRectF ReturnTargetView::badgePlace(double bw) const
{
    const double w = width(), h = height();
    // The badge's bottom sits max(h − 78, 8) above the view's bottom.
    const double bottom = std::max(h - 78, 8.0);
    const QRectF home(std::lround((w - bw) / 2), std::lround(h - bottom - badgeHeight), bw, badgeHeight);
    if (!keepClear_ || !home.intersects(*keepClear_))
        return home;
    // The parts of the view beside the rectangle, each with a margin: the badge moved the
    // least way into one that takes it, else to where the rectangle covers the least of it.
    constexpr double margin = 8;
    const QRectF clear = keepClear_->adjusted(-margin, -margin, margin, margin);
    const QRectF parts[] = {{0, 0, w, clear.top()}, {0, clear.bottom(), w, h - clear.bottom()},
                            {0, 0, clear.left(), h}, {clear.right(), 0, w - clear.right(), h}};
    const auto covered = [&](const QRectF& r) {
        const QRectF both = r.intersected(*keepClear_);
        return both.width() * both.height();
    };
    QRectF best = home;
    double bestCovered = covered(home), bestMove = 0;
    for (const QRectF& part : parts) {
        const QRectF room = part.adjusted(margin, margin, -margin, -margin);
        const auto within = [](double v, double low, double high) { return std::max(low, std::min(v, high)); };
        const double x = within(within(home.x(), room.left(), room.right() - bw), 0, w - bw);
        const double y = within(within(home.y(), room.top(), room.bottom() - badgeHeight), 0, h - badgeHeight);
        const QRectF place(std::lround(x), std::lround(y), bw, badgeHeight);
        const double cover = covered(place), move = std::hypot(x - home.x(), y - home.y());
        if (cover < bestCovered || (cover == bestCovered && move < bestMove)) {
            best = place;
            bestCovered = cover;
            bestMove = move;
        }
    }
    return best;
}

void ReturnTargetView::layoutBadge()
{
    const double bw = std::max(std::min(width() - 24.0, badgeWidth), 100.0);
    badge_->setGeometry(badgePlace(int(bw)).toRect());
    caption_->setGeometry(47, 13, int(bw - 59), 20);
    reshapePanelOf(this);
}

void ReturnTargetView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutBadge();
}

void ReturnTargetView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        applySymbol();
        badge_->update();
        QWidget::update();
    }
}

} // namespace fw
