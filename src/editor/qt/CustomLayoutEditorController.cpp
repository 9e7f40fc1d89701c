// Keeps at most one custom layout editor window and connects its saves and deletions to the layout
// store through CustomLayoutActions.
#include "editor/qt/CustomLayoutEditorController.h"

#include "editor/qt/CustomLayoutCanvas.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "overlay/OverlayStyle.h"
#include "platform/qt/WindowFit.h"

namespace fw {

CustomLayoutEditorController::CustomLayoutEditorController(LayoutStore& store, Screens& screens, Clock& clock)
    : actions(store, screens), store_(store), screens_(screens), clock_(clock)
{
}

CustomLayoutEditorController::~CustomLayoutEditorController() { delete editor_.data(); }

void CustomLayoutEditorController::openCustomLayoutEditor(const QString& key, const std::optional<SnapLayout>& layout)
{
    if (editor_) {
        // Only the same layout of the same display is brought forward; an editor of another
        // display would save to that display.
        const auto& open = editor_->editing();
        const bool same = displayKey_ == key && ((!open && !layout) || (open && layout && open->id == layout->id));
        if (editor_->isVisible() && same) {
            bringToFront(editor_, clock_);
            return;
        }
        editor_->close();
        editor_->deleteLater();
        editor_.clear();
    }
    if (cancelDrag)
        cancelDrag();

    const std::optional<SnapLayout> applied = appliedLayout ? appliedLayout(key) : std::nullopt;
    std::optional<ScreenInfo> screen;
    for (const ScreenInfo& s : screens_.screens()) {
        if (fw::displayKey(s) == key) {
            screen = s;
            break;
        }
    }
    auto* editor = new CustomLayoutEditor(store_.menuLayouts(key, applied), applied, screen ? screen->name : key, layout);
    editor->onSave = [this, key](const SnapLayout& saved, bool apply) { return actions.save(saved, apply, key); };
    editor->onDelete = [this, key](const SnapLayout& removed) { return actions.remove(removed, key); };
    editor->runningApplications = [this] { return runningApplications ? runningApplications() : QStringList(); };
    editor->refreshRunningApplications();
    editor_ = editor;
    displayKey_ = key;

    WindowFit::fitToWorkArea(editor, screen ? std::optional(screen->visibleFrame) : std::nullopt, editor->canvas());
    editor->show();
    bringToFront(editor, clock_);
}

} // namespace fw
