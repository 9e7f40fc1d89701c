// The accessible-node port where there is no tree to read (AccessibleNodes.h): every read
// gives nothing.
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
