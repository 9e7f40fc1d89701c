#pragma once
// Points, sizes and rectangles in global device pixels: origin at the top left of the
// primary display, y growing downward. Rectangles follow the usual desktop rules:
// negative sizes are standardised by the edge accessors, a null rectangle is the
// result of an empty intersection.

#include <QString>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace fw {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    // The null rectangle: what an empty intersection returns. Infinite origin, zero size.
    static Rect null();

    friend bool operator==(const Rect&, const Rect&) = default;

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }

    // Edges of the standardised rectangle.
    double minX() const;
    double maxX() const;
    double midX() const;
    double minY() const;
    double maxY() const;
    double midY() const;

    bool isNull() const;
    // Null, or zero width or height.
    bool isEmpty() const;
    // True when every component is finite.
    bool isFinite() const;

    // Same rectangle with non-negative width and height.
    Rect standardized() const;
    // Grown (negative d) or shrunk (positive d) on all sides; null when the result is negative.
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // Null when the two do not overlap with positive area.
    Rect intersection(const Rect& other) const;
    bool intersects(const Rect& other) const;
    // Smallest rectangle holding both; a null operand is ignored.
    Rect united(const Rect& other) const;
    // Minimum edges inside, maximum edges outside: minX <= x < maxX. Never in an empty rect.
    bool contains(const Point& p) const;
    // True when the union of the two is this rectangle: edges may coincide; the null
    // rectangle is in every rectangle.
    bool contains(const Rect& r) const;
};

// Width × height; 0 for the null rectangle.
double area(const Rect& r);
// The index of the rectangle with the largest intersection (the first of equal maxima);
// nothing when none intersects.
std::optional<std::size_t> bestOverlapIndex(const Rect& rect, const std::vector<Rect>& rects);

// Text forms "{x, y}", "{w, h}" and "{{x, y}, {w, h}}"; integral values without decimals.
QString formatNumber(double v);
QString toString(const Point& p);
QString toString(const Size& s);
QString toString(const Rect& r);
// Reads the rectangle form back; false for anything else, including non-finite numbers.
bool parseRect(const QString& text, Rect& out);

} // namespace fw
