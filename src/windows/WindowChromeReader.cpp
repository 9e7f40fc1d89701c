// Finds the title-bar buttons and the controls and content reaching into a window's top band by
// a bounded breadth-first walk of its accessible nodes, so badges can keep clear of them.
#include "windows/WindowChromeReader.h"

#include <QSet>
#include <deque>
#include <utility>

namespace fw {

namespace {

const QSet<QString>& containerRoles()
{
    static const QSet<QString> set{"group", "toolbar", "tab-group", "split-group",
                                   "layout-area", "unknown", "window"};
    return set;
}

const QSet<QString>& contentRoles()
{
    static const QSet<QString> set{"scroll-area", "web-area", "table", "outline", "list", "row",
                                   "cell", "text-area", "browser", "column", "grid"};
    return set;
}

const QSet<QString>& ignoredRoles()
{
    static const QSet<QString> set{"splitter", "grow-area"};
    return set;
}

const QSet<QString>& titleButtonSubroles()
{
    static const QSet<QString> set{"close-button", "minimize-button", "full-screen-button", "maximize-button"};
    return set;
}

} // namespace

WindowChrome WindowChromeReader::readWindow(AccessibleNodes& nodes, WindowId window, const Rect& windowFrame,
                                            int maxVisits)
{
    auto root = nodes.windowNode(window);
    if (!root)
        return {};
    return read(nodes, *root, windowFrame, maxVisits);
}

WindowChrome WindowChromeReader::read(AccessibleNodes& nodes, NodeId window, const Rect& windowFrame, int maxVisits)
{
    const Rect band(windowFrame.minX(), windowFrame.minY(), windowFrame.width(), kBandHeight);
    WindowChrome chrome;
    std::deque<std::pair<NodeId, int>> queue{{window, 0}};
    int visits = 0;

    while (visits < maxVisits && !queue.empty()) {
        const auto [node, depth] = queue.front();
        queue.pop_front();
        ++visits;

        const auto attrs = nodes.read(node, kNodeTimeout);
        if (!attrs)
            continue;
        const Point position = attrs->position.value_or(Point{});
        const Size size = attrs->size.value_or(Size{});
        const Rect screenFrame(position, size);
        const Rect relative = screenFrame.offsetBy(-windowFrame.minX(), -windowFrame.minY());
        const QString& role = attrs->role;

        if (depth > 0) {
            const bool inBand = size.width > 0 && size.height > 0 && screenFrame.intersects(band);
            if (inBand && !ignoredRoles().contains(role)) {
                if (titleButtonSubroles().contains(attrs->subrole)) {
                    chrome.titleBarButtons = chrome.titleBarButtons ? chrome.titleBarButtons->united(relative) : relative;
                    continue;
                }
                if (contentRoles().contains(role)) {
                    chrome.elements.push_back({relative, false});
                    continue;
                }
                if (!containerRoles().contains(role))
                    chrome.elements.push_back({relative, true});
            }
            if (depth >= kMaxSearchDepth || !containerRoles().contains(role))
                continue;
        }

        if (!attrs->children)
            continue;
        // Subtrees wholly below the band are skipped; an element without a frame is searched.
        if (depth > 0 && !screenFrame.isEmpty() && !screenFrame.intersects(band))
            continue;
        for (NodeId child : *attrs->children)
            queue.emplace_back(child, depth + 1);
    }
    return chrome;
}

} // namespace fw
