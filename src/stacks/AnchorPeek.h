#pragma once
// A stack anchor's peek: the windows raised for a look while the pointer rests on their cards
// in the switcher, the window that was in front when the look began, the stacking the look
// began with, and the pending step that starts or ends a look. Ending a look raises again
// only what stood in front of a window the look raised, in the order it stood: a window that
// was behind stays behind. Main thread only.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

// The desktop as a look finds it: the windows a look may move (work windows of other
// programs, front to back) and the one with the keyboard.
struct PeekScene {
    std::vector<WindowLayer> layers;
    std::optional<ManagedWindow> focused;
};

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
    std::optional<PeekScene> scene;             // the stacking when the look began
    TimerId pending = 0;

    void cancelPending() { clock_.cancel(std::exchange(pending, 0)); }
    // Raises the window for the look and remembers it.
    void raise(const ManagedWindow& window, const std::function<void(const ManagedWindow&)>& raiser);
    // The windows to raise again, in order, for the stacking the look began with to stand again
    // (nothing when the look raised nothing); the look goes on from there.
    std::vector<ManagedWindow> takeRestore();
    // Forgets the look; with `restoring`, returns the windows to raise again.
    std::vector<ManagedWindow> finish(bool restoring);

    // The raises that put back the stacking `scene` shows after `raised` (oldest first) came
    // to the front: back-most first, every window that stood in front of a raised one and
    // overlaps it, or in front of and over one of those, then the window with the keyboard
    // when nothing stood over it. The raised windows already in that order lead and are left out.
    static std::vector<ManagedWindow> restoreOrder(const PeekScene& scene, const std::vector<ManagedWindow>& raised);
    // Raises the windows one every `restorePause`, then `restoreSettle` after the last runs
    // `then`, each step deferred in the scope given (AnchorServices::looks): one that outlives
    // the anchor leaves no look half undone when a switcher goes meanwhile.
    static void restore(TaskScope& tasks, std::vector<ManagedWindow> windows,
                        std::function<void(const ManagedWindow&)> raiser, std::function<void()> then);

private:
    Clock& clock_;
    std::vector<ManagedWindow> raised_;   // since the look began or was last put back, oldest first
};

} // namespace fw
