// With --diagnostics, writes one JSON snapshot of grants, displays, stacks and scanned windows at launch,
// and says where it and the later diagnostics files go.
#include "app/LaunchDiagnostics.h"

#include "base/DiagnosticsWriter.h"
#include "base/Log.h"
#include "snap/Compositions.h"
#include "snap/DragTrace.h"
#include "snap/RecoveryRecords.h"
#include "snap/SpanPlacement.h"
#include "stacks/StackRefresh.h"

#include <QFileInfo>

#include <unordered_set>

namespace fw {

std::map<QString, std::vector<ManagedWindow>> windowCountsByApp(const std::vector<ManagedWindow>& windows)
{
    std::map<QString, std::vector<ManagedWindow>> byApp;
    for (const ManagedWindow& w : windows)
        byApp[w.appName].push_back(w);
    return byApp;
}

QJsonObject launchDiagnostics(const LaunchFacts& facts)
{
    std::vector<ManagedWindow> windows;
    QJsonArray frames;
    for (const DiscoveredWindow& known : facts.stacks.knownFrames) {
        windows.push_back(known.window);
        const Rect& f = known.frame;
        frames.append(QJsonObject{{"app", known.window.appName},
                                  {"frame", QJsonArray{f.minX(), f.minY(), f.width(), f.height()}}});
    }
    QJsonObject counts;
    for (const auto& [app, list] : windowCountsByApp(windows))
        counts.insert(app, qint64(list.size()));
    const std::unordered_set<ManagedWindow> distinct(windows.begin(), windows.end());
    QJsonArray sizes;
    for (int size : facts.stacks.stackSizes)
        sizes.append(size);
    return QJsonObject{
        {"screenCapture", facts.screenCapture},
        {"accessibility", facts.accessibility},
        {"pid", facts.pid},
        {"screens", facts.screens},
        {"stackSizes", sizes},
        {"visibleStackAnchors", facts.stacks.visibleAnchors},
        {"stackRefreshMilliseconds", facts.stacks.lastRefreshMilliseconds},
        {"stackDetails", facts.stacks.details},
        {"arrangements", facts.arrangements},
        {"windowCountsByApp", counts},
        {"windowCount", qint64(windows.size())},
        {"distinctWindowCount", qint64(distinct.size())},
        {"windowFrames", frames},
    };
}

bool writeLaunchDiagnostics(const LaunchFacts& facts)
{
    return writeDiagnostics(kLaunchDiagnosticsFile, launchDiagnostics(facts));
}

void sayDiagnosticsWhereabouts(bool launchFileWritten)
{
    const QString launchFile = diagnosticsPath(kLaunchDiagnosticsFile);
    if (!launchFileWritten) {
        log::info(LogCategory::App, "Diagnostics could not be written to %{public,path}s (the log says why)", launchFile);
        return;
    }
    const QString later = QStringList{kDragStateFile, stacks::kStackStateFile, kSpanStateFile, kCompositionStateFile,
                                      kRecoveryStateFile}
                              .join(u", ");
    log::info(LogCategory::App, "Diagnostics written to %{public,path}s; %{public}s are written to %{public,path}s as they change",
              launchFile, later, QFileInfo(launchFile).absolutePath());
}

} // namespace fw
