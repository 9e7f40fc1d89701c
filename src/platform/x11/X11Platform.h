#pragma once
// The real desktop: every port over X11 (and the session's settings, applications, logind and
// the user's defaults file), owned here and handed out as one Platform. Needs the Qt
// application on xcb to exist first; everything talks to $DISPLAY.
//
//   QApplication app(argc, argv);
//   X11Platform desktop;
//   AppDelegate delegate(desktop.platform(), arguments);

#include "platform/Platform.h"

#include <memory>

namespace fw {

class X11Platform {
public:
    X11Platform();
    ~X11Platform();
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    Platform& platform() { return *platform_; }

private:
    struct Adapters;
    std::unique_ptr<Adapters> adapters_;
    std::unique_ptr<Platform> platform_;
};

} // namespace fw
