// Window capture on X11 (X11WindowCapture.h): top-level windows redirected through Composite,
// their pixmaps read with MIT-SHM GetImage or plain GetImage, and the desktop background.
#include "platform/x11/X11WindowCapture.h"

#include "platform/x11/X11Connection.h"

#include <QImage>
#include <xcb/composite.h>
#include <xcb/shm.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace fw {

using namespace x11;

namespace {

constexpr int kMaxDepth = 16;   // window managers reparent a few levels deep at most

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    auto r = FW_XCB_REPLY(c, xcb_intern_atom, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name));
    return r ? r->atom : XCB_NONE;
}

// The global rectangle on whole pixels: edges rounded to the nearest pixel.
PixelRect pixelRect(const Rect& r)
{
    const int x0 = int(std::lround(r.minX())), y0 = int(std::lround(r.minY()));
    const int x1 = int(std::lround(r.maxX())), y1 = int(std::lround(r.maxY()));
    return {x0, y0, x1 - x0, y1 - y0};
}

bool sane(const Rect& r)
{
    return r.isFinite() && !r.isEmpty() && std::abs(r.minX()) < 1e6 && std::abs(r.minY()) < 1e6 && r.width() < 1e5
        && r.height() < 1e5;
}

} // namespace

PixelImage scaledPicture(PixelImage image, PixelSize size)
{
    if (image.isNull() || size.isEmpty())
        return {};
    if (image.size() == size)
        return image;
    const QImage source(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                        image.width * 4, QImage::Format_ARGB32_Premultiplied);
    const QImage scaled = source.scaled(size.width, size.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    PixelImage out(size.width, size.height);
    for (int y = 0; y < size.height; ++y)
        std::memcpy(out.pixels.data() + std::size_t(y) * std::size_t(size.width), scaled.constScanLine(y),
                    std::size_t(size.width) * 4);
    return out;
}

X11WindowCapture::X11WindowCapture(const QByteArray& displayName)
    : conn_(std::make_unique<Connection>(displayName))
{
    if (!conn_->ok())
        return;
    queryExtensions();
    rootPixmapAtom_ = internAtom(conn_->raw(), "_XROOTPMAP_ID");
    esetrootAtom_ = internAtom(conn_->raw(), "ESETROOT_PMAP_ID");
    compositorAtom_ = internAtom(conn_->raw(), "_NET_WM_CM_S0");
}

X11WindowCapture::~X11WindowCapture()
{
    releaseSharedMemory();
}

bool X11WindowCapture::connected() const { return conn_->ok(); }

void X11WindowCapture::queryExtensions()
{
    xcb_connection_t* c = conn_->raw();
    const auto* composite = xcb_get_extension_data(c, &xcb_composite_id);
    if (composite && composite->present) {
        // Naming a window's pixmap needs version 0.2.
        auto v = FW_XCB_REPLY(c, xcb_composite_query_version, xcb_composite_query_version(c, 0, 4));
        composite_ = v && (v->major_version > 0 || v->minor_version >= 2);
    }
    const auto* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (shm && shm->present) {
        auto v = FW_XCB_REPLY(c, xcb_shm_query_version, xcb_shm_query_version(c));
        shm_.usable = bool(v);
    }
}

bool X11WindowCapture::available() { return conn_->ok() && composite_; }

bool X11WindowCapture::keepPictures()
{
    if (!available())
        return false;
    if (!keepingAll_) {
        xcb_composite_redirect_subwindows(conn_->raw(), conn_->root(), XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        conn_->flush();
        keepingAll_ = true;
    }
    return true;
}

bool X11WindowCapture::compositorRuns()
{
    xcb_connection_t* c = conn_->raw();
    if (compositorAtom_ == XCB_NONE)
        return false;
    auto owner = FW_XCB_REPLY(c, xcb_get_selection_owner, xcb_get_selection_owner(c, compositorAtom_));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool X11WindowCapture::reserveSharedMemory(std::size_t bytes)
{
    if (!shm_.usable)
        return false;
    if (shm_.address && shm_.size >= bytes)
        return true;
    releaseSharedMemory();
    // Grow in steps, so that windows of similar sizes share one segment.
    const std::size_t size = std::max<std::size_t>(bytes, std::size_t(1) << 22);
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) {
        shm_.usable = false;
        return false;
    }
    void* address = shmat(id, nullptr, 0);
    const xcb_shm_seg_t segment = xcb_generate_id(conn_->raw());
    xcb_generic_error_t* error = address == reinterpret_cast<void*>(-1)
        ? nullptr
        : xcb_request_check(conn_->raw(), xcb_shm_attach_checked(conn_->raw(), segment, std::uint32_t(id), 0));
    // Marked for removal now: it goes away once both sides have detached, even after a crash.
    shmctl(id, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void*>(-1) || error) {
        // A remote server cannot attach our memory: read with plain GetImage from now on.
        free(error);
        if (address != reinterpret_cast<void*>(-1))
            shmdt(address);
        shm_.usable = false;
        return false;
    }
    shm_ = {true, segment, id, address, size};
    return true;
}

void X11WindowCapture::releaseSharedMemory()
{
    if (!shm_.address)
        return;
    if (conn_->ok()) {
        xcb_shm_detach(conn_->raw(), shm_.segment);
        conn_->flush();
    }
    shmdt(shm_.address);
    shm_.address = nullptr;
    shm_.size = 0;
    shm_.id = -1;
}

std::optional<PixelImage> X11WindowCapture::readDrawable(std::uint32_t drawable, const PixelRect& part, int depth)
{
    if (part.isEmpty() || (depth != 24 && depth != 32))
        return std::nullopt;
    xcb_connection_t* c = conn_->raw();
    const std::size_t bytes = std::size_t(part.width) * std::size_t(part.height) * 4;
    const std::uint8_t* data = nullptr;
    Reply<xcb_get_image_reply_t> plain;
    if (reserveSharedMemory(bytes)) {
        auto r = FW_XCB_REPLY(c, xcb_shm_get_image,
                              xcb_shm_get_image(c, drawable, std::int16_t(part.x), std::int16_t(part.y),
                                                std::uint16_t(part.width), std::uint16_t(part.height), ~0u,
                                                XCB_IMAGE_FORMAT_Z_PIXMAP, shm_.segment, 0));
        if (!r || r->size < bytes)
            return std::nullopt;
        data = static_cast<const std::uint8_t*>(shm_.address);
    } else {
        plain = FW_XCB_REPLY(c, xcb_get_image,
                             xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, std::int16_t(part.x),
                                           std::int16_t(part.y), std::uint16_t(part.width),
                                           std::uint16_t(part.height), ~0u));
        if (!plain || std::size_t(xcb_get_image_data_length(plain.p)) < bytes)
            return std::nullopt;
        data = xcb_get_image_data(plain.p);
    }
    const bool swapped = (xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST)
        != (std::endian::native == std::endian::big);
    // Depth 24 leaves the top byte undefined: those pixels are opaque.
    const std::uint32_t opaque = depth == 32 ? 0 : 0xff000000u;
    const auto* source = reinterpret_cast<const std::uint32_t*>(data);
    PixelImage out;
    out.width = part.width;
    out.height = part.height;
    out.pixels.assign(source, source + std::size_t(part.width) * std::size_t(part.height));
    for (std::uint32_t& p : out.pixels)
        p = (swapped ? __builtin_bswap32(p) : p) | opaque;
    return out;
}

std::vector<std::optional<X11WindowCapture::TopLevel>> X11WindowCapture::topLevels(const std::vector<std::uint32_t>& windows)
{
    xcb_connection_t* c = conn_->raw();
    std::vector<std::uint32_t> current(windows), found(windows.size(), XCB_NONE);
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (windows[i] != XCB_NONE)
            pending.push_back(i);
    for (int depth = 0; depth < kMaxDepth && !pending.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        for (std::size_t i : pending)
            cookies.push_back(xcb_query_tree(c, current[i]));
        std::vector<std::size_t> next;
        for (std::size_t k = 0; k < pending.size(); ++k) {
            auto tree = FW_XCB_REPLY(c, xcb_query_tree, cookies[k]);
            const std::size_t i = pending[k];
            if (!tree)
                continue;
            if (tree->parent == tree->root || tree->parent == XCB_NONE)
                found[i] = current[i];
            else {
                current[i] = tree->parent;
                next.push_back(i);
            }
        }
        pending = std::move(next);
    }
    // The top-level's geometry and state, and the window's own state: a window manager hides
    // a minimized client before its frame.
    std::vector<xcb_get_geometry_cookie_t> geometry(found.size());
    std::vector<xcb_get_window_attributes_cookie_t> attributes(found.size()), own(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i] == XCB_NONE)
            continue;
        geometry[i] = xcb_get_geometry(c, found[i]);
        attributes[i] = xcb_get_window_attributes(c, found[i]);
        own[i] = xcb_get_window_attributes(c, windows[i]);
    }
    std::vector<std::optional<TopLevel>> out(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i] == XCB_NONE)
            continue;
        auto g = FW_XCB_REPLY(c, xcb_get_geometry, geometry[i]);
        auto a = FW_XCB_REPLY(c, xcb_get_window_attributes, attributes[i]);
        auto o = FW_XCB_REPLY(c, xcb_get_window_attributes, own[i]);
        if (!g || !a || !o)
            continue;
        const int b = g->border_width;
        const bool viewable = a->map_state == XCB_MAP_STATE_VIEWABLE && o->map_state == XCB_MAP_STATE_VIEWABLE;
        out[i] = TopLevel{found[i], {g->x, g->y, g->width + 2 * b, g->height + 2 * b}, g->depth, viewable};
    }
    return out;
}

std::optional<PixelImage> X11WindowCapture::readWindow(const TopLevel& top, const PixelRect& part)
{
    if (!top.viewable || part.isEmpty())
        return std::nullopt;
    xcb_connection_t* c = conn_->raw();
    const bool fresh = !keepingAll_ && redirected_.insert(top.window).second;
    if (fresh) {
        xcb_composite_redirect_window(c, top.window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        // Its pixmap was only made now: without a compositing manager it holds the window's
        // background until the client has painted again. The redirection stays for next time.
        if (!compositorRuns()) {
            conn_->drainQueue();
            return std::nullopt;
        }
    }
    // Not checked on its own: when naming fails (unmapped meanwhile, or gone) the pixmap does
    // not exist and reading it fails, which saves a round trip on every capture.
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_composite_name_window_pixmap(c, top.window, pixmap);
    auto image = readDrawable(pixmap, part, top.depth);
    xcb_free_pixmap(c, pixmap);   // a pixmap never named gives an error, dropped below
    if (!image)
        redirected_.erase(top.window);   // redirect again next time
    else if (top.depth == 32 && std::all_of(image->pixels.begin(), image->pixels.end(),
                                            [](std::uint32_t p) { return (p >> 24) == 0; }))
        image.reset();   // nothing painted yet
    conn_->flush();
    // Errors of the unchecked requests above (a redirect refused, say) are of no use here.
    conn_->drainQueue();
    return image;
}

std::optional<PixelImage> X11WindowCapture::captureWindow(WindowId window, const Rect& frame, PixelSize size)
{
    if (!available() || size.isEmpty() || !sane(frame))
        return std::nullopt;
    const auto tops = topLevels({std::uint32_t(window)});
    if (!tops.front() || !tops.front()->viewable)
        return std::nullopt;
    const TopLevel& top = *tops.front();
    // The frame in the pixmap's coordinates, and the part of it the pixmap has.
    const PixelRect global = pixelRect(frame);
    const PixelRect wanted{global.x - top.rect.x, global.y - top.rect.y, global.width, global.height};
    const PixelRect part = wanted.intersected({0, 0, top.rect.width, top.rect.height});
    auto image = readWindow(top, part);
    if (!image)
        return std::nullopt;
    if (part != wanted) {
        // The window no longer fills the frame (it shrank or moved): the rest stays clear.
        PixelImage whole(wanted.width, wanted.height);
        whole.drawOver(*image, part.x - wanted.x, part.y - wanted.y);
        image = std::move(whole);
    }
    return scaledPicture(std::move(*image), size);
}

bool X11WindowCapture::drawWallpaper(PixelImage& canvas, const PixelRect& area)
{
    xcb_connection_t* c = conn_->raw();
    for (xcb_atom_t property : {rootPixmapAtom_, esetrootAtom_}) {
        if (property == XCB_NONE)
            continue;
        auto r = conn_->reply(conn_->property(conn_->root(), property, XCB_ATOM_PIXMAP, 1));
        const auto pixmap = cardinal(r.p);
        if (!pixmap || *pixmap == XCB_NONE)
            continue;
        auto g = FW_XCB_REPLY(c, xcb_get_geometry, xcb_get_geometry(c, *pixmap));
        if (!g)
            continue;   // a wallpaper setter that quit took its pixmap along
        const PixelRect part = area.intersected({0, 0, g->width, g->height});
        if (part.isEmpty())
            return true;
        auto image = readDrawable(*pixmap, part, g->depth);
        conn_->drainQueue();
        if (!image)
            continue;
        canvas.drawOver(*image, part.x - area.x, part.y - area.y);
        return true;
    }
    return false;
}

std::optional<std::uint32_t> X11WindowCapture::desktopWindow()
{
    const Atoms& a = conn_->atoms();
    auto list = conn_->reply(conn_->property(conn_->root(), a.netClientList, XCB_ATOM_WINDOW));
    const auto clients = cardinals(list.p);
    std::vector<xcb_get_property_cookie_t> cookies;
    for (std::uint32_t w : clients)
        cookies.push_back(conn_->property(w, a.netWmWindowType, XCB_ATOM_ATOM, 16));
    std::optional<std::uint32_t> found;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto r = conn_->reply(cookies[i]);
        const auto types = cardinals(r.p);
        if (!found && std::find(types.begin(), types.end(), a.netWmWindowTypeDesktop) != types.end())
            found = clients[i];
    }
    return found;
}

std::optional<PixelImage> X11WindowCapture::captureDesktop(const Rect& area, const std::vector<WindowId>& windows,
                                                           PixelSize size)
{
    if (!available() || size.isEmpty() || !sane(area))
        return std::nullopt;
    const PixelRect a = pixelRect(area);
    if (a.isEmpty())
        return std::nullopt;
    PixelImage canvas(a.width, a.height, argb(255, 0, 0, 0));
    std::vector<std::uint32_t> ids;
    if (!drawWallpaper(canvas, a)) {
        if (auto desktop = desktopWindow())
            ids.push_back(*desktop);
    }
    for (WindowId w : windows)
        ids.push_back(std::uint32_t(w));
    const auto tops = topLevels(ids);
    for (const auto& top : tops) {
        if (!top || !top->viewable)
            continue;
        const PixelRect part = top->rect.intersected(a);
        const PixelRect local{part.x - top->rect.x, part.y - top->rect.y, part.width, part.height};
        if (auto image = readWindow(*top, local))
            canvas.drawOver(*image, part.x - a.x, part.y - a.y);
    }
    return scaledPicture(std::move(canvas), size);
}

} // namespace fw
