// Save, "Save & Apply" and delete from the custom layout editor: the layout store change, the apply
// closure, and the one-line message when the change is refused.
#include "editor/CustomLayoutActions.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"

#include <optional>

namespace fw {

QString CustomLayoutActions::applyBlockedMessage()
{
    return QStringLiteral("Resume snapping before applying a layout. You can still save it.");
}

QString CustomLayoutActions::reconnectMessage()
{
    return QStringLiteral("Reconnect the target display to apply. You can still save the layout.");
}

void CustomLayoutActions::tell(const QString& text) const
{
    if (report)
        report(text);
}

bool CustomLayoutActions::save(const SnapLayout& layout, bool applyNow, const QString& key)
{
    if (applyNow && canApply && !canApply()) {
        tell(applyBlockedMessage());
        return false;
    }
    std::optional<ScreenInfo> screen;
    for (const ScreenInfo& s : screens_.screens()) {
        if (displayKey(s) == key) {
            screen = s;
            break;
        }
    }
    if (applyNow && !screen) {
        tell(reconnectMessage());
        return false;
    }
    if (!store_.hasRoomFor(layout, key)) {
        tell(LayoutStore::fullMessage(screen ? screen->name : key));
        return false;
    }
    if (!store_.upsertCustom(layout, key))
        return false;
    if (applyNow && apply)
        apply(layout, *screen);
    return true;
}

bool CustomLayoutActions::remove(const SnapLayout& layout, const QString& key)
{
    // A layout already gone (deleted before, or never stored) is told so; the editor closes,
    // as there is nothing left to delete.
    if (!store_.deleteCustom(layout.id, key)) {
        tell(QStringLiteral("“") + layout.name + QStringLiteral("” was already deleted."));
        return true;
    }
    tell(QStringLiteral("Deleted “") + layout.name + QStringLiteral("”."));
    return true;
}

} // namespace fw
