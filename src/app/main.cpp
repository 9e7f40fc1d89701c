// Framewell entry: the command line read before anything starts (--help, --version, and
// status 2 for what it does not know), one running copy per user (a later copy asks the running
// one to open again and ends, with a failure when it gets no answer; with no folder for the
// lock it does not start at all; a refusal is told on stderr and in a message window), no start
// on a Wayland session's X server, the clean-up of what writes cut short left, the real
// desktop's ports, the application delegate, and the event loop. SIGTERM and SIGINT end it
// cleanly: the signal becomes a quit on the main thread, and quitting terminates the delegate.
#include "app/CommandLine.h"
#include "app/LoginItem.h"
#include "app/qt/AppDelegate.h"
#include "app/qt/SingleInstance.h"
#include "base/AtomicFile.h"
#include "base/DiagnosticsWriter.h"
#include "base/LibraryFiles.h"
#include "base/XdgDirs.h"
#include "overlay/ThemeIcons.h"
#include "platform/x11/SessionBus.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/XwaylandDisplay.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// Turns SIGTERM and SIGINT into a quit of the event loop.
bool quitOnSignals(QSocketNotifier*& notifier)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &sa, nullptr) == 0 && sigaction(SIGINT, &sa, nullptr) == 0;
}

// A refusal to start, told where the user started the program: on stderr, and in a message
// window on the display (a start from a menu or at login has no terminal). Status 1 once the
// window is closed.
int refuseStart(const char* line, const QString& message, const QString& detail)
{
    std::fputs(line, stderr);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Framewell"), message, QMessageBox::Ok);
        box.setInformativeText(detail);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        box.exec();
    }
    return 1;
}

// Answers --help and --version, and refuses what it does not know; -1 when the program starts.
int answerCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const fw::CommandLine line = fw::CommandLine::parse(arguments);
    if (line.action == fw::CommandLine::Action::run)
        return -1;
    std::fputs(line.text.toLocal8Bit().constData(), line.toStderr() ? stderr : stdout);
    return line.exitStatus();
}

// What writes of an earlier run, cut short, left in the folders the program writes in; the
// settings' folder is cleaned by the settings store as it opens.
void removeLeftovers()
{
    fw::removeLeftoverTemporaryFiles(fw::LoginItem::defaultDirectory(), fw::LoginItem::fileName);
    fw::removeLeftoverTemporaryFiles(fw::xdgCacheHome() + QStringLiteral("/framewell"));
    fw::removeLeftoverTemporaryFiles(fw::diagnosticsDirectory());
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = answerCommandLine(argc, argv); status >= 0)
        return status;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        fprintf(stderr, "Framewell needs an X11 session: DISPLAY is not set.\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Before the libraries that open the user's files on this thread start.
    fw::steerLibrariesClearOfUnreadableFiles();
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Framewell"));
    app.setOrganizationDomain(QStringLiteral("orrindale"));
    app.setQuitOnLastWindowClosed(false);
    // Before anything uses the session bus: where none runs, none is launched.
    fw::keepSessionBusFromLaunching();

    // Qt's icon loader opens no file of the user's icon theme: ours reads them, bounded.
    fw::ThemeIcons::keepQtOffIconThemes();
    // A Wayland session's X server shows the program only its X11 apps' windows and lets it
    // move none of the others: arranging windows there would fail window by window, unexplained.
    if (fw::displayIsXwayland())
        return refuseStart("Framewell cannot start: it arranges windows only in an X11 session, and this is a Wayland "
                           "session (the X display is Xwayland). Choose an X11 session at the login screen.\n",
                           QStringLiteral("Framewell arranges windows only in an X11 session."),
                           QStringLiteral("This is a Wayland session, where Framewell can’t move other apps’ windows. "
                                          "Log out, choose an X11 session at the login screen (such as "
                                          "“GNOME on Xorg” or “Plasma (X11)”), then start Framewell again."));
    fw::SingleInstance instance;
    switch (instance.claim()) {
    case fw::SingleInstance::Claim::another:
        return 0;
    case fw::SingleInstance::Claim::unanswered:
        return refuseStart("Framewell already runs but did not answer; see its log.\n",
                           QStringLiteral("Framewell already runs but doesn’t answer."),
                           QStringLiteral("End the running copy, then start Framewell again."));
    case fw::SingleInstance::Claim::failed:
        // Without a lock a second copy could run beside the first: two sets of hot keys, two
        // pickers for one drag. The log above names each folder and why it was refused.
        return refuseStart("Framewell cannot start: no folder can hold the lock that keeps it to one copy "
                           "(see the lines above).\n",
                           QStringLiteral("Framewell can’t start."),
                           QStringLiteral("No folder can hold the lock that keeps Framewell to one copy: the runtime, "
                                          "temporary and state folders all refused it. Make one of them writable, "
                                          "then start Framewell again."));
    case fw::SingleInstance::Claim::first:
        break;
    }
    removeLeftovers();
    QSocketNotifier* signalNotifier = nullptr;
    if (!quitOnSignals(signalNotifier))
        return 1;

    fw::X11Platform desktop;
    fw::AppDelegate delegate(desktop.platform(), app.arguments());
    instance.onReopen = [&delegate] { delegate.reopen(); };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&delegate] { delegate.terminate(); });
    QMetaObject::invokeMethod(&app, [&delegate] { delegate.launch(); }, Qt::QueuedConnection);
    return app.exec();
}
