// The presenter's calls, each handed to its run or state with the state objects it changes.
#include "stacks/StackPresenter.h"

#include "stacks/BadgeUpkeep.h"
#include "stacks/StackAnchors.h"
#include "stacks/StackHover.h"

namespace fw::stacks {

StackPresenter::StackPresenter(const StackQueries& queries, std::weak_ptr<StackActions> actions,
                               BadgeSettings& badgeSettings, const PresenterServices& services)
    : badgeSettings_(badgeSettings), hover_(services.clock),
      ctx_(services, queries, std::move(actions))
{
}

StackPresenter::~StackPresenter() { ctx_.self.cut(); }

StackPresentation::Shown StackPresenter::present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                                 const std::vector<WindowLayerSnapshot>& layers)
{
    return presentStack(ctx_, badges_, anchors_, hover_, badgeSettings_, stack, members, layers);
}

void StackPresenter::endPass() { stacks::endPass(ctx_, badges_, anchors_, hover_); }

void StackPresenter::suspend() { hideAll(badges_, anchors_, hover_); }

void StackPresenter::stop()
{
    badges_.dropAll();
    badges_.bars.clear();
    hideAll(badges_, anchors_, hover_);
    anchors_.clear();
    hover_.states.clear();
}

void StackPresenter::noteMouseMoved(Point at)
{
    hover_.lastPointer = at;
    checkHover(ctx_, hover_, anchors_, badges_, at);
}

bool StackPresenter::openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                  const ManagedWindow& front, const Rect& anchor)
{
    return stacks::openSwitcher(ctx_, badges_, anchors_, stack, members, front, anchor);
}

} // namespace fw::stacks
