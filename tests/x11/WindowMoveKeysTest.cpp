// The keys window managers move windows with, as their settings state them: GNOME's modifier
// names, KWin's kwinrc (the user's file before the system's, a FIFO passed over, its default
// Meta when none says), and none stated by any other window manager.
#include "platform/x11/WindowMoveKeys.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fw {
namespace {

// Sets an environment variable for the scope, and gives back what it was.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value) : name_(name), before_(qgetenv(name)) { qputenv(name, value); }
    ~ScopedVariable() { before_.isNull() ? qunsetenv(name_) : qputenv(name_, before_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    QByteArray before_;
};

bool write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

TEST(WindowMoveKeys, GnomeAndKwinStateTheirKeyElseEachWindowManagerHasItsDefault)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    EXPECT_EQ(movekey::fromGnome(u"<Super>"_qs), Modifiers(ModSuper));
    EXPECT_EQ(movekey::fromGnome(u"<Alt>"_qs), Modifiers(ModAlt));
    EXPECT_EQ(movekey::fromGnome(u"<Control><mod4>"_qs), Modifiers(ModControl | ModSuper));
    EXPECT_EQ(movekey::fromGnome(u"disabled"_qs), Modifiers(0));
    EXPECT_EQ(movekey::fromGnome(QString()), Modifiers(0));

    // Only its own group counts, and the last statement in it; KWin takes all but Meta for Alt.
    EXPECT_EQ(movekey::fromKwinrc("[Windows]\nCommandAllKey=Meta\n\n[MouseBindings]\nCommandAll1=Move\nCommandAllKey=Alt\n"),
              Modifiers(ModAlt));
    EXPECT_EQ(movekey::fromKwinrc("[MouseBindings]\nCommandAllKey=Alt\nCommandAllKey[$i] = Meta\r\n"), Modifiers(ModSuper));
    EXPECT_EQ(movekey::fromKwinrc("[MouseBindings]\nCommandAllKey=Hyper\n"), Modifiers(ModAlt));
    EXPECT_FALSE(movekey::fromKwinrc("[MouseBindings]\nCommandAll1=Move\n[Other]\nCommandAllKey=Alt\n"));

    QTemporaryDir user, system;
    ASSERT_TRUE(user.isValid() && system.isValid());
    ScopedVariable home("XDG_CONFIG_HOME", user.path().toLocal8Bit());
    ScopedVariable dirs("XDG_CONFIG_DIRS", system.path().toLocal8Bit());
    const auto gnome = [] { return std::optional<QString>(u"<Alt>"_qs); };
    EXPECT_EQ(movekey::read(u"KWin"_qs, gnome), std::optional<Modifiers>(ModSuper)) << "no kwinrc: KWin's default";
    ASSERT_TRUE(write(system.path() + u"/kwinrc"_qs, "[MouseBindings]\nCommandAllKey=Alt\n"));
    EXPECT_EQ(movekey::read(u"KWin"_qs, gnome), std::optional<Modifiers>(ModAlt)) << "the system's kwinrc";
    ASSERT_EQ(::mkfifo(QFile::encodeName(user.path() + u"/kwinrc"_qs).constData(), 0600), 0);
    EXPECT_EQ(movekey::read(u"KWin"_qs, gnome), std::optional<Modifiers>(ModAlt)) << "a FIFO is passed over";
    ASSERT_TRUE(QFile::remove(user.path() + u"/kwinrc"_qs));
    ASSERT_TRUE(write(user.path() + u"/kwinrc"_qs, "[MouseBindings]\nCommandAllKey=Meta\n"));
    EXPECT_EQ(movekey::read(u"KWin"_qs, gnome), std::optional<Modifiers>(ModSuper)) << "the user's kwinrc first";

    EXPECT_EQ(movekey::read(u"Metacity"_qs, gnome), std::optional<Modifiers>(ModAlt)) << "GNOME's setting";
    EXPECT_EQ(movekey::read(u"GNOME Shell"_qs, [] { return std::optional<QString>(); }), std::optional<Modifiers>(ModSuper));
    EXPECT_FALSE(movekey::read(u"Openbox"_qs, [] { return std::optional<QString>(u"<Super>"_qs); }));
    EXPECT_FALSE(movekey::read(QString(), {})) << "no window manager names itself";
}

} // namespace
} // namespace fw
