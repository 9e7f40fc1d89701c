#pragma once
// Mouse-button grabs on X11: the tap thread ("Framewell mouse shortcuts") owns a connection of
// its own and holds passive button grabs on the root window in synchronous mode, each in every
// combination of the lock modifiers; when the modifier map changes, it grabs again. A grabbed
// press freezes the pointer until the filter has decided: AllowEvents AsyncPointer drops the
// click (its release comes to us too), while ReplayPointer hands it on to the window under the
// pointer as if we had not been there. start() and regrab() return only once the thread has
// the grabs in place.

#include "platform/ButtonGrabs.h"
#include "platform/x11/X11Input.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace fw {

namespace x11 {
class Connection;
}

class X11ButtonGrabs final : public ButtonGrabs {
public:
    explicit X11ButtonGrabs(const QByteArray& displayName = {});
    ~X11ButtonGrabs() override;

    bool start(const std::vector<ButtonGrab>& grabs, Filter filter) override;
    void regrab(const std::vector<ButtonGrab>& grabs) override;
    std::vector<ButtonGrab> refused() const override;
    void stop() override;
    bool running() const override { return thread_.joinable(); }

private:
    void run();
    // On the tap thread: replaces every grab with `wanted`; returns the refused ones.
    std::vector<ButtonGrab> applyGrabs(const std::vector<ButtonGrab>& wanted);
    // On the tap thread: grabs `wanted` and publishes what was refused as request `serial`'s.
    void publishGrabs(const std::vector<ButtonGrab>& wanted, std::uint64_t serial);
    // On the tap thread: true when the event changed the modifier map.
    bool handle(const void* event);
    // On the tap thread as it ends: lets go of every grab.
    void release();
    // Blocks until the thread has applied the grabs of request `serial` (or has ended).
    void waitApplied(std::uint64_t serial);
    void wake();

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;   // used by the tap thread only while it runs
    std::thread thread_;
    int wakeFd_ = -1;
    Filter filter_;                           // set before the thread starts, then read only by it
    x11::ModifierMap modifiers_;              // read by start(), then by the thread alone

    mutable std::mutex mutex_;                // guards everything below
    std::condition_variable applied_;
    std::vector<ButtonGrab> wanted_;
    std::vector<ButtonGrab> refused_;
    std::uint64_t requested_ = 0;
    std::uint64_t done_ = 0;
    bool stopping_ = false;
    bool ended_ = false;
};

} // namespace fw
