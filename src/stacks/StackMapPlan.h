#pragma once
// The stack map of a span stack's switcher: a miniature of the span in which every covered
// region becomes a box at its place holding the cards of its windows, the span's own box
// across the top or in a column beside the map, "Other windows" below, and the place of the
// button that brings every covered window forward at once. Pure geometry and texts; boxes are
// in the switcher's scrolling content, origin top left, y downward.

#include "base/Geometry.h"
#include "stacks/StackModel.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace fw {

// A window card of the switcher and the spacing between cards.
inline constexpr double kMapCardWidth = 132;
inline constexpr double kMapCardHeight = 104;
inline constexpr double kMapCardGap = 8;

struct StackMapPlan {
    struct SectionBox {
        WindowStackSection section;
        Rect box;
        friend bool operator==(const SectionBox&, const SectionBox&) = default;
    };
    // The input of the box layout: one region section.
    struct RegionItem {
        int index = 0;          // position among the region sections
        Rect frame;             // the section's frame on screen
        int count = 0;          // its number of members
    };
    struct Boxes {
        std::vector<std::optional<Rect>> boxes;   // by region index
        double width = 0;
        double height = 0;
    };

    std::vector<SectionBox> sectionBoxes;    // the span section, the regions, "Other windows"
    double width = 0;
    double height = 0;
    std::optional<Rect> setBox; // where the window-set button goes

    // The plan for sections whose first has a frame; `withSetButton`: the switcher can bring
    // the covered windows forward.
    StackMapPlan(const std::vector<WindowStackSection>& sections, bool withSetButton);

    // The region boxes for the span frame, the map width kept within [minWidth, maxWidth]
    // before boxes that would overlap are pushed right.
    static Boxes make(const std::vector<RegionItem>& items, const Rect& span, double minWidth, double maxWidth);

    // The height of a box of this width holding this many cards.
    static double boxHeight(int cards, double width);
    // The card columns of a box of this width (at least 1).
    static int columns(double width);
    // The frames of a part's cards, in member order (one card for a section without members).
    static std::vector<Rect> cardFrames(const Rect& box, int count);
    // The title line of a box.
    static Rect titleFrame(const Rect& box);
    // The stretch text of the part at this position, or nothing for the span's own part.
    static std::optional<QString> stretchText(std::size_t partIndex, const QString& title);
};

// The texts of the button that brings the covered windows forward: one occupant per region.
struct WindowSetTexts {
    QString heading;
    QString detail;
    QString toolTip;
    QString accessibilityLabel;

    static WindowSetTexts make(const QStringList& occupantApps, const QStringList& spanApps);
};

// A region of the span as a unit rectangle of the span frame (origin top left).
Rect unitRectIn(const Rect& frame, const Rect& span);

} // namespace fw
