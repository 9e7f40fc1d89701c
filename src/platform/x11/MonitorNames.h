#pragma once
// The names displays are shown by, as desktop settings show them: the maker and model a
// monitor's EDID tells ("Dell U2720Q"), else the connector's name ("DP-1"), else "Display N".
// Twins get their place in the list after the name ("Dell U2720Q (1)", "Dell U2720Q (2)").
// Only what is shown: display keys are made elsewhere and never from these names.
//
//   std::vector<QString> names = monitorNames({{edid, u"DP-1"_qs}, {QByteArray(), u"screen"_qs}});
//   // {"Dell U2720Q", "Display 2"}

#include <QByteArray>
#include <QString>

#include <vector>

namespace fw {

// The maker and model from an EDID's base block: the maker by its three-letter PNP code (a
// short name for well-known makers, else the system's pnp.ids, else the code), the model from
// the monitor-name descriptor (its first word dropped when it only repeats the maker), else the
// diagonal in inches, else nothing. Empty when the bytes are no EDID.
QString monitorNameFromEdid(const QByteArray& edid);

// The maker's name for a three-letter PNP code, e.g. "DEL" → "Dell"; the code when unknown.
QString monitorMaker(const QString& pnpCode);

struct MonitorIdentity {
    QByteArray edid;     // empty when the output has none
    QString connector;   // the RandR output or monitor name
};

// The shown name of each display, in the order given (numbered from 1 in that order).
std::vector<QString> monitorNames(const std::vector<MonitorIdentity>& displays);

} // namespace fw
