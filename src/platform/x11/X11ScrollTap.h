#pragma once
// The scroll tap on X11: while installed, the wheel buttons 4/5 (vertical) and 6/7
// (horizontal) are grabbed on the root window with any modifiers, so every notch comes to us
// instead of the application under the pointer; read on the Qt main thread. X reports wheel
// notches only: every event is a whole notch, never smooth deltas or momentum.

#include "platform/ScrollTap.h"

#include <QByteArray>

#include <memory>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
} // namespace x11

class X11ScrollTap final : public ScrollTap {
public:
    explicit X11ScrollTap(const QByteArray& displayName = {});
    ~X11ScrollTap() override;

    bool install(std::function<void(const ScrollEvent&)> handler) override;
    void remove() override;
    bool installed() const override { return installed_; }

    void drain();

private:
    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::function<void(const ScrollEvent&)> handler_;
    bool installed_ = false;
};

} // namespace fw
