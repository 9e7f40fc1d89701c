// GLib's headers come first: they use names that Qt's keywords would replace.
#include <gio/gio.h>

#include "platform/x11/GnomeDesktopSettings.h"

#include "base/LibraryFiles.h"
#include "platform/x11/DetachedLaunch.h"
#include "platform/x11/TitleBarLayouts.h"
#include "platform/x11/WindowMoveKeys.h"

#include <QByteArrayList>
#include <QStandardPaths>

namespace fw {

namespace {

// The settings of a schema holding the key; null when the schema or the key is not installed.
GSettings* settingsWithKey(const char* schemaId, const char* key)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId, TRUE);
    if (!schema)
        return nullptr;
    GSettings* settings = g_settings_schema_has_key(schema, key) ? g_settings_new_full(schema, nullptr, nullptr)
                                                                  : nullptr;
    g_settings_schema_unref(schema);
    return settings;
}

} // namespace

struct GnomeDesktopSettings::Schemas {
    GSettings* mutter = nullptr;
    GSettings* interface = nullptr;
    GSettings* wm = nullptr;
    ~Schemas()
    {
        if (wm)
            g_object_unref(wm);
        if (mutter)
            g_object_unref(mutter);
        if (interface)
            g_object_unref(interface);
    }
};

GnomeDesktopSettings::GnomeDesktopSettings(std::function<QString()> windowManagerName)
    : schemas_(std::make_unique<Schemas>()), windowManagerName_(std::move(windowManagerName))
{
    // GIO opens every compiled schema file without a bound: a FIFO among them would block here.
    if (!compiledSchemasReadable())
        return;
    schemas_->wm = settingsWithKey("org.gnome.desktop.wm.preferences", "button-layout");
    if (gnomeSession(qgetenv("XDG_CURRENT_DESKTOP")))
        schemas_->mutter = settingsWithKey("org.gnome.mutter", "edge-tiling");
    schemas_->interface = settingsWithKey("org.gnome.desktop.interface", "enable-animations");
}

GnomeDesktopSettings::~GnomeDesktopSettings() = default;

bool GnomeDesktopSettings::gnomeSession(const QByteArray& currentDesktop)
{
    for (const QByteArray& name : currentDesktop.split(':')) {
        if (name.trimmed().toUpper().contains("GNOME"))
            return true;
    }
    return false;
}

std::optional<bool> GnomeDesktopSettings::windowManagerPreference(const QString& key)
{
    if (key != edgeTilingKey && key != topTilingKey)
        return std::nullopt;
    if (!schemas_->mutter)
        return false;
    return g_settings_get_boolean(schemas_->mutter, "edge-tiling") != FALSE;
}

bool GnomeDesktopSettings::openTilingSettings()
{
    if (!schemas_->mutter)
        return false;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
    return !tool.isEmpty() && startDetached(tool, {tool, QStringLiteral("multitasking")}).has_value();
}

bool GnomeDesktopSettings::reduceMotion()
{
    return schemas_->interface && g_settings_get_boolean(schemas_->interface, "enable-animations") == FALSE;
}

template <class T, class Read>
const T& GnomeDesktopSettings::fresh(Reading<T>& reading, Read read)
{
    constexpr qint64 kRereadMs = 5000;
    if (!reading.taken.isValid() || reading.taken.elapsed() >= kRereadMs) {
        reading.value = read(windowManagerName_ ? windowManagerName_() : QString());
        reading.taken.start();
    }
    return reading.value;
}

std::optional<QString> GnomeDesktopSettings::wmPreference(const char* key) const
{
    if (!schemas_->wm)
        return std::nullopt;
    // An older schema may lack the key, and GIO aborts on a key it does not know.
    GSettingsSchema* schema = nullptr;
    g_object_get(schemas_->wm, "settings-schema", &schema, nullptr);
    const bool known = schema && g_settings_schema_has_key(schema, key);
    if (schema)
        g_settings_schema_unref(schema);
    if (!known)
        return std::nullopt;
    gchar* value = g_settings_get_string(schemas_->wm, key);
    const QString out = QString::fromUtf8(value);
    g_free(value);
    return out;
}

TitleBarButtons GnomeDesktopSettings::titleBarButtons()
{
    return fresh(buttons_, [this](const QString& wm) {
        return titlebar::read(wm, [this] { return wmPreference("button-layout"); });
    });
}

std::optional<Modifiers> GnomeDesktopSettings::moveModifier()
{
    return fresh(moveModifier_, [this](const QString& wm) {
        return movekey::read(wm, [this] { return wmPreference("mouse-button-modifier"); });
    });
}

} // namespace fw
