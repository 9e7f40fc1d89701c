// The per-display JSON records of what the coordinator believes, for the recovery-state diagnostics file.
#include "snap/RecoveryRecords.h"

#include "base/DiagnosticsWriter.h"
#include "layout/ScreenGeometry.h"

namespace fw {

QJsonObject recoveryRecord(const ScreenInfo& screen, const AppliedLayouts& layouts, const WindowMemory& memory)
{
    const QString key = displayKey(screen);
    const Rect visible = topLeftVisibleFrame(screen);
    const LayoutGroup* group = layouts.group(key);
    QJsonArray regions;
    if (group) {
        for (const auto& [region, frame] : group->layout.tree.frames(visible, kLayoutGap))
            regions.append(QJsonObject{{QStringLiteral("region"), qint64(region)}, {QStringLiteral("frame"), toString(frame)}});
    }
    qint64 homes = 0;
    for (const auto& [window, target] : memory.returnHomes)
        homes += target.display == key ? 1 : 0;
    return QJsonObject{
        {QStringLiteral("display"), key},
        {QStringLiteral("layout"), group ? group->layout.id : QStringLiteral("unmatched")},
        {QStringLiteral("bounds"), toString(visible)},
        {QStringLiteral("regions"), regions},
        {QStringLiteral("occupiedRegions"), group ? qint64(group->windows.size()) : qint64(0)},
        {QStringLiteral("returnHomes"), homes},
    };
}

QJsonArray recoveryDisplayRecords(const std::vector<ScreenInfo>& screens, const AppliedLayouts& layouts,
                                  const WindowMemory& memory)
{
    QJsonArray out;
    for (const ScreenInfo& screen : screens)
        out.append(recoveryRecord(screen, layouts, memory));
    return out;
}

bool RecoveryStateFile::update(qint64 pid, const QJsonArray& displays)
{
    const QByteArray bytes = diagnosticsBytes(QJsonObject{{QStringLiteral("pid"), pid}, {QStringLiteral("displays"), displays}});
    if (lastRecoveryDiagnostic_ == bytes)
        return false;
    if (!writeDiagnosticsBytes(kRecoveryStateFile, bytes))
        return false;
    lastRecoveryDiagnostic_ = bytes;
    return true;
}

} // namespace fw
