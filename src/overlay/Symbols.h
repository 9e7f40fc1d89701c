#pragma once
// Symbol images by name ("checkmark", "arrow.uturn.backward", …): one table maps every symbol
// name the interface uses to a glyph of the Material Icons font. When the font is missing,
// a symbol is drawn as a plain text character instead. Other views add their names with
// Symbols::add.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <map>
#include <optional>

class QPainter;

namespace fw {

class Symbols {
public:
    struct Glyph {
        char32_t codepoint = 0;   // in the icon font
        int rotation = 0;         // degrees clockwise, for glyphs that exist only turned
        QString fallback;         // text drawn when the icon font is missing
    };

    // The glyph for a symbol name; nothing when the name is unknown.
    static std::optional<Glyph> glyph(const QString& name);
    static bool contains(const QString& name) { return glyph(name).has_value(); }
    // Adds or replaces a name.
    static void add(const QString& name, Glyph glyph);
    static const std::map<QString, Glyph>& table();

    // Whether the icon font was loaded (tried once, on first use).
    static bool fontAvailable();
    // The icon font at a pixel size (the plain application font when the icon font is missing).
    static QFont font(double pixelSize);
    // Where the icon font is looked for.
    static QString fontPath();

    // Draws the symbol centred in rect, as large as fits, in the colour. False (nothing drawn)
    // for an unknown name.
    static bool draw(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
    // The symbol as an image of side × side device-independent pixels; null for an unknown name.
    static QPixmap image(const QString& name, double side, const QColor& color, double devicePixelRatio = 1.0);

private:
    static std::map<QString, Glyph>& mutableTable();
};

} // namespace fw
