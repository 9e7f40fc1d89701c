#pragma once
// The simulated desktop's permissions behind the Permissions port: whether window control and
// window previews are granted, what a reset and the settings panes answer, and how often the
// code under test prompted, reset and opened which pane.

#include "platform/Permissions.h"

#include <QString>
#include <QStringList>

namespace fw::sim {

class SimPermissions : public Permissions {
public:
    bool windowControlGranted(bool prompt) override;
    bool windowPreviewsGranted() override { return previewsGranted_; }
    bool resetWindowControl() override;
    bool openSettings(const QString& pane) override;

    void setWindowControlGranted(bool granted) { controlGranted_ = granted; }
    void setWindowPreviewsGranted(bool granted) { previewsGranted_ = granted; }
    // Whether a reset tool exists (X11 has none: false by default).
    void setResetAvailable(bool available) { resetAvailable_ = available; }
    int promptCount() const { return prompts_; }
    int resetCount() const { return resets_; }
    const QStringList& openedSettings() const { return openedSettings_; }

private:
    bool controlGranted_ = true;
    bool previewsGranted_ = true;
    bool resetAvailable_ = false;
    bool settingsAvailable_ = true;
    int prompts_ = 0;
    int resets_ = 0;
    QStringList openedSettings_;
};

} // namespace fw::sim
