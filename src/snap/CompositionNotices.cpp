// The texts and records of a composition: its notices, application name lists and the
// composition-state diagnostics document.
#include "snap/CompositionNotices.h"

#include "base/Json.h"
#include "snap/CompositionMatching.h"

namespace fw {

namespace {

QJsonArray frameArray(const Rect& r) { return QJsonArray{r.x(), r.y(), r.width(), r.height()}; }

} // namespace

QString joinedList(const QStringList& items)
{
    switch (items.size()) {
    case 0:
        return {};
    case 1:
        return items.front();
    case 2:
        return items[0] + u" and "_qs + items[1];
    default:
        return items.mid(0, items.size() - 1).join(u", "_qs) + u", and "_qs + items.back();
    }
}

namespace {

// What became of the spots of an app that cannot open: ", so its spot was left free." and the
// like; "." when nothing was arranged.
QString spotsOutcome(AbsentSpots spots, int count)
{
    const bool one = count <= 1;
    switch (spots) {
    case AbsentSpots::free:
        return one ? u", so its spot was left free."_qs : u", so its spots were left free."_qs;
    case AbsentSpots::taken:
        return one ? u", so another window took its spot."_qs : u", so other windows took its spots."_qs;
    case AbsentSpots::some:
        return u", so other windows took some of its spots."_qs;
    case AbsentSpots::unchanged:
        break;
    }
    return u"."_qs;
}

} // namespace

QString notInstalledNotice(const QString& appId, AbsentSpots spots, int count)
{
    return appId + u" isn’t installed"_qs + spotsOutcome(spots, count);
}

QString noTerminalNotice(const QString& name, AbsentSpots spots, int count)
{
    return name + u" runs in a terminal, and none is installed"_qs + spotsOutcome(spots, count);
}

QString openingNotice(const QStringList& names)
{
    return u"Opening "_qs + joinedList(names) + u". Each window goes to its spot when it appears."_qs;
}

QString arrangedNotice(int windows, int spaces)
{
    return u"Arranged %1 windows. %2 %3 available."_qs.arg(windows).arg(spaces).arg(
        spaces == 1 ? u"space remains"_qs : u"spaces remain"_qs);
}

QString noTerminalWindowNotice(const QStringList& names, int entries)
{
    const bool oneApp = names.size() == 1;
    return joinedList(names)
        + (oneApp ? u" was started in a terminal whose window couldn’t be told as its own in time, so its "_qs
                  : u" were started in terminals whose windows couldn’t be told as theirs in time, so their "_qs)
        + (entries == 1 ? u"spot was left free."_qs : u"spots were left free."_qs);
}

QString stoppedNotice(const QString& layoutName, const QStringList& opening)
{
    QString text = layoutName + u" stopped as another action began, and its windows went back."_qs;
    if (!opening.isEmpty())
        text += u" "_qs + joinedList(opening) + (opening.size() == 1 ? u" still opens"_qs : u" still open"_qs)
            + u", outside the layout."_qs;
    return text;
}

QString unsettledNotice(const QStringList& names, int entries)
{
    const bool one = entries == 1;
    return joinedList(names) + u" didn’t settle into "_qs + (one ? u"its spot"_qs : u"their spots"_qs)
        + u" in time, so "_qs + (one ? u"it was"_qs : u"they were"_qs) + u" left where "_qs
        + (one ? u"it is"_qs : u"they are"_qs) + u"."_qs;
}

QString noWindowNotice(const QStringList& names, int entries)
{
    return joinedList(names)
        + (entries == 1 ? u" opened no window for its spot in time, so it was left free."_qs
                        : u" opened no windows for their spots in time, so they were left free."_qs);
}

QJsonObject compositionStateDocument(qint64 pid, double timestamp, const QString& layoutId, const QString& display,
                                     PlacementOutcome outcome, const std::vector<CompositionPlacement>& placements,
                                     const std::map<RegionNumber, Rect>& targets)
{
    QJsonArray placed;
    for (const CompositionPlacement& p : placements) {
        QJsonObject record = compositionPlacementRecord(p.region, p.app, targets, p.actual);
        placed.append(record);
    }
    QJsonArray regions;
    for (const auto& [region, frame] : targets)
        regions.append(QJsonObject{{u"region"_qs, double(region)}, {u"frame"_qs, frameArray(frame)}});
    return {{u"pid"_qs, double(pid)},         {u"timestamp"_qs, timestamp}, {u"layout"_qs, layoutId},
            {u"display"_qs, display},         {u"outcome"_qs, toString(outcome)},
            {u"placements"_qs, placed},       {u"targets"_qs, regions}};
}

QByteArray compositionStateBytes(const QJsonObject& document)
{
    static const QStringList order{u"pid"_qs,      u"timestamp"_qs, u"layout"_qs,    u"display"_qs,
                                   u"outcome"_qs,  u"placements"_qs, u"targets"_qs, u"region"_qs,
                                   u"app"_qs,      u"requested"_qs, u"actual"_qs,    u"fits"_qs,
                                   u"frame"_qs};
    return orderedJson(document, order);
}

} // namespace fw
