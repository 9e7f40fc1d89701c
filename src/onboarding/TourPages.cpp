// The tour's page contents and page dots.
#include "onboarding/TourPages.h"

#include <QStringList>

#include <algorithm>

namespace fw {

QString accessibilityLabel(TourArtKind kind)
{
    switch (kind) {
    case TourArtKind::dropMenu:
        return QStringLiteral("A window dragged over a placed window, with the tiles Add to Stack, Left Half, "
                              "Right Half, Top Half, Bottom Half and Swap.");
    case TourArtKind::stack:
        return QStringLiteral("Three stacked windows with the badge of the apps behind on the front window’s left "
                              "edge, and the switcher’s row of window cards.");
    case TourArtKind::span:
        return QStringLiteral("One window spanning two of three columns, with Super held.");
    case TourArtKind::layouts:
        return QStringLiteral("A layout with an app in each region, and Ctrl+Alt+1, 2 and 3 switching between layouts.");
    case TourArtKind::shortcuts:
        return QStringLiteral("Keyboard shortcuts and a mouse with middle and side buttons.");
    }
    return {};
}

std::array<TourPage, tourPageCount> tourPages(const CommandShortcuts* shortcuts)
{
    const QString sendBack = shortcutLabel(shortcuts, kSendToBackCommand);
    const QString stackKey = shortcutLabel(shortcuts, kStackCommand);
    const QString layoutKeys = layoutKeysLabel(shortcuts);
    return {{
        {u"Drop windows into place"_qs,
         u"Drag a window to the top center of a display and drop it into a region of a layout. Once windows are "
         "placed, drag another onto one of them and pick from the tiles: add it to the stack, take a half, rejoin a "
         "split, or swap."_qs,
         TourArtKind::dropMenu, u"Show the Layouts"_qs},
        {u"Stack windows in one spot"_qs,
         // The hover spot is the middle of the title bar's buttons, at whichever end the window
         // manager draws them; the key works where there is no title bar.
         u"Windows that share a region form a stack. The badge on the front window shows what’s behind it; click "
         "an icon to switch. Rest the pointer on the middle of the front window’s title-bar buttons"_qs
             + (stackKey.isEmpty() ? QString() : u" or press "_qs + stackKey)
             + u" for the full switcher, then scroll to flip through."_qs,
         TourArtKind::stack, u"Open This Window’s Stack"_qs},
        {u"Span across regions"_qs,
         // Super only once the edge moves: some window managers move the window on a Super+press.
         u"Start dragging a window’s edge, then hold Super as you pull it across its neighbors: it covers whole "
         "regions. The windows underneath stay stacked behind it"_qs
             + (sendBack.isEmpty() ? QString() : u"; "_qs + sendBack + u" sends the span to the back"_qs) + u'.',
         TourArtKind::span, std::nullopt},
        {u"Your layouts, with their apps"_qs,
         u"Design layouts for the parts of your day and choose the apps that live in each spot. Applying one opens "
         "and places them; "_qs
             + (layoutKeys.isEmpty() ? u"Switch Layout switches"_qs : layoutKeys + u" switch"_qs)
             + u" between your layouts."_qs,
         TourArtKind::layouts, u"Create a Layout…"_qs},
        {u"Keys and mouse buttons"_qs,
         // No mouse button is bound until the user gives one: the example says so.
         u"Every action has a keyboard shortcut you can change, and any of them can take your mouse’s middle or "
         "side button instead — give the window stack the middle button, and a middle-click on a stacked window "
         "opens its stack."_qs,
         TourArtKind::shortcuts, u"Open Shortcuts…"_qs},
    }};
}

int clampTourPage(int index) { return std::clamp(index, 0, tourPageCount - 1); }

QString tourDots(int index)
{
    QStringList dots;
    for (int i = 0; i < tourPageCount; ++i)
        dots << (i == clampTourPage(index) ? QStringLiteral("●") : QStringLiteral("○"));
    return dots.join(u' ');
}

QString tourDotsLabel(int index)
{
    return QStringLiteral("Page %1 of %2").arg(clampTourPage(index) + 1).arg(tourPageCount);
}

} // namespace fw
