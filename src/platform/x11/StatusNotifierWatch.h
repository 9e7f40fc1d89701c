#pragma once
// Looks for a StatusNotifier host on the session bus without waiting on anyone: the bus is
// reached on a thread of its own (where no address is set, reaching it may launch one, which
// takes seconds), then the bus is asked whether a watcher runs and the watcher whether a host
// registered, each call answered later. A watcher slower than kPromptMs is asked again a few
// times, further apart each time, and otherwise left until it restarts or a host registers: the
// toolkit's tray asks it synchronously, so it is used only while it answers promptly.
//
//   StatusNotifierWatch watch([&] { trayChanged(); });
//   watch.start();
//   …  // once settled(): host() says whether a StatusNotifier host is there

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QDBusPendingCallWatcher;
class QTimer;

namespace fw {

class StatusNotifierWatch final : public QObject {
    Q_OBJECT
public:
    // How soon a watcher answers to count as answering.
    static constexpr std::chrono::milliseconds kPromptMs{1000};

    explicit StatusNotifierWatch(std::function<void()> changed);
    ~StatusNotifierWatch() override;

    // Reaches the bus and asks; once. Nothing before.
    void start();
    // Whether what the toolkit's tray asks on the bus is answered at once now: the bus was
    // reached or found absent, and a watcher on it, if any, answered promptly.
    bool settled() const { return settled_; }
    // Whether a StatusNotifier host is registered with a watcher that answered promptly.
    bool host() const { return host_; }

private slots:
    void watcherAppeared();
    void hostRegistered();

private:
    void connected(bool reached);
    void ask();
    void answered(bool owned);
    void hostAnswered(QDBusPendingCallWatcher* call);
    void set(bool settled, bool host);

    std::function<void()> changed_;
    bool started_ = false;
    bool reached_ = false;
    bool settled_ = false;
    bool host_ = false;
    int slowAnswers_ = 0;       // in a row, since the watcher last came
    int asking_ = 0;            // a generation: answers to an older question are dropped
    std::unique_ptr<QTimer> retry_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace fw
