#pragma once
// The tour's five pages: title, body, illustration and the title of the button that tries the
// feature, and the page dots. The window is TourWindowController (onboarding/qt).

#include "snap/ShortcutLabels.h"

#include <QString>

#include <array>
#include <optional>

namespace fw {

// The tour's illustrations, in page order.
enum class TourArtKind { dropMenu, stack, span, layouts, shortcuts };

// What the illustration of a kind shows, for assistive technology.
QString accessibilityLabel(TourArtKind kind);

struct TourPage {
    QString title;
    QString body;
    TourArtKind art;
    std::optional<QString> action;   // the "Try It" button's title; none: no button
};

inline constexpr int tourPageCount = 5;
// The pages, naming the keys `shortcuts` has working (the installed ones when null); a key
// that does not work is left out.
std::array<TourPage, tourPageCount> tourPages(const CommandShortcuts* shortcuts = nullptr);

// The index kept within the pages.
int clampTourPage(int index);
// "○ ● ○ ○ ○" for page 1, and its "Page 2 of 5".
QString tourDots(int index);
QString tourDotsLabel(int index);

} // namespace fw
