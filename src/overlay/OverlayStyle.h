#pragma once
// Shared look of the overlay: the colours (taken from the desktop's palette whenever something
// is drawn, so light and dark desktops both work), fonts in points, labels, the glass card,
// and bringing one of our own windows to the front.

#include "overlay/OverlayWindow.h"

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRect>
#include <QString>
#include <QWidget>

class QPainter;

namespace fw {

class Clock;

enum class StyleColor {
    label,          // primary text
    secondaryLabel, // secondary text
    accent,         // the desktop's selection colour
    separator,      // hairlines and borders
    white,
    tertiaryLabel,  // the faintest text
    windowBackground,
    link,
    green,          // a state that is ready
    orange,         // a warning
    black,
};

// The colour in a palette, with its alpha multiplied by `alpha`.
QColor styleColor(StyleColor color, const QPalette& palette, double alpha = 1.0);
// Whether the palette is a dark one (dark window background).
bool isDark(const QPalette& palette);

// The desktop's interface font at a size in points (one point = one device-independent pixel).
QFont systemFont(double size, QFont::Weight weight = QFont::Normal);

// How opaque the cards are where translucency shows. Nothing blurs what lies behind a panel
// here, so a lighter fill lets the text of the windows underneath run through every card.
inline constexpr double kCardOpacity = 0.98;
// The fill of every card: the palette's window colour at kCardOpacity, or opaque where the
// panel cannot show translucent pixels.
QColor cardFill(const QPalette& palette, bool translucent = true);

// Draws the text in white with a dark outline and a soft shadow, so that it reads over any
// window (the divider editor's region numbers lie over the windows themselves).
void drawOutlinedText(QPainter& painter, const QRectF& box, const QString& text, const QFont& font);
// The glyphs of such a text, centred in the box.
QPainterPath outlinedTextPath(const QRectF& box, const QString& text, const QFont& font);
// What such a text covers apart from its soft shadow: the glyphs and their dark outline.
QRegion outlinedTextRegion(const QRectF& box, const QString& text, const QFont& font);

// A one-line text that truncates at its tail (or wraps, when asked), drawn in a style colour
// resolved at paint time.
class OverlayLabel : public QWidget {
    Q_OBJECT
public:
    OverlayLabel(const QString& text, const QFont& font, StyleColor color, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    StyleColor color() const { return color_; }
    void setColor(StyleColor color);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool wrap);
    void setTextFont(const QFont& font);
    // The text as it is drawn at the current width (elided when it does not fit).
    QString shownText() const;
    // Resizes to the text's natural size.
    void sizeToFit();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    StyleColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap_ = false;
};

// A non-editable label in the system font of the size and weight, in the colour, truncating
// its tail.
OverlayLabel* makeLabel(const QString& text, double size, QFont::Weight weight, StyleColor color,
                        QWidget* parent = nullptr);

// The rectangle with its edges on whole device pixels at the ratio (device pixels per logical
// pixel). At a fractional scale (1.25, 1.5) a rounded shape whose straight edges fall between
// device pixels shows a step where they meet its corners, and no longer meets the panel's shape.
QRectF alignedToDevicePixels(const QRectF& r, double ratio);
// A line about `width` logical pixels wide that covers a whole number of device pixels (at
// least one), in logical pixels.
double devicePixelLineWidth(double width, double ratio);

// The frosted card behind notices, choosers, toolbars and the picker: a rounded, nearly opaque
// fill (cardFill) with a faint border. Translucent only where a compositing manager runs; the panel
// holding it cuts its corners with a shape mask otherwise.
class GlassCard : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    explicit GlassCard(QWidget* parent = nullptr);

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    // The card's outline in its own coordinates.
    QPainterPath outline() const;
    // The outline when the corners are rounded.
    std::optional<QPainterPath> shapeOutline() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    double cornerRadius_ = 20;
};

GlassCard* makeGlassCard(const QRect& frame, QWidget* parent = nullptr);

// Brings one of our own windows forward and gives it the keyboard, even when another
// application is active: on the next turn of the loop, and once more 150 ms later if it is
// visible but still not active; then it takes the keyboard itself where the window manager
// ignored the requests. A window destroyed in between is skipped.
void bringToFront(QWidget* window, Clock& clock);

} // namespace fw
