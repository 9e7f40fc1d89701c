// The accessible-node port's empty adapter, for desktops whose window manager draws the title
// bars: windows expose no nodes, so every read gives nothing.
#include "platform/AccessibleNodes.h"

namespace fw {

std::optional<NodeId> EmptyAccessibleNodes::windowNode(WindowId)
{
    return std::nullopt;
}

std::optional<NodeAttributes> EmptyAccessibleNodes::read(NodeId, std::chrono::milliseconds)
{
    return std::nullopt;
}

} // namespace fw
