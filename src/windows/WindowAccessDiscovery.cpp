// WindowAccess: construction, frame reads, a window's grid frame, and the discovery of the manageable windows (those of a display,
// sorted by application name and title).
#include "windows/WindowAccess.h"

#include "windows/TitleBar.h"


#include <QList>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// What the window server would list: on-screen windows only.
bool listed(const WindowInfo& info)
{
    return info.onScreen;
}

bool hasBoundsNear(const BoundsMap& bounds, Pid pid, const Rect& frame)
{
    auto it = bounds.find(pid);
    if (it == bounds.end())
        return false;
    return std::any_of(it->second.begin(), it->second.end(),
                       [&](const Rect& r) { return sameFrame(r, frame, kListedBoundsTolerance); });
}

// Canonically normalised code points: the sort key of names and titles.
std::vector<char32_t> sortKey(const QString& s)
{
    const auto ucs4 = s.normalized(QString::NormalizationForm_C).toUcs4();
    return std::vector<char32_t>(ucs4.begin(), ucs4.end());
}

} // namespace

WindowAccess::WindowAccess(WindowSystem& windows, Screens& screens, Clock& clock, Permissions& permissions)
    : ws_(windows), screens_(screens), clock_(clock), permissions_(permissions)
{
}

std::optional<Rect> WindowAccess::frame(WindowId element) const
{
    return ws_.frame(element);
}

Rect WindowAccess::gridFrame(const ManagedWindow& window, const Rect& target) const
{
    const auto hints = ws_.sizeHints(window.element);
    return hints ? fw::gridFrame(target, *hints) : target;
}

Size WindowAccess::grid(const ManagedWindow& window) const
{
    const auto hints = ws_.sizeHints(window.element);
    return hints ? hints->increment : Size{};
}

QString WindowAccess::frameText(const std::optional<Rect>& frame)
{
    return frame ? toString(*frame) : QStringLiteral("unavailable");
}

BoundsMap WindowAccess::onScreenBoundsByPid(const WindowList* list) const
{
    WindowList fetched;
    if (!list) {
        fetched = ws_.snapshot();
        list = &fetched;
    }
    BoundsMap map;
    for (const auto& info : *list) {
        if (info.layer != 0 || !listed(info) || !info.frame.isFinite())
            continue;
        map[info.pid].push_back(info.frame);
    }
    return map;
}

std::vector<DiscoveredWindow> WindowAccess::managedWindows(const std::unordered_set<ManagedWindow>& excluding,
                                                           const std::optional<QString>& displayKey,
                                                           const WindowList* list,
                                                           const std::unordered_set<Pid>* pids) const
{
    WindowList fetched;
    // A list read just now holds each window's frame as a frame read would: only an older list
    // given by the caller needs the frames read again.
    const bool fresh = !list;
    if (fresh) {
        fetched = ws_.snapshot();
        list = &fetched;
    }

    std::vector<Rect> displays;
    std::optional<std::size_t> target;
    const auto screens = screens_.screens();
    for (const auto& s : screens)
        displays.push_back(s.frame);
    if (displayKey) {
        auto it = std::find_if(screens.begin(), screens.end(), [&](const ScreenInfo& s) { return s.key == *displayKey; });
        // A display that is no longer connected has no windows (not those that are on none).
        if (it == screens.end())
            return {};
        target = std::size_t(it - screens.begin());
    }

    const BoundsMap bounds = onScreenBoundsByPid(list);

    // Applications in the order their first window appears, then their windows in list order.
    std::vector<Pid> apps;
    for (const auto& info : *list) {
        if (std::find(apps.begin(), apps.end(), info.pid) == apps.end())
            apps.push_back(info.pid);
    }

    const Pid self = ownPid();
    std::vector<DiscoveredWindow> found;
    for (Pid pid : apps) {
        if (pid == self || !bounds.count(pid) || (pids && !pids->count(pid)))
            continue;
        for (const auto& info : *list) {
            if (info.pid != pid)
                continue;
            auto window = ManagedWindow::make(ws_, info);
            if (!window || excluding.count(*window))
                continue;
            const auto f = fresh ? std::optional<Rect>(info.frame) : ws_.frame(info.id);
            if (!f)
                continue;
            if (displayKey && bestOverlapIndex(*f, displays) != target)
                continue;
            if (!hasBoundsNear(bounds, pid, *f))
                continue;
            found.push_back({std::move(*window), *f, info.increment});
        }
    }

    std::vector<std::pair<std::vector<char32_t>, std::vector<char32_t>>> keys;
    keys.reserve(found.size());
    for (const auto& d : found)
        keys.emplace_back(sortKey(d.window.appName), sortKey(d.window.title));
    std::vector<std::size_t> order(found.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<DiscoveredWindow> sorted;
    sorted.reserve(found.size());
    for (auto i : order)
        sorted.push_back(std::move(found[i]));
    return sorted;
}

std::vector<ManagedWindow> WindowAccess::windows(const std::unordered_set<ManagedWindow>& excluding,
                                                 const std::optional<QString>& displayKey,
                                                 const WindowList* list) const
{
    std::vector<ManagedWindow> out;
    for (auto& d : managedWindows(excluding, displayKey, list, nullptr))
        out.push_back(std::move(d.window));
    return out;
}

bool WindowAccess::isUsableWindow(WindowId element, Pid pid, const BoundsMap& bounds) const
{
    auto f = ws_.frame(element);
    if (!f)
        return false;
    if (ws_.isMinimized(element) || ws_.isFullscreen(element))
        return false;
    return hasBoundsNear(bounds, pid, *f);
}

std::optional<WindowOrRefusal> WindowAccess::readWindowUnderPoint(Point p) const
{
    // The window system answers with the top-level client itself: there is nothing to climb.
    auto id = ws_.windowAt(p);
    if (!id)
        return std::nullopt;
    return readManagedWindow(ws_, *id);
}

std::optional<WindowOrRefusal> WindowAccess::readFocusedWindow() const
{
    auto id = ws_.focusedWindow();
    if (!id && focusHistory_)
        id = focusHistory_->windowBeforeOurs();
    if (!id)
        return std::nullopt;
    return readManagedWindow(ws_, *id);
}

std::optional<ManagedWindow> WindowAccess::keyboardWindow() const
{
    const auto id = ws_.focusedWindow();
    return id ? placeable(readManagedWindow(ws_, *id)) : std::nullopt;
}

std::optional<WindowId> layerListWindowId(Pid pid, const Rect& frame, const QString& title, const WindowList& list)
{
    std::vector<const WindowInfo*> near;
    std::vector<const WindowInfo*> titled;
    for (const auto& info : list) {
        if (!listed(info) || info.pid != pid || info.layer != 0)
            continue;
        if (!sameFrame(info.frame, frame, kSameFrameTolerance))
            continue;
        near.push_back(&info);
        if (info.title == title)
            titled.push_back(&info);
    }
    const WindowInfo* chosen = nullptr;
    if (titled.size() == 1)
        chosen = titled.front();
    else if (near.size() == 1)
        chosen = near.front();
    if (!chosen || chosen->id < 1)
        return std::nullopt;
    return chosen->id;
}

std::optional<WindowId> WindowAccess::windowID(WindowId element, Pid pid, const QString& title,
                                               const WindowList& list) const
{
    std::optional<WindowId> candidate;
    if (element != 0) {
        candidate = element;   // the client id is the window's number
    } else {
        auto f = ws_.frame(element);
        if (!f)
            return std::nullopt;
        candidate = layerListWindowId(pid, *f, title, list);
        if (!candidate)
            return std::nullopt;
    }
    for (const auto& info : list) {
        if (listed(info) && info.id == *candidate)
            return candidate;
    }
    return std::nullopt;
}

} // namespace fw

namespace fw {

std::optional<Rect> WindowAccess::minimizeButtonFrame(WindowId element) const
{
    const auto bar = readTitleBar(ws_, element);
    return bar ? std::optional(bar->minimize()) : std::nullopt;
}

} // namespace fw
