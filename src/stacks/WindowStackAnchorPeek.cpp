// One stack's anchor, its peeks: a window raised for a look while the pointer rests on its
// card, and the stacking from before put back, window by window, when the look ends.
#include "stacks/WindowStackAnchor.h"

#include <algorithm>
#include <memory>

namespace fw {

namespace {

struct RestoreRun {
    TaskScope& tasks;
    std::vector<ManagedWindow> windows;
    std::function<void(const ManagedWindow&)> raiser;
    std::function<void()> then;
    std::size_t next = 0;
};

// Each step a deferred step of the scope: `then` may end the anchor, and the scope with it.
void restoreStep(const std::shared_ptr<RestoreRun>& run)
{
    if (run->next == run->windows.size()) {
        run->tasks.after(AnchorPeek::restoreSettle, [run] {
            if (run->then)
                run->then();
        });
        return;
    }
    if (run->raiser)
        run->raiser(run->windows[run->next]);
    ++run->next;
    run->tasks.after(AnchorPeek::restorePause, [run] { restoreStep(run); });
}

} // namespace

void AnchorPeek::raise(const ManagedWindow& window, const std::function<void(const ManagedWindow&)>& raiser)
{
    std::erase(raised_, window);
    raised_.push_back(window);
    if (raiser)
        raiser(window);
}

std::vector<ManagedWindow> AnchorPeek::takeRestore()
{
    std::vector<ManagedWindow> list;
    if (!raised_.empty()) {
        if (scene && !scene->layers.empty())
            list = restoreOrder(*scene, raised_);
        else if (origin)
            list = {*origin};
    }
    raised_.clear();
    return list;
}

std::vector<ManagedWindow> AnchorPeek::finish(bool restoring)
{
    std::vector<ManagedWindow> list = restoring ? takeRestore() : std::vector<ManagedWindow>{};
    raised_.clear();
    peeked.clear();
    origin.reset();
    scene.reset();
    return list;
}

std::vector<ManagedWindow> AnchorPeek::restoreOrder(const PeekScene& scene, const std::vector<ManagedWindow>& raised)
{
    const std::vector<WindowLayer>& list = scene.layers;
    const auto indexOf = [&](const ManagedWindow& w) -> std::optional<std::size_t> {
        const auto at = std::find_if(list.begin(), list.end(), [&](const WindowLayer& l) { return l.id == w.element; });
        return at == list.end() ? std::nullopt : std::optional(std::size_t(at - list.begin()));
    };
    std::vector<bool> chosen(list.size(), false);
    for (const ManagedWindow& w : raised) {
        if (const auto i = indexOf(w))
            chosen[*i] = true;
    }
    // Back to front: whether a window goes back over one behind it is settled before it is asked.
    for (std::size_t i = list.size(); i-- > 0;) {
        for (std::size_t behind = i + 1; behind < list.size() && !chosen[i]; ++behind)
            chosen[i] = chosen[behind] && list[i].frame.intersects(list[behind].frame);
    }
    std::vector<ManagedWindow> out;
    for (std::size_t i = list.size(); i-- > 0;) {
        if (chosen[i])
            out.push_back({list[i].id, list[i].pid, {}, {}});
    }
    // The raised windows at the bottom of the order that already stand in it, the newest on
    // top, stay where they are: the others come over them.
    std::size_t lead = 0, lastRank = 0;
    for (; lead < out.size(); ++lead) {
        const auto rank = std::find(raised.begin(), raised.end(), out[lead]);
        const std::size_t r = std::size_t(rank - raised.begin());
        if (rank == raised.end() || (lead > 0 && r < lastRank))
            break;
        lastRank = r;
    }
    out.erase(out.begin(), out.begin() + std::ptrdiff_t(lead));
    // The keyboard goes back where it was, when that window stood in front of all it meets.
    if (!scene.focused || raised.empty())
        return out;
    const ManagedWindow& last = out.empty() ? raised.back() : out.back();
    if (!(last.element == scene.focused->element)) {
        if (const auto f = indexOf(*scene.focused)) {
            const bool clear = std::none_of(list.begin(), list.begin() + std::ptrdiff_t(*f),
                                            [&](const WindowLayer& l) { return l.frame.intersects(list[*f].frame); });
            if (clear)
                out.push_back(*scene.focused);
        }
    }
    return out;
}

void AnchorPeek::restore(TaskScope& tasks, std::vector<ManagedWindow> windows,
                         std::function<void(const ManagedWindow&)> raiser, std::function<void()> then)
{
    restoreStep(std::make_shared<RestoreRun>(RestoreRun{tasks, std::move(windows), std::move(raiser), std::move(then)}));
}

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
    if (!peek_.scene) {
        peek_.origin = front_;
        peek_.scene = actions.stacking ? actions.stacking() : PeekScene{};
    }
    if (windows == peek_.peeked)
        return;
    if (peek_.origin && windows == std::vector<ManagedWindow>{*peek_.origin}) {
        // Back on the window that was in front: what was in front stands there again.
        if (!peek_.peeked.empty()) {
            peek_.peeked.clear();
            if (std::vector<ManagedWindow> list = peek_.takeRestore(); !list.empty()) {
                holdKeyboard();
                AnchorPeek::restore(services_.looks ? *services_.looks : tasks_, std::move(list), actions.peekWindow, {});
            }
        }
        return;
    }
    peek_.peeked = windows;
    holdKeyboard();
    for (const ManagedWindow& w : windows)
        peek_.raise(w, actions.peekWindow);
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
    if (switcherShown())
        holdKeyboard();
    AnchorPeek::restore(services_.looks ? *services_.looks : tasks_, std::move(list), actions.peekWindow, std::move(then));
}

} // namespace fw
