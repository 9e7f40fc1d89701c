#pragma once
// The screens port on X11: Qt's screens (RandR monitors, primary first) in X's device pixels as
// RandR gives them, each visible frame the monitor less the struts of the docks and panels on it,
// and display keys read from RandR: a UUID-form key derived from the monitor's EDID when its
// output has one, else the monitor's name as Qt reports it. The shown name is the maker and
// model from the EDID, else the connector's name, else "Display N" (MonitorNames.h). Needs a
// QGuiApplication on xcb.

#include "platform/Screens.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <memory>
#include <optional>

class QScreen;

namespace fw::x11 {
class Connection;
}

namespace fw {

class X11Docks;

class X11Screens : public QObject, public Screens {
public:
    X11Screens();
    ~X11Screens() override;

    std::vector<ScreenInfo> screens() const override;
    void setChangeHandler(std::function<void()> handler) override;

    // "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" from an EDID block; empty when it is not a valid
    // EDID (too short or a wrong header). Only the 128-byte base block counts.
    static QString displayKeyFromEdid(const QByteArray& edid);
    // The same key for a second display whose EDID is identical to the first one's (twin
    // monitors without serial numbers): the connector name is mixed in.
    static QString displayKeyFromEdid(const QByteArray& edid, const QString& connector);

private:
    // What RandR tells of the monitors and outputs, by name: EDID bytes, and a monitor's
    // rectangle in device pixels.
    struct Randr {
        QMap<QString, QByteArray> edids;
        QMap<QString, Rect> monitors;
    };
    const Randr& randr() const;
    void readOutputs(Randr& out) const;
    void watch(QScreen* screen);
    void changed();

    std::function<void()> handler_;
    bool pending_ = false;
    // The EDIDs take a dozen round trips to read: kept until the server reports a change of
    // outputs, monitors or their properties, or Qt one of screens.
    mutable std::optional<Randr> randr_;
    std::unique_ptr<X11Docks> docks_;
    // The visible frames last read, in the order read.
    mutable std::vector<Rect> visible_;
    class RandrWatch;
    std::unique_ptr<RandrWatch> randrWatch_;
    // Qt's own connection, with our atoms interned once.
    mutable std::unique_ptr<x11::Connection> connection_;
    x11::Connection* connection() const;
};

} // namespace fw
