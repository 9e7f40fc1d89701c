#pragma once
// The key with which a window manager moves a window wherever the first button drags it, as its
// settings state it: GNOME's mouse-button-modifier ("<Super>", read through GSettings) for
// metacity and GNOME's own, KWin's CommandAllKey in the [MouseBindings] group of kwinrc ("Meta",
// its default, or "Alt"). Other window managers state none here.

#include "platform/MouseMonitor.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace fw::movekey {

// A GNOME modifier such as "<Super>", "<Alt>" or "<Control><Alt>"; 0 for none ("disabled", "").
Modifiers fromGnome(const QString& modifier);
// The CommandAllKey of a kwinrc's [MouseBindings]; nothing when the text does not state it.
std::optional<Modifiers> fromKwinrc(const QByteArray& text);

// For the named window manager (_NET_WM_NAME): its stated key (GNOME's through `gnomeModifier`,
// KWin's from the kwinrc files of the XDG config directories, the user's first), else its
// default; nothing for the window managers that state none.
std::optional<Modifiers> read(const QString& windowManager,
                              const std::function<std::optional<QString>()>& gnomeModifier);

} // namespace fw::movekey
