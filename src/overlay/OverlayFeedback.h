#pragma once
// The overlay controller behind the coordinator's feedback seam: each call is handed on as it
// stands; thumbnails become the images the assist views draw, and the picker's occupant
// icons the icons of running or installed applications.

#include "snap/SnapFeedback.h"

namespace fw {

class OverlayController;

class OverlayFeedback final : public SnapFeedback {
public:
    explicit OverlayFeedback(OverlayController& overlay) : overlay_(overlay) {}

    void setOnCancel(std::function<void()> cancel) override;
    bool containsPoint(Point p) const override;
    bool tookPress(std::uint32_t time) const override;
    bool openedAfter(std::uint32_t time) const override;
    void setDraggedWindow(const std::optional<ManagedWindow>& window) override;
    void showPicker(PickerPresentation picker) override;
    void preparePicker(PickerPresentation picker) override;
    void setPickerSelection(const std::optional<SnapSelection>& selection) override;
    std::optional<PickerHitArea> pickerHitArea() const override;
    void hidePicker() override;
    void showPreview(const std::optional<Rect>& frame) override;
    void showCompositionPreviews(const std::vector<Rect>& frames) override;
    void showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame) override;
    void hideReturnPanels() override;
    void showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows, const QString& title,
                           const std::optional<QString>& subtitle, std::function<void(const ManagedWindow&)> choose,
                           std::function<void()> cancel) override;
    void showRegionAssist(const std::map<RegionNumber, Rect>& regions, const std::vector<ManagedWindow>& windows,
                          const Thumbnails& thumbnails, std::function<void(RegionNumber, const ManagedWindow&)> choose,
                          std::function<void(RegionNumber)> skip) override;
    void updateAssistThumbnail(const Thumbnail& image, const ManagedWindow& window) override;
    void disableAssistControls() override;
    void hideAssistPanels() override;
    void showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                           std::function<void(const DividerPath&)> equalize,
                           std::function<void(const DividerPath&, double, bool)> change) override;
    void updateDividerEditor(const SnapLayout& layout) override;
    void showEdgeHint(const Rect& bar, const QString& heading, const QString& detail, const QString& symbolName,
                      Point at, const ScreenInfo& on) override;
    void moveResizeHint(Point to) override;
    void showResizeOutlines(const std::vector<Rect>& outlines, const QString& heading, const QString& detail,
                            const QString& symbolName, Point at, const ScreenInfo& on) override;
    void hideResizeFeedback() override;
    void showDropTarget(const DropTargetLook& look) override;
    void showDropMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                      bool armed) override;
    void showSplitHint(const Rect& outline, const QString& heading, const QString& detail, const QString& symbolName,
                       Point near, const ScreenInfo& on, const ManagedWindow& below) override;
    void hideAll() override;

private:
    OverlayController& overlay_;
};

} // namespace fw
