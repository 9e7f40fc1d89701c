// Captures the thumbnails snap assist offers and keeps each one only while its interaction lasts.
#include "snap/AssistThumbnails.h"

namespace fw {

void captureAssistThumbnails(SnapContext& ctx, AssistState& assist, std::vector<ManagedWindow> windows)
{
    if (assist.thumbnailTask)
        ctx.tasks.cancel(*assist.thumbnailTask);
    const InteractionStamp stamp = ctx.stamp();
    auto deliver = [&ctx, &assist, stamp](const ManagedWindow& window, Thumbnail image) {
        storeThumbnail(ctx, assist, image, window, stamp);
    };
    assist.thumbnailTask = ctx.tasks.spawn(ctx.capture.captureWindowThumbnails(std::move(windows), kAssistThumbnailSide, deliver));
}

void storeThumbnail(SnapContext& ctx, AssistState& assist, const Thumbnail& image, const ManagedWindow& window,
                    const InteractionStamp& stamp)
{
    if (!stamp.current() || !image)
        return;
    assist.thumbnails[window] = image;
    ctx.feedback.updateAssistThumbnail(image, window);
}

} // namespace fw
