#pragma once
// The button maps the mouse monitor reads raw (physical) buttons through: the map of the
// device that sent the button (a slave pointer: a left-handed mouse set per device, as desktop
// settings panels do), then the map of its master pointer (the core pointer mapping, which is
// the fallback where a master's own map cannot be read). The server applies both in this
// order to the core events it delivers; raw events carry the physical button and the source
// device. Maps are read at first use and dropped when they change: the core MappingNotify,
// the per-device DeviceMappingNotify (selected for every pointer device on the root window),
// a device added or removed (XI_HierarchyChanged) and a device whose classes changed
// (XI_DeviceChanged).

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace fw::x11 {

class Connection;

class ButtonMaps {
public:
    // The XI2 events to select for all devices on the root window to follow device changes.
    static constexpr std::uint32_t kDeviceChangeMask =
        XCB_INPUT_XI_EVENT_MASK_DEVICE_CHANGED | XCB_INPUT_XI_EVENT_MASK_HIERARCHY;

    // Selects the per-device mapping notifications and reads the core pointer mapping, with
    // the input extension's major opcode and first event code.
    void start(Connection& conn, std::uint8_t opcode, std::uint8_t firstEvent);
    void clear();
    // Whether the event was one of the changes this follows (it then needs nothing else);
    // a core MappingNotify of the keyboard is not.
    bool follow(const xcb_generic_event_t* event);
    // The logical button of a physical one pressed on `source`, attached to `master`.
    std::uint32_t logical(std::uint32_t physical, std::uint16_t master, std::uint16_t source);

private:
    const std::vector<std::uint8_t>& deviceMap(std::uint16_t device);
    void readCoreMap();
    void selectMappingNotifications();

    Connection* conn_ = nullptr;
    std::uint8_t opcode_ = 0;
    std::uint8_t firstEvent_ = 0;
    std::vector<std::uint8_t> core_;                                    // logical of each button, from 1
    std::unordered_map<std::uint16_t, std::vector<std::uint8_t>> devices_; // empty: unreadable
};

} // namespace fw::x11
