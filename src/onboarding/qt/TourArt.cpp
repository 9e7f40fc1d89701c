// The tour's illustrations drawn in code, one painter routine per page.
#include "onboarding/qt/TourArt.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/WindowArt.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace fw {

namespace {

QColor color(const QWidget* w, StyleColor c, double alpha = 1.0) { return styleColor(c, w->palette(), alpha); }

void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& fill)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, fill);
}

void strokeRounded(QPainter& p, const QRectF& r, double radius, const QColor& stroke, double width)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.strokePath(path, QPen(stroke, width));
}

// Text whose line box starts at the point (top left), in one font and colour.
void drawText(QPainter& p, QPointF at, const QString& text, const QFont& font, const QColor& color)
{
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(QPointF(at.x(), at.y() + QFontMetricsF(font).ascent()), text);
    p.restore();
}

// The font made smaller, when needed, so that the text fits the width.
QFont fitted(QFont font, const QString& text, double width)
{
    while (font.pixelSize() > 8 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

} // namespace

TourArt::TourArt(QWidget* parent) : QWidget(parent)
{
    addOnboardingSymbols();
    setAccessibleName(accessibilityLabel(kind_));
}

void TourArt::setKind(Kind kind)
{
    kind_ = kind;
    setAccessibleName(accessibilityLabel(kind));
    update();
}

void TourArt::drawWindow(QPainter& p, const QRectF& r, bool highlighted, bool titleBar, const QPalette& palette,
                         const QString& title)
{
    // Opaque: a window drawn over others hides them, the highlight only tints it.
    fillRounded(p, r, 8, styleColor(StyleColor::windowBackground, palette));
    if (highlighted)
        fillRounded(p, r, 8, styleColor(StyleColor::accent, palette, 0.2));
    if (titleBar)
        drawTitleBar(p, r, 8, title, palette);
    strokeRounded(p, r, 8, styleColor(StyleColor::separator, palette, 0.6), 1);
}

bool TourArt::drawSymbol(QPainter& p, const QString& name, const QRectF& rect, const QColor& color)
{
    return Symbols::draw(p, name, rect, color);
}

void TourArt::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillRounded(p, rect(), 16, color(this, StyleColor::accent, 0.07));
    switch (kind_) {
    case Kind::dropMenu:
        drawDropMenu(p);
        break;
    case Kind::stack:
        drawStack(p);
        break;
    case Kind::span:
        drawSpan(p);
        break;
    case Kind::layouts:
        drawLayouts(p);
        break;
    case Kind::shortcuts:
        drawShortcuts(p);
        break;
    }
}

void TourArt::drawDropMenu(QPainter& p) const
{
    const QPalette& pal = palette();
    drawWindow(p, QRectF(24, 20, 260, 180), false, true, pal, QStringLiteral("Notes"));
    drawWindow(p, QRectF(300, 20, 292, 180), true, true, pal, QStringLiteral("Browser"));
    const QRectF menu(318, 82, 256, 70);
    fillRounded(p, menu, 14, color(this, StyleColor::windowBackground, 0.95));
    strokeRounded(p, menu, 14, color(this, StyleColor::separator), 1);
    const std::array<std::pair<QString, QString>, 4> tiles{{{u"Stack"_qs, u"square.stack"_qs},
                                                            {u"Left"_qs, u"rectangle.lefthalf.inset.filled"_qs},
                                                            {u"Top"_qs, u"rectangle.tophalf.inset.filled"_qs},
                                                            {u"Swap"_qs, u"arrow.left.arrow.right"_qs}}};
    for (int i = 0; i < 4; ++i) {
        const QRectF tile(menu.x() + 8 + 61 * i, menu.y() + 8, 55, 54);
        const bool chosen = i == 1;
        fillRounded(p, tile, 9, chosen ? color(this, StyleColor::accent) : color(this, StyleColor::label, 0.05));
        drawSymbol(p, tiles[i].second, QRectF(tile.center().x() - 10, tile.y() + 8, 20, 18),
                   chosen ? Qt::white : color(this, StyleColor::secondaryLabel));
        drawText(p, QPointF(tile.x() + 6, tile.y() + 33), tiles[i].first, systemFont(10, QFont::DemiBold),
                 chosen ? Qt::white : color(this, StyleColor::label));
    }
    const QRectF dragged(150, 128, 140, 82);
    fillRounded(p, dragged.translated(3, 4), 8, color(this, StyleColor::black, 0.12));
    drawWindow(p, dragged, false, true, pal, QStringLiteral("Terminal"));
    // The pointer rests on the chosen tile, right of its symbol and clear of its label.
    drawSymbol(p, QStringLiteral("cursorarrow"), QRectF(426, 100, 14, 20), color(this, StyleColor::label));
}

void TourArt::drawStack(QPainter& p) const
{
    const QPalette& pal = palette();
    for (const QPointF at : {QPointF(76, 18), QPointF(68, 24), QPointF(60, 30)})
        drawWindow(p, QRectF(at, QSizeF(380, 170)), false, true, pal, at.x() == 60 ? QStringLiteral("Notes") : QString());
    const QRectF badge(68, 54, 108, 32);
    fillRounded(p, badge, 16, color(this, StyleColor::windowBackground));
    strokeRounded(p, badge, 16, color(this, StyleColor::accent, 0.6), 1.5);
    const std::array<QString, 3> icons{u"envelope.fill"_qs, u"message.fill"_qs, u"globe"_qs};
    for (int i = 0; i < 3; ++i)
        drawSymbol(p, icons[i], QRectF(badge.x() + 10 + 32 * i, badge.y() + 7, 20, 18),
                   i == 0 ? color(this, StyleColor::accent) : color(this, StyleColor::secondaryLabel));
    drawText(p, QPointF(badge.right() + 10, badge.y() + 9), QStringLiteral("Behind this window"), systemFont(11),
             color(this, StyleColor::secondaryLabel));
    const QRectF switcher(456, 40, 136, 150);
    fillRounded(p, switcher, 12, color(this, StyleColor::windowBackground));
    strokeRounded(p, switcher, 12, color(this, StyleColor::separator), 1);
    for (int i = 0; i < 3; ++i) {
        const QRectF card(466, 52 + 44 * i, 116, 36);
        fillRounded(p, card, 7, i == 0 ? color(this, StyleColor::accent, 0.2) : color(this, StyleColor::label, 0.05));
        drawText(p, QPointF(card.x() + 8, card.y() + 10), QString::number(i + 1), systemFont(11, QFont::DemiBold),
                 color(this, StyleColor::label));
    }
}

void TourArt::drawSpan(QPainter& p) const
{
    const QPalette& pal = palette();
    for (const QRectF& column : {QRectF(24, 20, 180, 180), QRectF(214, 20, 180, 180), QRectF(404, 20, 188, 180)})
        drawWindow(p, column, false, true, pal, QStringLiteral("Terminal"));
    const QRectF span(28, 24, 362, 172);
    fillRounded(p, span.translated(3, 4), 8, color(this, StyleColor::black, 0.12));
    drawWindow(p, span, true, true, pal, QStringLiteral("Editor"));
    drawSymbol(p, QStringLiteral("command"), QRectF(span.right() - 24, span.center().y() - 10, 20, 20),
               color(this, StyleColor::accent));
    drawText(p, QPointF(span.x() + 16, span.bottom() - 30), QStringLiteral("One window across two regions"),
             systemFont(12, QFont::DemiBold), color(this, StyleColor::label));
}

void TourArt::drawLayouts(QPainter& p) const
{
    const QRectF frame(24, 20, 380, 180);
    fillRounded(p, frame, 8, color(this, StyleColor::windowBackground));
    strokeRounded(p, frame, 8, color(this, StyleColor::separator), 1);
    const std::array<std::pair<QRectF, QString>, 4> regions{{{QRectF(32, 28, 120, 80), u"envelope.fill"_qs},
                                                             {QRectF(32, 114, 120, 78), u"message.fill"_qs},
                                                             {QRectF(160, 28, 120, 164), u"globe"_qs},
                                                             {QRectF(288, 28, 108, 164), u"number"_qs}}};
    for (const auto& [r, symbol] : regions) {
        fillRounded(p, r, 6, color(this, StyleColor::accent, 0.18));
        drawSymbol(p, symbol, QRectF(r.center().x() - 13, r.center().y() - 12, 26, 24), color(this, StyleColor::accent));
    }
    const std::array<QString, 3> names{u"Work"_qs, u"Focus"_qs, u"Review"_qs};
    const QFont keyFont = systemFont(13, QFont::DemiBold), nameFont = systemFont(13);
    for (int i = 0; i < 3; ++i) {
        const QRectF chip(430, 34 + 56 * i, 162, 44);
        fillRounded(p, chip, 9, i == 0 ? color(this, StyleColor::accent, 0.2) : color(this, StyleColor::label, 0.05));
        const QString key = QStringLiteral("Ctrl+Alt+%1").arg(i + 1);
        drawText(p, QPointF(chip.x() + 12, chip.y() + 14), key, keyFont, color(this, StyleColor::label));
        // The Linux key names are longer than the glyphs: the name follows the key.
        const double nameX = std::max(chip.x() + 64, chip.x() + 22 + QFontMetricsF(keyFont).horizontalAdvance(key));
        drawText(p, QPointF(nameX, chip.y() + 14), names[i], nameFont, color(this, StyleColor::label));
    }
}

void TourArt::drawShortcuts(QPainter& p) const
{
    const std::array<std::pair<QString, QString>, 5> cards{{{u"Ctrl+Alt+P"_qs, u"Place"_qs},
                                                           {u"Ctrl+Alt+Z"_qs, u"Layouts"_qs},
                                                           {u"Ctrl+Alt+S"_qs, u"Stack"_qs},
                                                           {u"Ctrl+Alt+B"_qs, u"Send back"_qs},
                                                           {u"Ctrl+Alt+1–9"_qs, u"Your layouts"_qs}}};
    for (int i = 0; i < 5; ++i) {
        const QRectF card(24 + 132 * (i < 3 ? i : i - 3), i < 3 ? 28 : 112, 120, 70);
        fillRounded(p, card, 10, color(this, StyleColor::windowBackground));
        strokeRounded(p, card, 10, color(this, StyleColor::separator), 1);
        drawText(p, QPointF(card.x() + 12, card.y() + 12), cards[i].first,
                 fitted(systemFont(16, QFont::DemiBold), cards[i].first, card.width() - 20), color(this, StyleColor::label));
        drawText(p, QPointF(card.x() + 12, card.y() + 42), cards[i].second, systemFont(11),
                 color(this, StyleColor::secondaryLabel));
    }
    drawSymbol(p, QStringLiteral("computermouse"), QRectF(470, 50, 70, 100), color(this, StyleColor::accent));
    drawText(p, QPointF(448, 162), QStringLiteral("Middle & side buttons"), systemFont(11),
             color(this, StyleColor::secondaryLabel));
}

} // namespace fw
