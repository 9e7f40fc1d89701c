#pragma once
// Region trees: a display divided into numbered regions by a tree of two-way splits.
// Trees are immutable values; copies share their subtrees.
//
// Geometry is in top-left coordinates (y grows downward), so the first child of a
// vertical split is the upper one. Unit rectangles live in the unit square (0, 0, 1, 1).

#include "base/Geometry.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

using RegionNumber = std::int64_t;

// The result of decoding: a value, or the text of the error that stopped it.
template<typename T>
class Decoded {
public:
    static Decoded success(T value)
    {
        Decoded d;
        d.value_.emplace(std::move(value));
        return d;
    }
    static Decoded failure(QString error)
    {
        Decoded d;
        d.error_ = std::move(error);
        return d;
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    // Empty when ok().
    const QString& error() const { return error_; }

private:
    Decoded() = default;
    std::optional<T> value_;
    QString error_;
};

enum class SplitAxis {
    horizontal, // children side by side; the first is on the left and takes width × ratio
    vertical,   // children stacked; the first is on top and takes height × ratio
};

// "horizontal" / "vertical".
QString rawValue(SplitAxis axis);
std::optional<SplitAxis> splitAxisFromRawValue(const QString& raw);
QJsonValue toJson(SplitAxis axis);
Decoded<SplitAxis> decodeSplitAxis(const QJsonValue& json);

// The two child rectangles (first, second) of a rectangle split along an axis at a ratio.
std::pair<Rect, Rect> divide(SplitAxis axis, const Rect& rect, double ratio);

enum class RegionEdge { left, right, top, bottom };

// A divider path: the choices from the root to a split (false = first child, true = second
// child); empty for the root split.
using DividerPath = std::vector<bool>;

class RegionTree {
public:
    // One divider of a tree laid out in a rectangle.
    struct Divider {
        DividerPath path;
        SplitAxis axis = SplitAxis::horizontal;
        Rect container; // the rectangle the split divides
        double position = 0; // x for a horizontal split, y for a vertical one

        friend bool operator==(const Divider&, const Divider&) = default;
    };

    // leaf(0).
    RegionTree();
    static RegionTree leaf(RegionNumber region);
    static RegionTree split(SplitAxis axis, double ratio, RegionTree first, RegionTree second);

    bool isLeaf() const;
    bool isSplit() const { return !isLeaf(); }
    // Leaf payload; 0 for a split.
    RegionNumber region() const;
    // Split payload; a leaf answers horizontal, 0 and itself.
    SplitAxis axis() const;
    double ratio() const;
    const RegionTree& first() const;
    const RegionTree& second() const;

    // The numbers of the leaves in tree order (first child before second).
    std::vector<RegionNumber> regionNumbers() const;
    bool containsRegion(RegionNumber region) const;

    // Leaves 0…15, ratios finite within [0.08, 0.92], no number on both sides of a split.
    bool isValid() const;

    // Exact: same shape, axes, leaf numbers, and ratios equal as doubles.
    friend bool operator==(const RegionTree& a, const RegionTree& b);

    // Every leaf carrying the number replaced by the subtree.
    RegionTree replacing(RegionNumber region, const RegionTree& with) const;
    // The first split (pre-order) whose children are both leaves, one of them the number,
    // collapsed into leaf(number). Nothing for a leaf or when no such split exists.
    std::optional<RegionTree> mergingPair(RegionNumber of) const;

    // --- Geometry ---

    // Region number → rectangle; on a repeated number the leaf met first wins.
    std::map<RegionNumber, Rect> unitRects(const Rect& in) const;
    // Window frames of every region inside a visible frame, `gap` pixels apart and from the
    // edges, with edges snapped outward to whole pixels.
    std::map<RegionNumber, Rect> frames(const Rect& in, double gap) const;
    // The dividers laid out in a rectangle, in pre-order.
    std::vector<Divider> dividers(const Rect& in) const;

    // --- Divider moves (positions and sizes in the coordinates of the given rectangle) ---

    // The smallest size in which every region reaches `regionMinimum` at the current ratios.
    Size minimumSize(const Size& regionMinimum) const;
    // The ratio of the split at the path replaced, unchecked.
    RegionTree settingRatio(const DividerPath& path, double ratio) const;
    // Moves a divider, carrying the dividers inside its children along proportionally;
    // clamped so both children keep their minimum size and the ratio stays in [0.08, 0.92].
    RegionTree movingDividerProportionally(const DividerPath& path, double position, const Rect& in,
                                           const Size& minimumSize) const;
    // This subtree, which occupied `from`, laid into `to` with every inner divider kept at its
    // absolute position; nothing when a region would fall below the minimum or a ratio out of
    // range.
    std::optional<RegionTree> refitted(const Rect& from, const Rect& to, const Size& minimumSize) const;
    // Moves one divider as close to the position as the minimum sizes allow while every other
    // divider keeps its absolute place; unchanged when no move is possible.
    RegionTree settingDivider(const DividerPath& path, double position, const Rect& in,
                              const Size& minimumSize) const;
    // Moves the divider on the given edge of a region (all in the unit square, minimum size as
    // fractions); unchanged when that edge has no divider.
    RegionTree moveDivider(RegionNumber of, RegionEdge edge, double to, const Size& minimumSize) const;
    // The divider at the path put at exactly 50/50 (unit square); nothing when the minimum
    // sizes do not allow it or there is no such divider.
    std::optional<RegionTree> equalizingDivider(const DividerPath& path, const Size& minimumSize) const;

    // --- JSON: {"leaf":{"_0":3}}, {"split":{"_0":"horizontal","_1":0.5,"_2":…,"_3":…}} ---

    QJsonObject toJson() const;
    // Does not check validity.
    static Decoded<RegionTree> fromJson(const QJsonValue& json);

    // Compact text for diagnostics and test output: "split(h, 0.5, 0, leaf…)".
    QString description() const;

private:
    struct Node;
    explicit RegionTree(std::shared_ptr<const Node> node);
    std::shared_ptr<const Node> node_;
};

// The smallest key of a map keyed by region number; nothing for an empty map.
template<typename V>
std::optional<RegionNumber> lowestRegion(const std::map<RegionNumber, V>& regions)
{
    if (regions.empty())
        return std::nullopt;
    return regions.begin()->first;
}

} // namespace fw
