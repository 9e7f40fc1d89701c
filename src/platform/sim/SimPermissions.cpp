// The simulated desktop's permissions: each prompt, reset and settings pane asked for is
// counted for the tests to read.
#include "platform/sim/SimPermissions.h"

namespace fw::sim {

bool SimPermissions::windowControlGranted(bool prompt)
{
    if (prompt && !controlGranted_)
        ++prompts_;
    return controlGranted_;
}

bool SimPermissions::resetWindowControl()
{
    ++resets_;
    return resetAvailable_;
}

bool SimPermissions::openSettings(const QString& pane)
{
    openedSettings_.push_back(pane);
    return settingsAvailable_;
}

} // namespace fw::sim
