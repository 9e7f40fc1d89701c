// The global mouse monitor on X11: XInput 2.2 raw button, motion and (while Escape is watched)
// key events on the root window, turned into mouse events with the position XIQueryPointer
// gives for the master pointer each came through.
#include "platform/x11/X11MouseMonitor.h"

#include "platform/x11/X11PanelFocus.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xinput.h>

#include <algorithm>
#include <cmath>
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

    // The selection first, then the button state of each master pointer at the start (so that
    // a drag already under way reads as a drag); then the button maps.
    escapeWatched_ = false;
    escapeKeys_.reset();
    const auto selected = selectEvents(true);
    if (xcb_generic_error_t* err = xcb_request_check(c, selected)) {
        free(err);
        conn_.reset();
        return false;
    }
    readMasters();
    std::vector<Query> queries;
    for (const auto& [device, master] : masters_) {
        if (device == master)
            queries.push_back(sendQuery(master));
    }
    for (const Query& query : queries) {
        if (const auto state = readQuery(query); state && state->leftDown) {
            leftDown_.insert(query.master);
            dragMaster_ = query.master;
        }
    }
    buttonMaps_.start(*conn_, xiOpcode_, ext->first_event);
    modifierMap_ = readModifierMap(c);

    if (!QCoreApplication::instance()) {
        buttonMaps_.clear();
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
    buttonMaps_.clear();
    handler_ = nullptr;
    leftDown_.clear();
    dragMaster_ = 0;
    masters_.clear();
    mastersRead_ = false;
    escapeWatched_ = false;
}

void X11MouseMonitor::watchEscape(bool on)
{
    if (on == escapeWatched_)
        return;
    escapeWatched_ = on;
    if (running_ && conn_) {
        selectEvents(false);
        conn_->flush();
    }
}

xcb_void_cookie_t X11MouseMonitor::selectEvents(bool checked)
{
    xcb_connection_t* c = conn_->raw();
    struct Selection {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    };
    // Raw input of the master devices, and the device changes the button maps follow.
    Selection selection[2] = {{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                               XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE |
                                   XCB_INPUT_XI_EVENT_MASK_RAW_MOTION},
                              {{XCB_INPUT_DEVICE_ALL, 1}, x11::ButtonMaps::kDeviceChangeMask}};
    if (escapeWatched_)
        selection[0].mask |= XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS;
    return checked ? xcb_input_xi_select_events_checked(c, conn_->root(), 2, &selection[0].head)
                   : xcb_input_xi_select_events(c, conn_->root(), 2, &selection[0].head);
}

bool X11MouseMonitor::isEscape(std::uint32_t keycode)
{
    if (!escapeKeys_) {
        constexpr xcb_keysym_t escapeSym = 0xff1b;
        xcb_connection_t* c = conn_->raw();
        const xcb_setup_t* setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto reply = FW_XCB_REPLY(c, xcb_get_keyboard_mapping,
                                  xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)));
        escapeKeys_.emplace();
        if (reply && reply->keysyms_per_keycode > 0) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.p);
            const int length = xcb_get_keyboard_mapping_keysyms_length(reply.p);
            for (int i = 0; i < length; ++i) {
                if (syms[i] == escapeSym)
                    escapeKeys_->push_back(std::uint8_t(setup->min_keycode + i / reply->keysyms_per_keycode));
            }
        }
    }
    return std::find(escapeKeys_->begin(), escapeKeys_->end(), keycode) != escapeKeys_->end();
}

std::optional<PointerState> X11MouseMonitor::pointerState()
{
    if (!running_ || !conn_ || xcb_connection_has_error(conn_->raw()))
        return std::nullopt;
    // The pointer that pressed last: the one a drag under way follows.
    const auto state = readQuery(sendQuery(dragMaster_));
    // The round trip may have pulled raw events into xcb's queue without the socket turning
    // readable: drain them shortly.
    if (timer_)
        timer_->start();
    return state;
}

X11MouseMonitor::Query X11MouseMonitor::sendQuery(std::uint16_t master)
{
    xcb_connection_t* c = conn_->raw();
    Query query{master};
    if (master)
        query.xi = xcb_input_xi_query_pointer(c, conn_->root(), master);
    else
        query.core = xcb_query_pointer(c, conn_->root());
    return query;
}

std::optional<PointerState> X11MouseMonitor::readQuery(const Query& query)
{
    xcb_connection_t* c = conn_->raw();
    if (!query.master) {
        auto p = FW_XCB_REPLY(c, xcb_query_pointer, query.core);
        if (!p)
            return std::nullopt;
        return PointerState{Point{double(p->root_x), double(p->root_y)}, bool(p->mask & XCB_BUTTON_MASK_1),
                            modifierMap_.modifiers(p->mask)};
    }
    auto p = FW_XCB_REPLY(c, xcb_input_xi_query_pointer, query.xi);
    if (!p)
        return std::nullopt;
    // 16.16 fixed point, whole pixels as the core answer has them; the buttons are logical (bit
    // n for button n) and the modifiers those of the master's paired keyboard (the server
    // leaves their effective state empty: it is the base, latched and locked ones together).
    const std::uint32_t* buttons = xcb_input_xi_query_pointer_buttons(p.p);
    const bool left = xcb_input_xi_query_pointer_buttons_length(p.p) > 0 && (buttons[0] & (1u << 1));
    const std::uint32_t mods = p->mods.base | p->mods.latched | p->mods.locked | p->mods.effective;
    return PointerState{Point{std::floor(p->root_x / 65536.0), std::floor(p->root_y / 65536.0)}, left,
                        modifierMap_.modifiers(std::uint16_t(mods))};
}

void X11MouseMonitor::readMasters()
{
    masters_.clear();
    mastersRead_ = true;
    xcb_connection_t* c = conn_->raw();
    auto reply = FW_XCB_REPLY(c, xcb_input_xi_query_device, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL));
    if (!reply)
        return;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply.p); it.rem; xcb_input_xi_device_info_next(&it)) {
        if (it.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER)
            masters_[it.data->deviceid] = it.data->deviceid;
        else if (it.data->type == XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER)
            masters_[it.data->deviceid] = it.data->attachment;
    }
    // A master pointer removed: the core pointer answers in its place.
    if (dragMaster_ && !masters_.count(dragMaster_))
        dragMaster_ = 0;
}

std::uint16_t X11MouseMonitor::masterOf(std::uint16_t device)
{
    if (!mastersRead_)
        readMasters();
    const auto found = masters_.find(device);
    return found != masters_.end() ? found->second : 0;
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
    // Collect first; consecutive motions of one pointer collapse into one (the position is read
    // afterwards).
    std::vector<Pending> kinds;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        const auto kind = kindOf(e);
        free(e);
        if (!kind)
            continue;
        const bool collapses = kind->type == MouseEvent::Type::LeftDrag || kind->type == MouseEvent::Type::Moved;
        if (!(collapses && !kinds.empty() && kinds.back().type == kind->type && kinds.back().master == kind->master))
            kinds.push_back(*kind);
    }
    if (kinds.empty())
        return false;

    // One pointer query per event, of the pointer it came through, all sent before the first
    // reply is read.
    std::vector<Query> queries;
    for (const Pending& kind : kinds)
        queries.push_back(sendQuery(kind.master));
    std::vector<MouseEvent> events;
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (const auto state = readQuery(queries[i]))
            events.push_back({kinds[i].type, state->position, state->modifiers, kinds[i].time});
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

std::optional<X11MouseMonitor::Pending> X11MouseMonitor::kindOf(const xcb_generic_event_t* e)
{
    using Type = MouseEvent::Type;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
    const bool xi = e->response_type == XCB_GE_GENERIC && ge->extension == xiOpcode_;
    // A device come or gone (a master pointer made or removed): read at its next use.
    if (xi && ge->event_type == XCB_INPUT_HIERARCHY)
        mastersRead_ = false;
    // Buttons swapped (a left-handed mouse, on the core pointer or per device), a device come or
    // gone: the maps follow. The keyboard changed: its Escape keys are read again.
    if (buttonMaps_.follow(e))
        return std::nullopt;
    if ((e->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
        escapeKeys_.reset();
        modifierMap_ = readModifierMap(conn_->raw());   // Super or Alt may sit elsewhere now
        return std::nullopt;
    }
    if (!xi)
        return std::nullopt;
    switch (ge->event_type) {
    case XCB_INPUT_RAW_BUTTON_PRESS:
    case XCB_INPUT_RAW_BUTTON_RELEASE: {
        // Raw buttons are physical, each from the device that sent it, through its master.
        const auto* button = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(e);
        const std::uint16_t master = masterOf(button->deviceid) ? masterOf(button->deviceid) : masterOf(button->sourceid);
        if (buttonMaps_.logical(button->detail, master ? master : button->deviceid, button->sourceid) != 1)
            return std::nullopt;
        if (ge->event_type == XCB_INPUT_RAW_BUTTON_RELEASE) {
            leftDown_.erase(master);
            return Pending{Type::LeftUp, master, button->time};
        }
        leftDown_.insert(master);
        dragMaster_ = master;
        x11::noteClick(button->time);   // a panel closed by it leaves the keyboard where it went
        return Pending{Type::LeftDown, master, button->time};
    }
    case XCB_INPUT_RAW_MOTION: {
        const auto* motion = reinterpret_cast<const xcb_input_raw_motion_event_t*>(e);
        const std::uint16_t master = masterOf(motion->deviceid) ? masterOf(motion->deviceid) : masterOf(motion->sourceid);
        return Pending{leftDown_.count(master) ? Type::LeftDrag : Type::Moved, master};
    }
    case XCB_INPUT_RAW_KEY_PRESS:
        if (escapeWatched_ && isEscape(reinterpret_cast<const xcb_input_raw_key_press_event_t*>(e)->detail))
            return Pending{Type::Escape};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace fw
