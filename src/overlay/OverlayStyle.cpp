// The overlay's shared look: palette-following colours, point-sized fonts, outlined labels, the glass
// card, and bringing one of our windows to the front.
#include "overlay/OverlayStyle.h"

#include "base/Clock.h"
#include "overlay/OverlayWindow.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace fw {

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

QColor styleColor(StyleColor color, const QPalette& palette, double alpha)
{
    QColor c;
    switch (color) {
    case StyleColor::label:
        c = palette.color(QPalette::WindowText);
        break;
    case StyleColor::secondaryLabel:
        c = palette.color(QPalette::WindowText);
        c.setAlphaF(c.alphaF() * 0.55);
        break;
    case StyleColor::accent:
        c = palette.color(QPalette::Highlight);
        break;
    case StyleColor::separator:
        c = palette.color(QPalette::WindowText);
        c.setAlphaF(c.alphaF() * (isDark(palette) ? 0.4 : 0.3));
        break;
    case StyleColor::white:
        c = Qt::white;
        break;
    case StyleColor::tertiaryLabel:
        c = palette.color(QPalette::WindowText);
        c.setAlphaF(c.alphaF() * 0.3);
        break;
    case StyleColor::windowBackground:
        c = palette.color(QPalette::Window);
        break;
    case StyleColor::link:
        c = palette.color(QPalette::Link);
        break;
    case StyleColor::green:
        c = isDark(palette) ? QColor(48, 209, 88) : QColor(40, 167, 69);
        break;
    case StyleColor::orange:
        c = isDark(palette) ? QColor(255, 159, 10) : QColor(230, 126, 0);
        break;
    case StyleColor::black:
        c = Qt::black;
        break;
    }
    c.setAlphaF(std::clamp(c.alphaF() * alpha, 0.0, 1.0));
    return c;
}

QColor cardFill(const QPalette& palette, bool translucent)
{
    QColor fill = palette.color(QPalette::Window);
    fill.setAlphaF(translucent ? kCardOpacity : 1.0);
    return fill;
}

QPainterPath outlinedTextPath(const QRectF& box, const QString& text, const QFont& font)
{
    const QFontMetricsF fm(font);
    const QPointF baseline(box.center().x() - fm.horizontalAdvance(text) / 2,
                           box.center().y() + (fm.ascent() - fm.descent()) / 2);
    QPainterPath path;
    path.addText(baseline, font, text);
    return path;
}

QRegion outlinedTextRegion(const QRectF& box, const QString& text, const QFont& font)
{
    const QPainterPath glyphs = outlinedTextPath(box, text, font);
    QPainterPathStroker stroker;
    stroker.setWidth(3);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath outline = stroker.createStroke(glyphs);
    return QRegion(glyphs.toFillPolygon().toPolygon(), Qt::OddEvenFill)
        + QRegion(outline.toFillPolygon().toPolygon(), Qt::WindingFill);
}

void drawOutlinedText(QPainter& painter, const QRectF& box, const QString& text, const QFont& font)
{
    const QPainterPath path = outlinedTextPath(box, text, font);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 70), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path.translated(0, 1.5));
    painter.setPen(QPen(QColor(0, 0, 0, 190), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(path);
    painter.restore();
}

QFont systemFont(double size, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(size))));
    f.setWeight(weight);
    return f;
}

// --- OverlayLabel ---

OverlayLabel::OverlayLabel(const QString& text, const QFont& font, StyleColor color, QWidget* parent)
    : QWidget(parent), text_(text), color_(color)
{
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(text);
}

void OverlayLabel::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void OverlayLabel::setColor(StyleColor color)
{
    color_ = color;
    update();
}

void OverlayLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void OverlayLabel::setWordWrap(bool wrap)
{
    wordWrap_ = wrap;
    update();
}

void OverlayLabel::setTextFont(const QFont& font)
{
    setFont(font);
    updateGeometry();
    update();
}

QString OverlayLabel::shownText() const
{
    if (wordWrap_)
        return text_;
    return fontMetrics().elidedText(text_, Qt::ElideRight, width());
}

QSize OverlayLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(text_) + 1, fm.height()};
}

void OverlayLabel::sizeToFit() { resize(sizeHint()); }

void OverlayLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(styleColor(color_, palette()));
    p.setFont(font());
    if (wordWrap_)
        p.drawText(rect(), int(alignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextWordWrap, text_);
    else
        p.drawText(rect(), int(alignment_), shownText());
}

OverlayLabel* makeLabel(const QString& text, double size, QFont::Weight weight, StyleColor color, QWidget* parent)
{
    return new OverlayLabel(text, systemFont(size, weight), color, parent);
}

QRectF alignedToDevicePixels(const QRectF& r, double ratio)
{
    const auto snap = [ratio](double v) { return std::round(v * ratio) / ratio; };
    return QRectF(QPointF(snap(r.left()), snap(r.top())), QPointF(snap(r.right()), snap(r.bottom())));
}

double devicePixelLineWidth(double width, double ratio) { return std::max(1.0, std::round(width * ratio)) / ratio; }

// --- GlassCard ---

GlassCard::GlassCard(QWidget* parent) : QWidget(parent) {}

void GlassCard::setCornerRadius(double radius)
{
    cornerRadius_ = radius;
    reshapePanelOf(this);
    update();
}

QPainterPath GlassCard::outline() const
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
    return path;
}

std::optional<QPainterPath> GlassCard::shapeOutline() const
{
    if (cornerRadius_ <= 0)
        return std::nullopt;
    return outline();
}

void GlassCard::resizeEvent(QResizeEvent*) { reshapePanelOf(this); }

namespace {

// The device pixels a logical region covers once the toolkit scales it for the server, as it
// does a panel's shape: every edge of its rectangles scaled and rounded to the nearest pixel.
QRegion devicePixelsOf(const QRegion& logical, double ratio)
{
    const auto edge = [ratio](int v) { return int(std::lround(v * ratio)); };
    QRegion device;
    for (const QRect& r : logical)
        device += QRect(QPoint(edge(r.left()), edge(r.top())),
                        QPoint(edge(r.x() + r.width()) - 1, edge(r.y() + r.height()) - 1));
    return device;
}

// The pixels of a region within `width` pixels of its outside: a line along its edge.
QRegion edgeOf(const QRegion& region, int width)
{
    QRegion inner = region;
    for (int i = 0; i < width; ++i)
        inner &= inner.translated(1, 0) & inner.translated(-1, 0) & inner.translated(0, 1) & inner.translated(0, -1);
    return region - inner;
}

} // namespace

void GlassCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool translucent = showsTranslucent(this);
    const QColor fill = cardFill(palette(), translucent);
    const QColor border = styleColor(StyleColor::separator, palette(), 0.35);
    const double ratio = devicePixelRatioF();
    // An opaque card that fills a shaped panel is what the panel is cut along, one bit deep on
    // whole device pixels: the card fills exactly those pixels and its border is their outermost
    // ones, so no pixel inside the shape is left half drawn (it would show black) and the border
    // runs round the corners.
    const auto* panel = qobject_cast<const OverlayWindow*>(window());
    const bool fillsPanel = panel && panel != static_cast<const QWidget*>(this) && mapTo(panel, QPoint()) == QPoint()
                            && size() == panel->size();
    const std::optional<QRegion> shape =
        fillsPanel && !translucent && !panel->mask().isEmpty() ? shapeRegion() : std::nullopt;
    if (shape && !shape->isEmpty()) {
        const QRegion device = devicePixelsOf(*shape, ratio);
        p.scale(1 / ratio, 1 / ratio);
        for (const QRect& r : device)
            p.fillRect(r, fill);
        for (const QRect& r : edgeOf(device, int(std::lround(devicePixelLineWidth(1, ratio) * ratio))))
            p.fillRect(r, border);
        return;
    }
    // Elsewhere the card is drawn smooth (a compositor blends its edge pixels), its border a whole
    // device pixel wide on its outermost device pixels, the corners concentric with its outline.
    p.setRenderHint(QPainter::Antialiasing);
    const double line = devicePixelLineWidth(1, ratio);
    const double inset = line / 2;
    const QRectF r = alignedToDevicePixels(QRectF(rect()), ratio).adjusted(inset, inset, -inset, -inset);
    const double radius = std::max(0.0, cornerRadius_ - inset);
    p.setPen(QPen(border, line));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

GlassCard* makeGlassCard(const QRect& frame, QWidget* parent)
{
    auto* card = new GlassCard(parent);
    card->setGeometry(frame);
    return card;
}

// --- bringToFront ---

void bringToFront(QWidget* window, Clock& clock)
{
    QPointer<QWidget> weak(window);
    auto step = [weak] {
        if (!weak)
            return;
        weak->show();
        weak->activateWindow();
        weak->raise();
    };
    clock.schedule(Duration(0), [weak, step, &clock] {
        if (!weak)
            return;
        step();
        clock.schedule(milliseconds(150), [weak, step] {
            if (!weak || !weak->isVisible())
                return;
            if (!weak->isActiveWindow())
                step();
            // The toolkit may count the window active while the keyboard is elsewhere (a
            // window manager that ignored the activation): the server's focus decides.
            OverlayWindow::takeKeyboard(weak);
        });
    });
}

} // namespace fw
