// One stack's anchor, its peeks: a window raised for a look while the pointer rests on its
// card, and the earlier front windows raised again, one by one, when the look ends.
#include "stacks/WindowStackAnchor.h"

namespace fw {

void WindowStackAnchor::schedulePeek(std::vector<ManagedWindow> windows)
{
    peek_.cancelPending();
    const Duration delay = windows.empty() ? AnchorPeek::leaveDelay : AnchorPeek::delay;
    auto weak = self_.weak();
    peek_.pending = services_.clock.schedule(delay, [weak, windows = std::move(windows)] {
        auto a = weak.lock();
        if (!a)
            return;
        a->peek_.pending = 0;
        a->peek(windows);
    });
}

void WindowStackAnchor::peek(const std::vector<ManagedWindow>& windows)
{
    if (!switcherShown())
        return;
    if (windows.empty()) {
        endPeek(true);
        return;
    }
    if (!peek_.origin) {
        peek_.origin = front_;
        if (actions.currentFronts)
            peek_.restoreList = actions.currentFronts();
        else
            peek_.restoreList = front_ ? std::vector<ManagedWindow>{*front_} : std::vector<ManagedWindow>{};
    }
    if (windows == peek_.peeked)
        return;
    if (peek_.origin && windows == std::vector<ManagedWindow>{*peek_.origin}) {
        // Back on the window that was in front: nothing is left to restore.
        if (!peek_.peeked.empty()) {
            peek_.peeked.clear();
            if (actions.peekWindow)
                actions.peekWindow(*peek_.origin);
        }
        return;
    }
    peek_.peeked = windows;
    for (const ManagedWindow& w : windows) {
        if (actions.peekWindow)
            actions.peekWindow(w);
    }
}

void WindowStackAnchor::endPeek(bool restoring, std::function<void()> then)
{
    peek_.cancelPending();
    std::vector<ManagedWindow> list = peek_.finish(restoring);
    if (list.empty()) {
        if (then)
            then();
        return;
    }
    tasks_.spawn(restore(std::move(list), std::move(then)));
}

Task<void> WindowStackAnchor::restore(std::vector<ManagedWindow> windows, std::function<void()> then)
{
    Clock& clock = services_.clock;
    for (const ManagedWindow& w : windows) {
        if (actions.peekWindow)
            actions.peekWindow(w);
        const bool slept = co_await clock.sleep(AnchorPeek::restorePause);
        (void)slept;   // the follow-up runs even when a sleep is cut short
    }
    const bool settled = co_await clock.sleep(AnchorPeek::restoreSettle);
    (void)settled;
    if (then)
        then();
}

} // namespace fw
