// Randomized invariant checks for the layout model: fixed seeds, thousands of generated trees,
// displays, divider drags, editor sessions and store sessions. A failure names its case number
// and the tree, so it can be replayed with the same seed.

#include "TreeBuilders.h"
#include "base/UserDefaults.h"
#include "layout/CustomLayoutDraft.h"
#include "layout/LayoutArchive.h"
#include "layout/LayoutStore.h"
#include "layout/SnapLayout.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>

using namespace fw;

namespace {

const Rect kUnit(0, 0, 1, 1);

class Gen {
public:
    explicit Gen(unsigned seed) : rng_(seed) {}

    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    bool chance(double p) { return real(0, 1) < p; }

    double ratio()
    {
        switch (integer(0, 5)) {
        case 0: return 0.08;
        case 1: return 0.92;
        case 2: return 0.5;
        case 3: return 1.0 / 3.0;
        default: return real(0.08, 0.92);
        }
    }
    SplitAxis axis() { return chance(0.5) ? SplitAxis::horizontal : SplitAxis::vertical; }

    // A valid tree with 1…16 leaves, distinct numbers from 0…15 in random order; sometimes a
    // chain as deep as the limits allow.
    RegionTree tree(int maxLeaves = 16)
    {
        std::vector<RegionNumber> numbers(16);
        std::iota(numbers.begin(), numbers.end(), 0);
        std::shuffle(numbers.begin(), numbers.end(), rng_);
        const int n = chance(0.2) ? maxLeaves : integer(1, maxLeaves);
        numbers.resize(size_t(n));
        if (chance(0.15))
            return chain(numbers, 0);
        return build(numbers, 0, numbers.size());
    }

    // A display's visible frame: tiny to huge, at the origin, off it, or at negative coordinates.
    Rect display()
    {
        const double w = chance(0.1) ? integer(1, 40) : integer(200, 20000);
        const double h = chance(0.1) ? integer(1, 40) : integer(200, 12000);
        double x = 0, y = 0;
        switch (integer(0, 3)) {
        case 0: break;
        case 1: x = integer(-8000, 8000); y = integer(-5000, 5000); break;
        case 2: x = -w; y = integer(-3000, 0); break;
        default: x = integer(0, 5000); y = 25; break;
        }
        return Rect(x, y, w, h);
    }

    std::mt19937& engine() { return rng_; }

private:
    RegionTree build(const std::vector<RegionNumber>& numbers, size_t lo, size_t hi)
    {
        if (hi - lo == 1)
            return L(numbers[lo]);
        const size_t mid = size_t(integer(int(lo) + 1, int(hi) - 1));
        return RegionTree::split(axis(), ratio(), build(numbers, lo, mid), build(numbers, mid, hi));
    }
    RegionTree chain(const std::vector<RegionNumber>& numbers, size_t at)
    {
        if (at + 1 == numbers.size())
            return L(numbers[at]);
        RegionTree rest = chain(numbers, at + 1);
        if (chance(0.5))
            return RegionTree::split(axis(), ratio(), L(numbers[at]), rest);
        return RegionTree::split(axis(), ratio(), rest, L(numbers[at]));
    }

    std::mt19937 rng_;
};

std::string show(const RegionTree& t) { return t.description().toStdString(); }

double overlapArea(const Rect& a, const Rect& b)
{
    const double w = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    const double h = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    return w > 0 && h > 0 ? w * h : 0;
}

std::set<RegionNumber> regionSet(const RegionTree& t)
{
    const auto v = t.regionNumbers();
    return {v.begin(), v.end()};
}

// Same shape, axes and numbers; ratios may differ.
bool sameShape(const RegionTree& a, const RegionTree& b)
{
    if (a.isLeaf() || b.isLeaf())
        return a.isLeaf() && b.isLeaf() && a.region() == b.region();
    return a.axis() == b.axis() && sameShape(a.first(), b.first()) && sameShape(a.second(), b.second());
}

const RegionTree* subtreeAt(const RegionTree& t, const DividerPath& path)
{
    const RegionTree* node = &t;
    for (bool second : path)
        node = second ? &node->second() : &node->first();
    return node;
}

double extentAlong(SplitAxis axis, const Rect& r) { return axis == SplitAxis::horizontal ? r.width() : r.height(); }
double alongSize(SplitAxis axis, const Size& s) { return axis == SplitAxis::horizontal ? s.width : s.height; }

std::optional<RegionTree::Divider> dividerAt(const RegionTree& t, const DividerPath& path)
{
    for (const auto& d : t.dividers(kUnit)) {
        if (d.path == path)
            return d;
    }
    return std::nullopt;
}

} // namespace

// Frames: one per region, whole points, inside the display, covering their exact rectangles,
// and apart from each other; unit rectangles tile the unit square; dividers lie on the shared
// edges of the regions they separate.
TEST(LayoutInvariants, GeometryOfEveryTree)
{
    Gen gen(20240601);
    for (int c = 0; c < 3000; ++c) {
        const RegionTree t = gen.tree();
        const Rect display = gen.display();
        const double gap = c % 4 == 0 ? gen.integer(2, 24) : 8;
        SCOPED_TRACE(testing::Message() << "case " << c << " tree " << show(t) << " in "
                                        << toString(display).toStdString() << " gap " << gap);
        ASSERT_TRUE(t.isValid());

        const auto units = t.unitRects(kUnit);
        ASSERT_EQ(units.size(), t.regionNumbers().size());
        double area = 0;
        for (const auto& [n, u] : units) {
            EXPECT_GT(u.width(), 0);
            EXPECT_GT(u.height(), 0);
            EXPECT_GE(u.minX(), -1e-12);
            EXPECT_GE(u.minY(), -1e-12);
            EXPECT_LE(u.maxX(), 1 + 1e-12);
            EXPECT_LE(u.maxY(), 1 + 1e-12);
            area += u.width() * u.height();
            for (const auto& [m, v] : units) {
                if (m > n) {
                    EXPECT_LT(overlapArea(u, v), 1e-12) << n << " and " << m;
                }
            }
        }
        EXPECT_NEAR(area, 1.0, 1e-9);

        const auto frames = t.frames(display, gap);
        ASSERT_EQ(frames.size(), units.size());
        const double h = gap / 2;
        const bool roomy = display.width() >= 64 && display.height() >= 64;
        for (const auto& [n, f] : frames) {
            ASSERT_TRUE(units.count(n));
            ASSERT_TRUE(f.isFinite());
            for (double e : {f.minX(), f.minY(), f.maxX(), f.maxY()})
                EXPECT_EQ(e, std::round(e)) << "region " << n;
            EXPECT_GE(f.width(), 0);
            EXPECT_GE(f.height(), 0);
            if (display.width() > gap + 1 && display.height() > gap + 1) {
                EXPECT_GE(f.minX(), display.minX()) << "region " << n;
                EXPECT_GE(f.minY(), display.minY()) << "region " << n;
                EXPECT_LE(f.maxX(), display.maxX()) << "region " << n;
                EXPECT_LE(f.maxY(), display.maxY()) << "region " << n;
            }
            // The exact frame: the unit rectangle scaled into the outer inset, inset again.
            const Rect& u = units.at(n);
            const double ow = display.width() - gap, oh = display.height() - gap;
            const double ex0 = display.minX() + h + u.minX() * ow + h, ex1 = display.minX() + h + u.maxX() * ow - h;
            const double ey0 = display.minY() + h + u.minY() * oh + h, ey1 = display.minY() + h + u.maxY() * oh - h;
            if (roomy && ex1 > ex0 && ey1 > ey0) {
                EXPECT_LE(f.minX(), ex0 + 1e-6) << "region " << n;
                EXPECT_LE(f.minY(), ey0 + 1e-6) << "region " << n;
                EXPECT_GE(f.maxX(), ex1 - 1e-6) << "region " << n;
                EXPECT_GE(f.maxY(), ey1 - 1e-6) << "region " << n;
                EXPECT_LT(ex0 - f.minX(), 1.0);
                EXPECT_LT(f.maxX() - ex1, 1.0);
            }
            for (const auto& [m, g] : frames) {
                if (m <= n)
                    continue;
                // Frames narrower than a point (regions smaller than the gap) may share it.
                const bool degenerate = std::min({f.width(), f.height(), g.width(), g.height()}) <= 1;
                if (!degenerate) {
                    EXPECT_EQ(overlapArea(f, g), 0) << n << " " << toString(f).toStdString() << " and " << m
                                                    << " " << toString(g).toStdString();
                }
            }
        }

        const auto dividers = t.dividers(kUnit);
        ASSERT_EQ(dividers.size() + 1, units.size());
        for (const auto& d : dividers) {
            const RegionTree* s = subtreeAt(t, d.path);
            ASSERT_TRUE(s->isSplit());
            EXPECT_EQ(s->axis(), d.axis);
            const bool upright = d.axis == SplitAxis::horizontal;
            const double lo = upright ? d.container.minX() : d.container.minY();
            const double hi = upright ? d.container.maxX() : d.container.maxY();
            EXPECT_GT(d.position, lo);
            EXPECT_LT(d.position, hi);
            // The first child's regions end on the divider, the second's begin there, and at
            // least one on each side touches it.
            int touchingFirst = 0, touchingSecond = 0;
            for (RegionNumber n : s->first().regionNumbers()) {
                const Rect& u = units.at(n);
                const double end = upright ? u.maxX() : u.maxY();
                EXPECT_LE(end, d.position + 1e-12);
                touchingFirst += std::abs(end - d.position) < 1e-12;
            }
            for (RegionNumber n : s->second().regionNumbers()) {
                const Rect& u = units.at(n);
                const double start = upright ? u.minX() : u.minY();
                EXPECT_GE(start, d.position - 1e-12);
                touchingSecond += std::abs(start - d.position) < 1e-12;
            }
            EXPECT_GT(touchingFirst, 0);
            EXPECT_GT(touchingSecond, 0);
        }
    }
}

// Every divider operation gives a valid tree of the same shape; a drag moves only its own
// divider (toward the pointer, never past it) and never pushes a region below the minimum it
// already had; 50/50 succeeds exactly when both halves have room.
TEST(LayoutInvariants, DividerOperationsKeepTreesSound)
{
    Gen gen(7771);
    for (int c = 0; c < 2500; ++c) {
        const RegionTree t = gen.tree();
        const auto dividers = t.dividers(kUnit);
        const Size minimum = gen.chance(0.3) ? Size{0, 0} : Size{gen.real(0, 0.3), gen.real(0, 0.3)};
        const double position = gen.chance(0.1) ? gen.real(-0.5, 1.5) : gen.real(0, 1);
        SCOPED_TRACE(testing::Message() << "case " << c << " tree " << show(t) << " minimum {" << minimum.width
                                        << ", " << minimum.height << "} position " << position);
        if (dividers.empty()) {
            EXPECT_EQ(t.settingDivider({}, position, kUnit, minimum), t);
            continue;
        }
        const auto& d = dividers[size_t(gen.integer(0, int(dividers.size()) - 1))];
        const RegionTree* s = subtreeAt(t, d.path);
        const auto before = t.unitRects(kUnit);

        // settingDivider
        const RegionTree moved = t.settingDivider(d.path, position, kUnit, minimum);
        ASSERT_TRUE(moved.isValid()) << show(moved);
        ASSERT_TRUE(sameShape(moved, t)) << show(moved);
        const auto newDivider = dividerAt(moved, d.path);
        ASSERT_TRUE(newDivider);
        // The divider ends between where it was and the pointer (kept inside 8 %…92 %).
        const double start = d.axis == SplitAxis::horizontal ? d.container.minX() : d.container.minY();
        const double ext = extentAlong(d.axis, d.container);
        const double goal = std::clamp(position, start + 0.08 * ext, start + 0.92 * ext);
        EXPECT_GE(newDivider->position, std::min(d.position, goal) - 1e-9) << "moved past the pointer";
        EXPECT_LE(newDivider->position, std::max(d.position, goal) + 1e-9) << "moved past the pointer";
        // Every other divider keeps its absolute place (outside the subtree they keep their
        // container too).
        for (const auto& other : dividers) {
            if (other.path == d.path)
                continue;
            const auto now = dividerAt(moved, other.path);
            ASSERT_TRUE(now);
            EXPECT_NEAR(now->position, other.position, 1e-9) << "divider at depth " << other.path.size();
        }
        // No region shrinks below the minimum, and one already below it does not shrink.
        const auto after = moved.unitRects(kUnit);
        for (const auto& [n, u] : after) {
            const Rect& b = before.at(n);
            EXPECT_GE(u.width(), std::min(minimum.width, b.width()) - 1e-9) << "region " << n;
            EXPECT_GE(u.height(), std::min(minimum.height, b.height()) - 1e-9) << "region " << n;
        }

        // moveDivider on a random edge of a random region
        const auto regions = t.regionNumbers();
        const RegionNumber r = regions[size_t(gen.integer(0, int(regions.size()) - 1))];
        const auto edge = RegionEdge(gen.integer(0, 3));
        const RegionTree edged = t.moveDivider(r, edge, position, minimum);
        ASSERT_TRUE(edged.isValid()) << show(edged);
        ASSERT_TRUE(sameShape(edged, t));
        if (!(edged == t)) {
            const Rect ru = before.at(r);
            const Rect nu = edged.unitRects(kUnit).at(r); // a copy: the map is a temporary
            const double e0 = edge == RegionEdge::left ? ru.minX() : edge == RegionEdge::right ? ru.maxX()
                : edge == RegionEdge::top ? ru.minY() : ru.maxY();
            const double e1 = edge == RegionEdge::left ? nu.minX() : edge == RegionEdge::right ? nu.maxX()
                : edge == RegionEdge::top ? nu.minY() : nu.maxY();
            EXPECT_LE(std::abs(e1 - position), std::abs(e0 - position) + 1e-9) << "edge moved away";
        }

        // Proportional move: valid, same shape, both children keep their minimum along the axis
        // whenever that is possible at all.
        const RegionTree prop = t.movingDividerProportionally(d.path, position, kUnit, minimum);
        ASSERT_TRUE(prop.isValid()) << show(prop);
        ASSERT_TRUE(sameShape(prop, t));
        const double extent = extentAlong(d.axis, d.container);
        const double f = alongSize(d.axis, s->first().minimumSize(minimum));
        const double g = alongSize(d.axis, s->second().minimumSize(minimum));
        const RegionTree* ps = subtreeAt(prop, d.path);
        if (std::max(f / extent, 0.08) <= std::min(1 - g / extent, 0.92)) {
            EXPECT_GE(ps->ratio() * extent, f - 1e-9);
            EXPECT_GE((1 - ps->ratio()) * extent, g - 1e-9);
        } else {
            EXPECT_EQ(prop, t);
        }

        // 50/50
        const auto equal = t.equalizingDivider(d.path, minimum);
        const bool room = 0.5 * extent >= f && 0.5 * extent >= g;
        const bool clearly = std::abs(0.5 * extent - f) > 1e-6 && std::abs(0.5 * extent - g) > 1e-6;
        // Without room the divider cannot move, which still counts as 50/50 when it is there.
        if (clearly && room) {
            EXPECT_TRUE(equal);
        }
        if (clearly && !room && equal) {
            const double mid = d.axis == SplitAxis::horizontal ? d.container.midX() : d.container.midY();
            EXPECT_LT(std::abs(d.position - mid), 1e-6);
        }
        if (equal) {
            EXPECT_TRUE(equal->isValid());
            EXPECT_EQ(subtreeAt(*equal, d.path)->ratio(), 0.5);
            EXPECT_EQ(*equal, t.settingRatio(d.path, 0.5));
        }
    }
}

// replacing and mergingPair keep trees valid; the editor's draft stays valid, keeps its
// selection on a region, and undo/redo walk exactly back and forth through the commits.
TEST(LayoutInvariants, EditsAndDraftHistory)
{
    Gen gen(424242);
    for (int c = 0; c < 300; ++c) {
        const RegionTree start = gen.tree(gen.integer(1, 6));
        CustomLayoutDraft draft(start, gen.integer(0, 15));
        std::vector<RegionTree> history{start}; // model: trees reachable by undo, current last
        std::vector<RegionTree> future;        // model: redo stack, next last
        for (int step = 0; step < 60; ++step) {
            SCOPED_TRACE(testing::Message() << "case " << c << " step " << step << " tree " << show(draft.tree));
            const RegionTree current = draft.tree;
            const auto regions = current.regionNumbers();
            const RegionNumber r = regions[size_t(gen.integer(0, int(regions.size()) - 1))];
            std::optional<RegionTree> next;
            switch (gen.integer(0, 6)) {
            case 0: { // replacing: split a region with a fresh number
                RegionNumber fresh = 0;
                while (fresh <= 15 && current.containsRegion(fresh))
                    ++fresh;
                if (fresh <= 15) {
                    next = current.replacing(r, RegionTree::split(gen.axis(), gen.ratio(), L(r), L(fresh)));
                    EXPECT_TRUE(next->isValid());
                    EXPECT_EQ(regionSet(*next).size(), regions.size() + 1);
                }
                break;
            }
            case 1: { // mergingPair
                next = current.mergingPair(r);
                if (next) {
                    EXPECT_TRUE(next->isValid());
                    EXPECT_TRUE(next->containsRegion(r));
                    EXPECT_EQ(regionSet(*next).size() + 1, regions.size());
                }
                break;
            }
            case 2: { // a divider drag
                const auto ds = current.dividers(kUnit);
                if (!ds.empty())
                    next = current.settingDivider(ds[size_t(gen.integer(0, int(ds.size()) - 1))].path,
                                                  gen.real(0, 1), kUnit, {0.05, 0.05});
                break;
            }
            case 3: {
                draft.selectedRegion = r;
                const auto before = draft;
                draft.split(gen.axis());
                if (!(draft.tree == before.tree)) {
                    EXPECT_EQ(draft.selectedRegion, r);
                    history.push_back(draft.tree);
                    future.clear();
                }
                break;
            }
            case 4: {
                const bool canUndo = !draft.undoTrees.empty();
                draft.undo();
                if (canUndo) {
                    future.push_back(history.back());
                    history.pop_back();
                }
                break;
            }
            case 5: {
                const bool canRedo = !draft.redoTrees.empty();
                draft.redo();
                if (canRedo) {
                    history.push_back(future.back());
                    future.pop_back();
                }
                break;
            }
            default: // an invalid tree changes nothing
                next = RegionTree::split(SplitAxis::horizontal, 0.5, L(r), L(r));
                break;
            }
            if (next) {
                const auto before = draft;
                draft.commit(*next);
                if (next->isValid() && !(*next == current)) {
                    history.push_back(*next);
                    future.clear();
                } else {
                    EXPECT_EQ(draft, before);
                }
            }
            // The model keeps the last 101 trees (100 to undo to, plus the current one).
            if (history.size() > CustomLayoutDraft::maxUndo + 1)
                history.erase(history.begin());

            ASSERT_TRUE(draft.tree.isValid());
            ASSERT_TRUE(draft.tree.containsRegion(draft.selectedRegion));
            ASSERT_LE(draft.undoTrees.size(), CustomLayoutDraft::maxUndo);
            ASSERT_EQ(draft.undoTrees.size() + 1, history.size());
            for (size_t i = 0; i < draft.undoTrees.size(); ++i)
                ASSERT_EQ(draft.undoTrees[i], history[i]);
            ASSERT_EQ(draft.tree, history.back());
            ASSERT_EQ(draft.redoTrees.size(), future.size());
            for (size_t i = 0; i < future.size(); ++i)
                ASSERT_EQ(draft.redoTrees[i], future[i]);
        }
    }
}

namespace {

SnapLayout randomLayout(Gen& gen, const QString& id)
{
    static const QStringList names{QStringLiteral("Work"), QStringLiteral("work"), QStringLiteral("  Pad  "),
                                   QStringLiteral("Ünïcödé ✓"), QStringLiteral("Code\u2013review"),
                                   QStringLiteral("e\u0301e\u0301"), QStringLiteral("🇸🇪 flag"),
                                   QString(60, QLatin1Char('x')), QString(59, QLatin1Char('y')) + QStringLiteral("é")};
    SnapLayout l{id, names[gen.integer(0, int(names.size()) - 1)], gen.tree(), std::nullopt};
    if (gen.chance(0.4)) {
        SnapLayout::AppMap apps;
        const int n = gen.integer(0, 3);
        for (int i = 0; i < n; ++i)
            apps[gen.integer(-2, 17)] = gen.chance(0.3) ? QStringList{}
                                                        : QStringList{QStringLiteral("org.app%1").arg(i),
                                                                      QStringLiteral("org.\"x\"")};
        l.apps = apps;
    }
    return l;
}

// The defaults as they would be after a trip through the file store's JSON text.
void reloadThroughText(const UserDefaults& from, MemoryDefaults& into)
{
    for (const QString& key : from.keys()) {
        const QJsonValue v = *from.value(key);
        const QJsonDocument doc = v.isArray() ? QJsonDocument(v.toArray()) : QJsonDocument(v.toObject());
        QJsonParseError error;
        const QJsonDocument back = QJsonDocument::fromJson(doc.toJson(QJsonDocument::Compact), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << key.toStdString();
        into.setValue(key, back.isArray() ? QJsonValue(back.array()) : QJsonValue(back.object()));
    }
}

} // namespace

// JSON coding and layout files: encode → decode is the identity (through text too), a file
// merged twice adds nothing the second time; damaged files are refused, never half-read.
TEST(LayoutInvariants, CodingRoundTrips)
{
    Gen gen(99001);
    for (int c = 0; c < 600; ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        const RegionTree t = gen.tree();
        const QByteArray text = QJsonDocument(t.toJson()).toJson(QJsonDocument::Compact);
        const auto back = RegionTree::fromJson(QJsonDocument::fromJson(text).object());
        ASSERT_TRUE(back) << back.error().toStdString();
        EXPECT_EQ(back.value(), t) << text.toStdString();

        const SnapLayout l = randomLayout(gen, QStringLiteral("user-%1").arg(c));
        const QByteArray ltext = QJsonDocument(l.toJson()).toJson(QJsonDocument::Compact);
        const auto lback = SnapLayout::fromJson(QJsonDocument::fromJson(ltext).object());
        ASSERT_TRUE(lback) << lback.error().toStdString();
        EXPECT_EQ(lback.value(), l) << ltext.toStdString();

        // A layout file of 1…6 layouts.
        std::vector<SnapLayout> layouts;
        const int n = gen.integer(1, 6);
        for (int i = 0; i < n; ++i)
            layouts.push_back(randomLayout(gen, QStringLiteral("user-x%1").arg(i)));
        const QByteArray file = LayoutArchive::encode(layouts);
        const auto imported = LayoutArchive::decode(file);
        ASSERT_EQ(imported.size(), layouts.size());
        for (size_t i = 0; i < imported.size(); ++i) {
            EXPECT_EQ(imported[i].tree, layouts[i].tree);
            EXPECT_EQ(imported[i].name, layouts[i].name.trimmed());
            EXPECT_FALSE(imported[i].apps);
            EXPECT_EQ(imported[i].id, LayoutArchive::importedId(imported[i].name, imported[i].tree));
        }
        EXPECT_EQ(LayoutArchive::decode(LayoutArchive::encode(imported)), imported);

        std::vector<SnapLayout> existing;
        for (int i = gen.integer(0, 3); i > 0; --i)
            existing.push_back(randomLayout(gen, QStringLiteral("user-e%1").arg(i)));
        if (gen.chance(0.3))
            existing.push_back(imported[0]);

        const auto once = LayoutArchive::merge(imported, existing);
        EXPECT_EQ(once.added + once.skipped, int(imported.size()));
        EXPECT_EQ(once.layouts.size(), existing.size() + size_t(once.added));
        std::set<QString> ids;
        for (const auto& m : once.layouts) {
            EXPECT_TRUE(m.tree.isValid());
            EXPECT_LE(LayoutArchive::characterCount(m.name), LayoutArchive::maxNameLength) << m.name.toStdString();
            ids.insert(m.id);
        }
        EXPECT_EQ(ids.size(), once.layouts.size()) << "ids not unique after a merge";
        const auto twice = LayoutArchive::merge(imported, once.layouts);
        EXPECT_EQ(twice.added, 0);
        EXPECT_EQ(twice.layouts, once.layouts);

        // A damaged file: one byte changed or the file cut short. Either a clean refusal or
        // layouts that keep every rule.
        QByteArray damaged = file;
        if (gen.chance(0.5))
            damaged[gen.integer(0, int(damaged.size()) - 1)] = char(gen.integer(32, 126));
        else
            damaged.truncate(gen.integer(0, int(damaged.size()) - 1));
        try {
            for (const auto& m : LayoutArchive::decode(damaged)) {
                EXPECT_TRUE(m.tree.isValid());
                EXPECT_TRUE(m.id.startsWith(QLatin1String("user-import-")));
                EXPECT_EQ(LayoutArchive::isValidName(m.name), m.name);
            }
        } catch (const LayoutArchive::ArchiveError&) {
        } catch (const LayoutArchive::JsonError&) {
        }
    }
}

// A random session of store operations never writes what a fresh store (even one read back
// through JSON text) would load differently.
TEST(LayoutInvariants, StoreWritesReloadToTheSameState)
{
    Gen gen(31337);
    const QStringList displays{QStringLiteral("37D8832A-2D66-02CA-B9F7-8F30A301B230"), QStringLiteral("DP-1"),
                               QStringLiteral(""), QStringLiteral("Écran \"intégré\"")};
    for (int session = 0; session < 12; ++session) {
        MemoryDefaults defaults;
        LayoutStore store(defaults);
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(testing::Message() << "session " << session << " step " << step);
            const QString display = displays[gen.integer(0, int(displays.size()) - 1)];
            const auto& builtIns = SnapLayout::builtIns();
            switch (gen.integer(0, 6)) {
            case 0: {
                SnapLayout l = builtIns[size_t(gen.integer(0, 7))];
                if (gen.chance(0.7))
                    l.tree = gen.tree();
                store.save(l, display);
                break;
            }
            case 1: {
                SnapLayout l = gen.chance(0.5) ? builtIns[size_t(gen.integer(0, 7))]
                                               : randomLayout(gen, QStringLiteral("user-%1").arg(gen.integer(0, 5)));
                store.setActive(l, display);
                break;
            }
            case 2:
                store.upsertCustom(randomLayout(gen, QStringLiteral("user-%1").arg(gen.integer(0, 5))), display);
                break;
            case 3:
                store.deleteCustom(QStringLiteral("user-%1").arg(gen.integer(0, 5)), display);
                break;
            case 4: {
                std::vector<SnapLayout> file{randomLayout(gen, QStringLiteral("user-f")),
                                             randomLayout(gen, QStringLiteral("user-g"))};
                store.importLayouts(LayoutArchive::decode(LayoutArchive::encode(file)), display);
                break;
            }
            case 5: {
                SnapLayout corner{LayoutStore::cornerCustomId(), LayoutStore::cornerCustomName(), gen.tree(),
                                  std::nullopt};
                store.save(corner, display);
                break;
            }
            default:
                if (gen.chance(0.3))
                    store.reset(display);
                break;
            }

            MemoryDefaults text;
            reloadThroughText(defaults, text);
            const LayoutStore fresh(defaults);
            const LayoutStore fromText(text);
            for (const QString& d : displays) {
                for (const LayoutStore* other : {&fresh, &fromText}) {
                    ASSERT_EQ(other->layouts(d), store.layouts(d));
                    ASSERT_EQ(other->customLayouts(d), store.customLayouts(d));
                    ASSERT_EQ(other->activeLayout(d), store.activeLayout(d));
                    ASSERT_EQ(other->menuLayouts(d), store.menuLayouts(d));
                    ASSERT_EQ(other->choices(d), store.choices(d));
                }
                for (const auto& l : store.layouts(d))
                    ASSERT_TRUE(l.tree.isValid());
            }
        }
    }
}
