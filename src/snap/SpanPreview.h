#pragma once
// What a native resize of a placed window will do, worked out the same way for the preview
// during the drag and for the release: the dividers along the moved edges follow the window
// (resize together), or, with Super held, the window spans the regions it covers. The preview
// only shows; it keeps nothing for the release.

#include "base/Geometry.h"
#include "layout/RegionTree.h"
#include "snap/DragRequests.h"
#include "snap/DropGeometry.h"
#include "snap/ResizeState.h"

namespace fw {

struct SnapContext;

// The tree with the dividers on the region's moved edges at the window's new edges (4 pixels
// outside them, as fractions of the visible frame inset by 4), edges in the order left, right,
// top, bottom, each on the tree the one before left. An edge counts when it moved by more than
// 4 pixels and, with grabbed edges, is one of them. Regions keep min(180 pixels, 24 %) of the
// width and min(140 pixels, 24 %) of the height.
RegionTree treeFollowingEdges(const RegionTree& tree, RegionNumber region, const Rect& before, const Rect& after,
                              const EdgeSet& grabbed, const Rect& visibleFrame);

// One drag step of a native resize: the outline of the span with its region count, or the
// outlines of every occupied region after the dividers follow; hidden when there is nothing
// to show. Nothing at all while a picker shows or windows move.
void updateSpanPreview(SnapContext& ctx, const ResizeState& state, const SpanPreviewRequest& step);

} // namespace fw
