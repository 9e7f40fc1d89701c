#pragma once
// Where window managers draw their title-bar buttons, from the layouts their settings state:
// GNOME's and metacity's button-layout ("appmenu:minimize,maximize,close", the colon standing
// for the title), xfwm4's button_layout ("O|HMC", "|" the title) and openbox's titleLayout
// ("NLIMC", "L" the title); else the window manager's own default, found by its name.

#include "platform/DesktopSettings.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace fw::titlebar {

TitleBarButtons fromGnome(const QString& layout);
TitleBarButtons fromXfwm(const QString& layout);
TitleBarButtons fromOpenbox(const QString& layout);

// The general/button_layout value of xfwm4's xfconf channel file.
std::optional<QString> xfwmLayout(const QByteArray& channelXml);
// The theme/titleLayout value of openbox's rc.xml.
std::optional<QString> openboxLayout(const QByteArray& rcXml);

// The window manager's own default, by the name it gives itself (_NET_WM_NAME).
TitleBarButtons defaultFor(const QString& windowManager);

// For the named window manager: its stated layout (GNOME's through `gnomeLayout`, the others'
// from their files under the XDG config directories), else its default.
TitleBarButtons read(const QString& windowManager, const std::function<std::optional<QString>()>& gnomeLayout);

} // namespace fw::titlebar
