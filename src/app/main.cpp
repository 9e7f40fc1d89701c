// Framewell entry: one running copy per user (a later copy asks the running one to open again
// and ends, with a failure when it gets no answer), the real desktop's ports, the application delegate, and the event loop. SIGTERM
// and SIGINT end it cleanly: the signal becomes a quit on the main thread, and quitting
// terminates the delegate.
#include "app/qt/AppDelegate.h"
#include "app/qt/SingleInstance.h"
#include "base/LibraryFiles.h"
#include "overlay/ThemeIcons.h"
#include "platform/x11/X11Platform.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
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
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
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

} // namespace

int main(int argc, char** argv)
{
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

    // Qt's icon loader opens no file of the user's icon theme: ours reads them, bounded.
    fw::ThemeIcons::keepQtOffIconThemes();
    fw::SingleInstance instance;
    switch (instance.claim()) {
    case fw::SingleInstance::Claim::another:
        return 0;
    case fw::SingleInstance::Claim::unanswered:
        fprintf(stderr, "Framewell already runs but did not answer; see its log.\n");
        return 1;
    case fw::SingleInstance::Claim::first:
    case fw::SingleInstance::Claim::failed:
        break;
    }
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
