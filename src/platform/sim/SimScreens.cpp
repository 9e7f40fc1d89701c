// The simulated desktop's screens: added, changed and removed by tests, always with exactly one
// primary screen listed first while any exists, each change told to the handler once.
#include "platform/sim/SimScreens.h"

#include <algorithm>

namespace fw::sim {

std::vector<ScreenInfo> SimScreens::screens() const { return screens_; }

void SimScreens::setChangeHandler(std::function<void()> handler) { screensChanged_ = std::move(handler); }

void SimScreens::fireScreensChanged()
{
    if (screensChanged_) {
        auto handler = screensChanged_;
        handler();
    }
}

void SimScreens::normaliseScreens()
{
    // There is always exactly one primary display while any exists, and it comes first.
    auto primary = std::find_if(screens_.begin(), screens_.end(), [](const ScreenInfo& s) { return s.primary; });
    if (primary == screens_.end()) {
        if (!screens_.empty())
            screens_.front().primary = true;
        return;
    }
    std::rotate(screens_.begin(), primary, primary + 1);
    for (std::size_t i = 1; i < screens_.size(); ++i)
        screens_[i].primary = false;
}

void SimScreens::addScreen(const ScreenInfo& screen)
{
    auto it = std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == screen.key; });
    if (it != screens_.end()) {
        *it = screen;
    } else {
        screens_.push_back(screen);
        it = screens_.end() - 1;
    }
    if (screen.primary) {
        for (auto& s : screens_)
            s.primary = false;
        std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == screen.key; })->primary = true;
    }
    normaliseScreens();
    fireScreensChanged();
}

bool SimScreens::removeScreen(const QString& key)
{
    const auto before = screens_.size();
    std::erase_if(screens_, [&](const ScreenInfo& s) { return s.key == key; });
    if (screens_.size() == before)
        return false;
    normaliseScreens();
    fireScreensChanged();
    return true;
}

bool SimScreens::changeScreen(const QString& key, const ScreenInfo& screen)
{
    auto it = std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == key; });
    if (it == screens_.end())
        return false;
    const bool primary = screen.primary;
    *it = screen;
    if (primary) {
        const QString newKey = screen.key;
        for (auto& s : screens_)
            s.primary = s.key == newKey;
    }
    normaliseScreens();
    fireScreensChanged();
    return true;
}

void SimScreens::setScreens(const std::vector<ScreenInfo>& screens)
{
    screens_ = screens;
    bool seenPrimary = false;
    for (auto& s : screens_) {
        if (s.primary && seenPrimary)
            s.primary = false;
        seenPrimary = seenPrimary || s.primary;
    }
    normaliseScreens();
    fireScreensChanged();
}

} // namespace fw::sim
