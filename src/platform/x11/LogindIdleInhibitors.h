#pragma once
// Idle inhibitors on Linux: systemd-logind lists every inhibitor lock on the system bus
// (org.freedesktop.login1.Manager.ListInhibitors). Another process holding a blocking lock on
// "idle" keeps the display awake, as video players and presentation tools do. Without a system
// bus, or when logind does not answer within the time-out, the answer is false.

#include "platform/IdleInhibitors.h"

#include <QString>
#include <vector>

class QDBusArgument;

namespace fw {

class LogindIdleInhibitors final : public IdleInhibitors {
public:
    // busAddress: the system bus, or the bus at this address when given (tests run their own).
    explicit LogindIdleInhibitors(const QString& busAddress = {});
    ~LogindIdleInhibitors() override;

    bool otherAppKeepsDisplayAwake() override;
    // Upper bound of one query (default 150 ms).
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

private:
    QString connectionName_;
    int timeoutMs_ = 150;
};

// One inhibitor lock as logind lists it.
struct InhibitorLock {
    QString what;   // colon-separated: "idle:sleep"
    QString who;
    QString why;
    QString mode;   // "block" or "delay"
    unsigned uid = 0;
    unsigned pid = 0;
};
// The lock as one (ssssuu) structure on the bus.
QDBusArgument& operator<<(QDBusArgument& arg, const InhibitorLock& lock);
const QDBusArgument& operator>>(const QDBusArgument& arg, InhibitorLock& lock);
// Whether the locks keep the display awake for a process other than `ownPid`.
bool keepsDisplayAwake(const std::vector<InhibitorLock>& locks, unsigned ownPid);

} // namespace fw
