#pragma once
// Accessible-node port: the tree of user-interface elements inside another application's
// window, as assistive technologies see it. Roles and subroles use one vocabulary across
// platforms ("group", "toolbar", "close-button", …); an adapter maps its platform's
// roles onto it. Every read is bounded by the given time-out; a read that fails or times
// out gives nothing. Reads may run on any thread.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace fw {

using NodeId = std::uint64_t;

// The five attributes read of a node in one call. Missing values stay empty.
struct NodeAttributes {
    QString role;
    QString subrole;
    std::optional<Point> position;   // top-left device pixels
    std::optional<Size> size;
    std::optional<std::vector<NodeId>> children;
};

class AccessibleNodes {
public:
    virtual ~AccessibleNodes() = default;
    // The node of a top-level window; nothing when the window exposes no tree.
    virtual std::optional<NodeId> windowNode(WindowId window) = 0;
    // Role, subrole, position, size and children in one read.
    virtual std::optional<NodeAttributes> read(NodeId node, std::chrono::milliseconds timeout) = 0;
};

// For desktops whose window manager draws the title bars: windows expose no nodes.
class EmptyAccessibleNodes final : public AccessibleNodes {
public:
    std::optional<NodeId> windowNode(WindowId) override;
    std::optional<NodeAttributes> read(NodeId, std::chrono::milliseconds) override;
};

} // namespace fw
