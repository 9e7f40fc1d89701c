// Names of placement outcomes and keeping the first refused target of a placement.
#include "windows/PlacementRecord.h"

namespace fw {

QString toString(PlacementOutcome o)
{
    switch (o) {
    case PlacementOutcome::committed:
        return QStringLiteral("committed");
    case PlacementOutcome::rolledBack:
        return QStringLiteral("rolledBack");
    case PlacementOutcome::rollbackFailed:
        return QStringLiteral("rollbackFailed");
    }
    return QString();
}

void recordFirstTarget(std::optional<Rect> actual, std::optional<ColumnSplitRecord::Refusal>& box,
                       const ManagedWindow& window, const Rect& requested)
{
    if (box)
        return;
    box = ColumnSplitRecord::Refusal{window, requested, actual};
}

} // namespace fw
