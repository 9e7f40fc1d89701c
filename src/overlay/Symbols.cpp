// Symbol images by name, mapped to Material Icons glyphs, with a plain text character drawn instead
// when the font is missing.
#include "overlay/Symbols.h"

#include "base/XdgDirs.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>

namespace fw {

namespace {

QString iconFamily()
{
    static const QString family = [] {
        int id = QFontDatabase::addApplicationFont(Symbols::fontPath());
        if (id < 0)
            return QString();
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

} // namespace

QString Symbols::fontPath()
{
    QString overridden = environmentPath("FRAMEWELL_SYMBOL_FONT");
    if (!overridden.isEmpty())
        return overridden;
    return u"/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"_qs;
}

std::map<QString, Symbols::Glyph>& Symbols::mutableTable()
{
    static std::map<QString, Glyph> table{
        {u"checkmark"_qs, {0xe5ca, 0, u"✓"_qs}},
        {u"arrow.uturn.backward"_qs, {0xe166, 0, u"↶"_qs}},
        {u"arrow.left.and.right"_qs, {0xea16, 90, u"↔"_qs}},
        {u"arrow.up.and.down"_qs, {0xea16, 0, u"↕"_qs}},
        {u"arrow.left.arrow.right"_qs, {0xe8d4, 0, u"⇄"_qs}},
        {u"arrow.up.left.and.arrow.down.right"_qs, {0xf1ce, 0, u"⤡"_qs}},
        {u"rectangle.expand.diagonal"_qs, {0xe85b, 0, u"⤢"_qs}},
        {u"rectangle.split.1x2"_qs, {0xe8e9, 0, u"☰"_qs}},
        {u"rectangle.split.3x1"_qs, {0xe8f3, 0, u"▥"_qs}},
        {u"rectangle.inset.filled"_qs, {0xe3c6, 0, u"■"_qs}},
        {u"rectangle.portrait.inset.filled"_qs, {0xe3c5, 0, u"▮"_qs}},
        {u"rectangle.tophalf.inset.filled"_qs, {0xe25a, 0, u"⬒"_qs}},
        {u"rectangle.bottomhalf.inset.filled"_qs, {0xe258, 0, u"⬓"_qs}},
        {u"rectangle.lefthalf.inset.filled"_qs, {0xe00d, 0, u"◧"_qs}},
        {u"rectangle.righthalf.inset.filled"_qs, {0xe010, 0, u"◨"_qs}},
        {u"square.stack"_qs, {0xe3e0, 0, u"❐"_qs}},
        {u"square.2.layers.3d"_qs, {0xe882, 0, u"❐"_qs}},
        {u"square.2.layers.3d.top.filled"_qs, {0xe883, 0, u"❐"_qs}},
        {u"message.fill"_qs, {0xe0b7, 0, u"✉"_qs}},
        {u"envelope.fill"_qs, {0xe0be, 0, u"✉"_qs}},
        {u"text.alignleft"_qs, {0xe236, 0, u"≡"_qs}},
        {u"play.fill"_qs, {0xe037, 0, u"▶"_qs}},
        {u"play.circle"_qs, {0xe039, 0, u"▷"_qs}},
        {u"hand.raised"_qs, {0xe925, 0, u"✋"_qs}},
        {u"exclamationmark.triangle"_qs, {0xe002, 0, u"⚠"_qs}},
        {u"chevron.left"_qs, {0xe5cb, 0, u"‹"_qs}},
        {u"chevron.right"_qs, {0xe5cc, 0, u"›"_qs}},
    };
    return table;
}

const std::map<QString, Symbols::Glyph>& Symbols::table() { return mutableTable(); }

std::optional<Symbols::Glyph> Symbols::glyph(const QString& name)
{
    const auto& t = table();
    auto it = t.find(name);
    if (it == t.end())
        return std::nullopt;
    return it->second;
}

void Symbols::add(const QString& name, Glyph glyph) { mutableTable()[name] = std::move(glyph); }

bool Symbols::fontAvailable() { return !iconFamily().isEmpty(); }

QFont Symbols::font(double pixelSize)
{
    QFont f = fontAvailable() ? QFont(iconFamily()) : QGuiApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

bool Symbols::draw(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color)
{
    auto g = glyph(name);
    if (!g || rect.isEmpty())
        return false;
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setPen(color);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (fontAvailable()) {
        painter.translate(rect.center());
        if (g->rotation != 0)
            painter.rotate(g->rotation);
        painter.setFont(font(side));
        painter.drawText(QRectF(-side / 2, -side / 2, side, side), Qt::AlignCenter, QString::fromUcs4(&g->codepoint, 1));
    } else {
        // The fallback characters already point the right way.
        QFont f = QGuiApplication::font();
        f.setPixelSize(std::max(1, int(side * 0.8)));
        painter.setFont(f);
        painter.drawText(rect, Qt::AlignCenter, g->fallback);
    }
    painter.restore();
    return true;
}

QPixmap Symbols::image(const QString& name, double side, const QColor& color, double devicePixelRatio)
{
    if (!contains(name) || side <= 0)
        return {};
    const int px = std::max(1, int(std::ceil(side * devicePixelRatio)));
    QPixmap pm(px, px);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    draw(p, name, QRectF(0, 0, side, side), color);
    return pm;
}

} // namespace fw
