#pragma once
// Permission port: window control (moving other apps' windows) and window previews
// (capturing their images).

#include <QString>

namespace fw {

class Permissions {
public:
    virtual ~Permissions() = default;
    // prompt: ask the user when not yet granted, where the platform can.
    virtual bool windowControlGranted(bool prompt) = 0;
    virtual bool windowPreviewsGranted() = 0;
    // Resets the window-control grant; false when the platform has no such tool.
    virtual bool resetWindowControl() = 0;
    // Opens the desktop's settings for the named pane; false when none was opened.
    virtual bool openSettings(const QString& pane) = 0;
};

} // namespace fw
