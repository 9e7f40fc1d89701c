#pragma once
// What saving and deleting from the custom layout editor do: the layout goes into (or out of)
// the display's custom layouts in the layout store and, for "Save & Apply", is placed on its
// display through the closure the shell installs. Each answer tells the editor whether to
// close; a refusal the user should hear about is reported in one line.

#include "layout/SnapLayout.h"
#include "platform/Screens.h"

#include <QString>
#include <functional>

namespace fw {

class LayoutStore;

class CustomLayoutActions {
public:
    CustomLayoutActions(LayoutStore& store, const Screens& screens) : store_(store), screens_(screens) {}

    // Installed by the shell. Whether a layout may be applied now (snapping not paused and
    // window control granted); unset means it may.
    std::function<bool()> canApply;
    // Places a saved layout on its display.
    std::function<void(const SnapLayout&, const ScreenInfo&)> apply;
    // Shows one line to the user.
    std::function<void(const QString&)> report;

    // Stores the layout for the display (and applies it when asked). True when it was stored.
    bool save(const SnapLayout& layout, bool applyNow, const QString& displayKey);
    // Deletes the layout's id from the display's custom layouts and tells it; a layout that is
    // no longer there is told so. True either way: the editor has nothing left to delete.
    bool remove(const SnapLayout& layout, const QString& displayKey);

    static QString applyBlockedMessage();
    static QString reconnectMessage();

private:
    void tell(const QString& text) const;

    LayoutStore& store_;
    const Screens& screens_;
};

} // namespace fw
