#pragma once
// The geometry of stack moves: where a window slides to, the part of a captured picture that
// shows a cut window, and the seams along which a spanning window's picture comes apart over
// the regions it covers. Pure functions; frames in global top-left device pixels.

#include "base/Geometry.h"
#include "platform/Screens.h"
#include "transitions/ShaderUniforms.h"

#include <optional>
#include <vector>

namespace fw {

// The visible frame of the screen holding the frame's centre; the frame itself on none.
Rect screenArea(const std::vector<ScreenInfo>& screens, const Rect& frame);

// The part of a picture (`region`, in pixels, showing a window at `frame`) that shows
// `visible`, rounded outward to whole pixels and kept within the picture; none when less
// than a pixel is left.
std::optional<Rect> croppedRegion(const Rect& region, const Rect& frame, const Rect& visible);

// A covered window's out frame: away from the span's middle, by 0.3 of its width (at most 520
// points); a window centred under the span (within a point) moves towards the screen's middle.
Rect spanCoverOutFrame(const Rect& frame, const Rect& span, const Rect& screen);

// The gaps between neighbouring regions (at most 24 pixels apart, overlapping by more than a
// point), as lines in unit coordinates of the span frame; none with fewer than two regions.
std::vector<Seam> seams(const Rect& span, const std::vector<Rect>& regions);

} // namespace fw
