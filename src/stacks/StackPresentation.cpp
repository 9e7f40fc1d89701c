// The presentation that shows nothing: what the diagnostics say of a stack without an anchor.
#include "stacks/StackPresentation.h"

#include <QJsonObject>

namespace fw {

StackPresentation::Shown NoStackPresentation::present(const WindowStack&, const std::vector<ManagedWindow>&,
                                                      const std::vector<WindowLayerSnapshot>&)
{
    // No anchor: what the diagnostics say of a stack whose controls could not be used.
    Shown out;
    out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("controls unavailable or covered")},
                                   {QStringLiteral("controlCandidates"), 0},
                                   {QStringLiteral("covers"), QJsonArray()}});
    return out;
}

} // namespace fw
