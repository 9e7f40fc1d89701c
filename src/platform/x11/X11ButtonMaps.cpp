// The button maps of the pointer devices, read at first use and dropped when they change.
#include "platform/x11/X11ButtonMaps.h"

#include "platform/x11/X11Connection.h"

namespace fw::x11 {

namespace {

std::uint32_t through(const std::vector<std::uint8_t>& map, std::uint32_t button)
{
    return button >= 1 && button <= map.size() ? map[button - 1] : button;
}

} // namespace

void ButtonMaps::start(Connection& conn, std::uint8_t opcode, std::uint8_t firstEvent)
{
    conn_ = &conn;
    opcode_ = opcode;
    firstEvent_ = firstEvent;
    devices_.clear();
    selectMappingNotifications();
    readCoreMap();
}

void ButtonMaps::clear()
{
    conn_ = nullptr;
    devices_.clear();
    core_.clear();
}

void ButtonMaps::readCoreMap()
{
    xcb_connection_t* c = conn_->raw();
    auto reply = FW_XCB_REPLY(c, xcb_get_pointer_mapping, xcb_get_pointer_mapping(c));
    core_.clear();
    if (reply) {
        const std::uint8_t* map = xcb_get_pointer_mapping_map(reply.p);
        core_.assign(map, map + xcb_get_pointer_mapping_map_length(reply.p));
    }
}

// A change of a device's own map is told only to those who selected its DeviceMappingNotify,
// device by device: selected again whenever devices come or go.
void ButtonMaps::selectMappingNotifications()
{
    xcb_connection_t* c = conn_->raw();
    auto reply = FW_XCB_REPLY(c, xcb_input_xi_query_device, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL));
    if (!reply)
        return;
    std::vector<xcb_input_event_class_t> classes;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply.p); it.rem; xcb_input_xi_device_info_next(&it)) {
        const auto type = it.data->type;
        if (it.data->deviceid > 0xff ||
            (type != XCB_INPUT_DEVICE_TYPE_MASTER_POINTER && type != XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER))
            continue;
        classes.push_back(std::uint32_t(it.data->deviceid) << 8 |
                          std::uint8_t(firstEvent_ + XCB_INPUT_DEVICE_MAPPING_NOTIFY));
    }
    // A device gone in the meantime makes an error in the event queue, which is passed over.
    xcb_input_select_extension_event(c, conn_->root(), std::uint16_t(classes.size()), classes.data());
}

bool ButtonMaps::follow(const xcb_generic_event_t* e)
{
    const std::uint8_t type = e->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t*>(e)->request != XCB_MAPPING_POINTER)
            return false;
        readCoreMap();
        devices_.clear();
        return true;
    }
    if (firstEvent_ && type == std::uint8_t(firstEvent_ + XCB_INPUT_DEVICE_MAPPING_NOTIFY)) {
        const auto* notify = reinterpret_cast<const xcb_input_device_mapping_notify_event_t*>(e);
        if (notify->request == XCB_MAPPING_POINTER)
            devices_.erase(notify->device_id);
        return true;
    }
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
    if (e->response_type != XCB_GE_GENERIC || ge->extension != opcode_)
        return false;
    if (ge->event_type == XCB_INPUT_HIERARCHY) {
        devices_.clear();
        selectMappingNotifications();
        return true;
    }
    if (ge->event_type == XCB_INPUT_DEVICE_CHANGED) {
        // A master switching between its slaves changes no map.
        const auto* changed = reinterpret_cast<const xcb_input_device_changed_event_t*>(e);
        if (changed->reason == XCB_INPUT_CHANGE_REASON_DEVICE_CHANGE) {
            devices_.erase(changed->deviceid);
            devices_.erase(changed->sourceid);
        }
        return true;
    }
    return false;
}

const std::vector<std::uint8_t>& ButtonMaps::deviceMap(std::uint16_t device)
{
    auto found = devices_.find(device);
    if (found != devices_.end())
        return found->second;
    std::vector<std::uint8_t> map;
    if (conn_ && device <= 0xff) {
        xcb_connection_t* c = conn_->raw();
        auto reply = FW_XCB_REPLY(c, xcb_input_get_device_button_mapping,
                                  xcb_input_get_device_button_mapping(c, std::uint8_t(device)));
        if (reply) {
            const std::uint8_t* m = xcb_input_get_device_button_mapping_map(reply.p);
            map.assign(m, m + xcb_input_get_device_button_mapping_map_length(reply.p));
        }
    }
    return devices_.emplace(device, std::move(map)).first->second;
}

std::uint32_t ButtonMaps::logical(std::uint32_t physical, std::uint16_t master, std::uint16_t source)
{
    std::uint32_t button = physical;
    if (source != master)
        button = through(deviceMap(source), button);
    const auto& masterMap = deviceMap(master);
    return through(masterMap.empty() ? core_ : masterMap, button);
}

} // namespace fw::x11
