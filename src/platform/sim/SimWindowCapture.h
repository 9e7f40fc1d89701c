#pragma once
// Window capture on the simulated desktop. Pictures are generated: each window is one opaque
// colour chosen from its id (colourOf), the background another, so tests know every pixel.
// Windows that are gone or minimized have no picture, as on a real desktop. Every request is
// recorded, and a test can take capture away or make single windows fail.

#include "platform/WindowCapture.h"
#include "platform/sim/SimDesktop.h"

#include <set>
#include <vector>

namespace fw::sim {

class SimWindowCapture final : public WindowCapture {
public:
    explicit SimWindowCapture(SimDesktop& desktop) : desktop_(desktop) {}

    static constexpr std::uint32_t backgroundColour = argb(255, 20, 40, 80);
    static std::uint32_t colourOf(WindowId id);

    bool available() override { return available_; }
    std::optional<PixelImage> captureWindow(WindowId window, const Rect& frame, PixelSize size) override;
    std::optional<PixelImage> captureDesktop(const Rect& area, const std::vector<WindowId>& windowsBottomToTop,
                                             PixelSize size) override;

    void setAvailable(bool available) { available_ = available; }
    // Captures of this window give nothing from now on.
    void failWindow(WindowId id) { failing_.insert(id); }

    struct Request {
        bool desktop = false;
        WindowId window = 0;                // window captures
        std::vector<WindowId> windows;      // desktop captures, bottom to top
        Rect frame;                         // the frame or area asked for
        PixelSize size;
    };
    const std::vector<Request>& requests() const { return requests_; }

private:
    bool capturable(WindowId id) const;

    SimDesktop& desktop_;
    bool available_ = true;
    std::set<WindowId> failing_;
    std::vector<Request> requests_;
};

} // namespace fw::sim
