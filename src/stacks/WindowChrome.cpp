// The title-bar reading built from the frame's top extent, the button layout and the title.
#include "stacks/WindowChrome.h"

#include "stacks/BadgeSpots.h"

#include <algorithm>

namespace fw::stacks {

WindowChrome titleBarChrome(double width, std::optional<double> barHeight, const TitleBarButtons& buttons,
                            const QString& title)
{
    WindowChrome out;
    if (!barHeight || *barHeight < 4 || width < 60)
        return out;
    const double h = *barHeight;
    const Rect bar(0, 0, width, h);
    const TitleBarEnds ends = titleBarEnds(bar, buttons);
    const auto addItems = [&](const Rect& end, int count) {
        for (int i = 0; i < count; ++i)
            out.elements.push_back({Rect(end.minX() + i * h, 0, h, h), true});
    };
    addItems(ends.left, buttons.left);
    addItems(ends.right, buttons.right);
    const Rect& buttonEnd = buttons.buttonsLeft ? ends.left : ends.right;
    if (buttonEnd.width() > 0)
        out.titleBarButtons = buttonEnd;
    const QString text = title.trimmed();
    const double between = ends.right.minX() - ends.left.maxX();
    if (!text.isEmpty() && between > 0) {
        // Centred on the whole bar where the window manager is known to draw it so, kept
        // between the ends; elsewhere the text may stand anywhere between them.
        const double textWidth =
            buttons.titleCentred ? std::min(between, text.size() * kTitleCharWidth * h) : between;
        const double x = std::clamp(width / 2 - textWidth / 2, ends.left.maxX(), ends.right.minX() - textWidth);
        out.elements.push_back({Rect(x, 0, textWidth, h), true});
    }
    return out;
}

} // namespace fw::stacks
