// Where window managers draw their title-bar buttons, from the layouts their settings state:
// GNOME's and metacity's button-layout, xfwm4's button_layout and openbox's titleLayout as
// tables, the files they live in (a stated layout wins over the window manager's default, a
// broken or missing file falls back to it), and the defaults by window-manager name.
#include "platform/x11/TitleBarLayouts.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(TitleBarLayouts, EachNotationCountsTheItemsAtEitherEndAndFindsTheButtonsSide)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    struct Row {
        TitleBarButtons (*parse)(const QString&);
        const char* layout;
        TitleBarButtons expected;
    };
    const Row rows[] = {
        {titlebar::fromGnome, "appmenu:minimize,maximize,close", {1, 3, false}},
        {titlebar::fromGnome, "appmenu:close", {1, 1, false}},
        {titlebar::fromGnome, "close,minimize,maximize:", {3, 0, true}},
        {titlebar::fromGnome, "close:maximize", {1, 1, true}},   // a tie: the side of close
        {titlebar::fromGnome, "menu,spacer:minimize, close ", {2, 2, false}},
        {titlebar::fromGnome, ":", {0, 0, false}},
        {titlebar::fromXfwm, "O|HMC", {1, 3, false}},
        {titlebar::fromXfwm, "O|SHMC", {1, 4, false}},
        {titlebar::fromXfwm, "CHM|O", {3, 1, true}},
        {titlebar::fromXfwm, "OX?|C", {1, 1, false}},   // unknown letters take no place
        {titlebar::fromOpenbox, "NLIMC", {1, 3, false}},
        {titlebar::fromOpenbox, "CMILN", {3, 1, true}},
        {titlebar::fromOpenbox, "nlimc", {1, 3, false}},
        {titlebar::fromOpenbox, "DSLC", {2, 1, false}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.parse(QString::fromUtf8(r.layout)), r.expected) << r.layout;
}

TEST(TitleBarLayouts, SettingsFilesStateTheLayoutElseTheWindowManagersDefault)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    EXPECT_EQ(titlebar::xfwmLayout(R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfwm4" version="1.0">
  <property name="general" type="empty">
    <property name="theme" type="string" value="Default"/>
    <property name="button_layout" type="string" value="CHM|O"/>
  </property>
</channel>)"),
              u"CHM|O"_qs);
    EXPECT_EQ(titlebar::openboxLayout(R"(<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme><name>Clearlooks</name><titleLayout> CMILN </titleLayout></theme></openbox_config>)"),
              u"CMILN"_qs);
    EXPECT_FALSE(titlebar::xfwmLayout("<channel><property name=\"button_layout\""));
    EXPECT_FALSE(titlebar::openboxLayout("not xml at all"));

    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const auto write = [&](const QString& relative, const QByteArray& text) {
        const QString path = config.path() + u"/"_qs + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    ASSERT_TRUE(write(u"openbox/rc.xml"_qs, "<openbox_config><theme><titleLayout>CMILN</titleLayout></theme></openbox_config>"));
    ASSERT_TRUE(write(u"xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml"_qs, "<channel><property name=\"button_layout\""));
    const auto gnome = [] { return std::optional<QString>(u"close,minimize:"_qs); };
    EXPECT_EQ(titlebar::read(u"Openbox"_qs, gnome), (TitleBarButtons{3, 1, true, true})) << "stated in rc.xml";
    EXPECT_EQ(titlebar::read(u"Xfwm4"_qs, gnome), (TitleBarButtons{1, 4, false, true})) << "a broken file: the default";
    EXPECT_EQ(titlebar::read(u"Metacity"_qs, gnome), (TitleBarButtons{2, 0, true, true})) << "GNOME's setting";
    EXPECT_EQ(titlebar::read(u"Metacity"_qs, {}), (TitleBarButtons{1, 3, false, true})) << "no setting: the default";
    EXPECT_EQ(titlebar::read(u"GNOME Shell"_qs, [] { return std::optional<QString>(); }), (TitleBarButtons{1, 1, false, true}));
    EXPECT_EQ(titlebar::read(u"IceWM 3.4.5 (Linux 6.1.0/x86_64)"_qs, gnome), (TitleBarButtons{1, 5, false}));
    EXPECT_EQ(titlebar::read(QString(), gnome), (TitleBarButtons{1, 3, false})) << "no window manager names itself";
    if (before.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", before);
}

} // namespace
} // namespace fw
