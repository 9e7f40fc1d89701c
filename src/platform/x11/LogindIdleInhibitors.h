#pragma once
// Idle inhibitors on Linux: systemd-logind lists every inhibitor lock on the system bus
// (org.freedesktop.login1.Manager.ListInhibitors). Another process holding a blocking lock on
// "idle" keeps the display awake, as video players and presentation tools do. Nothing here waits
// on the bus: it is reached on a thread of its own, and each query answers with what logind last
// said while asking it again (one question at a time, answered later). Without a system bus, or
// until logind has answered, the answer is false.

#include "platform/IdleInhibitors.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QDBusArgument;
class QDBusMessage;
class QDBusPendingCallWatcher;

namespace fw {

class LogindIdleInhibitors final : public IdleInhibitors {
public:
    // busAddress: the system bus, or the bus at this address when given (tests run their own).
    explicit LogindIdleInhibitors(const QString& busAddress = {});
    ~LogindIdleInhibitors() override;

    bool otherAppKeepsDisplayAwake() override;
    // How many of logind's answers (or failures to answer) have come back.
    int answers() const { return answers_; }

private:
    void connected(bool reached);
    void ask();
    void answered(const QDBusMessage& reply);

    QString connectionName_;
    bool reached_ = false;
    // The question on its way, ours until answered: one that outlives us is dropped with us.
    QDBusPendingCallWatcher* asking_ = nullptr;
    bool awake_ = false;
    int answers_ = 0;
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
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
