#pragma once
// What the coordinator believes about each display, as JSON for the diagnostic files: the
// applied layout, the usable bounds, the region frames, how many regions hold a window and
// how many return positions point at the display. Nothing reads them back.

#include "platform/Screens.h"
#include "snap/AppliedLayouts.h"
#include "snap/WindowMemory.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <vector>

namespace fw {

inline const QString kRecoveryStateFile = QStringLiteral("Framewell-recovery-state.json");

// "display", "layout" ("unmatched" without a group), "bounds", "regions" (region and frame
// in ascending region number), "occupiedRegions" and "returnHomes".
QJsonObject recoveryRecord(const ScreenInfo& screen, const AppliedLayouts& layouts, const WindowMemory& memory);
// One record per screen, in screen order.
QJsonArray recoveryDisplayRecords(const std::vector<ScreenInfo>& screens, const AppliedLayouts& layouts,
                                  const WindowMemory& memory);

// The recovery-state file: written when its content changed since the last write that
// succeeded, so a failed write is tried again at the next chance.
class RecoveryStateFile {
public:
    // {"pid", "displays"}; writes it unless the bytes equal the last written ones. True when
    // it wrote the file.
    bool update(qint64 pid, const QJsonArray& displays);
    const std::optional<QByteArray>& lastRecoveryDiagnostic() const { return lastRecoveryDiagnostic_; }

private:
    std::optional<QByteArray> lastRecoveryDiagnostic_;
};

} // namespace fw
