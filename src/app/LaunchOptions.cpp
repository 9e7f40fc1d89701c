// The program's start options, and the preview and launch diagnostics they ask for.
#include "app/LaunchOptions.h"

#include "app/LaunchDiagnostics.h"
#include "app/StackCommands.h"
#include "platform/Platform.h"
#include "snap/SnapCoordinator.h"

#include <unistd.h>

namespace fw {

namespace {

void writeDiagnosticsAndSayWhere(Platform& platform, SnapCoordinator& coordinator, const StackCommands& stacks)
{
    const bool written = writeLaunchDiagnostics({platform.permissions.windowPreviewsGranted(),
                                                 platform.permissions.windowControlGranted(false), qint64(::getpid()),
                                                 int(platform.screens.screens().size()), stacks.diagnostics(),
                                                 coordinator.recoveryDisplayRecords()});
    // The log is stderr: the one line is where a user who asked for diagnostics looks.
    sayDiagnosticsWhereabouts(written);
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList& arguments)
{
    LaunchOptions o;
    o.welcome = arguments.contains(QStringLiteral("--welcome"));
    o.preview = arguments.contains(QStringLiteral("--preview"));
    o.diagnostics = arguments.contains(QStringLiteral("--diagnostics"));
    return o;
}

void LaunchOptions::actAtLaunch(Platform& platform, SnapCoordinator& coordinator, const StackCommands& stacks) const
{
    if (preview) {
        for (const ScreenInfo& screen : platform.screens.screens()) {
            if (screen.primary) {
                coordinator.showLayoutPicker(std::nullopt, screen, false, std::nullopt, false);
                break;
            }
        }
    }
    if (diagnostics)
        writeDiagnosticsAndSayWhere(platform, coordinator, stacks);
}

} // namespace fw
