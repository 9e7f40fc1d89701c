// Telling Xwayland from other X servers by what the server answers: its own extension, or the
// names it gives its RandR outputs.
#include "platform/x11/XwaylandDisplay.h"

#include "platform/x11/X11Connection.h"

#include <xcb/randr.h>

#include <cstring>
#include <vector>

namespace fw {

using namespace x11;

namespace {

constexpr char extensionName[] = "XWAYLAND";

// Xwayland before 23.1 (Debian 12's) has no extension of its own, and names each RandR output
// after itself: "XWAYLAND0", "XWAYLAND1", …
bool outputsNamedXwayland(xcb_connection_t* c, xcb_window_t root)
{
    const auto* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present)
        return false;
    auto resources = FW_XCB_REPLY(c, xcb_randr_get_screen_resources_current,
                                  xcb_randr_get_screen_resources_current(c, root));
    if (!resources)
        return false;
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.p);
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.p);
    std::vector<xcb_randr_get_output_info_cookie_t> cookies;
    for (int i = 0; i < count; ++i)
        cookies.push_back(xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp));
    bool named = false;
    for (const auto& cookie : cookies) {
        auto info = FW_XCB_REPLY(c, xcb_randr_get_output_info, cookie);
        const int length = info ? xcb_randr_get_output_info_name_length(info.p) : 0;
        const auto* name = info ? reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.p)) : nullptr;
        const int prefix = int(sizeof extensionName) - 1;
        named = named || (length > prefix && std::memcmp(name, extensionName, prefix) == 0);
    }
    return named;
}

} // namespace

bool displayIsXwayland()
{
    Connection conn;
    if (!conn.ok())
        return false;
    xcb_connection_t* c = conn.raw();
    // Xwayland 23.1 and later answer for an extension of their own.
    auto own = FW_XCB_REPLY(c, xcb_query_extension,
                            xcb_query_extension(c, sizeof extensionName - 1, extensionName));
    return (own && own->present) || outputsNamedXwayland(c, conn.root());
}

} // namespace fw
