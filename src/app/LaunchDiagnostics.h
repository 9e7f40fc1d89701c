#pragma once
// The launch diagnostics file: with "--diagnostics", one JSON snapshot of the grants, the
// displays, the stacks and the windows the stacks last scanned, written at launch as
// "Framewell-diagnostics.json" in the diagnostics folder. Nothing reads it back; a failed
// write is ignored.

#include "app/StackCommands.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <map>
#include <vector>

namespace fw {

inline const QString kLaunchDiagnosticsFile = QStringLiteral("Framewell-diagnostics.json");

struct LaunchFacts {
    bool screenCapture = false;
    bool accessibility = false;
    qint64 pid = 0;
    int screens = 0;
    StackDiagnostics stacks;
    QJsonArray arrangements;   // the coordinator's recovery records, one per display
};

// The windows grouped by application name, in list order.
std::map<QString, std::vector<ManagedWindow>> windowCountsByApp(const std::vector<ManagedWindow>& windows);

// The document's thirteen keys.
QJsonObject launchDiagnostics(const LaunchFacts& facts);
// Writes the document; false when it could not be written.
bool writeLaunchDiagnostics(const LaunchFacts& facts);
// Logs where the launch file went (or that it could not be written) and where the files written
// while the program runs go: one line, its folders whole however long.
void sayDiagnosticsWhereabouts(bool launchFileWritten);

} // namespace fw
