#include "platform/x11/X11Screens.h"

#include "platform/x11/X11Connection.h"

#include <QCryptographicHash>
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QUuid>
#include <xcb/randr.h>

#include <cstring>

namespace fw {

using namespace x11;

namespace {

// A fixed namespace for name-based (version 5) UUIDs of displays.
const QUuid displayNamespace(0x6f1c2a53, 0x4e0b, 0x4d8e, 0x9a, 0x41, 0x2f, 0x7c, 0x51, 0x08, 0xd3, 0x6e);

QString nameOf(xcb_connection_t* c, xcb_atom_t atom)
{
    auto r = FW_XCB_REPLY(c, xcb_get_atom_name, xcb_get_atom_name(c, atom));
    if (!r)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(r.p), xcb_get_atom_name_name_length(r.p));
}

Rect toRect(const QRect& r, double scale)
{
    return Rect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
}

} // namespace

// Hears RandR's notices on Qt's connection: any change of outputs, monitors or their properties
// (an EDID among them) makes the next read of the screens read the EDIDs again.
class X11Screens::RandrWatch final : public QAbstractNativeEventFilter {
public:
    RandrWatch(std::optional<QMap<QString, QByteArray>>& edids, std::uint8_t firstEvent)
        : edids_(edids), firstEvent_(firstEvent)
    {
        qGuiApp->installNativeEventFilter(this);
    }
    ~RandrWatch() override
    {
        if (qGuiApp)
            qGuiApp->removeNativeEventFilter(this);
    }
    RandrWatch(const RandrWatch&) = delete;
    RandrWatch& operator=(const RandrWatch&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const std::uint8_t event = static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f;
        if (event == firstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || event == firstEvent_ + XCB_RANDR_NOTIFY)
            edids_.reset();
        return false;
    }

private:
    std::optional<QMap<QString, QByteArray>>& edids_;
    std::uint8_t firstEvent_;
};

X11Screens::X11Screens()
{
    if (!qGuiApp)
        return;
    if (Connection* conn = connection()) {
        xcb_connection_t* c = conn->raw();
        const auto* randr = xcb_get_extension_data(c, &xcb_randr_id);
        if (randr && randr->present) {
            // The mask Qt selects itself, and property changes: a selection replaces the earlier one.
            xcb_randr_select_input(c, conn->root(),
                                   XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE
                                       | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY);
            xcb_flush(c);
            randrWatch_ = std::make_unique<RandrWatch>(edids_, randr->first_event);
        }
    }
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen*) { changed(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen*) { changed(); });
    for (QScreen* s : QGuiApplication::screens())
        watch(s);
}

X11Screens::~X11Screens() = default;

void X11Screens::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] { changed(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { changed(); });
}

void X11Screens::changed()
{
    edids_.reset();
    // Qt reports one change as several signals: tell the handler once, after all of them.
    if (pending_)
        return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        if (handler_)
            handler_();
    });
}

void X11Screens::setChangeHandler(std::function<void()> handler)
{
    handler_ = std::move(handler);
}

QString X11Screens::displayKeyFromEdid(const QByteArray& edid)
{
    static const char header[] = {0, char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), 0};
    if (edid.size() < 128 || std::memcmp(edid.constData(), header, 8) != 0)
        return {};
    return QUuid::createUuidV5(displayNamespace, edid.left(128)).toString(QUuid::WithoutBraces).toUpper();
}

QString X11Screens::displayKeyFromEdid(const QByteArray& edid, const QString& connector)
{
    if (displayKeyFromEdid(edid).isEmpty())
        return {};
    return QUuid::createUuidV5(displayNamespace, edid.left(128) + connector.toUtf8())
        .toString(QUuid::WithoutBraces)
        .toUpper();
}

x11::Connection* X11Screens::connection() const
{
    if (!connection_) {
        auto* native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!native || !native->connection())
            return nullptr;
        connection_ = std::make_unique<Connection>(native->connection(), 0);
    }
    return connection_->ok() ? connection_.get() : nullptr;
}

QMap<QString, QByteArray> X11Screens::edidByName() const
{
    if (edids_)
        return *edids_;
    QMap<QString, QByteArray> out;
    Connection* connection = this->connection();
    if (!connection)
        return out;
    Connection& conn = *connection;
    xcb_connection_t* c = conn.raw();
    const auto* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present || conn.atoms().edid == XCB_NONE) {
        edids_ = out;
        return out;
    }

    auto edidOf = [&](xcb_randr_output_t output) {
        auto r = FW_XCB_REPLY(c, xcb_randr_get_output_property,
                              xcb_randr_get_output_property(c, output, conn.atoms().edid, XCB_ATOM_ANY, 0, 256, 0, 0));
        if (!r || r->format != 8)
            return QByteArray();
        return QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(r.p)),
                          xcb_randr_get_output_property_data_length(r.p));
    };

    // Outputs by their own names.
    auto res = FW_XCB_REPLY(c, xcb_randr_get_screen_resources_current,
                            xcb_randr_get_screen_resources_current(c, conn.root()));
    if (res) {
        const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(res.p);
        const int n = xcb_randr_get_screen_resources_current_outputs_length(res.p);
        std::vector<xcb_randr_get_output_info_cookie_t> cookies;
        for (int i = 0; i < n; ++i)
            cookies.push_back(xcb_randr_get_output_info(c, outputs[i], res->config_timestamp));
        for (int i = 0; i < n; ++i) {
            auto info = FW_XCB_REPLY(c, xcb_randr_get_output_info, cookies[i]);
            if (!info)
                continue;
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.p)),
                                                   xcb_randr_get_output_info_name_length(info.p));
            out.insert(name, edidOf(outputs[i]));
        }
    }
    // Monitors (RandR 1.5) by theirs: the EDID of their first output.
    auto monitors = FW_XCB_REPLY(c, xcb_randr_get_monitors, xcb_randr_get_monitors(c, conn.root(), 1));
    if (monitors) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.p); it.rem; xcb_randr_monitor_info_next(&it)) {
            const QString name = nameOf(c, it.data->name);
            QByteArray edid;
            if (xcb_randr_monitor_info_outputs_length(it.data) > 0)
                edid = edidOf(xcb_randr_monitor_info_outputs(it.data)[0]);
            if (!name.isEmpty())
                out.insert(name, edid);
        }
    }
    edids_ = out;
    return out;
}

std::optional<Rect> X11Screens::workArea() const
{
    Connection* connection = this->connection();
    if (!connection)
        return std::nullopt;
    Connection& conn = *connection;
    const auto v = cardinals(conn.reply(conn.property(conn.root(), conn.atoms().netWorkarea, XCB_ATOM_CARDINAL, 4)).p);
    if (v.size() < 4 || v[2] == 0 || v[3] == 0)
        return std::nullopt;
    return Rect(std::int32_t(v[0]), std::int32_t(v[1]), v[2], v[3]);
}

std::vector<ScreenInfo> X11Screens::screens() const
{
    std::vector<ScreenInfo> out;
    if (!qGuiApp)
        return out;
    QList<QScreen*> list = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary && list.removeOne(primary))
        list.prepend(primary);
    const QMap<QString, QByteArray> edids = edidByName();
    const std::optional<Rect> area = workArea();
    QSet<QString> keys;
    for (QScreen* s : list) {
        // Qt's geometry is in device-independent pixels; windows are read in X pixels.
        const double scale = s->devicePixelRatio();
        ScreenInfo info;
        info.name = s->name();
        info.frame = toRect(s->geometry(), scale);
        // The monitor within the WM's work area, read here: Qt takes _NET_WORKAREA only from
        // its first change, so a bar the WM had before (icewm's, fluxbox's) would be missed.
        const Rect within = area ? info.frame.intersection(*area) : Rect::null();
        info.visibleFrame = within.isEmpty() ? toRect(s->availableGeometry(), scale) : within;
        info.primary = s == primary;
        const QByteArray edid = edids.value(s->name());
        info.key = displayKeyFromEdid(edid);
        if (!info.key.isEmpty() && keys.contains(info.key))
            info.key = displayKeyFromEdid(edid, s->name());
        if (info.key.isEmpty())
            info.key = s->name();
        keys.insert(info.key);
        out.push_back(info);
    }
    return out;
}

} // namespace fw
