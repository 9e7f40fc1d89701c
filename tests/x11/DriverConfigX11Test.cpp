// A transition on a real server for a user whose OpenGL driver configuration is a FIFO: at
// ~/.drirc and in the folder DRIRC_CONFIGDIR names. Mesa opens both when the first context
// opens the display, and an open of a FIFO waits for a writer for good; the transition still
// plays, neither FIFO is opened, the log says why once, and HOME is the user's again after.
#include "base/LibraryFiles.h"
#include "base/Log.h"
#include "base/QtClock.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowCapture.h"
#include "support/FifoWatch.h"
#include "support/ScopedEnv.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/WindowTransitions.h"
#include "transitions/qt/GlTransitionPresenter.h"
#include "x11/AccessRig.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fw {
namespace {

using namespace std::chrono_literals;
using test::XSession;

TEST(TransitionX11, PlaysWhereTheDriverConfigurationIsAFifo)
{
    XSession session(test::XSessionOptions{1024, 768, true, true});
    ASSERT_TRUE(session.ok()) << session.error();
    const QString home = session.directory() + u"/fifo-home"_qs;
    const QString folder = session.directory() + u"/fifo-drirc.d"_qs;
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(folder));
    const QString userFile = home + u"/.drirc"_qs, folderFile = folder + u"/10-user.conf"_qs;
    for (const QString& fifo : {userFile, folderFile})
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // This process is the user's program: its first context is made below, after the start's
    // steering, with HOME and the folder pointing at the FIFOs.
    test::ScopedEnv homeVariable("HOME", QFile::encodeName(home));
    test::ScopedEnv folderVariable("DRIRC_CONFIGDIR", QFile::encodeName(folder));
    log::Capture logged;
    test::FifoWatch watch({userFile, folderFile});
    steerLibrariesClearOfUnreadableFiles();

    test::SessionApp app(session);
    X11Stacking stacking;
    OverlayWindow::setStacking(&stacking);
    X11WindowSystem ws(session.display());
    X11WindowCapture capture(session.display());
    capture.keepPictures();
    test::OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access(ws, screens, clock, permissions);
    GlTransitionPresenter presenter(clock);
    WindowTransitions transitions(access, screens, permissions, capture, presenter);
    auto painted = session.startTestClient(u"Painted"_qs, {"--colors", "00ff00,00ffff", "--size", "400x300", "--position", "200,150"});
    ASSERT_TRUE(painted.window) << session.error();
    const auto frame = ws.frame(painted.window);
    const auto window = ManagedWindow::make(ws, painted.window);
    ASSERT_TRUE(frame && window);
    ASSERT_TRUE(session.waitFor([&] { return test::grab(*frame).pixel(50, 150) == qRgb(0, 255, 0); }));
    ASSERT_TRUE(transitions.gpuAvailable()) << "no OpenGL 3.3 context next to the FIFOs";
    const auto picture = test::runOnQtLoop(transitions.capture(*window, *frame));
    ASSERT_TRUE(picture && *picture);

    // The window goes under the panel; halfway, the genie has poured much of its picture away.
    const QImage before = test::grab(*frame);
    int reveals = 0;
    double changeMidway = 0;
    ShaderTransition::RevealAction reveal = [&]() -> Task<void> {
        ++reveals;
        session.run({u"xdotool"_qs, u"windowunmap"_qs, u"--sync"_qs, QString::number(painted.window)});
        QTimer::singleShot(150, [&] { changeMidway = test::changed(before, test::grab(*frame)); });
        co_return;
    };
    auto transition = transitions.makeShaderTransition(300ms);
    EXPECT_TRUE(test::runOnQtLoop(transition->play(StackTransition::genie, {{**picture, *frame, std::nullopt, std::nullopt}}, reveal)));
    EXPECT_EQ(reveals, 1);
    EXPECT_GT(changeMidway, 0.3) << "the transition showed nothing";
    EXPECT_EQ(watch.opened(), 0) << "the driver opened a FIFO";
    EXPECT_EQ(qgetenv("HOME"), QFile::encodeName(home));
    EXPECT_EQ(logged.messages(LogCategory::App).filter(u".drirc is not read by the OpenGL driver: it is a FIFO"_qs).size(), 1)
        << logged.messages(LogCategory::App).join(u'\n').toStdString();
    EXPECT_TRUE(logged.contains(u"At start, the OpenGL driver's configuration is not read: "_qs + folderFile + u": it is a FIFO"_qs))
        << logged.messages(LogCategory::App).join(u'\n').toStdString();
    OverlayWindow::setStacking(nullptr);
}

} // namespace
} // namespace fw
