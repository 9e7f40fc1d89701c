#pragma once
// Bounds the main thread's work on calls from the session bus. Every call a bus peer makes to
// an object the program exports there (the toolkit's StatusNotifier item and its menu) is
// queued for the main thread as it arrives, however fast it comes, and some cost milliseconds
// each (the menu's whole layout, its icons encoded anew). The calls are answered while they
// have used no more than a share of the time: a burst, such as a host opening the menu and its
// submenus, is answered whole, and past it the calls get kShare of the time. A call beyond
// that is refused at once with an error, which costs next to nothing, so a peer calling
// without pause never queues more than the main thread drains, nor holds the hot keys.
//
//   BusCallBudget budget;   // on the main thread, for as long as the program exports objects

#include <QElapsedTimer>
#include <QObject>

namespace fw {

class BusCallBudget final : public QObject {
public:
    // The share of the time the calls may take, and the work a burst may take at once.
    static constexpr double kShare = 0.25;
    static constexpr double kBurstMs = 250;

    BusCallBudget();
    ~BusCallBudget() override;
    BusCallBudget(const BusCallBudget&) = delete;
    BusCallBudget& operator=(const BusCallBudget&) = delete;

    // Calls refused so far.
    qint64 refused() const { return refused_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer clock_;
    double balanceMs_ = kBurstMs;   // the work calls may still take now; below zero: in debt
    double lastMs_ = 0;             // when the balance was last brought up to date
    qint64 refused_ = 0;
};

} // namespace fw
