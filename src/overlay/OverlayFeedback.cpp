#include "overlay/OverlayFeedback.h"

#include "overlay/OverlayController.h"

#include <QImage>

namespace fw {

void OverlayFeedback::setOnCancel(std::function<void()> cancel) { overlay_.onCancel = std::move(cancel); }

bool OverlayFeedback::containsPoint(Point p) const { return overlay_.containsPoint(p); }

void OverlayFeedback::setDraggedWindow(const std::optional<ManagedWindow>& window) { overlay_.setDraggedWindow(window); }

std::optional<SnapSelection> OverlayFeedback::hoverPicker(Point at) { return overlay_.hover(at); }

void OverlayFeedback::hidePicker() { overlay_.hidePicker(); }

void OverlayFeedback::showPreview(const std::optional<Rect>& frame) { overlay_.showPreview(frame); }

void OverlayFeedback::showCompositionPreviews(const std::vector<Rect>& frames) { overlay_.showCompositionPreviews(frames); }

void OverlayFeedback::showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame)
{
    overlay_.showReturnPreview(armed, window, frame);
}

void OverlayFeedback::showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows,
                                        const QString& title, const std::optional<QString>& subtitle,
                                        std::function<void(const ManagedWindow&)> choose, std::function<void()> cancel)
{
    overlay_.showWindowChooser(on, windows, title, subtitle, std::move(choose), std::move(cancel));
}

void OverlayFeedback::showRegionAssist(const std::map<RegionNumber, Rect>& regions,
                                       const std::vector<ManagedWindow>& windows, const Thumbnails& thumbnails,
                                       std::function<void(RegionNumber, const ManagedWindow&)> choose,
                                       std::function<void(RegionNumber)> skip)
{
    std::unordered_map<ManagedWindow, QImage> images;
    for (const auto& [window, image] : thumbnails) {
        if (image)
            images.emplace(window, *image);
    }
    overlay_.showRegionAssist(regions, windows, images, std::move(choose), std::move(skip));
}

void OverlayFeedback::updateAssistThumbnail(const Thumbnail& image, const ManagedWindow& window)
{
    if (image)
        overlay_.updateAssistThumbnail(*image, window);
}

void OverlayFeedback::hideAssistPanels() { overlay_.hideAssistPanels(); }

void OverlayFeedback::showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                        std::function<void(const DividerPath&)> equalize,
                                        std::function<void(const DividerPath&, double, bool)> change)
{
    overlay_.showDividerEditor(on, layout, std::move(equalize), std::move(change));
}

void OverlayFeedback::updateDividerEditor(const SnapLayout& layout) { overlay_.updateDividerEditor(layout); }

void OverlayFeedback::hideAll() { overlay_.hideAll(); }

} // namespace fw
