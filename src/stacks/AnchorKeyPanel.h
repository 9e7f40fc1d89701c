#pragma once
// A stack anchor's key panel while scroll steps cycle the stack or a look raises windows:
// which key panel is shown (a serial), until when its losing the keyboard is their doing (the
// raised window's application takes it), and the pending step that makes the panel the
// keyboard window again. Main thread only.

#include "base/Clock.h"

#include <cstdint>
#include <utility>

namespace fw {

class AnchorKeyPanel {
public:
    static constexpr double steppingGrace = 1.0;   // seconds a resignation is ignored
    static constexpr Duration rekeyDelay = std::chrono::milliseconds(350);

    explicit AnchorKeyPanel(Clock& clock) : clock_(clock) {}
    ~AnchorKeyPanel() { cancelRekey(); }
    AnchorKeyPanel(const AnchorKeyPanel&) = delete;
    AnchorKeyPanel& operator=(const AnchorKeyPanel&) = delete;

    std::uint64_t serial = 0;      // the key panel shown last
    double steppingUntil = 0;      // uptime in seconds
    TimerId rekey = 0;

    void cancelRekey() { clock_.cancel(std::exchange(rekey, 0)); }

private:
    Clock& clock_;
};

} // namespace fw
