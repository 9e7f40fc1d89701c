#pragma once
// The measures of the stack switcher, decided apart from the view: its fixed size, the grid
// of cards grouped by section (or the stack map of a span stack), the Layouts row with its
// texts, and the places of the title, arrows, count, scrolling area and previews button. All
// frames are in the switcher's own coordinates with the origin at the top left; cards and
// section titles are in the scrolling content.

#include "base/Geometry.h"
#include "stacks/StackMapPlan.h"
#include "stacks/StackModel.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

struct StackPickerPlan {
    struct Input {
        std::vector<ManagedWindow> members;
        std::vector<WindowStackSection> sections;
        bool previewsAllowed = true;
        bool canSendToBack = false;
        std::vector<QString> layouts;   // offered only with a choose-layout action
        std::optional<int> activeLayout;
        bool canChooseLayout = false;
    };
    struct Card {
        ManagedWindow window;
        Rect frame;
        std::size_t part = 0;    // the map part (grid: the section) it belongs to
    };
    struct Label {
        QString text;
        Rect frame;
    };
    struct LayoutEntry {
        QString title;
        QString toolTip;         // also the accessibility label
        bool active = false;
        Rect frame;
    };

    double width = 0;
    double height = 0;
    double contentHeight = 0;    // of the scrolling content
    double visibleHeight = 0;
    double bottomMargin = 0;     // 12, or 48 with room for the previews button
    double layoutsRow = 0;       // 36 with a Layouts row
    int columns = 1;             // grid columns
    std::optional<StackMapPlan> map;

    std::vector<Card> cards;     // in order: numbers, Tab and arrow wrapping
    std::vector<Label> sectionTitles;
    std::vector<LayoutEntry> layoutChoices;

    Rect titleFrame() const;
    Rect countFrame() const;
    Rect arrowFrame(int i) const;          // 0: previous, 1: next
    Rect layoutsLabelFrame() const;
    Rect scrollFrame() const;
    Rect previewsButtonFrame() const;
    bool scrolls() const { return visibleHeight < contentHeight; }

    explicit StackPickerPlan(const Input& input);

    static constexpr double gridCellWidth = 184;
    static constexpr double gridCellHeight = 150;

private:
    void planGrid(const Input& input);
    void planLayouts(const Input& input);
};

} // namespace fw
