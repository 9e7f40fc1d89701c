#include "platform/x11/X11MouseMonitor.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xinput.h>

#include <vector>

namespace fw {

using namespace x11;

X11MouseMonitor::X11MouseMonitor(const QByteArray& displayName) : displayName_(displayName) {}

X11MouseMonitor::~X11MouseMonitor()
{
    stop();
}

bool X11MouseMonitor::start(std::function<void(const MouseEvent&)> handler)
{
    stop();
    retired_.reset();
    conn_ = std::make_unique<Connection>(displayName_);
    if (!conn_->ok()) {
        conn_.reset();
        return false;
    }
    xcb_connection_t* c = conn_->raw();
    const auto* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present) {
        conn_.reset();
        return false;
    }
    xiOpcode_ = ext->major_opcode;
    auto version = FW_XCB_REPLY(c, xcb_input_xi_query_version, xcb_input_xi_query_version(c, 2, 2));
    if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 2)) {
        conn_.reset();
        return false;
    }

    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE |
                    XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
    auto cookie = xcb_input_xi_select_events_checked(c, conn_->root(), 1, &selection.head);
    if (xcb_generic_error_t* err = xcb_request_check(c, cookie)) {
        free(err);
        conn_.reset();
        return false;
    }

    // The button state at the start, so a drag already under way reads as a drag.
    auto pointer = FW_XCB_REPLY(c, xcb_query_pointer, xcb_query_pointer(c, conn_->root()));
    leftDown_ = pointer && (pointer->mask & XCB_BUTTON_MASK_1);

    if (!QCoreApplication::instance()) {
        conn_.reset();
        return false;   // events are delivered through the Qt event loop
    }
    handler_ = std::move(handler);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
    // Events can sit in xcb's queue without the socket becoming readable again: while input
    // keeps coming, a short timer drains again; when the desktop is idle it stays quiet.
    timer_ = std::make_unique<QTimer>();
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setSingleShot(true);
    timer_->setInterval(8);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { drain(); });
    timer_->start();
    running_ = true;
    return true;
}

void X11MouseMonitor::stop()
{
    running_ = false;
    if (draining_) {
        // Called from the handler: the timer or notifier is emitting right now.
        if (timer_) {
            timer_->stop();
            timer_.release()->deleteLater();
        }
        if (notifier_) {
            notifier_->setEnabled(false);
            notifier_.release()->deleteLater();
        }
        retired_ = std::move(conn_);
    } else {
        timer_.reset();
        notifier_.reset();
        conn_.reset();
    }
    handler_ = nullptr;
    leftDown_ = false;
}

std::optional<PointerState> X11MouseMonitor::pointerState()
{
    if (!running_ || !conn_ || xcb_connection_has_error(conn_->raw()))
        return std::nullopt;
    xcb_connection_t* c = conn_->raw();
    auto p = FW_XCB_REPLY(c, xcb_query_pointer, xcb_query_pointer(c, conn_->root()));
    // The round trip may have pulled raw events into xcb's queue without the socket turning
    // readable: drain them shortly.
    if (timer_)
        timer_->start();
    if (!p)
        return std::nullopt;
    return PointerState{Point{double(p->root_x), double(p->root_y)}, bool(p->mask & XCB_BUTTON_MASK_1),
                        x11::modifiers(p->mask)};
}

void X11MouseMonitor::drain()
{
    if (!running_ || !conn_)
        return;
    xcb_connection_t* c = conn_->raw();
    if (xcb_connection_has_error(c)) {
        // The server went away: nothing more will come.
        timer_->stop();
        notifier_->setEnabled(false);
        return;
    }

    bool any = false;
    // The pointer queries below can pull new events into the queue: go round until it is empty.
    for (int round = 0; round < 64 && running_; ++round) {
        if (!drainOnce())
            break;
        any = true;
    }
    if (any && running_ && timer_)
        timer_->start();
}

bool X11MouseMonitor::drainOnce()
{
    xcb_connection_t* c = conn_->raw();
    // Collect first; consecutive motions collapse into one (the position is read afterwards).
    std::vector<MouseEvent::Type> kinds;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        if (e->response_type == XCB_GE_GENERIC) {
            auto* ge = reinterpret_cast<xcb_ge_generic_event_t*>(e);
            if (ge->extension == xiOpcode_) {
                switch (ge->event_type) {
                case XCB_INPUT_RAW_BUTTON_PRESS:
                    if (reinterpret_cast<xcb_input_raw_button_press_event_t*>(e)->detail == 1) {
                        leftDown_ = true;
                        kinds.push_back(MouseEvent::Type::LeftDown);
                    }
                    break;
                case XCB_INPUT_RAW_BUTTON_RELEASE:
                    if (reinterpret_cast<xcb_input_raw_button_release_event_t*>(e)->detail == 1) {
                        leftDown_ = false;
                        kinds.push_back(MouseEvent::Type::LeftUp);
                    }
                    break;
                case XCB_INPUT_RAW_MOTION: {
                    const auto t = leftDown_ ? MouseEvent::Type::LeftDrag : MouseEvent::Type::Moved;
                    if (kinds.empty() || kinds.back() != t)
                        kinds.push_back(t);
                    break;
                }
                default:
                    break;
                }
            }
        }
        free(e);
    }
    if (kinds.empty())
        return false;

    // One pointer query per event, all sent before the first reply is read.
    std::vector<xcb_query_pointer_cookie_t> cookies;
    for (size_t i = 0; i < kinds.size(); ++i)
        cookies.push_back(xcb_query_pointer(c, conn_->root()));
    std::vector<MouseEvent> events;
    for (size_t i = 0; i < kinds.size(); ++i) {
        auto p = FW_XCB_REPLY(c, xcb_query_pointer, cookies[i]);
        if (!p)
            continue;
        events.push_back({kinds[i], Point{double(p->root_x), double(p->root_y)}, x11::modifiers(p->mask)});
    }
    // The handler may stop the monitor: deliver from a copy of the handler.
    auto handler = handler_;
    draining_ = true;
    for (const MouseEvent& ev : events) {
        if (!handler || !running_)
            break;
        handler(ev);
    }
    draining_ = false;
    return true;
}

} // namespace fw
