#pragma once
// Permissions on X11: the X server has no permission model, so window control and window
// previews are always granted. There is no grant to reset; the settings can be opened only
// where the desktop has a known settings tool.

#include "platform/Permissions.h"

#include <QStringList>

namespace fw {

class X11Permissions : public Permissions {
public:
    bool windowControlGranted(bool prompt) override;
    bool windowPreviewsGranted() override;
    bool resetWindowControl() override;
    bool openSettings(const QString& pane) override;

    // Desktop settings programs tried in order; the first one found on PATH is started.
    static QStringList settingsTools();
};

} // namespace fw
