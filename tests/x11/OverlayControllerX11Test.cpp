// The overlay panels on a real server with the test WM and a compositing manager: previews let
// clicks through, sit directly below the dragged window, never take the focus, and hiding
// everything leaves nothing mapped.
#include "overlay/OverlayController.h"
#include "overlay/ActionButton.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowSystem.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QPointer>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace fw {
namespace {

using test::XSession;

// The root child that holds a window of ours (itself when unmanaged, else the WM's frame).
xcb_window_t topLevel(XSession& s, OverlayWindow* panel) { return s.topLevelOf(xcb_window_t(panel->winId())); }

ScreenInfo screenOf(XSession&)
{
    return ScreenInfo{"S", "S", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
}

struct Desktop {
    XSession session{test::XSessionOptions{1920, 1080, true, true}};
    std::unique_ptr<test::SessionApp> app;
    std::unique_ptr<X11Stacking> stacking;

    bool start()
    {
        if (!session.ok())
            return false;
        app = std::make_unique<test::SessionApp>(session);
        stacking = std::make_unique<X11Stacking>();
        OverlayWindow::setStacking(stacking.get());
        return true;
    }
    ~Desktop() { OverlayWindow::setStacking(nullptr); }
};

TEST(X11Overlay, ClickThroughPreviewLetsAClickReachTheWindowUnderIt)
{
    Desktop d;
    ASSERT_TRUE(d.start()) << d.session.error();
    XSession& s = d.session;
    auto under = s.startTestClient(QStringLiteral("under"), {"--size", "400x300", "--position", "100,100"});
    auto other = s.startTestClient(QStringLiteral("other"), {"--size", "400x300", "--position", "900,100"});
    ASSERT_TRUE(under.window && other.window) << s.error();
    X11WindowSystem ws(s.display());
    ASSERT_TRUE(ws.activate(other.window));
    ASSERT_TRUE(s.waitFor([&] { return s.inputFocus() == other.window; }));
    EXPECT_TRUE(d.stacking->compositing());

    OverlayController controller;
    const Rect frame = *s.wmFrame(under.window);
    controller.showPreview(frame.insetBy(20, 40)); // no dragged window: above everything
    OverlayWindow* preview = controller.preview();
    ASSERT_TRUE(s.waitFor([&] { return s.isViewable(xcb_window_t(preview->winId())); }));
    const auto kids = s.rootChildren();
    const auto pos = [&](xcb_window_t w) { return std::find(kids.begin(), kids.end(), w) - kids.begin(); };
    ASSERT_GT(pos(topLevel(s, preview)), pos(s.topLevelOf(under.window))) << "the preview covers the window";

    // A click on the covered client area focuses the window below (click to focus, as every WM here does).
    s.warpPointer(int(frame.midX()), int(frame.midY()));
    s.pressButton(1);
    s.releaseButton(1);
    EXPECT_TRUE(s.waitFor([&] { return s.inputFocus() == under.window; }, 3000))
        << "the click went to the panel instead";
    controller.hideAll();
}

TEST(X11Overlay, PreviewOfADraggedWindowSitsDirectlyBelowItsFrame)
{
    if (XSession::testWindowManager() == QLatin1String("metacity"))
        GTEST_SKIP() << "metacity restacks its frames over unmanaged windows between them";
    Desktop d;
    ASSERT_TRUE(d.start()) << d.session.error();
    XSession& s = d.session;
    auto a = s.startTestClient(QStringLiteral("a"), {"--size", "400x300", "--position", "100,100"});
    auto dragged = s.startTestClient(QStringLiteral("dragged"), {"--size", "400x300", "--position", "300,200"});
    auto c = s.startTestClient(QStringLiteral("c"), {"--size", "400x300", "--position", "500,300"});
    ASSERT_TRUE(a.window && dragged.window && c.window) << s.error();

    OverlayController controller;
    controller.setDraggedWindow(ManagedWindow{dragged.window, Pid(dragged.pid), "dragged", "client"});
    controller.showPreview(Rect(0, 0, 960, 1080));
    controller.showReturnPreview(false, ManagedWindow{dragged.window, Pid(dragged.pid), "dragged", "client"},
                                 Rect(960, 0, 960, 1080));
    const xcb_window_t frame = s.topLevelOf(dragged.window);
    for (OverlayWindow* panel : {controller.preview(), controller.returnPreview()}) {
        const xcb_window_t w = topLevel(s, panel);
        ASSERT_TRUE(s.waitFor([&] {
            const auto kids = s.rootChildren();
            const auto at = std::find(kids.begin(), kids.end(), frame);
            return s.isViewable(w) && at != kids.begin() && at != kids.end()
                   && (*(at - 1) == w || (at - 1 != kids.begin() && *(at - 2) == w));
        })) << "panel not below the dragged window's frame";
    }
    // Both panels lie between the dragged window and the window below it; c stays on top.
    const auto kids = s.rootChildren();
    const auto pos = [&](xcb_window_t w) { return std::find(kids.begin(), kids.end(), w) - kids.begin(); };
    EXPECT_EQ(pos(frame) - 1, std::max(pos(topLevel(s, controller.preview())),
                                       pos(topLevel(s, controller.returnPreview()))));
    EXPECT_GT(pos(topLevel(s, controller.preview())), pos(s.topLevelOf(a.window)));
    EXPECT_GT(pos(s.topLevelOf(c.window)), pos(frame));
    controller.hideAll();
}

TEST(X11Overlay, PanelsNeverTakeTheFocusAndHideAllUnmapsThemAll)
{
    Desktop d;
    ASSERT_TRUE(d.start()) << d.session.error();
    XSession& s = d.session;
    if (s.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm gives the focus to every window it selects, whatever the window's input hint";
    auto active = s.startTestClient(QStringLiteral("active"), {"--size", "600x400", "--position", "200,300"});
    ASSERT_TRUE(active.window) << s.error();
    X11WindowSystem ws(s.display());
    ASSERT_TRUE(ws.activate(active.window));
    ASSERT_TRUE(s.waitFor([&] { return s.inputFocus() == active.window; }));

    OverlayController controller;
    int cancels = 0;
    controller.onCancel = [&] { ++cancels; };
    const ScreenInfo screen = screenOf(s);
    controller.choices().showDividerEditor(screen, SnapLayout{"h", "H",
                                                    RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0),
                                                                      RegionTree::leaf(1)),
                                                    std::nullopt},
                                 {}, {});
    controller.showPreview(Rect(100, 100, 300, 300));
    controller.showCompositionPreviews({Rect(0, 0, 400, 400), Rect(400, 0, 400, 400)});
    DropActionMenu menu{{{RegionDropIntent::swap(1), "Swap", "arrow.left.arrow.right", Rect(710, 510, 112, 92)}},
                        Rect(700, 500, 132, 112)};
    controller.actionMenu()->setFrame(menu.frame);
    controller.actionMenuView()->configure(menu, RegionDropIntent::swap(1), true);
    controller.actionMenu()->orderFrontRegardless();
    controller.feedback().show({Rect(200, 300, 300, 400)}, Rect(498, 300, 4, 400), "Resize together",
                               "Drag this shared edge", "arrow.left.and.right", {500, 500}, screen, std::nullopt);

    std::vector<OverlayWindow*> panels = controller.panels();
    ASSERT_GE(panels.size(), 8u);
    ASSERT_TRUE(s.waitFor([&] {
        return std::all_of(panels.begin(), panels.end(), [&](OverlayWindow* p) {
            return !p->isVisible() || s.isViewable(xcb_window_t(p->winId()));
        });
    }));
    EXPECT_EQ(s.inputFocus(), active.window);

    // Pressing "Done" on the toolbar works without taking the focus either.
    auto* done = controller.editorToolbar()->findChild<ActionButton*>("doneButton");
    ASSERT_TRUE(done);
    // The toolbar stands above the editor panel that spans the screen.
    ASSERT_TRUE(s.waitFor([&] {
        const auto kids = s.rootChildren();
        auto pos = [&](xcb_window_t w) { return std::find(kids.begin(), kids.end(), w) - kids.begin(); };
        return pos(topLevel(s, controller.editorToolbar())) > pos(topLevel(s, controller.editor()));
    }));
    // Aim where the server has the button, once the WM has placed the toolbar: Qt's own idea
    // of its position can lag behind the WM under load.
    s.syncWithWindowManager();
    QWidget* bar = done->window();
    const auto barAt = s.rootPosition(xcb_window_t(bar->winId()));
    ASSERT_TRUE(barAt);
    const QPoint centre = QPoint(int(barAt->x), int(barAt->y)) + done->mapTo(bar, done->rect().center());
    s.warpPointer(centre.x(), centre.y());
    s.pressButton(1);
    s.releaseButton(1);
    ASSERT_TRUE(s.waitFor([&] { return cancels == 1; }, 3000));
    EXPECT_EQ(s.inputFocus(), active.window);
    EXPECT_EQ(s.activeWindow(), active.window);

    std::vector<xcb_window_t> ids;
    for (OverlayWindow* p : controller.panels())
        ids.push_back(xcb_window_t(p->winId()));
    controller.hideAll();
    for (OverlayWindow* p : controller.panels())
        ids.push_back(xcb_window_t(p->winId()));
    EXPECT_TRUE(s.waitFor([&] {
        return std::none_of(ids.begin(), ids.end(), [&](xcb_window_t w) { return s.isViewable(w); });
    })) << "a panel stayed mapped";
    EXPECT_EQ(s.inputFocus(), active.window);
}

TEST(X11Overlay, PanelsQueuedForDeletionAreFreedBeforeTheApplicationEnds)
{
    Desktop d;
    ASSERT_TRUE(d.start()) << d.session.error();
    std::vector<QPointer<OverlayWindow>> panels;
    {
        OverlayController controller;
        controller.showCompositionPreviews({Rect(0, 0, 400, 400), Rect(400, 0, 400, 400)});
        controller.showPreview(Rect(100, 100, 300, 300));
        for (OverlayWindow* p : controller.panels())
            panels.emplace_back(p);
        controller.hideAll(); // queues the composition previews with deleteLater
    }
    OverlayWindow::setStacking(nullptr);
    d.stacking.reset();
    d.app.reset();
    ASSERT_GE(panels.size(), 2u);
    for (const auto& p : panels)
        EXPECT_TRUE(p.isNull()) << "a panel outlived the application";
}

} // namespace
} // namespace fw
