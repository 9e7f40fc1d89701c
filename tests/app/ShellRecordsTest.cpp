// What the shell writes and logs beside its commands: the Start at Login entry, the launch
// diagnostics document, and the stall log while the menu is open.
#include "app/LaunchDiagnostics.h"
#include "app/LoginItem.h"
#include "app/MainThreadStallLog.h"
#include "base/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(LoginItem, WritesTheEntryAndReadsTheDesktopsSwitches)
{
    QTemporaryDir dir;
    const QString program = dir.path() + u"/Frame well/framewell"_qs;
    ASSERT_TRUE(QDir().mkpath(dir.path() + u"/Frame well"_qs));
    QFile executable(program);
    ASSERT_TRUE(executable.open(QIODevice::WriteOnly));
    executable.close();
    executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    LoginItem item(dir.path() + u"/autostart"_qs, program);
    EXPECT_FALSE(item.enabled());
    EXPECT_EQ(item.setEnabled(true), std::nullopt);
    EXPECT_TRUE(item.enabled());
    QFile file(item.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n"));
    EXPECT_TRUE(text.contains("Exec=\"" + program.toUtf8() + "\"\n")) << text.toStdString();
    EXPECT_EQ(item.missingProgram(), QString());

    // The program it starts gone (a build folder cleaned, a package removed): off, and the
    // entry's program is named; one that cannot run counts as gone too.
    executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(item.enabled());
    EXPECT_EQ(item.missingProgram(), program);
    QFile::remove(program);
    EXPECT_FALSE(item.enabled());
    EXPECT_EQ(item.missingProgram(), program);
    // A program named without a folder is looked for on PATH.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nExec=sh -c true\n");
    file.close();
    EXPECT_TRUE(item.enabled());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nExec=framewell-gone-for-good --welcome\n");
    file.close();
    EXPECT_FALSE(item.enabled());
    EXPECT_EQ(item.missingProgram(), u"framewell-gone-for-good"_qs);

    // The desktop's own switches turn it off without removing it.
    for (const QByteArray& off : {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled = false")}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nExec=framewell\n" + off + "\n");
        file.close();
        EXPECT_FALSE(item.enabled()) << off.toStdString();
    }
    EXPECT_EQ(item.setEnabled(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(item.path()));
    EXPECT_EQ(item.setEnabled(false), std::nullopt);   // already off

    // Characters the Exec line treats specially are quoted and escaped.
    EXPECT_EQ(LoginItem::execArgument(u"/usr/bin/framewell"_qs), u"/usr/bin/framewell"_qs);
    EXPECT_EQ(LoginItem::execArgument(u"/a$b/50%/c\"d"_qs), u"\"/a\\\\$b/50%%/c\\\\\"d\""_qs);
    EXPECT_TRUE(LoginItem(dir.path(), u"/bin/x\nExec=rm"_qs).setEnabled(true).has_value());
}

TEST(LoginItem, StartsTheInstalledProgramRatherThanABuildFoldersCopy)
{
    QTemporaryDir dir;
    const auto executable = [&](const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    const QString built = executable(dir.path() + u"/src/build/framewell"_qs);
    QFile cache(dir.path() + u"/src/build/CMakeCache.txt"_qs);
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    const QString installed = executable(dir.path() + u"/prefix/bin/framewell"_qs);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path() + u"/prefix/bin:"_qs) + savedPath);
    EXPECT_EQ(LoginItem::preferredExecutable(built), installed);
    EXPECT_EQ(LoginItem::preferredExecutable(installed), installed);
    // Nothing installed: the build's copy it is.
    QFile::remove(installed);
    EXPECT_EQ(LoginItem::preferredExecutable(built), built);
    qputenv("PATH", savedPath);
}

TEST(LaunchDiagnostics, ThirteenKeysWithWindowsCountedTwiceAndOnce)
{
    LaunchFacts facts;
    facts.screenCapture = true;
    facts.accessibility = true;
    facts.pid = 42;
    facts.screens = 2;
    QJsonObject empty = launchDiagnostics(facts);
    EXPECT_EQ(empty.size(), 13);
    EXPECT_EQ(empty.value(u"stackSizes"_qs).toArray().size(), 0);
    EXPECT_EQ(empty.value(u"windowCountsByApp"_qs).toObject().size(), 0);

    const ManagedWindow a{7, 100, u"Notes"_qs, u"Editor"_qs};
    const ManagedWindow b{8, 100, u"Draft"_qs, u"Editor"_qs};
    facts.stacks.stackSizes = {2, 3};
    facts.stacks.knownFrames = {{a, Rect(0, 0, 10, 20)}, {a, Rect(1, 2, 3, 4)}, {b, Rect(5, 6, 7, 8)}};
    const QJsonObject doc = launchDiagnostics(facts);
    EXPECT_EQ(doc.value(u"windowCount"_qs).toInt(), 3);
    EXPECT_EQ(doc.value(u"distinctWindowCount"_qs).toInt(), 2);
    EXPECT_EQ(doc.value(u"windowCountsByApp"_qs).toObject(), (QJsonObject{{"Editor", 3}}));
    EXPECT_EQ(doc.value(u"stackSizes"_qs).toArray(), (QJsonArray{2, 3}));
    EXPECT_EQ(doc.value(u"windowFrames"_qs).toArray()[1].toObject(),
              (QJsonObject{{"app", "Editor"}, {"frame", QJsonArray{1, 2, 3, 4}}}));
    EXPECT_EQ(doc.value(u"pid"_qs).toInt(), 42);
    EXPECT_EQ(doc.value(u"screens"_qs).toInt(), 2);
}

// Without a runtime folder the files go under the state folder of a home of any length: the
// line that says where names it whole, the launch file written or not.
TEST(LaunchDiagnostics, TheLineSayingWhereNamesTheFolderWhole)
{
    QTemporaryDir tmp;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), state = qgetenv("XDG_STATE_HOME");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString home = tmp.path() + u"/"_qs + QString(200, u'h') + u"/"_qs + QString(200, u'o');
    qputenv("XDG_STATE_HOME", QFile::encodeName(home + u"/.local/state"_qs));
    const QString folder = home + u"/.local/state/framewell"_qs;
    log::Capture capture;
    sayDiagnosticsWhereabouts(writeLaunchDiagnostics({}));
    sayDiagnosticsWhereabouts(false);
    const QStringList lines = capture.messages(LogCategory::App);
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], u"Diagnostics written to %1/Framewell-diagnostics.json; Framewell-drag-state.json, "
                        "Framewell-stack-state.json, Framewell-span-state.json, Framewell-composition-state.json, "
                        "Framewell-recovery-state.json are written to %1 as they change"_qs.arg(folder));
    EXPECT_EQ(lines[1], u"Diagnostics could not be written to %1/Framewell-diagnostics.json (the log says why)"_qs.arg(folder));
    for (const auto& [name, value] : {std::pair("XDG_RUNTIME_DIR", runtime), std::pair("XDG_STATE_HOME", state)}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

TEST(MainThreadStallLog, LogsSpansLongerThanThirtyMillisecondsWhileObserving)
{
    VirtualClock clock;
    log::Capture capture;
    MainThreadStallLog stalls(clock);
    using A = MainThreadStallLog::Activity;
    auto span = [&](Duration busy) {
        stalls.handle(A::afterWaiting);
        clock.elapse(busy);
        stalls.handle(A::beforeWaiting);
    };
    stalls.start();
    stalls.start();   // once
    EXPECT_TRUE(stalls.observing());
    span(30ms);
    span(31ms);
    span(std::chrono::microseconds(45900));
    EXPECT_EQ(capture.messages(LogCategory::Motion),
              (QStringList{u"Menu stall: main thread busy 31 ms"_qs, u"Menu stall: main thread busy 45 ms"_qs}));
    // Stopping in the middle of a span forgets it; a wait without a wake-up logs nothing.
    stalls.handle(A::afterWaiting);
    clock.elapse(100ms);
    stalls.stop();
    stalls.start();
    stalls.handle(A::beforeWaiting);
    EXPECT_EQ(capture.messages(LogCategory::Motion).size(), 2);
    stalls.stop();
    EXPECT_FALSE(stalls.observing());
}

} // namespace
} // namespace fw
