// The keyboard held for one of our windows (a recording, an open panel): an active grab on Qt's
// connection, and for a panel the watch that keeps it while the panel is open.
#include "platform/x11/X11KeyboardHold.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11PanelFocus.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <sys/prctl.h>

namespace fw::x11 {

namespace {

xcb_connection_t* toolkitConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Every press reported to the window, whichever of ours has the focus. Nothing when the window
// is gone.
std::optional<std::uint8_t> grab(xcb_connection_t* c, xcb_window_t window)
{
    const auto take = [&](std::uint32_t time) {
        const auto reply = FW_XCB_REPLY(c, xcb_grab_keyboard,
                                        xcb_grab_keyboard(c, 0, window, time, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        return reply ? std::optional<std::uint8_t>(reply->status) : std::nullopt;
    };
    // At the time of the user's last input to us, not the server's current time: the keyboard
    // keeps a grab's time, and refuses a later grab stamped earlier. A press that ends the hold
    // can be made before a grab of ours and reach the window manager after it (the press tap
    // holds it meanwhile); metacity and mutter take the keyboard with that press's time as a
    // move starts, and give the move up when refused. Where another grab came since, the
    // server's time.
    if (const std::uint32_t user = userTime(); user != XCB_CURRENT_TIME) {
        const auto status = take(user);
        if (!status || *status != XCB_GRAB_STATUS_INVALID_TIME)
            return status;
    }
    return take(XCB_CURRENT_TIME);
}

// The keyboard taken for one window, and taken again while another client holds it (the hot
// key that opened a panel, until its key is released; a window manager moving a window) or the
// window is not shown yet: at once when another grab ends on the focused window, else after a
// short backoff, for at most half a minute from the first try.
class RetriedGrab final : public QObject, public QAbstractNativeEventFilter {
public:
    // `mayHold` tells whether the window's hold still stands (a press may have ended it on
    // another thread); none: always.
    explicit RetriedGrab(std::function<void()> gone = {}, std::function<bool(xcb_window_t)> mayHold = {})
        : gone_(std::move(gone)), mayHold_(std::move(mayHold))
    {
        retry_.setSingleShot(true);
        connect(&retry_, &QTimer::timeout, this, [this] { tryGrab(); });
        qGuiApp->installNativeEventFilter(this);
    }

    xcb_window_t window() const { return window_; }
    bool grabbed() const { return grabbed_; }

    // Takes the keyboard for `window` (its half minute counted anew for another window), or
    // tries again for the same one. The grab's status; none when the window went.
    std::optional<std::uint8_t> hold(xcb_window_t window)
    {
        if (window_ != window) {
            window_ = window;
            tries_ = 0;
            since_.start();
        }
        return tryGrab();
    }
    // Tries no more (the grab, if taken, is the caller's to end).
    void stop()
    {
        window_ = XCB_NONE;
        grabbed_ = false;
        retry_.stop();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (!window_ || type != "xcb_generic_event_t")
            return false;
        const auto* e = static_cast<const xcb_generic_event_t*>(message);
        switch (e->response_type & 0x7f) {
        case XCB_FOCUS_IN: {
            // Another grab ended while the window had the focus: the keyboard is free now.
            const auto* f = reinterpret_cast<const xcb_focus_in_event_t*>(e);
            if (f->event == window_ && f->mode == XCB_NOTIFY_MODE_UNGRAB)
                retry_.start(0);
            return false;
        }
        case XCB_MAP_NOTIFY:
            // Shown: a hold the server refused for a window not viewable is taken now.
            if (!grabbed_ && reinterpret_cast<const xcb_map_notify_event_t*>(e)->window == window_)
                retry_.start(0);
            return false;
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
            // The server ended the grab with the window's showing.
            if (reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window == window_)
                gone();
            return false;
        default:
            return false;
        }
    }

private:
    std::optional<std::uint8_t> tryGrab()
    {
        xcb_connection_t* c = toolkitConnection();
        if (!window_ || !c)
            return std::nullopt;
        if (mayHold_ && !mayHold_(window_)) {
            retry_.stop();
            return std::nullopt;
        }
        const auto status = grab(c, window_);
        if (!status) {
            gone();
            return std::nullopt;
        }
        grabbed_ = *status == XCB_GRAB_STATUS_SUCCESS;
        if (grabbed_)
            retry_.stop();
        else if (since_.elapsed() < kRetryForMs)
            retry_.start(std::min(10 << std::min(++tries_, 6), 400));
        return status;
    }
    void gone()
    {
        stop();
        if (gone_)
            gone_();
    }

    std::function<void()> gone_;
    std::function<bool(xcb_window_t)> mayHold_;
    xcb_window_t window_ = XCB_NONE;
    bool grabbed_ = false;
    static constexpr qint64 kRetryForMs = 30000;
    QElapsedTimer since_;   // since the first try for this window
    int tries_ = 0;         // the backoff's step
    QTimer retry_;
};

HotKeyRoute& hotKeyRoute()
{
    static HotKeyRoute route;
    return route;
}

// The presses caught while a panel holds the keyboard, on a thread and a connection of their own:
// a synchronous grab of the primary button on the root freezes the pointer at each press until
// the press is handed on, and a main thread busy drawing or placing would keep it frozen with the
// motions behind it queued (a window manager then reads them in one burst: pekwm moved a window
// by the first of them and dropped the rest). A press off our windows lets the keyboard go first
// (on the toolkit's connection, answered before the press goes on); the main thread is told
// afterwards. Every press is handed on, whether the hold still stands or not.
class PressTap {
public:
    // `ended` runs on the tap's thread with the window whose hold a press ended.
    PressTap(xcb_connection_t* toolkit, std::function<void(xcb_window_t)> ended)
        : toolkit_(toolkit), endedBy_(std::move(ended))
    {
    }
    ~PressTap() { stop(); }
    PressTap(const PressTap&) = delete;
    PressTap& operator=(const PressTap&) = delete;

    // Catches presses for the window's hold; a press on one of `ours` (top-level windows) keeps
    // it. Refused where another client grabbed the button on the root: presses then go on as
    // before.
    void catchFor(xcb_window_t window, std::vector<xcb_window_t> ours)
    {
        {
            std::lock_guard guard(mutex_);
            ours_ = std::move(ours);
        }
        // A hold a press ended stays ended until the main thread has heard of it.
        if (window != ended_)
            held_ = window;
        if (catching_ || !start())
            return;
        xcb_generic_error_t* error = xcb_request_check(
            c_, xcb_grab_button_checked(c_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_SYNC,
                                        XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, 1, XCB_MOD_MASK_ANY));
        catching_ = !error;
        free(error);
    }
    // Catches no more; a press already on its way is still handed on.
    void release()
    {
        held_ = XCB_NONE;
        if (!catching_)
            return;
        catching_ = false;
        xcb_ungrab_button(c_, 1, root_, XCB_MOD_MASK_ANY);
        xcb_flush(c_);
    }
    // Whether the window's hold stands (no press has ended it).
    bool holds(xcb_window_t window) const { return window && held_ == window; }
    // The main thread has heard that a press ended the window's hold.
    void heard(xcb_window_t window) { ended_.compare_exchange_strong(window, XCB_NONE); }

private:
    bool start()
    {
        if (thread_.joinable())
            return true;
        conn_ = std::make_unique<Connection>();
        if (!conn_->ok()) {
            conn_.reset();
            return false;
        }
        c_ = conn_->raw();
        root_ = conn_->root();
        // Told to stop by a message to a window of its own.
        wake_ = xcb_generate_id(c_);
        xcb_create_window(c_, 0, wake_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0,
                          nullptr);
        xcb_flush(c_);
        thread_ = std::thread([this] { run(); });
        return true;
    }
    void stop()
    {
        if (!thread_.joinable())
            return;
        release();
        xcb_client_message_event_t stop{};
        stop.response_type = XCB_CLIENT_MESSAGE;
        stop.format = 32;
        stop.window = wake_;
        xcb_send_event(c_, 0, wake_, 0, reinterpret_cast<const char*>(&stop));
        xcb_flush(c_);
        thread_.join();
        conn_.reset();   // the server thaws whatever the connection still held
        c_ = nullptr;
    }

    void run()
    {
        ::prctl(PR_SET_NAME, "Framewell panel presses");   // the kernel keeps the first 15 bytes
        while (xcb_generic_event_t* e = xcb_wait_for_event(c_)) {
            const int type = e->response_type & 0x7f;
            if (type == XCB_BUTTON_PRESS)
                handOn(*reinterpret_cast<const xcb_button_press_event_t*>(e));
            const bool stopped = type == XCB_CLIENT_MESSAGE
                && reinterpret_cast<const xcb_client_message_event_t*>(e)->window == wake_;
            free(e);
            if (stopped)
                return;
        }
    }

    void handOn(const xcb_button_press_event_t& b)
    {
        const xcb_window_t ended = ours(b.child) ? XCB_NONE : held_.exchange(XCB_NONE);
        if (ended) {
            ended_ = ended;
            // The ungrab reaches the server before the press goes on to the window manager.
            xcb_ungrab_keyboard(toolkit_, XCB_CURRENT_TIME);
            free(xcb_get_input_focus_reply(toolkit_, xcb_get_input_focus(toolkit_), nullptr));
        }
        // Frozen until now: handed on as if we had not been there.
        xcb_allow_events(c_, XCB_ALLOW_REPLAY_POINTER, b.time);
        xcb_flush(c_);
        if (ended && endedBy_)
            endedBy_(ended);
    }

    // A top-level window of ours: one the toolkit had when the hold began, or one naming our
    // process.
    bool ours(xcb_window_t top)
    {
        if (top == XCB_NONE)
            return false;
        {
            std::lock_guard guard(mutex_);
            if (std::find(ours_.begin(), ours_.end(), top) != ours_.end())
                return true;
        }
        return conn_->ofThisProcess(top);
    }

    xcb_connection_t* const toolkit_;
    const std::function<void(xcb_window_t)> endedBy_;
    std::unique_ptr<Connection> conn_;   // the tap's own
    xcb_connection_t* c_ = nullptr;       // conn_'s
    xcb_window_t root_ = XCB_NONE;
    xcb_window_t wake_ = XCB_NONE;
    std::thread thread_;
    std::atomic<xcb_window_t> held_{XCB_NONE};
    std::atomic<xcb_window_t> ended_{XCB_NONE};   // the hold a press ended, until heard of
    bool catching_ = false;           // the main thread's
    std::mutex mutex_;
    std::vector<xcb_window_t> ours_;
};

// The hold of an open panel. Lives with the application (a child of it).
class PanelHold final : public QObject, public QAbstractNativeEventFilter {
public:
    static PanelHold* existing() { return instance_; }
    static PanelHold& get()
    {
        if (!instance_)
            instance_ = new PanelHold;
        return *instance_;
    }

    void hold(xcb_window_t window)
    {
        if (grab_.window() && grab_.window() != window)
            letGo(grab_.window());
        // The presses first: the grab asks whether the hold stands.
        catchPresses(window);
        // Again when held already: a popup of the toolkit's may have taken the grab over.
        grab_.hold(window);
    }
    void letGo(xcb_window_t window)
    {
        if (!grab_.window() || grab_.window() != window)
            return;
        const bool had = grab_.grabbed();
        forget();
        if (xcb_connection_t* c = toolkitConnection(); c && had) {
            xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
            xcb_flush(c);
        }
    }
    // After a grab of ours on the same connection ended (a recording's): the panel's comes back.
    void regrab()
    {
        if (grab_.window())
            grab_.hold(grab_.window());
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override;

private:
    PanelHold()
        : QObject(qGuiApp), grab_([this] { forget(); }, [this](xcb_window_t w) { return !tap_ || tap_->holds(w); })
    {
        qGuiApp->installNativeEventFilter(this);
    }
    ~PanelHold() override
    {
        tap_.reset();
        if (instance_ == this)
            instance_ = nullptr;
    }

    void forget();
    // While held, every press of the primary button reaches the tap first and is handed on at
    // once: a press off our windows lets the keyboard go before the window manager sees it, as a
    // manager that starts a move takes the keyboard then and gives the move up when another
    // client holds it.
    void catchPresses(xcb_window_t window);
    // On the main thread, after a press off our windows ended the window's hold.
    void endedByPress(xcb_window_t window);
    // A press or release while held; true when it is a hot key's (the panel never sees it).
    bool key(const xcb_key_press_event_t& k, bool press);
    // After the panel lost the focus: takes it back where the user did not go elsewhere; true
    // when it comes back (or is back already).
    bool keepFocus();
    bool viewable(xcb_connection_t* c) const;

    static inline PanelHold* instance_ = nullptr;
    std::unique_ptr<PressTap> tap_;   // made at the first hold, on the toolkit's connection
    RetriedGrab grab_;
    std::vector<std::uint8_t> passed_;   // hot keys pressed while held and not yet released
    struct Release {
        std::uint8_t key = 0;
        std::uint32_t time = 0;
    } released_;                       // the last hot key released
    std::vector<std::int64_t> takenBack_;   // when the focus came back, within the last second
    bool yielded_ = false;                  // the window manager kept moving the focus away
};

void PanelHold::catchPresses(xcb_window_t window)
{
    xcb_connection_t* c = toolkitConnection();
    if (!c)
        return;
    if (!tap_) {
        tap_ = std::make_unique<PressTap>(c, [this](xcb_window_t held) {
            QMetaObject::invokeMethod(this, [this, held] { endedByPress(held); }, Qt::QueuedConnection);
        });
    }
    std::vector<xcb_window_t> ours;
    for (const QWindow* w : QGuiApplication::allWindows()) {
        if (w->handle())
            ours.push_back(xcb_window_t(w->winId()));
    }
    tap_->catchFor(window, std::move(ours));
}

void PanelHold::endedByPress(xcb_window_t window)
{
    tap_->heard(window);
    if (grab_.window() == window) {
        letGo(window);
        return;
    }
    // A later panel's hold, taken while the press went by, may have lost its grab to the ungrab.
    if (grab_.window())
        grab_.hold(grab_.window());
}

void PanelHold::forget()
{
    if (tap_)
        tap_->release();
    grab_.stop();
    passed_.clear();
    released_ = {};
    takenBack_.clear();
    yielded_ = false;
}

bool PanelHold::key(const xcb_key_press_event_t& k, bool press)
{
    const auto at = std::find(passed_.begin(), passed_.end(), k.detail);
    if (!press) {
        if (at == passed_.end())
            return false;
        passed_.erase(at);
        released_ = {k.detail, k.time};
        return true;
    }
    // A held hot key's repeats: presses alone, or (without detectable repeat) a release and a
    // press at one time.
    if (at != passed_.end())
        return true;
    if (released_.key == k.detail && released_.time == k.time) {
        passed_.push_back(k.detail);
        return true;
    }
    released_ = {};
    const HotKeyRoute& route = hotKeyRoute();
    if (!route || !route(k.detail, k.state, k.time))
        return false;
    passed_.push_back(k.detail);
    return true;
}

bool PanelHold::viewable(xcb_connection_t* c) const
{
    const auto a = FW_XCB_REPLY(c, xcb_get_window_attributes, xcb_get_window_attributes(c, grab_.window()));
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool PanelHold::keepFocus()
{
    xcb_connection_t* c = toolkitConnection();
    if (!grab_.window() || !c || yielded_)
        return false;
    // A press off our windows ended the hold on the tap's thread; the main thread hears of it next.
    if (tap_ && !tap_->holds(grab_.window()))
        return false;
    const auto focus = FW_XCB_REPLY(c, xcb_get_input_focus, xcb_get_input_focus(c));
    const auto pointer = FW_XCB_REPLY(c, xcb_query_pointer, xcb_query_pointer(c, grab_.window()));
    const xcb_window_t to = focus ? focus->focus : XCB_NONE;
    if (to == grab_.window())
        return true;
    if (!viewable(c)) {
        forget();
        return false;
    }
    const std::uint16_t buttons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3
        | XCB_KEY_BUT_MASK_BUTTON_4 | XCB_KEY_BUT_MASK_BUTTON_5;
    const auto windows = QGuiApplication::allWindows();
    const bool ours = std::any_of(windows.begin(), windows.end(), [&](const QWindow* w) {
        return w->handle() && xcb_window_t(w->winId()) == to;
    });
    // A click elsewhere, or a window of ours that took the keyboard: the user went there.
    if ((pointer && (pointer->mask & buttons)) || ours) {
        letGo(grab_.window());
        return false;
    }
    // The pointer moved onto another window and the window manager focused it (or it activated
    // one meanwhile): the focus comes back, unless the manager keeps taking it away.
    const std::int64_t now = nowMs();
    std::erase_if(takenBack_, [&](std::int64_t at) { return now - at > 1000; });
    if (takenBack_.size() >= 5) {
        yielded_ = true;
        return false;
    }
    takenBack_.push_back(now);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, grab_.window(), XCB_CURRENT_TIME);
    xcb_flush(c);
    return true;
}

bool PanelHold::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    if (!grab_.window())
        return false;
    switch (e->response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        const auto* k = reinterpret_cast<const xcb_key_press_event_t*>(e);
        return grab_.grabbed() && k->event == grab_.window() && key(*k, (e->response_type & 0x7f) == XCB_KEY_PRESS);
    }
    case XCB_FOCUS_OUT: {
        // A focus that comes back never reaches the toolkit: it counts the panel inactive when
        // no FocusIn follows within a moment, which a busy server or main thread outlasts (the
        // switcher closed then). Any other loss goes on as usual.
        const auto* f = reinterpret_cast<const xcb_focus_out_event_t*>(e);
        const bool moved = f->mode == XCB_NOTIFY_MODE_NORMAL || f->mode == XCB_NOTIFY_MODE_WHILE_GRABBED;
        return f->event == grab_.window() && moved && f->detail != XCB_NOTIFY_DETAIL_INFERIOR
            && f->detail != XCB_NOTIFY_DETAIL_POINTER && keepFocus();
    }
    default:
        return false;
    }
}

// The hold of a recording, taken as a panel's is.
RetriedGrab* recordingGrab()
{
    static QPointer<RetriedGrab> grab;
    if (!grab && qGuiApp) {
        grab = new RetriedGrab;
        grab->setParent(qGuiApp);
    }
    return grab;
}

} // namespace

KeyboardHold holdKeyboard(std::uint64_t window)
{
    RetriedGrab* recording = toolkitConnection() && window ? recordingGrab() : nullptr;
    if (!recording)
        return KeyboardHold::Impossible;
    const auto status = recording->hold(xcb_window_t(window));
    if (!status)
        return KeyboardHold::Impossible;
    // Else taken again once the window shows or the other client's grab ends.
    switch (*status) {
    case XCB_GRAB_STATUS_SUCCESS:
        return KeyboardHold::Held;
    case XCB_GRAB_STATUS_NOT_VIEWABLE:
        return KeyboardHold::NotShown;
    default:
        return KeyboardHold::Busy;
    }
}

void releaseKeyboard()
{
    if (RetriedGrab* recording = recordingGrab())
        recording->stop();
    if (xcb_connection_t* c = toolkitConnection()) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    if (PanelHold* hold = PanelHold::existing())
        hold->regrab();
}

void holdForPanel(std::uint64_t window)
{
    if (toolkitConnection() && window)
        PanelHold::get().hold(xcb_window_t(window));
}

void letGoForPanel(std::uint64_t window)
{
    if (PanelHold* hold = PanelHold::existing())
        hold->letGo(xcb_window_t(window));
}

void routeHotKeys(HotKeyRoute route) { hotKeyRoute() = std::move(route); }

} // namespace fw::x11
