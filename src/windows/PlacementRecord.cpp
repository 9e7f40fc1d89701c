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

void recordFirstTarget(std::optional<Rect> actual, ColumnSplitRecord& record, const ManagedWindow& window,
                       const Rect& requested)
{
    if (record.firstRefusal)
        return;
    record.firstRefusal = ColumnSplitRecord::Refusal{window, requested, actual};
}

} // namespace fw
