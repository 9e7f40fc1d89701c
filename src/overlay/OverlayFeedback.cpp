// The overlay's side of the coordinator's feedback seam: each call shows, moves or hides the matching
// panel, turning thumbnails and occupant ids into the images and icons the views draw.
#include "overlay/OverlayFeedback.h"

#include "layout/ScreenGeometry.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayController.h"
#include "overlay/ThumbnailImage.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/qt/DevicePixels.h"

#include <QImage>

namespace fw {

namespace {

std::optional<QIcon> resolve(const OccupantIcon& occupant)
{
    if (occupant.window && WindowThumbnailButton::appIconLookup()) {
        if (auto icon = WindowThumbnailButton::appIconLookup()(*occupant.window); icon && !icon->isNull())
            return icon;
    }
    if (occupant.appId.isEmpty())
        return std::nullopt;
    return AppIcon::icon(occupant.appId);
}

OverlayView::Occupants icons(const PickerOccupants& occupants)
{
    OverlayView::Occupants out;
    for (const auto& [layout, regions] : occupants) {
        for (const auto& [region, occupant] : regions) {
            if (auto icon = resolve(occupant))
                out[layout][region] = *icon;
        }
    }
    return out;
}

} // namespace

void OverlayFeedback::setOnCancel(std::function<void()> cancel) { overlay_.onCancel = std::move(cancel); }

bool OverlayFeedback::containsPoint(Point p) const { return overlay_.containsPoint(p); }

bool OverlayFeedback::tookPress(std::uint32_t time) const { return OverlayWindow::tookPress(time); }

bool OverlayFeedback::openedAfter(std::uint32_t time) const { return OverlayWindow::openedAfter(time); }

void OverlayFeedback::setDraggedWindow(const std::optional<ManagedWindow>& window) { overlay_.setDraggedWindow(window); }

namespace {

OverlayController::PickerBuild pickerBuild(const PickerPresentation& p, const OverlayView::Occupants& occupants)
{
    const Rect visible = topLeftVisibleFrame(p.screen);
    OverlayController::PickerBuild build{visible, p.layouts, p.currentLayout, p.wholeComposition, p.dragging, {},
                                         pickerWidth(DevicePixels::logicalFrame(visible))};
    for (const auto& [layout, regions] : occupants)
        for (const auto& [region, icon] : regions)
            build.icons[layout][region] = icon.cacheKey();
    return build;
}

OverlayView* makeView(PickerPresentation& p, const OverlayView::Occupants& occupants, double width)
{
    return new OverlayView(std::move(p.layouts), p.currentLayout, p.wholeComposition, p.dragging, occupants, width);
}

} // namespace

void OverlayFeedback::showPicker(PickerPresentation p)
{
    const OverlayView::Occupants occupants = icons(p.occupants);
    OverlayController::PickerBuild build = pickerBuild(p, occupants);
    // The same picker as last time is shown again as it was built.
    OverlayView* view = overlay_.keptPicker(build);
    if (!view)
        view = makeView(p, occupants, build.width);
    view->onChoose = std::move(p.choose);
    view->onHover = std::move(p.hover);
    view->onKey = std::move(p.key);
    view->onCreate = std::move(p.create);
    view->onEdit = std::move(p.edit);
    view->setLayoutKeys(std::move(p.layoutKeys));
    overlay_.showPicker(p.screen, view, p.dragging, std::move(build));
}

void OverlayFeedback::preparePicker(PickerPresentation p)
{
    if (overlay_.picker)
        return;   // the shown one is kept when it hides
    const OverlayView::Occupants occupants = icons(p.occupants);
    OverlayController::PickerBuild build = pickerBuild(p, occupants);
    if (overlay_.keptPicker(build))
        return;
    OverlayView* view = makeView(p, occupants, build.width);
    view->setLayoutKeys(std::move(p.layoutKeys));
    overlay_.keepPicker(p.screen, view, std::move(build));
}

void OverlayFeedback::setPickerSelection(const std::optional<SnapSelection>& selection)
{
    if (!overlay_.pickerView)
        return;
    overlay_.pickerView->showSelection(selection);
}

std::optional<PickerHitArea> OverlayFeedback::pickerHitArea() const { return overlay_.pickerHitArea(); }

void OverlayFeedback::hidePicker() { overlay_.hidePicker(); }

void OverlayFeedback::showPreview(const std::optional<Rect>& frame) { overlay_.showPreview(frame); }

void OverlayFeedback::showCompositionPreviews(const std::vector<Rect>& frames) { overlay_.showCompositionPreviews(frames); }

void OverlayFeedback::showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame)
{
    overlay_.showReturnPreview(armed, window, frame);
}

void OverlayFeedback::hideReturnPanels() { overlay_.hideReturnPanels(); }

void OverlayFeedback::showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows,
                                        const QString& title, const std::optional<QString>& subtitle,
                                        std::function<void(const ManagedWindow&)> choose, std::function<void()> cancel)
{
    overlay_.choices().showWindowChooser(on, windows, title, subtitle, std::move(choose), std::move(cancel));
}

void OverlayFeedback::showRegionAssist(const std::map<RegionNumber, Rect>& regions,
                                       const std::vector<ManagedWindow>& windows, const Thumbnails& thumbnails,
                                       std::function<void(RegionNumber, const ManagedWindow&)> choose,
                                       std::function<void(RegionNumber)> skip)
{
    std::unordered_map<ManagedWindow, QImage> images;
    for (const auto& [window, image] : thumbnails) {
        if (image)
            images.emplace(window, thumbnailImage(image));
    }
    overlay_.choices().showRegionAssist(regions, windows, images, std::move(choose), std::move(skip));
}

void OverlayFeedback::updateAssistThumbnail(const Thumbnail& image, const ManagedWindow& window)
{
    if (image)
        overlay_.choices().updateAssistThumbnail(thumbnailImage(image), window);
}

void OverlayFeedback::disableAssistControls() { overlay_.choices().disableAssistControls(); }

void OverlayFeedback::hideAssistPanels() { overlay_.choices().hideAssistPanels(); }

void OverlayFeedback::showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                        std::function<void(const DividerPath&)> equalize,
                                        std::function<void(const DividerPath&, double, bool)> change)
{
    overlay_.choices().showDividerEditor(on, layout, std::move(equalize), std::move(change));
}

void OverlayFeedback::updateDividerEditor(const SnapLayout& layout) { overlay_.choices().updateDividerEditor(layout); }

void OverlayFeedback::hideAll() { overlay_.hideAll(); }

void OverlayFeedback::showDropTarget(const DropTargetLook& look)
{
    overlay_.showDropTarget(look.frame, look.caption, look.symbol, look.armed, look.showsCaption, look.swapSource,
                            look.dragged);
}

void OverlayFeedback::showDropMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                                   bool armed)
{
    overlay_.showActionMenu(menu, highlighted, armed);
}

void OverlayFeedback::showSplitHint(const Rect& outline, const QString& heading, const QString& detail,
                                    const QString& symbolName, Point near, const ScreenInfo& on,
                                    const ManagedWindow& below)
{
    overlay_.feedback().show({outline}, std::nullopt, heading, detail, symbolName, near, on, below);
}

void OverlayFeedback::showEdgeHint(const Rect& bar, const QString& heading, const QString& detail,
                                   const QString& symbolName, Point at, const ScreenInfo& on)
{
    overlay_.feedback().show({}, bar, heading, detail, symbolName, at, on, std::nullopt);
}

void OverlayFeedback::moveResizeHint(Point to) { overlay_.feedback().moveHint(to); }

void OverlayFeedback::showResizeOutlines(const std::vector<Rect>& outlines, const QString& heading,
                                         const QString& detail, const QString& symbolName, Point at,
                                         const ScreenInfo& on)
{
    overlay_.feedback().show(outlines, std::nullopt, heading, detail, symbolName, at, on, std::nullopt);
}

void OverlayFeedback::hideResizeFeedback() { overlay_.feedback().hide(); }

} // namespace fw
