#pragma once
// What a drop onto a placed window or a region does, the tile menu that offers those drops
// (its layout and hit test), and the plan of a column fill. Plain values of the coordinator
// that the menu view draws. Frames are in global top-left device pixels.

#include "base/Geometry.h"
#include "layout/RegionTree.h"
#include "layout/SnapLayout.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace fw {

// The text and symbol name of one tile.
struct TileText {
    QString title;
    QString symbol;
    friend bool operator==(const TileText&, const TileText&) = default;
};

struct RegionDropIntent {
    enum class Kind { swap, split, splitSide, place, fillColumn, choose, putBack };

    Kind kind = Kind::place;
    RegionNumber region = 0;
    // split: true = the new window goes on top; splitSide: true = on the left. Unused (false)
    // by the other kinds, so it never makes two of them differ.
    bool side = false;

    static RegionDropIntent swap(RegionNumber r) { return {Kind::swap, r, false}; }
    static RegionDropIntent split(RegionNumber r, bool top) { return {Kind::split, r, top}; }
    static RegionDropIntent splitSide(RegionNumber r, bool left) { return {Kind::splitSide, r, left}; }
    static RegionDropIntent place(RegionNumber r) { return {Kind::place, r, false}; }
    static RegionDropIntent fillColumn(RegionNumber r) { return {Kind::fillColumn, r, false}; }
    static RegionDropIntent choose(RegionNumber r) { return {Kind::choose, r, false}; }
    static RegionDropIntent putBack(RegionNumber r) { return {Kind::putBack, r, false}; }

    bool hasSide() const { return kind == Kind::split || kind == Kind::splitSide; }

    // "Swap", "Top Half", "Add to Stack", … with their symbols; empty for choose, which is
    // never a tile.
    TileText defaultTitleAndSymbol() const;

    // Same case and region, and for split and splitSide the same side.
    friend bool operator==(const RegionDropIntent& a, const RegionDropIntent& b)
    {
        return a.kind == b.kind && a.region == b.region && (!a.hasSide() || a.side == b.side);
    }
};

} // namespace fw

// The case number, then the region, then the side for split and splitSide only.
template<>
struct std::hash<fw::RegionDropIntent> {
    std::size_t operator()(const fw::RegionDropIntent& i) const noexcept
    {
        std::size_t h = std::hash<int>{}(int(i.kind));
        h = h * 31 + std::hash<fw::RegionNumber>{}(i.region);
        return i.hasSide() ? h * 31 + std::size_t(i.side) : h;
    }
};

namespace fw {

struct DropActionMenu {
    // Tile measures in logical pixels: tiles of 112 × 92, 8 apart, 10 from the menu's edge;
    // on a display of scale s each takes s device pixels.
    static constexpr double tileWidth = 112;
    static constexpr double tileHeight = 92;
    static constexpr double tileGap = 8;
    static constexpr double margin = 10;

    struct Item {
        RegionDropIntent intent;
        QString title;  // the text under the symbol
        QString symbol; // name of the symbol drawn on the tile
        Rect frame;     // the tile, inside the menu's frame

        friend bool operator==(const Item&, const Item&) = default;
    };

    // Texts that replace an intent's default title and symbol.
    using TitleOverrides = std::unordered_map<RegionDropIntent, TileText>;

    std::vector<Item> items; // in tile order
    Rect frame;

    // One tile per intent, in order, centred on the target (not clamped to any display): one
    // row when the tiles fit the target's width, else two rows, each row centred. No intents
    // give an empty menu of 132 × 12 logical pixels. Frames in device pixels, the measures
    // above times the display's scale.
    static DropActionMenu centeredIn(const Rect& target, const std::vector<RegionDropIntent>& intents,
                                     const TitleOverrides& titles = {}, double scale = 1);
    // The intent of the tile whose centre is nearest to the point (the earlier on a tie),
    // margins and gaps included; nothing outside the menu's frame or in an empty menu.
    std::optional<RegionDropIntent> item(const Point& at) const;

    friend bool operator==(const DropActionMenu&, const DropActionMenu&) = default;
};

// The plan of a fillColumn drop: the layout after the merge, the merged region the dragged
// window fills, and the regions the merge replaces. A rejoined split also names its space
// (unit coordinates) and axis; a top-edge column fill has neither.
struct ColumnFill {
    SnapLayout layout;
    RegionNumber region = 0;
    std::set<RegionNumber> columnRegions;
    std::optional<Rect> space;
    std::optional<SplitAxis> axis;

    friend bool operator==(const ColumnFill&, const ColumnFill&) = default;
};

} // namespace fw
