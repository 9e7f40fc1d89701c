#pragma once
// Spans: where a window sits in the applied layouts, stretching a window over every region a
// requested rectangle overlaps (recorded in its display's group, rolled back when it does not
// settle), the task the stack controller's stretch request starts, the reading order of a
// span's regions, and the diagnostic snapshot of a span request.

#include "base/Geometry.h"
#include "base/Task.h"
#include "platform/Screens.h"
#include "snap/AppliedLayouts.h"
#include "snap/DropGeometry.h"
#include "snap/ResizeState.h"
#include "windows/ManagedWindow.h"

#include <QJsonObject>
#include <QString>
#include <map>
#include <optional>
#include <set>

namespace fw {

struct SnapContext;

inline const QString kSpanStateFile = QStringLiteral("Framewell-span-state.json");

// Where a window sits in an applied layout: the display, its group, its screen and the
// regions the window occupies.
struct SpanOrigin {
    QString display;
    LayoutGroup group;
    ScreenInfo screen;
    std::set<RegionNumber> regions;
};

// The first group (on a display that is present) in which the window spans regions, occupies a
// region (itself or through a window of its stack), or whose region frame the frame sits in
// within 5 pixels (on the window's cell grid); nothing otherwise.
std::optional<SpanOrigin> spanOrigin(const SnapContext& ctx, const AppliedLayouts& layouts, const ManagedWindow& window,
                                     const Rect& frame);

// Stretches the window over the regions of its layout that the requested rectangle overlaps.
// False (nothing moves) when the window stands in no applied layout or the rectangle overlaps
// none of its regions; true otherwise, also when the span did not settle: the window is then
// moved back to `before` and the notice says whether that restored it.
Task<bool> placeSpan(SnapContext& ctx, ResizeState state, ManagedWindow window, Rect before, Rect requested);

// The stack controller's stretch request: the span under the mutation guard; a span that
// applied (or was restored) brings the window forward.
Task<void> runSpanPlacement(SnapContext& ctx, ResizeState state, ManagedWindow window, Rect current, Rect requested);

// Region a before region b: the smaller top edge, then the smaller left edge (a missing
// region counts as the zero rectangle).
bool isBeforeInReadingOrder(RegionNumber a, RegionNumber b, const std::map<RegionNumber, Rect>& frames);

// The snapshot of a span request: the frames before, after and requested, the regions the
// window came from and the grabbed edges by name.
QJsonObject spanDiagnostics(const Rect& before, const Rect& after, const Rect& requested,
                            const std::set<RegionNumber>& sourceRegions, const EdgeSet& grabbedEdges);
// Writes the snapshot as "Framewell-span-state.json", only with "--diagnostics"; a failed
// write is ignored.
void writeSpanDiagnostics(const SnapContext& ctx, const QJsonObject& record);

} // namespace fw
