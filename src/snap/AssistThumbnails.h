#pragma once
// Thumbnails of the windows snap assist offers: captured in the coordinator's task scope and
// kept, one by one as they arrive, only while the interaction that asked for them lasts.

#include "snap/SnapAssistSession.h"
#include "snap/SnapContext.h"

#include <vector>

namespace fw {

// The longer side of an assist thumbnail, in device pixels.
inline constexpr double kAssistThumbnailSide = 520;

// Starts capturing the windows, replacing a capture under way.
void captureAssistThumbnails(SnapContext& ctx, AssistState& assist, std::vector<ManagedWindow> windows);

// Keeps the image of the window and shows it on the assist choosers, when the interaction of
// the stamp is still current; otherwise drops it.
void storeThumbnail(SnapContext& ctx, AssistState& assist, const Thumbnail& image, const ManagedWindow& window,
                    const InteractionStamp& stamp);

} // namespace fw
