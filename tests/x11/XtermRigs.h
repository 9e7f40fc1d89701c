#pragma once
// The starts the real-server tests share: xterms, the session's Qt application and the
// coordinator's rig over them, as a drag test or a stack test begins.
//
//   test::XtermDrag drag;   // an xterm to drag, the drag monitor installed, the display aimed at
//   ASSERT_TRUE(drag.start(session, u"drag me"_qs, {"-geometry", "80x24+500+400"}));
//   auto [term, rig, screen, visible] = drag.parts();
//
//   test::XtermStack stack; // two xterms stacked in the left half, the second in front
//   ASSERT_TRUE(stack.start(session, u"stack one"_qs, u"stack two"_qs));
//   auto [one, two, rig] = stack.parts();

#include "layout/ScreenGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>

namespace fw::test {

// The side and number of title-bar items each window manager draws by default here (the
// desktop states no layout of its own in the tests' settings).
inline TitleBarButtons defaultButtons(const QString& windowManager)
{
    if (windowManager == u"xfwm4")
        return {1, 4, false};   // O|SHMC
    if (windowManager == u"metacity")
        return {1, 1, false};   // appmenu:close
    if (windowManager == u"icewm")
        return {1, 5, false};
    return {1, 3, false};
}

class XtermDrag {
public:
    // What a test works with once started: the xterm, the rig, the display (the one holding
    // most of the area `start` was given) and its visible frame with a top-left origin.
    struct Parts {
        XSession::Client& term;
        CoordinatorRig& rig;
        const std::optional<ScreenInfo>& screen;
        Rect visible;
    };

    // Starts the xterm titled `title` with `xtermArgs`, then the application and the rig with
    // its drag monitor; fails, saying what is missing, when one does not come.
    ::testing::AssertionResult start(XSession& session, const QString& title, const QStringList& xtermArgs,
                                     const Rect& area = Rect(0, 0, 1920, 1080))
    {
        term_ = session.startXterm(title, xtermArgs);
        if (!term_.window)
            return ::testing::AssertionFailure() << "no xterm: " << session.error();
        app_.emplace(session);
        rig_.emplace(session);
        if (!rig_->startDragMonitor())
            return ::testing::AssertionFailure() << "no XInput 2.2";
        screen_ = rig_->screenOf(area);
        if (!screen_)
            return ::testing::AssertionFailure() << "no display over " << toString(area).toStdString();
        return ::testing::AssertionSuccess();
    }

    // Only after a successful start.
    Parts parts() { return {term_, *rig_, screen_, topLeftVisibleFrame(*screen_)}; }

private:
    XSession::Client term_;
    std::optional<SessionApp> app_;
    std::optional<CoordinatorRig> rig_; // after the application, before it on the way out
    std::optional<ScreenInfo> screen_;
};

class XtermStack {
public:
    struct Parts {
        XSession::Client& one; // behind
        XSession::Client& two; // in front
        CoordinatorRig& rig;
    };

    // Starts two xterms titled `one` and `two` apart from each other, then the application and
    // the rig, and stacks them in the left half of the first display with `two` in front; fails,
    // saying what is missing, when one does not come or the window manager would not.
    ::testing::AssertionResult start(XSession& session, const QString& one, const QString& two)
    {
        one_ = session.startXterm(one, {"-geometry", "80x24+100+100"});
        two_ = session.startXterm(two, {"-geometry", "80x24+400+300"});
        if (!one_.window || !two_.window)
            return ::testing::AssertionFailure() << "no xterms: " << session.error();
        app_.emplace(session);
        rig_.emplace(session);
        if (!rig_->stackInLeftHalf(session, one_.window, two_.window))
            return ::testing::AssertionFailure() << "the window manager did not stack them in the left half";
        return ::testing::AssertionSuccess();
    }

    // Only after a successful start.
    Parts parts() { return {one_, two_, *rig_}; }

private:
    XSession::Client one_, two_;
    std::optional<SessionApp> app_;
    std::optional<CoordinatorRig> rig_;
};

} // namespace fw::test
