// Transitions on a real server for a user whose OpenGL driver files are FIFOs: ~/.drirc and a
// file of the folder DRIRC_CONFIGDIR names, which Mesa opens when the first context opens the
// display, and then every file of the shader cache that a first run filled, which Mesa opens
// when it compiles. An open of a FIFO waits for a writer for good. The transitions still play,
// no FIFO is opened, the log says why, and HOME is the user's again after each.
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
#include <QDirIterator>
#include <QFileInfo>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace fw {
namespace {

using namespace std::chrono_literals;
using test::XSession;

// The transitions over the real adapters, on a Qt application of their own.
struct RealTransitions {
    explicit RealTransitions(XSession& session) : app(session), ws(session.display()), capture(session.display())
    {
        capture.keepPictures();   // as the program does from its start
        OverlayWindow::setStacking(&stacking);
    }
    ~RealTransitions() { OverlayWindow::setStacking(nullptr); }

    test::SessionApp app;
    X11Stacking stacking;
    X11WindowSystem ws;
    X11WindowCapture capture;
    test::OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};
    GlTransitionPresenter presenter{clock};
    WindowTransitions transitions{access, screens, permissions, capture, presenter};
};

// A genie over the green window, which goes under the panel as it starts: the most of the
// window's frame that changed while it played, or -1 when nothing played. Read every 25 ms,
// not once at a set moment: a loaded machine draws fewer frames, and later.
double genieOver(XSession& session, xcb_window_t w)
{
    RealTransitions t(session);
    const auto frame = t.ws.frame(w);
    const auto window = ManagedWindow::make(t.ws, w);
    if (!frame || !window || !session.waitFor([&] { return test::grab(*frame).pixel(50, 150) == qRgb(0, 255, 0); })
        || !t.transitions.gpuAvailable())
        return -1;
    const auto picture = test::runOnQtLoop(t.transitions.capture(*window, *frame));
    if (!picture || !*picture)
        return -1;
    const QImage before = test::grab(*frame);
    int reveals = 0;
    double change = -1;
    QTimer sample;
    sample.setInterval(25);
    QObject::connect(&sample, &QTimer::timeout,
                     [&] { change = std::max(change, test::changed(before, test::grab(*frame))); });
    ShaderTransition::RevealAction reveal = [&]() -> Task<void> {
        ++reveals;
        session.run({u"xdotool"_qs, u"windowunmap"_qs, u"--sync"_qs, QString::number(w)});
        sample.start();
        co_return;
    };
    auto transition = t.transitions.makeShaderTransition(300ms);
    const bool played = test::runOnQtLoop(
        transition->play(StackTransition::genie, {{**picture, *frame, std::nullopt, std::nullopt}}, reveal));
    sample.stop();
    session.run({u"xdotool"_qs, u"windowmap"_qs, u"--sync"_qs, QString::number(w)});
    return played && reveals == 1 ? change : -1;
}

// Every file under the folder but Mesa's index of the cache (opened to read and write, which a
// FIFO never holds up), made a FIFO of the same name.
QStringList fifosInPlaceOfFiles(const QString& dir)
{
    QStringList made;
    QDirIterator files(dir, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (QFileInfo(path).fileName() != u"index"_qs && QFile::remove(path)
            && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0)
            made << path;
    }
    return made;
}

TEST(TransitionX11, PlaysWhereTheDriverFilesAreFifos)
{
    XSession session(test::XSessionOptions{1024, 768, true, true});
    ASSERT_TRUE(session.ok()) << session.error();
    auto painted = session.startTestClient(u"Painted"_qs, {"--colors", "00ff00,00ffff", "--size", "400x300", "--position", "200,150"});
    ASSERT_TRUE(painted.window) << session.error();
    const QString home = session.directory() + u"/fifo-home"_qs, folder = session.directory() + u"/fifo-drirc.d"_qs;
    const QString cache = session.directory() + u"/fifo-cache"_qs;
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(folder) && QDir().mkpath(cache));
    const QString userFile = home + u"/.drirc"_qs, folderFile = folder + u"/10-user.conf"_qs;
    for (const QString& fifo : {userFile, folderFile})
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // This process is the user's program: each Qt application below makes its first context
    // after the start's steering, with the variables pointing at the FIFOs.
    test::ScopedEnv homeVariable("HOME", QFile::encodeName(home));
    test::ScopedEnv folderVariable("DRIRC_CONFIGDIR", QFile::encodeName(folder));
    test::ScopedEnv cacheVariable("XDG_CACHE_HOME", QFile::encodeName(cache));
    test::ScopedEnv shaderCache("MESA_SHADER_CACHE_DIR", QByteArray());
    test::ScopedEnv noShaderCache("MESA_SHADER_CACHE_DISABLE", QByteArray());
    log::Capture logged;
    const auto log = [&] { return logged.messages(LogCategory::App).join(u'\n').toStdString(); };
    test::FifoWatch watch({userFile, folderFile});

    // A first run fills the shader cache, in a folder of ours.
    steerLibrariesClearOfUnreadableFiles();
    const QString shaders = cache + u"/framewell/gpu"_qs;
    EXPECT_EQ(qgetenv("MESA_SHADER_CACHE_DIR"), QFile::encodeName(shaders));
    EXPECT_GT(genieOver(session, painted.window), 0.3) << "the first transition showed nothing\n" << log();
    const QStringList cached = fifosInPlaceOfFiles(shaders);
    ASSERT_FALSE(cached.isEmpty()) << "the driver cached no shader";

    // The next run finds FIFOs in the cache: it keeps none, and its transition plays too.
    test::FifoWatch cacheWatch(cached);
    steerLibrariesClearOfUnreadableFiles();
    EXPECT_EQ(qgetenv("MESA_SHADER_CACHE_DISABLE"), QByteArray("true"));
    EXPECT_GT(genieOver(session, painted.window), 0.3) << "the second transition showed nothing\n" << log();
    EXPECT_EQ(watch.opened(), 0) << "the driver opened a configuration FIFO";
    EXPECT_EQ(cacheWatch.opened(), 0) << "the driver opened a FIFO in its shader cache";
    EXPECT_EQ(qgetenv("HOME"), QFile::encodeName(home));
    EXPECT_EQ(logged.messages(LogCategory::App).filter(u".drirc is not read by the OpenGL driver: it is a FIFO"_qs).size(), 1) << log();
    EXPECT_TRUE(logged.contains(u"At start, the OpenGL driver's configuration is not read: "_qs + folderFile + u": it is a FIFO"_qs)) << log();
    EXPECT_EQ(logged.messages(LogCategory::App).filter(u"At start, the OpenGL driver keeps no shader cache: "_qs + shaders).size(), 1) << log();
}

} // namespace
} // namespace fw
