#pragma once
// The options the program starts with, matched as whole arguments in any position, and what two
// of them do once it has launched: "--preview" shows the layout picker on the primary display,
// "--diagnostics" writes the launch diagnostics file and logs where it and the later diagnostic
// files go. "--welcome" shows the welcome window even when set up (the first-run windows read
// it); "--diagnostics" also has the snap and stack engines write their state files.
//
//   const LaunchOptions options = LaunchOptions::parse(QCoreApplication::arguments());
//   options.actAtLaunch(platform, coordinator, stackCommands);

#include <QStringList>

namespace fw {

struct Platform;
class SnapCoordinator;
class StackCommands;

struct LaunchOptions {
    bool welcome = false;       // "--welcome": the welcome window even when set up
    bool preview = false;       // "--preview": the layout picker on the main display
    bool diagnostics = false;   // "--diagnostics": the diagnostic state files
    static LaunchOptions parse(const QStringList& arguments);

    // Shows the preview and writes the launch diagnostics, as asked.
    void actAtLaunch(Platform& platform, SnapCoordinator& coordinator, const StackCommands& stacks) const;
};

} // namespace fw
