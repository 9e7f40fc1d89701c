// The diagnostic trace of a drag (its states with time and pointer, the latest 64 kept) and the
// drag-state document written at its end; only with "--diagnostics".
#include "snap/DragTrace.h"

namespace fw {

void DragTrace::add(const QString& state, Duration time, const std::optional<Point>& pointer,
                    const std::optional<QString>& routedDisplay)
{
    if (!enabled_ || lastState_ == state)
        return;
    lastState_ = state;
    QJsonObject entry{{QStringLiteral("state"), state},
                      {QStringLiteral("time"), toSeconds(time)},
                      {QStringLiteral("routedDisplay"), routedDisplay.value_or(QStringLiteral("none"))}};
    if (pointer)
        entry.insert(QStringLiteral("pointer"), toString(*pointer));
    if (entries_.size() >= kLimit)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
}

void DragTrace::clear()
{
    entries_.clear();
    lastState_.reset();
}

QJsonArray DragTrace::events() const
{
    QJsonArray out;
    for (const QJsonObject& entry : entries_)
        out.append(entry);
    return out;
}

QJsonObject dragStateDocument(const DragState& state)
{
    QJsonObject doc{{QStringLiteral("pid"), state.pid},         {QStringLiteral("date"), state.date},
                    {QStringLiteral("app"), state.app},         {QStringLiteral("events"), state.events},
                    {QStringLiteral("displays"), state.displays}};
    if (state.original)
        doc.insert(QStringLiteral("original"), toString(*state.original));
    if (state.released)
        doc.insert(QStringLiteral("released"), toString(*state.released));
    return doc;
}

} // namespace fw
