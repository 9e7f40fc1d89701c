#pragma once
// The overlay's panels that wait on the user: the window chooser, the region assist panels (one
// per open region, offering the windows) and the divider editor with its toolbar. Each takes
// the keyboard or clicks as its kind does; every "Done" runs the cancel callback it was given,
// read when it runs and never after its owner is gone. The overlay controller owns one and
// says what of its other panels goes before region assist and the editor show.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "windows/ManagedWindow.h"

#include <QImage>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

class DividerEditorView;
class GlassCard;
class OverlayWindow;
class RegionAssistView;

class ChoicePanels {
public:
    // What the owner clears before region assist shows, and before the divider editor shows.
    struct Before {
        std::function<void()> assist;
        std::function<void()> editor;
    };
    // `onCancel` is read each time a "Done" runs; it must outlive the panels.
    ChoicePanels(const std::function<void()>& onCancel, Before before);
    ~ChoicePanels();
    ChoicePanels(const ChoicePanels&) = delete;
    ChoicePanels& operator=(const ChoicePanels&) = delete;

    void showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows, const QString& title,
                           const std::optional<QString>& subtitle, std::function<void(const ManagedWindow&)> choose,
                           std::function<void()> cancel);
    // Replaces the chooser and any assist panels.
    void showRegionAssist(const std::map<RegionNumber, Rect>& regions, const std::vector<ManagedWindow>& windows,
                          const std::unordered_map<ManagedWindow, QImage>& thumbnails,
                          std::function<void(RegionNumber, const ManagedWindow&)> choose,
                          std::function<void(RegionNumber)> skip);
    // Shown after `before.editor` ran.
    void showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                           std::function<void(const DividerPath&)> onEqualize,
                           std::function<void(const DividerPath&, double, bool)> onChange);
    void updateDividerEditor(const SnapLayout& layout);
    void updateAssistThumbnail(const QImage& image, const ManagedWindow& window);
    // Every control of every assist view stops taking clicks.
    void disableAssistControls();
    void hideAssistPanels();
    // Every panel here goes.
    void hideAll();

    OverlayWindow* chooser() const { return chooser_.get(); }
    const std::map<RegionNumber, std::unique_ptr<OverlayWindow>>& assistPanels() const { return assistPanels_; }
    const std::map<RegionNumber, RegionAssistView*>& assistViews() const { return assistViews_; }
    OverlayWindow* editor() const { return editor_.get(); }
    DividerEditorView* editorView() const { return editorView_; }
    OverlayWindow* editorToolbar() const { return editorToolbar_.get(); }
    // The panels that exist now: the chooser, the editor and its toolbar, the assist panels.
    std::vector<OverlayWindow*> panels() const;

private:
    // What every "Done" runs: the cancel callback, unless this is gone.
    std::function<void()> doneRun();
    // The toolbar card above the divider editor: a hint, "50/50" and "Done".
    static GlassCard* makeDividerEditorToolbar(DividerEditorView* view, std::function<void()> done);

    const std::function<void()>& onCancel_;
    Before before_;
    std::unique_ptr<OverlayWindow> chooser_;
    std::map<RegionNumber, std::unique_ptr<OverlayWindow>> assistPanels_;
    std::map<RegionNumber, RegionAssistView*> assistViews_;
    std::unique_ptr<OverlayWindow> editor_;
    DividerEditorView* editorView_ = nullptr;
    std::unique_ptr<OverlayWindow> editorToolbar_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace fw
