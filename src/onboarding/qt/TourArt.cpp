// The tour's illustrations drawn in code, one painter routine per page.
#include "onboarding/qt/TourArt.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/WindowArt.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <array>
#include <tuple>

namespace fw {

namespace {

QColor color(const QWidget* w, StyleColor c, double alpha = 1.0) { return styleColor(c, w->palette(), alpha); }

// The rectangle with its edges on whole device pixels of the painter's device.
QRectF aligned(const QPainter& p, const QRectF& r)
{
    return alignedToDevicePixels(r, p.device() ? p.device()->devicePixelRatioF() : 1.0);
}

void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& fill)
{
    QPainterPath path;
    path.addRoundedRect(aligned(p, r), radius, radius);
    p.fillPath(path, fill);
}

// The outline inside the shape's edge, centred on whole device pixels.
void strokeRounded(QPainter& p, const QRectF& r, double radius, const QColor& stroke, double width)
{
    const double line = devicePixelLineWidth(width, p.device() ? p.device()->devicePixelRatioF() : 1.0);
    const double inset = line / 2;
    QPainterPath path;
    path.addRoundedRect(aligned(p, r).adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset),
                        std::max(0.0, radius - inset));
    p.strokePath(path, QPen(stroke, line));
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


// An application's icon as the pictures show one: a rounded tile in its colour with its initial.
void drawAppTile(QPainter& p, const QRectF& r, const QString& letter, const QColor& fill)
{
    fillRounded(p, r, r.width() * 0.22, fill);
    p.save();
    p.setFont(systemFont(r.height() * 0.42, QFont::Bold));
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, letter);
    p.restore();
}

// Where the picture's tile menu stands: inside the Browser window, below its title bar.
const QRectF menuArea(310, 44, 272, 150);

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

QFont TourArt::keyCapFont(const QStringList& keys, double width)
{
    QFont font = systemFont(16, QFont::DemiBold);
    const auto fits = [&] {
        return std::all_of(keys.begin(), keys.end(),
                           [&](const QString& key) { return QFontMetricsF(font).horizontalAdvance(key) <= width; });
    };
    while (font.pixelSize() > 8 && !fits())
        font.setPixelSize(font.pixelSize() - 1);
    return font;
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

std::vector<TourArt::Tile> TourArt::dropMenuTiles()
{
    // The tiles a drop onto a placed window offers, laid out by the menu itself over a target
    // three tiles wide (two rows of three), then scaled into the picture.
    const std::vector<RegionDropIntent> intents{RegionDropIntent::place(1),     RegionDropIntent::splitSide(1, true),
                                                RegionDropIntent::splitSide(1, false), RegionDropIntent::split(1, true),
                                                RegionDropIntent::split(1, false), RegionDropIntent::swap(1)};
    const double across = 3 * DropActionMenu::tileWidth + 2 * DropActionMenu::tileGap + 2 * DropActionMenu::margin;
    const DropActionMenu menu = DropActionMenu::centeredIn(Rect(0, 0, across, 400), intents);
    const double scale = std::min(menuArea.width() / menu.frame.width(), menuArea.height() / menu.frame.height());
    const QPointF origin(menuArea.center().x() - menu.frame.width() * scale / 2, menuArea.y());
    std::vector<Tile> tiles;
    for (const DropActionMenu::Item& item : menu.items) {
        const QRectF frame(origin.x() + (item.frame.minX() - menu.frame.minX()) * scale,
                           origin.y() + (item.frame.minY() - menu.frame.minY()) * scale, item.frame.width() * scale,
                           item.frame.height() * scale);
        tiles.push_back({{item.title, item.symbol}, frame, item.intent == RegionDropIntent::splitSide(1, true)});
    }
    return tiles;
}

void TourArt::drawDropMenu(QPainter& p) const
{
    const QPalette& pal = palette();
    drawWindow(p, QRectF(24, 20, 260, 180), false, true, pal, QStringLiteral("Notes"));
    drawWindow(p, QRectF(300, 20, 292, 180), true, true, pal, QStringLiteral("Browser"));
    const std::vector<Tile> tiles = dropMenuTiles();
    QRectF menu = tiles.front().frame;
    for (const Tile& tile : tiles)
        menu = menu.united(tile.frame);
    menu.adjust(-7, -7, 7, 7);
    fillRounded(p, menu, 14, color(this, StyleColor::windowBackground, 0.96));
    strokeRounded(p, menu, 14, color(this, StyleColor::separator), 1);
    const QFont font = systemFont(9, QFont::DemiBold);
    for (const Tile& tile : tiles) {
        const QRectF& r = tile.frame;
        fillRounded(p, r, 8, tile.chosen ? color(this, StyleColor::accent) : color(this, StyleColor::label, 0.06));
        if (!tile.chosen)
            strokeRounded(p, r, 8, color(this, StyleColor::separator, 0.7), 1);
        drawSymbol(p, tile.text.symbol, QRectF(r.center().x() - 9, r.y() + 10, 18, 18),
                   tile.chosen ? Qt::white : color(this, StyleColor::secondaryLabel));
        p.setFont(font);
        p.setPen(tile.chosen ? QColor(Qt::white) : color(this, StyleColor::label));
        p.drawText(QRectF(r.x() + 2, r.bottom() - 22, r.width() - 4, 16), Qt::AlignCenter, tile.text.title);
    }
    const QRectF dragged(150, 128, 140, 82);
    fillRounded(p, dragged.translated(3, 4), 8, color(this, StyleColor::black, 0.12));
    drawWindow(p, dragged, false, true, pal, QStringLiteral("Terminal"));
    // The pointer rests on the chosen tile, right of its symbol and clear of its label.
    for (const Tile& tile : tiles) {
        if (tile.chosen)
            drawSymbol(p, QStringLiteral("cursorarrow"), QRectF(tile.frame.center().x() + 12, tile.frame.y() + 16, 12, 17),
                       color(this, StyleColor::label));
    }
}

void TourArt::drawStack(QPainter& p) const
{
    const QPalette& pal = palette();
    for (const QPointF at : {QPointF(46, 18), QPointF(38, 24), QPointF(30, 30)})
        drawWindow(p, QRectF(at, QSizeF(290, 170)), false, true, pal, at.x() == 30 ? QStringLiteral("Notes") : QString());
    // The badge as the stack shows it: upright across the front window's left edge just below
    // its title bar, half outside the window, grown open as the pointer came near, with the grip
    // at its top and the icons of the windows behind.
    const QRectF badge(30 - 16, 30 + 30, 32, 84);
    QPainterPath pill;
    pill.addRoundedRect(aligned(p, badge), 16, 16);
    p.fillPath(pill, QColor(28, 28, 30, 215));
    p.strokePath(pill, QPen(color(this, StyleColor::separator, 0.5), 0.5));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 205));
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawEllipse(QPointF(badge.center().x() - 4 + 4 * column, badge.y() + 9 + 4 * row), 1.25, 1.25);
    p.restore();
    drawAppTile(p, QRectF(badge.center().x() - 11, badge.y() + 24, 22, 22), QStringLiteral("M"), QColor(30, 120, 230));
    drawAppTile(p, QRectF(badge.center().x() - 11, badge.y() + 52, 22, 22), QStringLiteral("B"), QColor(130, 80, 210));
    drawSymbol(p, QStringLiteral("cursorarrow"), QRectF(badge.center().x() + 2, badge.y() + 62, 12, 17),
               color(this, StyleColor::label));
    drawText(p, QPointF(badge.right() + 12, badge.y() + 34), QStringLiteral("Behind this window"), systemFont(11),
             color(this, StyleColor::secondaryLabel));
    // The switcher: its heading, then the stack's windows as a row of cards, the front one chosen.
    const QRectF panel(344, 24, 248, 172);
    fillRounded(p, panel, 14, color(this, StyleColor::windowBackground));
    strokeRounded(p, panel, 14, color(this, StyleColor::separator), 1);
    drawText(p, QPointF(panel.x() + 12, panel.y() + 10), QStringLiteral("Window Stack"), systemFont(11, QFont::Bold),
             color(this, StyleColor::label));
    drawText(p, QPointF(panel.right() - 20, panel.y() + 10), QStringLiteral("3"), systemFont(11),
             color(this, StyleColor::secondaryLabel));
    const std::array<std::tuple<QString, QString, QColor>, 3> cards{
        {{u"N"_qs, u"Notes"_qs, QColor(20, 150, 170)}, {u"M"_qs, u"Mail"_qs, QColor(30, 120, 230)},
         {u"B"_qs, u"Browser"_qs, QColor(130, 80, 210)}}};
    for (int i = 0; i < 3; ++i) {
        const auto& [letter, name, fill] = cards[i];
        const QRectF card(panel.x() + 8 + 78 * i, panel.y() + 36, 72, 124);
        fillRounded(p, card, 10, i == 0 ? color(this, StyleColor::accent, 0.12) : color(this, StyleColor::label, 0.05));
        if (i == 0)
            strokeRounded(p, card, 10, color(this, StyleColor::accent), 1.5);
        drawAppTile(p, QRectF(card.center().x() - 20, card.y() + 22, 40, 40), letter, fill);
        p.setFont(systemFont(10, QFont::DemiBold));
        p.setPen(color(this, StyleColor::label));
        p.drawText(QRectF(card.x(), card.y() + 74, card.width(), 16), Qt::AlignCenter, name);
        drawText(p, QPointF(card.x() + 6, card.y() + 5), QString::number(i + 1), systemFont(9, QFont::DemiBold),
                 color(this, StyleColor::secondaryLabel));
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
    // The key held while the edge is dragged across the neighbours.
    const QRectF cap(span.right() - 76, span.center().y() - 14, 60, 28);
    fillRounded(p, cap, 6, color(this, StyleColor::windowBackground));
    strokeRounded(p, cap, 6, color(this, StyleColor::separator), 1);
    p.setFont(systemFont(12, QFont::DemiBold));
    p.setPen(color(this, StyleColor::label));
    p.drawText(cap, Qt::AlignCenter, QStringLiteral("Super"));
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
                                                           {u"Ctrl+Alt+Z"_qs, u"Layout Gallery"_qs},
                                                           {u"Ctrl+Alt+S"_qs, u"Stack"_qs},
                                                           {u"Ctrl+Alt+B"_qs, u"Send back"_qs},
                                                           {u"Ctrl+Alt+1–9"_qs, u"Your layouts"_qs}}};
    // Caps wide enough for "Ctrl+Alt+1–9" at the full size.
    constexpr double capWidth = 146;
    QStringList keys;
    for (const auto& card : cards)
        keys << card.first;
    // One size for every cap: none set smaller because its key is longer.
    const QFont capFont = keyCapFont(keys, capWidth - 20);
    for (int i = 0; i < 5; ++i) {
        const QRectF card(24 + (capWidth + 6) * (i < 3 ? i : i - 3), i < 3 ? 28 : 112, capWidth, 70);
        fillRounded(p, card, 10, color(this, StyleColor::windowBackground));
        strokeRounded(p, card, 10, color(this, StyleColor::separator), 1);
        drawText(p, QPointF(card.x() + 12, card.y() + 12), cards[i].first, capFont, color(this, StyleColor::label));
        drawText(p, QPointF(card.x() + 12, card.y() + 42), cards[i].second, systemFont(11),
                 color(this, StyleColor::secondaryLabel));
    }
    drawSymbol(p, QStringLiteral("computermouse"), QRectF(496, 50, 70, 100), color(this, StyleColor::accent));
    drawText(p, QPointF(474, 162), QStringLiteral("Middle & side buttons"), systemFont(11),
             color(this, StyleColor::secondaryLabel));
}

} // namespace fw
