#include "windows/WindowChromeReader.h"

#include <gtest/gtest.h>
#include <map>

using namespace fw;

namespace {

// A tree of nodes held in memory; unknown nodes fail to read.
class TreeNodes final : public AccessibleNodes {
public:
    NodeId add(QString role, QString subrole, std::optional<Rect> frame, std::vector<NodeId> children = {})
    {
        NodeAttributes a{std::move(role), std::move(subrole), {}, {}, std::move(children)};
        if (frame) {
            a.position = frame->origin;
            a.size = frame->size;
        }
        nodes[++last] = a;
        return last;
    }
    std::optional<NodeId> windowNode(WindowId) override { return root; }
    std::optional<NodeAttributes> read(NodeId node, std::chrono::milliseconds timeout) override
    {
        EXPECT_EQ(timeout, std::chrono::milliseconds(200));
        visited.push_back(node);
        auto it = nodes.find(node);
        if (it == nodes.end())
            return std::nullopt;
        return it->second;
    }
    std::map<NodeId, NodeAttributes> nodes;
    std::vector<NodeId> visited;
    NodeId last = 0;
    std::optional<NodeId> root;
};

const Rect window(100, 50, 800, 600);   // band: y 50 to 180

} // namespace

TEST(WindowChromeReader, FindsButtonsControlsAndContentInTheTitleBand)
{
    TreeNodes t;
    const NodeId close = t.add("button", "close-button", Rect(108, 56, 14, 14));
    const NodeId zoom = t.add("button", "maximize-button", Rect(148, 56, 14, 14));
    const NodeId tool = t.add("button", "", Rect(300, 55, 30, 30));
    const NodeId toolbar = t.add("toolbar", "", Rect(100, 50, 800, 40), {tool});
    const NodeId row = t.add("row", "", Rect(100, 120, 800, 20));
    const NodeId scroll = t.add("scroll-area", "", Rect(100, 90, 800, 560), {row});
    const NodeId cell = t.add("button", "", Rect(120, 400, 20, 20));
    const NodeId lowGroup = t.add("group", "", Rect(100, 300, 800, 100), {cell});
    const NodeId inner = t.add("button", "", Rect(100, 50, 10, 10));
    const NodeId framelessGroup = t.add("group", "", std::nullopt, {inner});
    const NodeId splitter = t.add("splitter", "", Rect(400, 50, 2, 600));
    const NodeId win = t.add("window", "standard-window", window,
                             {close, zoom, toolbar, scroll, lowGroup, framelessGroup, splitter, 999});
    t.root = win;

    const auto chrome = WindowChromeReader::readWindow(t, 1, window, 200);
    EXPECT_EQ(chrome.titleBarButtons, Rect(8, 6, 54, 14));
    EXPECT_EQ(chrome.elements, (std::vector<WindowChrome::Element>{
                                   {Rect(0, 40, 800, 560), false},   // scroll area: content
                                   {Rect(200, 5, 30, 30), true},     // the toolbar's button
                                   {Rect(0, 0, 10, 10), true},       // in a group without a frame
                               }));
    // Rows of the scroll area and the group below the band are never visited.
    EXPECT_EQ(std::count(t.visited.begin(), t.visited.end(), row), 0);
    EXPECT_EQ(std::count(t.visited.begin(), t.visited.end(), cell), 0);

    // The visit limit counts failed reads too; what was found so far is returned.
    t.visited.clear();
    const auto partial = WindowChromeReader::read(t, win, window, 4);
    EXPECT_EQ(t.visited.size(), 4u);
    EXPECT_EQ(partial.titleBarButtons, Rect(8, 6, 54, 14));
    EXPECT_TRUE(partial.elements.empty());
}

TEST(WindowChromeReader, StopsSearchingContainersAtDepthTen)
{
    TreeNodes t;
    NodeId below = t.add("button", "", Rect(200, 60, 10, 10));
    for (int depth = 11; depth >= 1; --depth)
        below = t.add("group", "", Rect(100, 50, 800, 100), {below});
    const NodeId win = t.add("window", "", window, {below});
    EXPECT_TRUE(WindowChromeReader::read(t, win, window, 200).elements.empty());   // the button sits at depth 12

    TreeNodes shallow;
    NodeId button = shallow.add("button", "", Rect(200, 60, 10, 10));
    for (int depth = 9; depth >= 1; --depth)
        button = shallow.add("group", "", Rect(100, 50, 800, 100), {button});
    const NodeId root = shallow.add("window", "", window, {button});
    EXPECT_EQ(WindowChromeReader::read(shallow, root, window, 200).elements.size(), 1u);   // depth 10

    // Ten groups: the one at depth 10 is not searched, so its button at depth 11 is never seen.
    TreeNodes edge;
    NodeId deep = edge.add("button", "", Rect(200, 60, 10, 10));
    for (int depth = 10; depth >= 1; --depth)
        deep = edge.add("group", "", Rect(100, 50, 800, 100), {deep});
    const NodeId top = edge.add("window", "", window, {deep});
    EXPECT_TRUE(WindowChromeReader::read(edge, top, window, 200).elements.empty());
    EXPECT_EQ(edge.visited.size(), 11u);   // the window and its ten groups
}

TEST(WindowChromeReader, WindowsWithoutNodesHaveNoChrome)
{
    EmptyAccessibleNodes none;
    EXPECT_EQ(WindowChromeReader::readWindow(none, 42, window, 200), WindowChrome{});
}
