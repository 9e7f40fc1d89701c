#pragma once
// The simulated desktop's screens behind the Screens port: added, changed and removed by tests,
// always with exactly one primary screen listed first while any exists, each change told to
// the handler once, synchronously.

#include "platform/Screens.h"

#include <QString>
#include <functional>
#include <vector>

namespace fw::sim {

class SimScreens : public Screens {
public:
    std::vector<ScreenInfo> screens() const override;
    void setChangeHandler(std::function<void()> handler) override;
    bool hasChangeHandler() const { return bool(screensChanged_); }
    // Keys are unique: adding a known key replaces that screen. A new primary screen makes the
    // others non-primary.
    void addScreen(const ScreenInfo& screen);
    bool removeScreen(const QString& key);
    bool changeScreen(const QString& key, const ScreenInfo& screen);
    void setScreens(const std::vector<ScreenInfo>& screens);

private:
    void fireScreensChanged();
    void normaliseScreens();

    std::vector<ScreenInfo> screens_;
    std::function<void()> screensChanged_;
};

} // namespace fw::sim
