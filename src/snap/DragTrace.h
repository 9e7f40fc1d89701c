#pragma once
// The diagnostic trace of a drag: the states it passed through, each with its time, pointer
// and the display the drag was routed to, and at its end the drag-state file that holds the
// trace with the window's frames and the coordinator's display records. Only with
// "--diagnostics"; otherwise nothing is kept or written.

#include "base/Clock.h"
#include "base/Geometry.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <deque>
#include <optional>

namespace fw {

inline const QString kDragStateFile = QStringLiteral("Framewell-drag-state.json");

class DragTrace {
public:
    static constexpr std::size_t kLimit = 64;

    explicit DragTrace(bool enabled) : enabled_(enabled) {}
    bool enabled() const { return enabled_; }

    // Appends {"state", "time", "pointer" when given, "routedDisplay" or "none"} unless the
    // state repeats the last one; the oldest entry goes beyond 64.
    void add(const QString& state, Duration time, const std::optional<Point>& pointer,
             const std::optional<QString>& routedDisplay);
    void clear();
    bool empty() const { return entries_.empty(); }
    // Oldest first.
    QJsonArray events() const;

private:
    bool enabled_;
    std::deque<QJsonObject> entries_;
    std::optional<QString> lastState_;
};

// What the drag-state file holds.
struct DragState {
    qint64 pid = 0;
    QString date;
    QString app; // "none" without a window
    QJsonArray events;
    QJsonArray displays;
    std::optional<Rect> original;
    std::optional<Rect> released;
};
QJsonObject dragStateDocument(const DragState& state);

} // namespace fw
