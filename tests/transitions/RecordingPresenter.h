#pragma once
// A presenter for tests of code that plays transitions: it shows nothing, but keeps the time a
// real presentation takes on the clock (the cover pause, then the duration), runs the reveal
// and begin actions where a real one would, and records every call.

#include "base/Clock.h"
#include "transitions/CardShuffle.h"
#include "transitions/TransitionPresenter.h"

#include <memory>
#include <vector>

namespace fw::test {

class RecordingPresenter final : public TransitionPresenter {
public:
    explicit RecordingPresenter(Clock& clock) : clock_(clock) {}

    bool gpu = true;
    bool translucent = true;

    struct ShaderCall {
        std::uint32_t effect = 0;
        std::vector<TransitionLayer> layers;
        Duration duration{0};
        Duration revealedAt{0};
        Duration endedAt{0};
    };
    struct CardsCall {
        std::shared_ptr<const CardShuffle> shuffle;
        Duration duration{0};
        Duration begunAt{0};
    };
    std::vector<ShaderCall> shaderCalls;
    std::vector<CardsCall> cardsCalls;

    bool gpuAvailable() override { return gpu; }
    bool translucentPanels() override { return translucent; }

    Task<void> playShader(std::uint32_t effect, std::vector<TransitionLayer> layers, Duration duration,
                          RevealAction reveal) override
    {
        shaderCalls.push_back({effect, std::move(layers), duration, {}, {}});
        const std::size_t index = shaderCalls.size() - 1;
        const bool covered = co_await clock_.sleep(std::chrono::milliseconds(30));
        (void)covered;
        shaderCalls[index].revealedAt = clock_.now();
        co_await reveal();
        const bool played = co_await clock_.sleep(duration);
        (void)played;
        shaderCalls[index].endedAt = clock_.now();
    }

    Task<void> presentCards(std::shared_ptr<const CardShuffle> shuffle, std::function<void()> begin,
                            Duration duration) override
    {
        cardsCalls.push_back({shuffle, duration, {}});
        const std::size_t index = cardsCalls.size() - 1;
        const bool covered = co_await clock_.sleep(std::chrono::milliseconds(30));
        (void)covered;
        cardsCalls[index].begunAt = clock_.now();
        begin();
        const bool played = co_await clock_.sleep(duration);
        (void)played;
    }

private:
    Clock& clock_;
};

} // namespace fw::test
