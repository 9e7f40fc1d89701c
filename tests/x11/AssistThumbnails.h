#pragma once
// Thumbnails of windows through the real capture, as snap assist takes them, for the
// real-server tests: the session's Qt application must exist first.

#include "base/QtClock.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowSystem.h"
#include "overlay/ThumbnailImage.h"
#include "transitions/WindowThumbnails.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QImage>
#include <unordered_map>
#include <vector>

namespace fw::test {

inline std::unordered_map<ManagedWindow, QImage> assistThumbnails(XSession& session, X11WindowCapture& capture,
                                                                  const std::vector<ManagedWindow>& windows)
{
    X11WindowSystem ws(session.display());
    OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access(ws, screens, clock, permissions);
    WindowThumbnails thumbnails(access, permissions, capture);
    std::unordered_map<ManagedWindow, QImage> out;
    ThumbnailDelivery deliver = [&](const ManagedWindow& w, Thumbnail image) { out[w] = thumbnailImage(image); };
    runOnQtLoop(thumbnails.captureWindowThumbnails(windows, 520, deliver));
    return out;
}

} // namespace fw::test
