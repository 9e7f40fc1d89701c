#pragma once
// Global hot-key port: system-wide key combinations that reach us whichever window has the
// keyboard. A combination is named by its stored key code and modifier bits (InputCodes.h)
// and registered under a numeric id; every press hands that id to the handler, on the main
// thread.

#include <cstdint>
#include <functional>

namespace fw {

using HotKeyRef = std::uint64_t;   // 0 is no registration

// Statuses of a refused registration (0 is success).
enum HotKeyStatus : int {
    HotKeyOk = 0,
    // Another client holds the combination (the X error BadAccess), or we registered it
    // already under another id.
    HotKeyTaken = 10,
    // The key code names no key of this keyboard.
    HotKeyNoSuchKey = -1,
};

class GlobalHotKeys {
public:
    virtual ~GlobalHotKeys() = default;

    struct Registration {
        int status = HotKeyOk;
        HotKeyRef ref = 0;   // set on success only
    };
    virtual Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) = 0;
    // Unknown or already removed references are ignored.
    virtual void unregisterHotKey(HotKeyRef ref) = 0;
    // The one receiver of every press; an empty function removes it.
    virtual void setHandler(std::function<void(std::uint32_t id)> handler) = 0;
};

} // namespace fw
