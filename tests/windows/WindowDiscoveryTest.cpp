#include "WindowAccessFixture.h"

using namespace fw;
using namespace fw::accesstest;

namespace {

class WindowDiscovery : public Desk {
protected:
    QStringList titles(const std::vector<DiscoveredWindow>& found)
    {
        QStringList out;
        for (const auto& d : found)
            out << d.window.appName + "/" + d.window.title;
        return out;
    }
};

// The simulated desktop, except that one window has no name at all: its title cannot be
// read, and the list shows it as the empty text.
class NamelessWindow final : public WindowSystem {
public:
    NamelessWindow(WindowSystem& inner, WindowId nameless) : in(inner), id(nameless) {}
    std::vector<WindowInfo> snapshot() override
    {
        auto list = in.snapshot();
        for (auto& info : list) {
            if (info.id == id)
                info.title.clear();
        }
        return list;
    }
    std::optional<QString> title(WindowId w) override { return w == id ? std::nullopt : in.title(w); }
    std::optional<Rect> frame(WindowId w) override { return in.frame(w); }
    std::optional<Pid> pid(WindowId w) override { return in.pid(w); }
    std::optional<SizeHints> sizeHints(WindowId w) override { return in.sizeHints(w); }
    bool isMinimized(WindowId w) override { return in.isMinimized(w); }
    bool isFullscreen(WindowId w) override { return in.isFullscreen(w); }
    bool isMovable(WindowId w) override { return in.isMovable(w); }
    bool isResizable(WindowId w) override { return in.isResizable(w); }
    bool setPosition(WindowId w, Point p) override { return in.setPosition(w, p); }
    bool setSize(WindowId w, Size s) override { return in.setSize(w, s); }
    bool setFrame(WindowId w, const Rect& r) override { return in.setFrame(w, r); }
    bool unmaximize(WindowId w) override { return in.unmaximize(w); }
    bool raise(WindowId w) override { return in.raise(w); }
    bool activate(WindowId w) override { return in.activate(w); }
    std::optional<WindowId> focusedWindow() override { return in.focusedWindow(); }
    std::optional<Pid> frontmostPid() override { return in.frontmostPid(); }
    std::optional<WindowId> windowAt(Point p) override { return in.windowAt(p); }

private:
    WindowSystem& in;
    WindowId id;
};

} // namespace

TEST_F(WindowDiscovery, WindowsWithoutANameAreUntitledWhicheverWayTheyAreFound)
{
    const WindowId named = addWindow(10, "Editor", "", Rect(0, 0, 400, 300));
    const WindowId nameless = addWindow(11, "Viewer", "", Rect(500, 0, 400, 300));
    NamelessWindow ws(sim, nameless);
    WindowAccess access(ws, sim, clock, sim);

    EXPECT_EQ(titles(access.managedWindows()), QStringList({"Editor/", "Viewer/Untitled window"}));
    ASSERT_TRUE(ManagedWindow::make(ws, nameless));
    EXPECT_EQ(ManagedWindow::make(ws, nameless)->title, "Untitled window");
    EXPECT_EQ(ManagedWindow::make(ws, named)->title, "");
}

TEST_F(WindowDiscovery, OnlyNormalMovableWindowsOfOtherApplicationsAreManaged)
{
    const Rect r(100, 100, 400, 300);
    const WindowId plain = addWindow(10, "Editor", "", r);
    EXPECT_EQ(managed(plain).title, "");   // an empty title stays empty
    EXPECT_EQ(managed(plain).appName, "Editor");

    auto rejected = [&](sim::WindowSetup setup) {
        setup.pid = 11;
        setup.frame = r;
        return !ManagedWindow::make(sim, sim.addWindow(setup));
    };
    EXPECT_TRUE(rejected({.normal = false}));
    EXPECT_TRUE(rejected({.minimized = true}));
    EXPECT_TRUE(rejected({.fullscreen = true}));
    EXPECT_TRUE(rejected({.movable = false}));
    EXPECT_TRUE(rejected({.resizable = false}));
    EXPECT_FALSE(ManagedWindow::make(sim, addWindow(ownPid(), "Framewell", "Ours", r)));
    EXPECT_FALSE(ManagedWindow::make(sim, 0xdead));

    // Equality and hashing by process and window only.
    ManagedWindow a = managed(plain), b = a;
    b.title = "renamed";
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<ManagedWindow>{}(a), std::hash<ManagedWindow>{}(b));
    b.pid = 99;
    EXPECT_NE(a, b);
}

TEST_F(WindowDiscovery, WindowsBelongToTheDisplayTheyOverlapMost)
{
    sim.addScreen({"B", "Right", Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false});
    addWindow(10, "Left", "mostly left", Rect(1500, 0, 600, 400));       // 420 vs 180 wide
    addWindow(11, "Right", "mostly right", Rect(1800, 0, 600, 400));     // 120 vs 480
    addWindow(12, "Tie", "straddles evenly", Rect(1620, 0, 600, 400));   // 300 and 300
    addWindow(13, "Away", "on no display", Rect(5000, 0, 300, 300));

    EXPECT_EQ(titles(wa.managedWindows({}, QString("A"))),
              QStringList({"Left/mostly left", "Tie/straddles evenly"}));
    EXPECT_EQ(titles(wa.managedWindows({}, QString("B"))), QStringList({"Right/mostly right"}));
    EXPECT_EQ(wa.managedWindows().size(), 4u);
    // A display that is gone has no windows, not the ones that lie on no display.
    EXPECT_TRUE(wa.managedWindows({}, QString("gone")).empty());
}

TEST_F(WindowDiscovery, ListingSortsByCodePointsAndDropsStaleOrExcludedWindows)
{
    const WindowId zed = addWindow(10, "Zed", "b", Rect(0, 0, 300, 300));
    addWindow(10, "Zed", "a", Rect(10, 0, 300, 300));
    addWindow(11, "alpha", "x", Rect(20, 0, 300, 300));
    const WindowId first = addWindow(12, "Beta", "same", Rect(30, 0, 300, 300));
    const WindowId second = addWindow(12, "Beta", "same", Rect(40, 0, 300, 300));
    addWindow(13, QString::fromUtf8("E\xcc\x81"), "decomposed", Rect(50, 0, 300, 300));
    addWindow(14, QString::fromUtf8("\xc3\x89"), "composed", Rect(60, 0, 300, 300));

    auto found = wa.managedWindows();
    // Canonically equal names sort together and keep the list's order (front to back).
    EXPECT_EQ(titles(found), QStringList({"Beta/same", "Beta/same", "Zed/a", "Zed/b", "alpha/x",
                                          QString::fromUtf8("\xc3\x89/composed"),
                                          QString::fromUtf8("E\xcc\x81/decomposed")}));
    // Equal names keep the window list's order (front to back: the later window is in front).
    ASSERT_EQ(found.size(), 7u);
    EXPECT_EQ(found[0].window.element, second);
    EXPECT_EQ(found[1].window.element, first);
    EXPECT_EQ(found[0].frame, Rect(40, 0, 300, 300));

    // A list taken before the window moved more than 3 points no longer vouches for it.
    const auto list = sim.snapshot();
    sim.place(zed, Rect(3, 3, 303, 297));
    EXPECT_EQ(wa.managedWindows({}, std::nullopt, &list).size(), 7u);
    sim.place(zed, Rect(4, 0, 300, 300));
    EXPECT_EQ(wa.managedWindows({}, std::nullopt, &list).size(), 6u);

    const std::unordered_set<Pid> onlyBeta{12};
    EXPECT_EQ(wa.managedWindows({}, std::nullopt, nullptr, &onlyBeta).size(), 2u);
    EXPECT_EQ(wa.windows({managed(first)}).size(), 6u);
}

TEST_F(WindowDiscovery, UsabilityNeedsAListedUnminimizedWindow)
{
    const WindowId w = addWindow(10, "Editor", "doc", Rect(0, 0, 400, 300));
    auto bounds = wa.onScreenBoundsByPid();
    EXPECT_TRUE(wa.isUsable(managed(w), bounds));
    EXPECT_FALSE(wa.isUsableWindow(w, 77, bounds));
    sim.setMinimized(w, true);
    EXPECT_TRUE(wa.onScreenBoundsByPid().empty());   // off-screen windows are not listed
    EXPECT_FALSE(wa.isUsableWindow(w, 10, bounds));
    sim.setMinimized(w, false);
    sim.place(w, Rect(50, 0, 400, 300));
    EXPECT_FALSE(wa.isUsableWindow(w, 10, bounds));
    sim.closeWindow(w);
    EXPECT_FALSE(wa.isUsableWindow(w, 10, wa.onScreenBoundsByPid()));
}

TEST_F(WindowDiscovery, WindowNumbersComeOnlyFromTheList)
{
    const WindowId a = addWindow(10, "Term", "one", Rect(0, 0, 400, 300));
    const WindowId b = addWindow(10, "Term", "two", Rect(3, 3, 400, 300));
    const auto list = sim.snapshot();
    EXPECT_EQ(wa.windowID(managed(a), list), a);
    EXPECT_FALSE(wa.windowID(managed(a), {}));
    const WindowId later = addWindow(10, "Term", "three", Rect(500, 0, 100, 100));
    EXPECT_FALSE(wa.windowID(managed(later), list));

    // By process, frame within 5 points and title: the title decides between near windows.
    EXPECT_EQ(layerListWindowId(10, Rect(1, 1, 400, 300), "two", list), b);
    EXPECT_FALSE(layerListWindowId(10, Rect(1, 1, 400, 300), "other", list));   // two near, no title
    EXPECT_EQ(layerListWindowId(10, Rect(-4, 0, 404, 300), "other", list), a);  // one near
    EXPECT_FALSE(layerListWindowId(10, Rect(-6, 0, 400, 300), "one", list));
    EXPECT_FALSE(layerListWindowId(11, Rect(0, 0, 400, 300), "one", list));
}

TEST_F(WindowDiscovery, PointAndFocusLookupsGiveManagedWindowsOnly)
{
    const WindowId back = addWindow(10, "Editor", "back", Rect(0, 0, 400, 300));
    const WindowId front = addWindow(11, "Viewer", "front", Rect(100, 100, 400, 300));
    EXPECT_EQ(wa.windowUnderPoint({150, 150})->element, front);
    EXPECT_EQ(wa.windowUnderPoint({50, 50})->element, back);
    EXPECT_FALSE(wa.windowUnderPoint({1000, 1000}));
    const WindowId dialog = sim.addWindow({.pid = 11, .title = "Save", .frame = Rect(120, 120, 50, 50), .normal = false});
    EXPECT_FALSE(wa.windowUnderPoint({130, 130}));

    sim.setFocus(back);
    EXPECT_EQ(wa.focusedWindow()->element, back);
    sim.setFocus(dialog);
    EXPECT_FALSE(wa.focusedWindow());
    sim.setFocus(addWindow(ownPid(), "Framewell", "ours", Rect(0, 0, 10, 10)));
    EXPECT_FALSE(wa.focusedWindow());
}
