// The command line: the options the program takes, its usage and version answers, and the refusal
// of what it does not know.
#include "app/CommandLine.h"

#include "onboarding/ProductInfo.h"

namespace fw {

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: framewell [OPTION]…\n"
        "Arranges windows in layouts on an X11 desktop: drag a window by its title bar to the top\n"
        "centre of a display and release it over a region of the layout picker.\n"
        "\n"
        "  --welcome       open Getting Started at start, even when set up\n"
        "  --preview       show the layout picker on the main display at start\n"
        "  --diagnostics   write diagnostic files to a folder of your own (the log says where)\n"
        "  -h, --help      show this help and end\n"
        "  --version       show the version and end\n"
        "\n"
        "Started while it runs, Framewell opens Getting Started in the running copy and ends.\n"
        "SIGTERM and SIGINT end it.\n");
}

CommandLine CommandLine::parse(const QStringList& arguments)
{
    static const QStringList taken{QStringLiteral("--welcome"), QStringLiteral("--preview"),
                                   QStringLiteral("--diagnostics")};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--help" || arg == u"-h")
            return {Action::help, usage()};
        if (arg == u"--version")
            return {Action::version, QStringLiteral("Framewell %1\n").arg(productVersion())};
        if (taken.contains(arg))
            continue;
        // A session manager restarts a Qt program with "-session <id>", which Qt reads.
        if (arg == u"-session" && i + 1 < arguments.size()) {
            ++i;
            continue;
        }
        const QString shown = arg.left(200);
        const QString what = arg.startsWith(u'-') ? QStringLiteral("unknown option “%1”").arg(shown)
                                                  : QStringLiteral("unexpected argument “%1”").arg(shown);
        return {Action::refuse, QStringLiteral("framewell: %1\nTry “framewell --help”.\n").arg(what)};
    }
    return {};
}

} // namespace fw
