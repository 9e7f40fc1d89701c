// The screens port on X11: Qt's screens in device pixels, visible frames less the docks' struts,
// and display keys read from RandR (from the EDID where there is one, else the monitor's name),
// with the names the displays are shown by (MonitorNames).
#include "platform/x11/X11Screens.h"

#include "platform/Struts.h"
#include "platform/qt/DevicePixels.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/MonitorNames.h"
#include "platform/x11/X11Docks.h"

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

} // namespace

// Hears RandR's notices on Qt's connection: any change of outputs, monitors or their properties
// (an EDID among them) makes the next read of the screens read the EDIDs again.
class X11Screens::RandrWatch final : public QAbstractNativeEventFilter {
public:
    RandrWatch(std::optional<Randr>& read, std::uint8_t firstEvent) : read_(read), firstEvent_(firstEvent)
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
            read_.reset();
        return false;
    }

private:
    std::optional<Randr>& read_;
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
            randrWatch_ = std::make_unique<RandrWatch>(randr_, randr->first_event);
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
    // A dock that moves within its edge, or a bar re-laid out by its window manager, often
    // leaves every visible frame as it was: only a change that shows is told.
    docks_ = std::make_unique<X11Docks>();
    docks_->setChangeHandler([this] {
        const std::vector<Rect> before = visible_;
        screens();
        if (visible_ != before)
            changed();
    });
}

X11Screens::~X11Screens() = default;

void X11Screens::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] { changed(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { changed(); });
}

void X11Screens::changed()
{
    randr_.reset();
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

const X11Screens::Randr& X11Screens::randr() const
{
    if (randr_)
        return *randr_;
    Randr out;
    if (Connection* conn = connection()) {
        xcb_connection_t* c = conn->raw();
        const auto* ext = xcb_get_extension_data(c, &xcb_randr_id);
        if (ext && ext->present)
            readOutputs(out);
    }
    randr_ = out;
    return *randr_;
}

void X11Screens::readOutputs(Randr& out) const
{
    Connection& conn = *connection();
    xcb_connection_t* c = conn.raw();
    auto edidOf = [&](xcb_randr_output_t output) {
        if (conn.atoms().edid == XCB_NONE)
            return QByteArray();
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
            out.edids.insert(name, edidOf(outputs[i]));
        }
    }
    // Monitors (RandR 1.5) by theirs: the EDID of their first output, and where they lie.
    auto monitors = FW_XCB_REPLY(c, xcb_randr_get_monitors, xcb_randr_get_monitors(c, conn.root(), 1));
    if (monitors) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.p); it.rem; xcb_randr_monitor_info_next(&it)) {
            const QString name = nameOf(c, it.data->name);
            QByteArray edid;
            if (xcb_randr_monitor_info_outputs_length(it.data) > 0)
                edid = edidOf(xcb_randr_monitor_info_outputs(it.data)[0]);
            if (name.isEmpty())
                continue;
            out.edids.insert(name, edid);
            out.monitors.insert(name, Rect(it.data->x, it.data->y, it.data->width, it.data->height));
        }
    }
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
    const Randr& read = randr();
    QSet<QString> keys;
    std::vector<Rect> monitors;
    std::vector<MonitorIdentity> identities;
    for (QScreen* s : list) {
        ScreenInfo info;
        // RandR's rectangle in device pixels; Qt's logical one only as exact as its rounding.
        info.frame = read.monitors.value(s->name(), DevicePixels::deviceGeometry(*s));
        info.visibleFrame = DevicePixels::toDevice(QRectF(s->availableGeometry()));
        info.primary = s == primary;
        info.scale = s->devicePixelRatio();
        const QByteArray edid = read.edids.value(s->name());
        info.key = displayKeyFromEdid(edid);
        if (!info.key.isEmpty() && keys.contains(info.key))
            info.key = displayKeyFromEdid(edid, s->name());
        if (info.key.isEmpty())
            info.key = s->name();
        keys.insert(info.key);
        monitors.push_back(info.frame);
        identities.push_back({edid, s->name()});
        out.push_back(info);
    }
    const std::vector<QString> names = monitorNames(identities);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i].name = names[i];
    // Each monitor less the docks and panels on it, read here: Qt cuts every screen by the one
    // work area, and only from its first change (a bar the WM had before would be missed).
    if (docks_ && docks_->ok()) {
        const auto visible = visibleFrames(monitors, docks_->struts(), docks_->screenSize(), docks_->workArea());
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i].visibleFrame = visible[i];
    }
    visible_.clear();
    for (const ScreenInfo& info : out)
        visible_.push_back(info.visibleFrame);
    return out;
}

} // namespace fw
