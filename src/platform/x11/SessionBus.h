#pragma once
// The session bus where none runs. With no address set and no bus in the user's runtime folder,
// the first use of the bus launches one (dbus-launch, seconds): Qt's accessibility bridge does
// so on the main thread as the first widget is made, while nothing else answers, hot keys
// included. Such a session has its tray through XEmbed only: every use of the bus in this
// process fails at once instead, and programs started from here inherit the environment as it
// was, free to launch a bus of their own.
//
//   QApplication app(argc, argv);
//   fw::keepSessionBusFromLaunching();   // before anything uses the bus

namespace fw {

// Whether a session bus is known to run: an address is set, or the runtime folder holds one.
bool sessionBusKnown();
// Without a known session bus, makes every later use of it in this process fail at once.
void keepSessionBusFromLaunching();

} // namespace fw
