// The session bus's calls to our exported objects answered within a share of the main thread's
// time: each is run and timed here, and one that comes while the budget is spent is refused.
#include "app/qt/BusCallBudget.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QEvent>

#include <algorithm>

namespace fw {

namespace {

// Whether the event carries a call from a bus peer to an exported object: the toolkit queues
// each as a call for the object the bus reaches, an object exported through its adaptors (the
// StatusNotifier item's, the menu's), and answers one dropped unrun with an error. No code of
// ours queues calls for those objects.
bool busCall(const QObject* receiver, const QEvent* event)
{
    return event->type() == QEvent::MetaCall
        && receiver->findChild<QDBusAbstractAdaptor*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

} // namespace

BusCallBudget::BusCallBudget()
{
    clock_.start();
    QCoreApplication::instance()->installEventFilter(this);
}

BusCallBudget::~BusCallBudget()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool BusCallBudget::eventFilter(QObject* watched, QEvent* event)
{
    if (!busCall(watched, event))
        return false;
    const double now = double(clock_.nsecsElapsed()) / 1e6;
    balanceMs_ = std::min(kBurstMs, balanceMs_ + (now - lastMs_) * kShare);
    lastMs_ = now;
    if (balanceMs_ <= 0) {
        ++refused_;
        return true;   // dropped: the caller has its error at once
    }
    // Run here, to learn what it cost.
    watched->event(event);
    // A call that ran long (a menu item that opened a dialog and waited on it) refuses the
    // next ones for a second at most.
    const double end = double(clock_.nsecsElapsed()) / 1e6;
    balanceMs_ = std::max(-kBurstMs, balanceMs_ - (end - now));
    return true;
}

} // namespace fw
