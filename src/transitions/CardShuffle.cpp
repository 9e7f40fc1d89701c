// The card shuffle's scene: where each card starts and lands, and each frame as textured quads placed
// in 3D and projected by a simple perspective camera.
#include "transitions/CardShuffle.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {
constexpr double pi = 3.14159265358979323846;
} // namespace

namespace cardCurves {

namespace {
// 0 → 1 over [a, b] as half a cosine wave.
double ramp(double t, double a, double b)
{
    if (t <= a)
        return 0;
    if (t >= b)
        return 1;
    return (1 - std::cos(pi * (t - a) / (b - a))) / 2;
}
} // namespace

double bump(double t)
{
    if (t < 0 || t >= 1)
        return 0;
    if (t <= 0.42)
        return (1 - std::cos(pi * t / 0.42)) / 2;
    return (std::cos(pi * (t - 0.42) / 0.58) + 1) / 2;
}

double lift(double t)
{
    if (t < 0 || t >= 1)
        return 0;
    if (t <= 0.42)
        return (1 - std::cos(pi * t / 0.42)) / 2;
    if (t <= 0.7)
        return 1;
    return (1 + std::cos(pi * (t - 0.7) / 0.3)) / 2;
}

double rise(double t) { return ramp(t, 0.16, 0.5); }
double settle(double t) { return ramp(t, 0.7, 1.0); }

} // namespace cardCurves

namespace {

struct Point3 {
    double x, y, z;
};

// The camera of one frame.
struct Camera {
    Rect area;
    Point centre;
    double distance;   // D

    CardVertex vertex(const Point3& c, double u, double v) const
    {
        const double w = (distance - c.z) / distance;
        const double px = centre.x + (c.x - centre.x) / w, py = centre.y + (c.y - centre.y) / w;
        const double xNdc = 2 * (px - area.minX()) / area.width() - 1;
        const double yNdc = 1 - 2 * (py - area.minY()) / area.height();
        const double depth = std::clamp(0.5 - c.z / (4 * distance), 0.0, 1.0);
        CardVertex out;
        out.position[0] = float(xNdc * w);
        out.position[1] = float(yNdc * w);
        out.position[2] = float(depth * w);
        out.position[3] = float(w);
        out.uv[0] = float(u);
        out.uv[1] = float(v);
        return out;
    }
};

// A rectangle's corners in strip order: (minX, minY), (maxX, minY), (minX, maxY), (maxX, maxY).
std::array<Point, 4> corners(const Rect& r)
{
    return {Point{r.minX(), r.minY()}, Point{r.maxX(), r.minY()}, Point{r.minX(), r.maxY()}, Point{r.maxX(), r.maxY()}};
}

// Texture coordinates of R inside a picture of P, in corner order.
std::array<Point, 4> uvOf(const Rect& r, const Rect& picture)
{
    std::array<Point, 4> out = corners(r);
    for (Point& p : out)
        p = {(p.x - picture.minX()) / picture.width(), (p.y - picture.minY()) / picture.height()};
    return out;
}

const std::array<Point, 4> kWholeUv = {Point{0, 0}, Point{1, 0}, Point{0, 1}, Point{1, 1}};

CardDraw quad(const Camera& camera, const std::array<Point3, 4>& p, const std::array<Point, 4>& uv, float shade,
              float alpha, float mode, std::optional<int> texture, bool depth)
{
    CardDraw draw{texture, {}, depth};
    for (int i = 0; i < 4; ++i) {
        draw.vertices[i] = camera.vertex(p[i], uv[i].x, uv[i].y);
        draw.vertices[i].shade = shade;
        draw.vertices[i].alpha = alpha;
        draw.vertices[i].mode = mode;
    }
    return draw;
}

// The incoming card's corners at this frame, before projection.
std::array<Point3, 4> incomingCorners(const CardShuffleScene::Incoming& card, double b, double e1, double e2,
                                      double base, double distance)
{
    const Rect moved = card.frame.offsetBy(b * (card.out.minX() - card.frame.minX()),
                                           b * (card.out.minY() - card.frame.minY()));
    const double h = card.frame.minX() <= card.out.minX() ? moved.minX() : moved.maxX();
    const double theta = b * pi / 30 * (1 - e2);
    const double z0 = (base + e1 * (0.012 * distance * b - base)) * (1 - e2);
    std::array<Point3, 4> out{};
    const auto c = corners(moved);
    for (int i = 0; i < 4; ++i)
        out[i] = {h + std::cos(theta) * (c[i].x - h), c[i].y, z0 + std::sin(theta) * std::abs(c[i].x - h)};
    return out;
}

} // namespace

int CardShuffle::direction() const
{
    int d = 0;
    for (const auto& card : scene.incoming) {
        const int own = card.frame.minX() <= card.out.minX() ? 1 : -1;
        if (d != 0 && own != d)
            return 0;
        d = own;
    }
    return d;
}

std::vector<CardDraw> CardShuffle::drawList(double t) const
{
    using namespace cardCurves;
    const Rect& slot = scene.slot;
    const double distance = 2.4 * std::max(slot.width(), slot.height());
    const Camera camera{scene.area, Point{slot.midX(), slot.midY()}, distance};
    const double b = bump(t), L = lift(t), e1 = rise(t), e2 = settle(t);
    const int d = direction();
    const double sunk = -0.1 * distance * L - 2;
    const int beneathCount = int(scene.beneath.size()), incomingCount = int(scene.incoming.size());
    std::vector<CardDraw> out;

    for (int i = 0; i < beneathCount; ++i) {
        const Rect clipped = scene.beneath[i].intersection(slot);
        if (clipped.isEmpty() || clipped.width() < 1 || clipped.height() < 1)
            continue;
        std::array<Point3, 4> p{};
        const auto c = corners(clipped);
        for (int k = 0; k < 4; ++k)
            p[k] = {c[k].x, c[k].y, 0};
        out.push_back(quad(camera, p, uvOf(clipped, scene.beneath[i]), 1, 1, 0, i, false));
    }

    const double hx = d < 0 ? slot.maxX() : slot.minX(), hy = slot.maxY();
    const double A = L * pi / 10 * std::abs(d), C = L * 7 * pi / 180;
    for (std::size_t i = 0; i < scene.leaving.size(); ++i) {
        const auto& card = scene.leaving[i];
        // A window that does not reach into the slot has nothing to sink.
        if (card.piece.isEmpty() || card.frame.isEmpty())
            continue;
        std::array<Point3, 4> p{};
        const auto c = corners(card.piece);
        for (int k = 0; k < 4; ++k)
            p[k] = {hx + std::cos(A) * (c[k].x - hx), hy - std::cos(C) * (hy - c[k].y),
                    sunk - std::sin(A) * std::abs(c[k].x - hx) - std::sin(C) * (hy - c[k].y)};
        out.push_back(quad(camera, p, uvOf(card.piece, card.frame), float(1 - 0.25 * L), 1, 0,
                           beneathCount + incomingCount + int(i), true));
    }

    const double base = sunk - 0.05 * distance;
    const double shadowAlpha = 0.32 * e1 * (1 - e2);
    if (e1 * (1 - e2) > 0.01) {
        for (const auto& card : scene.incoming) {
            const double s = 0.04 * std::max(card.frame.width(), card.frame.height());
            const double down = 0.012 * card.frame.height();
            const auto q = incomingCorners(card, b, e1, e2, base, distance);
            const Point grow[4] = {{-s, -s}, {s, -s}, {-s, s}, {s, s}};
            std::array<Point3, 4> p{};
            for (int k = 0; k < 4; ++k)
                p[k] = {q[k].x + grow[k].x, q[k].y + grow[k].y + down, sunk};
            out.push_back(quad(camera, p, kWholeUv, 1, float(shadowAlpha), 1, std::nullopt, false));
        }
    }

    for (int i = 0; i < incomingCount; ++i) {
        const auto p = incomingCorners(scene.incoming[i], b, e1, e2, base, distance);
        out.push_back(quad(camera, p, kWholeUv, 1, 1, 0, beneathCount + i, true));
    }
    return out;
}

} // namespace fw
