// MutationGuard: holds the coordinator's one moving task, pausing stack refreshes meanwhile and running
// a waiting divider edit when it is released.
#include "snap/Interaction.h"

#include <utility>

namespace fw {

std::optional<MutationGuard> MutationGuard::take(Interaction& interaction, WindowStackController& stacks)
{
    if (interaction.mutating)
        return std::nullopt;
    interaction.mutating = true;
    stacks.suspend();
    return MutationGuard(interaction, stacks);
}

MutationGuard::MutationGuard(MutationGuard&& other) noexcept
    : interaction_(std::exchange(other.interaction_, nullptr)), stacks_(other.stacks_)
{
}

void MutationGuard::release()
{
    Interaction* interaction = std::exchange(interaction_, nullptr);
    if (!interaction)
        return;
    interaction->mutating = false;
    stacks_->scheduleRefresh();
    if (interaction->pendingEdit && interaction->drainPendingEdit) {
        auto drain = interaction->drainPendingEdit;
        drain();
    }
}

} // namespace fw
