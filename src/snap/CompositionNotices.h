#pragma once
// The words and records of a composition (a layout applied with its apps): its notices, the
// English list of application names they use, and the composition-state diagnostics
// document. Pure.

#include "base/Geometry.h"
#include "windows/PlacementRecord.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace fw {

// "A", "A and B", "A, B, and C".
QString joinedList(const QStringList& items);

// What became of the spots of an app that is not installed, as its notice says it.
enum class AbsentSpots {
    free,     // every spot of the app was left free
    taken,    // other windows took every spot
    some,     // other windows took some spots, the rest were left free
    unchanged // nothing was arranged
};
// "<id> isn’t installed, so its spot was left free." / "…, so another window took its spot." /
// "…, so other windows took some of its spots." / "<id> isn’t installed."; for an app with
// more than one spot (`count`), "its spots were left free" and "other windows took its spots".
QString notInstalledNotice(const QString& appId, AbsentSpots spots, int count = 1);
// "<name> runs in a terminal, and none is installed, so its spot was left free." and the like,
// as notInstalledNotice says what became of the spots.
QString noTerminalNotice(const QString& name, AbsentSpots spots, int count = 1);
// "Opening <names>. Each window goes to its spot when it appears."
QString openingNotice(const QStringList& names);
// "Arranged <n> windows. <k> space remains available." (spaces remain for k > 1).
QString arrangedNotice(int windows, int spaces);
// "<names> didn’t settle into its spot in time, so it was left where it is." for one
// unsettled entry; the plural form for more.
QString unsettledNotice(const QStringList& names, int entries);
// "<name> was started in a terminal whose window couldn’t be told as its own in time, so its
// spot was left free." for apps that run in a terminal and got no window; for more apps "were
// started in terminals whose windows couldn’t be told as theirs", "spots were" for more entries.
QString noTerminalWindowNotice(const QStringList& names, int entries);
// "<layout> stopped as another action began, and its windows went back." for a composition
// undone because the user began something else before it was placed, and when it was opening
// apps, " <names> still open, outside the layout." ("opens" for one).
QString stoppedNotice(const QString& layoutName, const QStringList& opening);
// "<names> opened no window for its spot in time, so it was left free." for one entry that
// never saw a window of its app; the plural form for more.
QString noWindowNotice(const QStringList& names, int entries);

// One placed window of the composition-state file.
struct CompositionPlacement {
    RegionNumber region = 0;
    QString app;                // the window's application name
    std::optional<Rect> actual; // its frame when the file is written
};

// {"pid", "timestamp", "layout", "display", "outcome", "placements", "targets"}; frames as
// [x, y, width, height], targets in ascending region number.
QJsonObject compositionStateDocument(qint64 pid, double timestamp, const QString& layoutId, const QString& display,
                                     PlacementOutcome outcome, const std::vector<CompositionPlacement>& placements,
                                     const std::map<RegionNumber, Rect>& targets);
// The file's bytes for such a document: pretty-printed, with the document's keys and each
// placement record's ("region", "app", "requested", "actual", "fits") in their listed order.
QByteArray compositionStateBytes(const QJsonObject& document);

} // namespace fw
