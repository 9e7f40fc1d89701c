#pragma once
// A stack anchor's peek: the windows raised for a look while the pointer rests on their cards
// in the switcher, the window that was in front when the look began, the windows to raise
// again when it ends, and the pending step that starts or ends a look. Main thread only.

#include "base/Clock.h"
#include "windows/ManagedWindow.h"

#include <optional>
#include <utility>
#include <vector>

namespace fw {

class AnchorPeek {
public:
    static constexpr Duration delay = std::chrono::milliseconds(150);        // resting on a card
    static constexpr Duration leaveDelay = std::chrono::milliseconds(300);   // off every card
    static constexpr Duration restorePause = std::chrono::milliseconds(40);  // between raises
    static constexpr Duration restoreSettle = std::chrono::milliseconds(60); // after the last

    explicit AnchorPeek(Clock& clock) : clock_(clock) {}
    ~AnchorPeek() { cancelPending(); }
    AnchorPeek(const AnchorPeek&) = delete;
    AnchorPeek& operator=(const AnchorPeek&) = delete;

    std::vector<ManagedWindow> peeked;          // raised for the look now
    std::optional<ManagedWindow> origin;        // in front when the look began
    std::vector<ManagedWindow> restoreList;     // raised again when it ends
    TimerId pending = 0;

    void cancelPending() { clock_.cancel(std::exchange(pending, 0)); }
    // Forgets the look; with `restoring`, returns the windows to raise again (none when
    // nothing was raised for it).
    std::vector<ManagedWindow> finish(bool restoring)
    {
        std::vector<ManagedWindow> list;
        if (restoring && !peeked.empty()) {
            if (!restoreList.empty())
                list = restoreList;
            else if (origin)
                list = {*origin};
        }
        peeked.clear();
        origin.reset();
        restoreList.clear();
        return list;
    }

private:
    Clock& clock_;
};

} // namespace fw
