// Rectangle arithmetic (edges, insets, intersections, unions), number formatting and parsing of rects.
#include "base/Geometry.h"

#include <QRegularExpression>
#include <algorithm>
#include <charconv>

namespace fw {

Rect Rect::null()
{
    const double inf = std::numeric_limits<double>::infinity();
    return Rect(inf, inf, 0, 0);
}

double Rect::minX() const { return size.width < 0 ? origin.x + size.width : origin.x; }
double Rect::maxX() const { return size.width < 0 ? origin.x : origin.x + size.width; }
double Rect::midX() const { return origin.x + size.width / 2; }
double Rect::minY() const { return size.height < 0 ? origin.y + size.height : origin.y; }
double Rect::maxY() const { return size.height < 0 ? origin.y : origin.y + size.height; }
double Rect::midY() const { return origin.y + size.height / 2; }

bool Rect::isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }
bool Rect::isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

bool Rect::isFinite() const
{
    return std::isfinite(origin.x) && std::isfinite(origin.y) && std::isfinite(size.width)
        && std::isfinite(size.height);
}

Rect Rect::standardized() const
{
    if (isNull())
        return *this;
    return Rect(minX(), minY(), std::abs(size.width), std::abs(size.height));
}

Rect Rect::insetBy(double dx, double dy) const
{
    if (isNull())
        return *this;
    Rect s = standardized();
    Rect r(s.origin.x + dx, s.origin.y + dy, s.size.width - 2 * dx, s.size.height - 2 * dy);
    if (r.size.width < 0 || r.size.height < 0)
        return null();
    return r;
}

Rect Rect::offsetBy(double dx, double dy) const
{
    if (isNull())
        return *this;
    return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
}

Rect Rect::intersection(const Rect& o) const
{
    if (isNull() || o.isNull())
        return null();
    const double x0 = std::max(minX(), o.minX());
    const double y0 = std::max(minY(), o.minY());
    const double x1 = std::min(maxX(), o.maxX());
    const double y1 = std::min(maxY(), o.maxY());
    if (x1 < x0 || y1 < y0)
        return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::intersects(const Rect& o) const
{
    Rect r = intersection(o);
    return !r.isEmpty();
}

Rect Rect::united(const Rect& o) const
{
    if (isNull())
        return o.standardized();
    if (o.isNull())
        return standardized();
    const double x0 = std::min(minX(), o.minX());
    const double y0 = std::min(minY(), o.minY());
    const double x1 = std::max(maxX(), o.maxX());
    const double y1 = std::max(maxY(), o.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::contains(const Point& p) const
{
    if (isEmpty())
        return false;
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect& r) const
{
    // As the union rule has it (the union of the two equals this one): every rectangle holds
    // the null rectangle, the null rectangle holds nothing else, edges may coincide.
    if (r.isNull())
        return true;
    if (isNull())
        return false;
    return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
}

QString formatNumber(double v)
{
    if (v == 0)
        return QStringLiteral("0"); // also folds -0
    if (std::isnan(v))
        return QStringLiteral("nan");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    if (v == std::trunc(v) && std::abs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v); // shortest form that reads back exactly
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString toString(const Point& p)
{
    return QStringLiteral("{%1, %2}").arg(formatNumber(p.x), formatNumber(p.y));
}

QString toString(const Size& s)
{
    return QStringLiteral("{%1, %2}").arg(formatNumber(s.width), formatNumber(s.height));
}

QString toString(const Rect& r)
{
    return QStringLiteral("{%1, %2}").arg(toString(r.origin), toString(r.size));
}

bool parseRect(const QString& text, Rect& out)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*\{\s*\{\s*([^,{}\s]+)\s*,\s*([^,{}\s]+)\s*\}\s*,\s*\{\s*([^,{}\s]+)\s*,\s*([^,{}\s]+)\s*\}\s*\}\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = m.captured(i + 1).toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return false;
    }
    out = Rect(v[0], v[1], v[2], v[3]);
    return true;
}

double area(const Rect& r) { return r.isNull() ? 0 : r.width() * r.height(); }

std::optional<std::size_t> bestOverlapIndex(const Rect& rect, const std::vector<Rect>& rects)
{
    std::optional<std::size_t> best;
    double bestArea = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const double a = area(rect.intersection(rects[i]));
        if (a > bestArea) {
            best = i;
            bestArea = a;
        }
    }
    return best;
}

} // namespace fw
