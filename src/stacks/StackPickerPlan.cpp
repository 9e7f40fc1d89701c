// The switcher's measures, laid out apart from the view so that the view only draws.
#include "stacks/StackPickerPlan.h"

#include "snap/ShortcutLabels.h"

#include <algorithm>

namespace fw {

namespace {

constexpr double kHeader = 40;
constexpr double kLayoutsRow = 36;

} // namespace

StackPickerPlan::StackPickerPlan(const Input& input)
{
    bottomMargin = input.previewsAllowed ? 12 : 48;
    layoutsRow = input.canChooseLayout && !input.layouts.empty() ? kLayoutsRow : 0;
    if (input.sections.size() >= 2 && input.sections.front().frame) {
        map.emplace(input.sections, input.canSendToBack);
        width = map->width + 24;
        contentHeight = map->height;
        visibleHeight = std::min(contentHeight, 720.0);
        for (std::size_t p = 0; p < map->sectionBoxes.size(); ++p) {
            const auto& part = map->sectionBoxes[p];
            sectionTitles.push_back({part.section.title, StackMapPlan::titleFrame(part.box)});
            const auto frames = StackMapPlan::cardFrames(part.box, int(part.section.members.size()));
            for (std::size_t j = 0; j < frames.size(); ++j)
                cards.push_back({part.section.members[j], frames[j], p});
        }
    } else {
        planGrid(input);
    }
    height = bottomMargin + visibleHeight + kHeader + layoutsRow;
    planLayouts(input);
}

void StackPickerPlan::planGrid(const Input& input)
{
    std::vector<WindowStackSection> grid = input.sections;
    const bool titled = !grid.empty();
    if (!titled)
        grid.push_back({QString(), input.members, std::nullopt});
    std::size_t largest = 0;
    for (const auto& s : grid)
        largest = std::max(largest, s.members.size());
    columns = int(std::min<std::size_t>(3, std::max<std::size_t>(largest, input.members.size() > 1 ? 2 : 1)));
    width = columns * gridCellWidth + 24;
    double y = 0;
    for (std::size_t p = 0; p < grid.size(); ++p) {
        const auto& section = grid[p];
        if (titled) {
            sectionTitles.push_back({section.title, Rect(4, y + 5, width - 40, 16)});
            y += 24;
        }
        const std::size_t c = std::size_t(columns);
        for (std::size_t j = 0; j < section.members.size(); ++j)
            cards.push_back({section.members[j],
                             Rect(double(j % c) * gridCellWidth + 2, y + double(j / c) * gridCellHeight + 4, 176, 142),
                             p});
        y += double((section.members.size() + c - 1) / c) * gridCellHeight;
    }
    contentHeight = y;
    visibleHeight = std::min(contentHeight, titled ? 522.0 : 450.0);
}

void StackPickerPlan::planLayouts(const Input& input)
{
    if (layoutsRow == 0)
        return;
    const double k = double(input.layouts.size());
    const double b = std::min(std::max((width - 16 - 74 - (k - 1) * 6) / k, 44.0), 120.0);
    for (std::size_t i = 0; i < input.layouts.size(); ++i) {
        const QString& name = input.layouts[i];
        const QString number = QString::number(i + 1);
        LayoutEntry choice;
        choice.active = input.activeLayout == int(i);
        choice.title = i < 9 ? number + u"  "_qs + name : name;
        if (choice.active)
            choice.toolTip = name + u" is in use"_qs;
        else if (const QString key = layoutKeyLabel(nullptr, i); !key.isEmpty())
            choice.toolTip = u"Switch to "_qs + name + u" ("_qs + key + u')';
        else
            choice.toolTip = u"Switch to "_qs + name;
        choice.frame = Rect((b + 6) * double(i) + 74, 38, b, 24);
        layoutChoices.push_back(choice);
    }
}

Rect StackPickerPlan::titleFrame() const { return Rect(16, 12, width - 130, 20); }
Rect StackPickerPlan::countFrame() const { return Rect(width - 50, 12, 32, 20); }
Rect StackPickerPlan::arrowFrame(int i) const { return Rect(width - 110 + i * 28, 10, 24, 24); }
Rect StackPickerPlan::layoutsLabelFrame() const { return Rect(16, 42, 54, 16); }
Rect StackPickerPlan::scrollFrame() const { return Rect(12, kHeader + layoutsRow, width - 24, visibleHeight); }
Rect StackPickerPlan::previewsButtonFrame() const { return Rect(12, height - 36, width - 24, 28); }

} // namespace fw
