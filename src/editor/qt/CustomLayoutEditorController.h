#pragma once
// Opens the custom layout editor for a display and wires what it hands back: saves and
// deletions go to the layout store (and "Save & Apply" to the apply closure) through
// CustomLayoutActions. Keeps at most one editor: asking again for the same one (same display,
// same layout) brings it forward, asking for another replaces it. The shell creates this once and installs the
// closures; the running applications come from the windows layer through a closure too.
//
//   CustomLayoutEditorController editors(store, screens, clock);
//   editors.appliedLayout = [&](const QString& key) { return coordinator.appliedLayout(key); };
//   editors.actions.apply = [&](const SnapLayout& l, const ScreenInfo& s) { … };
//   editors.actions.report = [&](const QString& text) { … };
//   editors.createCustomLayout(displayKey);

#include "editor/CustomLayoutActions.h"
#include "layout/SnapLayout.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

namespace fw {

class Clock;
class CustomLayoutEditor;
class LayoutStore;
class Screens;

class CustomLayoutEditorController {
public:
    CustomLayoutEditorController(LayoutStore& store, Screens& screens, Clock& clock);
    ~CustomLayoutEditorController();
    CustomLayoutEditorController(const CustomLayoutEditorController&) = delete;
    CustomLayoutEditorController& operator=(const CustomLayoutEditorController&) = delete;

    // Save and delete rules with their closures (apply, report, canApply).
    CustomLayoutActions actions;
    // The layout applied on a display, if any: the editor's starting content and an extra
    // "Start from" entry. Unset: none.
    std::function<std::optional<SnapLayout>(const QString& displayKey)> appliedLayout;
    // Ends a window drag before the editor opens. Unset: nothing.
    std::function<void()> cancelDrag;
    // Ids of the running applications for the apps menu. Unset: none.
    std::function<QStringList()> runningApplications;

    // Opens the editor for a new layout (no layout) or for a custom layout of the display,
    // centred on the display and brought to the front.
    void openCustomLayoutEditor(const QString& displayKey, const std::optional<SnapLayout>& layout);
    void createCustomLayout(const QString& displayKey) { openCustomLayoutEditor(displayKey, std::nullopt); }
    void editCustomLayout(const QString& displayKey, const SnapLayout& layout) { openCustomLayoutEditor(displayKey, layout); }

    // The editor last opened (possibly closed); null before the first.
    CustomLayoutEditor* editor() const { return editor_; }
    const QString& displayKey() const { return displayKey_; }

private:
    LayoutStore& store_;
    Screens& screens_;
    Clock& clock_;
    QPointer<CustomLayoutEditor> editor_;
    QString displayKey_;
};

} // namespace fw
