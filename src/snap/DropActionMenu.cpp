// Tile texts, the tile menu's layout (one or two centred rows of fixed tiles) and its hit test.
#include "snap/DropActionMenu.h"

#include <algorithm>
#include <cmath>

namespace fw {

TileText RegionDropIntent::defaultTitleAndSymbol() const
{
    switch (kind) {
    case Kind::swap:
        return {QStringLiteral("Swap"), QStringLiteral("arrow.left.arrow.right")};
    case Kind::split:
        return side ? TileText{QStringLiteral("Top Half"), QStringLiteral("rectangle.tophalf.inset.filled")}
                    : TileText{QStringLiteral("Bottom Half"), QStringLiteral("rectangle.bottomhalf.inset.filled")};
    case Kind::splitSide:
        return side ? TileText{QStringLiteral("Left Half"), QStringLiteral("rectangle.lefthalf.inset.filled")}
                    : TileText{QStringLiteral("Right Half"), QStringLiteral("rectangle.righthalf.inset.filled")};
    case Kind::place:
        return {QStringLiteral("Add to Stack"), QStringLiteral("square.stack")};
    case Kind::fillColumn:
        return {QStringLiteral("Whole Column"), QStringLiteral("rectangle.portrait.inset.filled")};
    case Kind::choose:
        return {};
    case Kind::putBack:
        return {QStringLiteral("Put Back"), QStringLiteral("arrow.uturn.backward")};
    }
    return {};
}

DropActionMenu DropActionMenu::centeredIn(const Rect& target, const std::vector<RegionDropIntent>& intents,
                                          const TitleOverrides& titles, double scale)
{
    // Device pixels: whole ones, so that the view's logical tiles land on the same edges.
    const double s = scale > 0 && std::isfinite(scale) ? scale : 1.0;
    const double tileW = std::round(tileWidth * s), tileH = std::round(tileHeight * s);
    const double gap = std::round(tileGap * s), edge = std::round(margin * s);
    const double pitchX = tileW + gap, pitchY = tileH + gap;
    const auto n = double(intents.size());
    // Columns that fit the target; kept as a double so that no width overflows an integer.
    const double fit = std::trunc((target.width() - 2 * edge + gap) / pitchX);
    double columns = n > std::max(fit, 1.0) ? std::ceil(n / 2) : n;
    columns = std::max(std::min(columns, n), 1.0);
    const double rows = std::ceil(n / columns);

    DropActionMenu menu;
    const double width = columns * tileW + (columns - 1) * gap + 2 * edge;
    const double height = rows * tileH + (rows - 1) * gap + 2 * edge;
    menu.frame = Rect(std::round(target.midX() - width / 2), std::round(target.midY() - height / 2), width, height);

    const auto c = std::size_t(columns);
    for (std::size_t i = 0; i < intents.size(); ++i) {
        const std::size_t row = i / c, column = i - row * c;
        const bool lastRow = row + 1 == std::size_t(rows);
        const double inRow = lastRow ? double(intents.size() - row * c) : columns;
        const double rowWidth = inRow * tileW + (inRow - 1) * gap;
        const Rect tile(std::round(menu.frame.midX() - rowWidth / 2 + double(column) * pitchX),
                        menu.frame.minY() + edge + double(row) * pitchY, tileW, tileH);
        const auto text = titles.find(intents[i]);
        const TileText t = text != titles.end() ? text->second : intents[i].defaultTitleAndSymbol();
        menu.items.push_back({intents[i], t.title, t.symbol, tile});
    }
    return menu;
}

std::optional<RegionDropIntent> DropActionMenu::item(const Point& at) const
{
    if (items.empty() || !frame.contains(at))
        return std::nullopt;
    const Item* nearest = nullptr;
    double best = 0;
    for (const Item& tile : items) {
        const double d = std::hypot(at.x - tile.frame.midX(), at.y - tile.frame.midY());
        if (!nearest || d < best) {
            nearest = &tile;
            best = d;
        }
    }
    return nearest->intent;
}

} // namespace fw
