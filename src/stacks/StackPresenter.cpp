// The presenter's calls, each handed to its run or state.
#include "stacks/StackPresenter.h"

#include "stacks/BadgeUpkeep.h"
#include "stacks/StackAnchors.h"
#include "stacks/StackHover.h"

namespace fw::stacks {

StackPresenter::StackPresenter(const StackQueries& queries, StackRequests requests, const PresenterServices& services)
    : badges_(services.clock), hover_(services.clock),
      ctx_(services, queries, std::move(requests), badges_, anchors_, hover_)
{
}

StackPresenter::~StackPresenter() { ctx_.self.cut(); }

StackPresentation::Shown StackPresenter::present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                                 const std::vector<WindowLayerSnapshot>& layers)
{
    return presentStack(ctx_, stack, members, layers);
}

void StackPresenter::endPass() { stacks::endPass(ctx_); }

void StackPresenter::start()
{
    if (!badges_.chromeTimer)
        armChrome(ctx_);
}

void StackPresenter::stop()
{
    badges_.dropAll();
    ctx_.clock.cancel(std::exchange(badges_.chromeTimer, 0));
    badges_.chrome.clear();
    badges_.chromeInFlight.clear();
    badges_.controls.clear();
    ctx_.hideAll();
    anchors_.clear();
    hover_.states.clear();
}

void StackPresenter::noteMouseMoved(Point at)
{
    hover_.lastPointer = at;
    checkHover(ctx_, at);
}

bool StackPresenter::openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                  const ManagedWindow& front, const Rect& anchor)
{
    return stacks::openSwitcher(ctx_, stack, members, front, anchor);
}

} // namespace fw::stacks
