#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <malloc.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fw;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QStringList dirEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Lowers the file-size limit so every write past `bytes` fails, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

} // namespace

TEST(MemoryDefaults, StoresRemovesAndLogsEveryWriteInOrder)
{
    MemoryDefaults d;
    d.setValue("a", true);
    d.setValue("b", QStringLiteral("x"));
    d.setValue("a", 3);
    d.remove("b");
    d.setValue("c", QJsonValue(QJsonValue::Undefined)); // same as a removal
    EXPECT_EQ(d.keys(), QStringList{"a"});
    EXPECT_EQ(d.value("a"), QJsonValue(3));
    EXPECT_FALSE(d.value("b").has_value());
    // Typed reads fall back on absence and on another type.
    EXPECT_TRUE(d.boolValue("a", true));
    EXPECT_FALSE(d.boolValue("missing", false));
    EXPECT_EQ(d.stringValue("a", "fb"), "fb");

    const auto& w = d.writeLog();
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(w[0].key, "a");
    EXPECT_EQ(w[2].value, QJsonValue(3));
    EXPECT_EQ(w[3].key, "b");
    EXPECT_FALSE(w[3].value.has_value());
    EXPECT_EQ(w[4].key, "c");
    EXPECT_FALSE(w[4].value.has_value());
    d.clearWriteLog();
    EXPECT_TRUE(d.writeLog().empty());
}

TEST(FileDefaults, DefaultPathFollowsXdgConfigHomeElseHomeConfig)
{
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg-test-config");
    EXPECT_EQ(FileDefaults::defaultPath(), "/tmp/xdg-test-config/framewell/defaults.json");
    qputenv("HOME", "/tmp/home-test");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(FileDefaults::defaultPath(), "/tmp/home-test/.config/framewell/defaults.json");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(FileDefaults::defaultPath(), "/tmp/home-test/.config/framewell/defaults.json");
    qputenv("HOME", savedHome);
    if (savedXdg.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

TEST(FileDefaults, ValuesSurviveARestartAsOneJsonObject)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("config/framewell/defaults.json"); // directories made on demand
    {
        FileDefaults d(path);
        EXPECT_TRUE(d.keys().isEmpty());
        d.setValue("windowStacksEnabled", false);
        d.setValue("stackTransition", QStringLiteral("genie"));
        d.setValue("layouts", QJsonObject{{"display", QJsonArray{1, 2.5, "x"}}});
        d.setValue("gone", 1);
        d.remove("gone");
        EXPECT_TRUE(d.lastWriteSucceeded());
    }
    const QJsonDocument doc = QJsonDocument::fromJson(readFile(path));
    ASSERT_TRUE(doc.isObject());
    EXPECT_EQ(doc.object().keys(), (QStringList{"layouts", "stackTransition", "windowStacksEnabled"}));

    FileDefaults again(path);
    EXPECT_FALSE(again.boolValue("windowStacksEnabled", true));
    EXPECT_EQ(again.stringValue("stackTransition"), "genie");
    EXPECT_EQ(again.value("layouts"), QJsonValue(QJsonObject{{"display", QJsonArray{1, 2.5, "x"}}}));
    EXPECT_FALSE(again.value("gone").has_value());
    EXPECT_TRUE(again.movedAsidePath().isEmpty());
    // Only the file itself is left: no temporary files.
    EXPECT_EQ(dirEntries(tmp.filePath("config/framewell")), QStringList{"defaults.json"});
}

template<typename T>
concept KeepsWriteLog = requires(const T& d) { d.writeLog(); };

TEST(FileDefaults, HoldsNothingPerWrite)
{
    // The write log is a test aid of the memory store; the file store has none, and the
    // shared interface does not offer one.
    static_assert(KeepsWriteLog<MemoryDefaults>);
    static_assert(!KeepsWriteLog<FileDefaults>);
    static_assert(!KeepsWriteLog<UserDefaults>);

    QTemporaryDir tmp;
    FileDefaults d(tmp.filePath("defaults.json"));
    d.setValue("k", 0);
    const auto before = mallinfo2().uordblks;
    for (int i = 0; i < 150; ++i)
        d.setValue("k", QString::number(i).repeated(400)); // distinct texts, 1–2 KB each
    const auto after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 64 * 1024) << "150 writes of one key must not keep 150 values";
    EXPECT_EQ(d.keys(), QStringList{"k"});
}

TEST(FileDefaults, AFailedWriteLeavesTheOldFileWholeAndKeepsTheValueInMemory)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    FileDefaults d(path);
    d.setValue("kept", QStringLiteral("old"));
    const QByteArray before = readFile(path);
    ASSERT_LT(before.size(), 200);

    log::Capture capture;
    {
        FileSizeLimit limit(200); // the new contents are larger: the write is torn part way
        d.setValue("big", QString(5000, QLatin1Char('x')));
    }
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(d.stringValue("big").size(), 5000);
    EXPECT_EQ(dirEntries(tmp.path()), QStringList{"defaults.json"}); // the torn temp file is gone
    ASSERT_EQ(capture.messages(LogCategory::App).size(), 1);
    EXPECT_TRUE(capture.messages(LogCategory::App)[0].startsWith("Defaults not saved: "));

    // The next change that can be written carries everything, including the earlier value.
    d.remove("kept");
    EXPECT_TRUE(d.lastWriteSucceeded());
    FileDefaults reread(path);
    EXPECT_EQ(reread.keys(), QStringList{"big"});
}

TEST(FileDefaults, AnUnusableDirectoryFailsTheWriteWithoutLosingTheValue)
{
    QTemporaryDir tmp;
    writeFile(tmp.filePath("framewell"), "a file where the directory should be");
    log::Capture capture;
    FileDefaults d(tmp.filePath("framewell/defaults.json"));
    d.setValue("k", 1);
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_EQ(d.value("k"), QJsonValue(1));
    EXPECT_EQ(readFile(tmp.filePath("framewell")), "a file where the directory should be");
}

// A save that fails is told once as a notice naming the file and why, in a user's words; one
// that failed before anyone listened is told when someone does; once a save has worked again,
// the next failure is told again.
TEST(FileDefaults, AFailedSaveIsToldOnceUntilASaveWorksAgain)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    FileDefaults d(path);
    d.setValue("k", 1);
    const auto failSaves = [&] {
        FileSizeLimit limit(8); // as on a full disk
        d.setValue("k", QString(100, u'x'));
        d.setValue("j", QString(100, u'y'));
    };
    failSaves();
    QStringList notices;
    d.setNoticeReport([&](const QString& text) { notices << text; });
    failSaves();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0], "Settings can’t be saved to “" + path
                              + "”: the file would be larger than the system allows. Changes last until Framewell quits.");

    d.setValue("k", 3);
    EXPECT_TRUE(d.lastWriteSucceeded());
    EXPECT_EQ(notices.size(), 1);
    failSaves();
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(dirEntries(tmp.path()), QStringList{"defaults.json"});
}

// A writer killed at any moment leaves the file whole and no temporary file; one left by a kill
// between naming the new file and the rename (planted here) goes at the next start, unless a
// write still holds it, another user owns it, or it is no regular file named as ours.
TEST(FileDefaults, WritersKilledMidSaveLeaveNothingOnceItStartsAgain)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    for (int round = 0; round < 30; ++round) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            FileDefaults d(path);
            for (int i = 0;; ++i)
                d.setValue("n", QString::number(i).repeated(2000));
        }
        // The first writer saves whole once before it dies, however late a busy machine starts
        // it: the store opened at the end has a value to read.
        for (int waited = 0; round == 0 && !QFile::exists(path) && waited < 30000; ++waited)
            ::usleep(1000);
        ::usleep(useconds_t(2000 + round * 700));
        ::kill(writer, SIGKILL);
        ASSERT_EQ(::waitpid(writer, nullptr, 0), writer);
    }
    const auto planted = [&](const QString& name) {
        writeFile(tmp.filePath(name), "{\"n\":");
        return tmp.filePath(name);
    };
    planted(".defaults.json.tmp-k1lled");
    planted(".defaults.json.outside-20260101T000000Z.tmp-k1lled2");
    const QString held = planted(".defaults.json.tmp-wr1ting");
    const int heldFd = ::open(QFile::encodeName(held).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(heldFd, LOCK_EX), 0);
    QStringList kept{".defaults.json.tmp-wr1ting", ".defaults.json.tmp-", "defaults.json.tmp-abc", ".other.json.tmp-abc",
                     ".defaults.json.tmp-f1fo", ".defaults.json.tmp-l1nk"};
    planted(".defaults.json.tmp-");
    planted("defaults.json.tmp-abc");
    planted(".other.json.tmp-abc");
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.filePath(".defaults.json.tmp-f1fo")).constData(), 0600), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(planted("target")).constData(),
                        QFile::encodeName(tmp.filePath(".defaults.json.tmp-l1nk")).constData()), 0);
    kept << "target";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(planted(".defaults.json.tmp-0ther")).constData(), 65534, 65534), 0);
        kept << ".defaults.json.tmp-0ther";
    }

    FileDefaults started(path);
    EXPECT_TRUE(started.movedAsidePath().isEmpty()) << "a killed write left a torn file";
    EXPECT_TRUE(started.value("n").has_value());
    kept << "defaults.json";
    kept.sort();
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              kept);
    ::close(heldFd);
}

TEST(FileDefaults, AnUnreadableFileIsMovedAsideToldAndTheStoreStartsEmpty)
{
    const QByteArray bad[] = {"{\"a\": tru", "[1, 2]", "", "\"text\""};
    for (const QByteArray& contents : bad) {
        SCOPED_TRACE(contents.toStdString());
        QTemporaryDir tmp;
        const QString path = tmp.filePath("defaults.json");
        writeFile(path, contents);
        log::Capture capture;
        FileDefaults d(path);
        EXPECT_TRUE(d.keys().isEmpty());
        const QString aside = d.movedAsidePath();
        ASSERT_FALSE(aside.isEmpty());
        EXPECT_TRUE(QFileInfo(aside).fileName().startsWith("defaults.json.corrupt-"));
        EXPECT_EQ(readFile(aside), contents);
        EXPECT_FALSE(QFile::exists(path));
        ASSERT_EQ(capture.messages(LogCategory::App).size(), 1);
        EXPECT_TRUE(capture.messages(LogCategory::App)[0].contains(aside));
        EXPECT_TRUE(d.openedUnreadableFile()) << "a returning user's file";

        // Told as soon as the program can tell, once, naming the kept copy.
        QStringList told;
        d.setNoticeReport([&told](const QString& text) { told << text; });
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].startsWith("Your settings couldn’t be read, so Framewell started with fresh settings"));
        EXPECT_TRUE(told[0].endsWith(QStringLiteral("The old file is kept as “%1”.").arg(aside))) << told[0].toStdString();

        // New values go to a fresh file; the kept copy is untouched.
        d.setValue("x", 1);
        EXPECT_TRUE(d.lastWriteSucceeded());
        EXPECT_EQ(readFile(aside), contents);
        EXPECT_EQ(FileDefaults(path).value("x"), QJsonValue(1));
        EXPECT_FALSE(FileDefaults(path).openedUnreadableFile());

        // Another program makes it unreadable while we run: kept aside, told, ours written again.
        writeFile(path, contents);
        d.setValue("y", 2);
        ASSERT_EQ(told.size(), 2);
        EXPECT_TRUE(told[1].startsWith("Your settings file was changed by another program and couldn’t be read")) << told[1].toStdString();
        EXPECT_EQ(FileDefaults(path).value("x"), QJsonValue(1));
    }
}

TEST(FileDefaults, TwoCorruptFilesInOneSecondAreBothKept)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    log::Capture capture;
    writeFile(path, "first{");
    FileDefaults a(path);
    writeFile(path, "second{");
    FileDefaults b(path);
    ASSERT_FALSE(a.movedAsidePath().isEmpty());
    ASSERT_FALSE(b.movedAsidePath().isEmpty());
    EXPECT_NE(a.movedAsidePath(), b.movedAsidePath());
    EXPECT_EQ(readFile(a.movedAsidePath()), "first{");
    EXPECT_EQ(readFile(b.movedAsidePath()), "second{");
}

TEST(FileDefaults, ADirectoryInPlaceOfTheFileIsMovedAsideLikeAnyUnreadableFile)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    QDir().mkpath(path + "/inner");
    log::Capture capture;
    FileDefaults d(path);
    ASSERT_FALSE(d.movedAsidePath().isEmpty());
    EXPECT_TRUE(QFileInfo(d.movedAsidePath() + "/inner").isDir());
    d.setValue("k", true);
    EXPECT_TRUE(d.lastWriteSucceeded());
    EXPECT_TRUE(FileDefaults(path).boolValue("k", false));
}

namespace {

// After `path` was found unreadable: the log line names the reason and where it was moved,
// the store is empty, and the first write makes a fresh regular file in its place.
void expectMovedAsideUnread(FileDefaults& d, const log::Capture& capture, const QString& path, const char* reason)
{
    EXPECT_TRUE(d.keys().isEmpty());
    ASSERT_FALSE(d.movedAsidePath().isEmpty());
    ASSERT_EQ(capture.messages(LogCategory::App).size(), 1);
    const QString line = capture.messages(LogCategory::App)[0];
    EXPECT_TRUE(line.contains(reason)) << line.toStdString();
    EXPECT_TRUE(line.contains(d.movedAsidePath())) << line.toStdString();
    d.setValue("k", 1);
    EXPECT_TRUE(d.lastWriteSucceeded());
    EXPECT_TRUE(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
    EXPECT_EQ(FileDefaults(path).value("k"), QJsonValue(1));
}

} // namespace

TEST(FileDefaults, WhatIsNotASmallRegularFileIsMovedAsideWithoutBeingRead)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    const QByteArray name = QFile::encodeName(path);

    {
        // A FIFO: opening it to read would wait for a writer. A writer started here sees
        // whether anything opened it before the test let it go (its open returns either way).
        SCOPED_TRACE("FIFO");
        ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
        std::atomic<bool> released{false};
        std::atomic<bool> openedByLoad{false};
        std::thread writer([&] {
            const int fd = ::open(name.constData(), O_WRONLY);
            openedByLoad = fd >= 0 && !released;
            ::close(fd);
        });
        log::Capture capture;
        FileDefaults d(path);
        released = true;
        // Let the writer go: open the FIFO (wherever it was moved) for reading, which never blocks.
        const QString fifo = d.movedAsidePath().isEmpty() ? path : d.movedAsidePath();
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        writer.join();
        ::close(reader);
        EXPECT_FALSE(openedByLoad) << "the load opened the FIFO";
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(d.movedAsidePath()).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        expectMovedAsideUnread(d, capture, path, "FIFO");
        QFile::remove(path);
    }
    {
        // A 1 GB sparse file that starts like a good one: refused by its size, never read.
        SCOPED_TRACE("1 GB");
        writeFile(path, "{\"k\": 2}");
        ASSERT_EQ(::truncate(name.constData(), 1 << 30), 0);
        log::Capture capture;
        FileDefaults d(path);
        EXPECT_EQ(QFileInfo(d.movedAsidePath()).size(), 1 << 30);
        expectMovedAsideUnread(d, capture, path, "larger than 8388608 bytes");
        QFile::remove(d.movedAsidePath());
        QFile::remove(path);
    }

    {
        // A link to an endless device: refused from its status, so never read at all.
        SCOPED_TRACE("link to /dev/zero");
        ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0);
        log::Capture capture;
        FileDefaults d(path);
        EXPECT_EQ(QFileInfo(d.movedAsidePath()).symLinkTarget(), QStringLiteral("/dev/zero"));
        expectMovedAsideUnread(d, capture, path, "device");
        QFile::remove(path);
    }
    // A link to a good regular file is read through (dotfile managers link config files).
    writeFile(tmp.filePath("real.json"), "{\"k\": 3}");
    QFile::remove(path);
    ASSERT_EQ(::symlink(QFile::encodeName(tmp.filePath("real.json")).constData(), name.constData()), 0);
    EXPECT_EQ(FileDefaults(path).value("k"), QJsonValue(3));
}

TEST(FileDefaults, DefaultsTooLargeToReadBackAreNotWritten)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    FileDefaults d(path);
    d.setValue("small", 1);
    log::Capture capture;
    d.setValue("huge", QString(int(FileDefaults::maxFileBytes), QLatin1Char('x')));
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_EQ(d.value("huge")->toString().size(), FileDefaults::maxFileBytes);
    ASSERT_EQ(capture.messages(LogCategory::App).size(), 1);
    EXPECT_TRUE(capture.messages(LogCategory::App)[0].startsWith("Defaults not saved: "));
    EXPECT_EQ(FileDefaults(path).keys(), QStringList{"small"});
}

// What is accepted can always be saved again: the file is written compact, so a large file
// indented by hand comes back smaller, and a file that would take more than the bound written
// back (numbers spelled short: 1e9 is written 1000000000) is refused on reading like a file
// over the bound, instead of failing every later change.
TEST(FileDefaults, WrittenCompactAndNothingAcceptedThatCouldNotBeWrittenBack)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    QJsonArray rows;
    for (int i = 0; i < 40000; ++i)
        rows.append(QJsonObject{{"name", QString::number(i)}, {"ratio", 0.5}});
    const QByteArray indented = QJsonDocument(QJsonObject{{"rows", rows}}).toJson(QJsonDocument::Indented);
    ASSERT_GT(indented.size(), 2 * 1024 * 1024);
    writeFile(path, indented);
    {
        FileDefaults d(path);
        EXPECT_TRUE(d.movedAsidePath().isEmpty());
        d.setValue("k", 1);
        EXPECT_TRUE(d.lastWriteSucceeded());
    }
    const QByteArray written = readFile(path);
    EXPECT_LT(written.size(), indented.size() / 2);
    EXPECT_FALSE(written.contains('\n'));
    EXPECT_EQ(FileDefaults(path).value("rows"), QJsonValue(rows));

    QByteArray terse = "{\"n\":[1e9";
    while (terse.size() < 4 * 1024 * 1024)
        terse += ",1e9";
    terse += "]}";
    writeFile(path, terse);
    log::Capture capture;
    FileDefaults d(path);
    expectMovedAsideUnread(d, capture, path, "written back it would take");
    EXPECT_EQ(readFile(d.movedAsidePath()), terse);
}

// A dotfile manager's link in place of the file stays a link: every save writes the file it
// leads to, atomically, and leaves nothing beside either.
TEST(FileDefaults, ALinkInPlaceOfTheFileIsKeptAndItsTargetWritten)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("config/framewell/defaults.json");
    writeFile(tmp.filePath("dotfiles/framewell.json"), "{\"k\": 1}");
    QDir().mkpath(tmp.filePath("config/framewell"));
    ASSERT_EQ(::symlink("../../dotfiles/framewell.json", QFile::encodeName(path).constData()), 0);
    ::chmod(QFile::encodeName(tmp.filePath("dotfiles/framewell.json")).constData(), 0640);

    FileDefaults d(path);
    EXPECT_EQ(d.value("k"), QJsonValue(1));
    d.setValue("k", 2);
    EXPECT_TRUE(d.lastWriteSucceeded());
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), tmp.filePath("dotfiles/framewell.json"));
    EXPECT_EQ(QJsonDocument::fromJson(readFile(tmp.filePath("dotfiles/framewell.json"))).object().value("k"), 2);
    EXPECT_EQ(QFileInfo(tmp.filePath("dotfiles/framewell.json")).permissions() & QFileDevice::ReadGroup,
              QFileDevice::ReadGroup);
    EXPECT_EQ(dirEntries(tmp.filePath("dotfiles")), QStringList{"framewell.json"});
    EXPECT_EQ(dirEntries(tmp.filePath("config/framewell")), QStringList{"defaults.json"});
    EXPECT_EQ(FileDefaults(path).value("k"), QJsonValue(2));
}

// A link in place of the file that leads to another user's file (planted for a program run as
// root; for a user, root's own file) is neither read nor written nor moved, and the user is told
// once; nor is a file made through a link into another user's folder.
TEST(FileDefaults, ALinkToAnotherUsersFileIsNeitherReadNorWritten)
{
    QTemporaryDir tmp;
    const bool root = ::geteuid() == 0;
    const QString theirs = root ? tmp.filePath("theirs/settings.json") : QStringLiteral("/etc/passwd");
    if (root) {
        writeFile(theirs, "{\"theirs\": 1}");
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    }
    const QByteArray before = readFile(theirs);
    const QString path = tmp.filePath("config/framewell/defaults.json");
    QDir().mkpath(tmp.filePath("config/framewell"));
    ASSERT_EQ(::symlink(QFile::encodeName(theirs).constData(), QFile::encodeName(path).constData()), 0);
    log::Capture capture;
    QStringList told;
    {
        FileDefaults d(path);
        d.setNoticeReport([&](const QString& text) { told << text; });
        EXPECT_TRUE(d.keys().isEmpty());
        EXPECT_TRUE(d.openedUnreadableFile());
        d.setValue("k", 2);
        d.setValue("k", 3);
        EXPECT_FALSE(d.lastWriteSucceeded());
        EXPECT_EQ(d.value("k"), QJsonValue(3)) << "kept in memory";
    }
    EXPECT_EQ(readFile(theirs), before);
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), theirs);
    EXPECT_EQ(dirEntries(tmp.filePath("config/framewell")), QStringList{"defaults.json"});
    ASSERT_EQ(told.size(), 1) << told.join(" | ").toStdString();
    EXPECT_EQ(told[0], QStringLiteral("Your settings file “%1” is a link to “%2”, a file of another user’s, so Framewell "
                                      "neither reads nor writes it: it started with fresh settings. Changes last until "
                                      "Framewell quits.").arg(path, theirs));
    if (!root)
        return;
    // A link to a file not made yet, in a folder of another user's: not made there.
    const QString folder = tmp.filePath("theirs/sub");
    QDir().mkpath(folder);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::symlink(QFile::encodeName(folder + "/new.json").constData(), QFile::encodeName(path).constData()), 0);
    FileDefaults d(path);
    d.setValue("k", 1);
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_FALSE(QFileInfo::exists(folder + "/new.json"));
}

// A dotfile manager's link at the settings path, made before the first run to a file in the
// home not made yet: the link stays and the first save makes the file it leads to, folders and
// all. A chain of two links that ends in another user's folder is refused and told, not moved
// aside; one that ends in a missing folder outside the home makes no folder there.
TEST(FileDefaults, ALinkMadeBeforeTheFirstRunIsKeptAndItsFileWritten)
{
    QTemporaryDir home, outside;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        if (hadConfig)
            qputenv("XDG_CONFIG_HOME", oldConfig);
    });
    const QString path = FileDefaults::defaultPath();
    ASSERT_EQ(path, home.filePath(".config/framewell/defaults.json"));
    const QString dotfile = home.filePath("dotfiles/framewell/defaults.json");
    QDir().mkpath(home.filePath(".config/framewell"));
    ASSERT_EQ(::symlink("../../dotfiles/framewell/defaults.json", QFile::encodeName(path).constData()), 0);
    QStringList told;
    {
        FileDefaults d;
        d.setNoticeReport([&](const QString& text) { told << text; });
        EXPECT_FALSE(d.openedUnreadableFile());
        EXPECT_TRUE(d.movedAsidePath().isEmpty());
        d.setValue("k", 1);
        EXPECT_TRUE(d.lastWriteSucceeded());
    }
    EXPECT_EQ(told, QStringList());
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), dotfile);
    EXPECT_EQ(QJsonDocument::fromJson(readFile(dotfile)).object().value("k"), 1);
    EXPECT_EQ(dirEntries(home.filePath(".config/framewell")), QStringList{"defaults.json"});
    EXPECT_EQ(FileDefaults().value("k"), QJsonValue(1));

    // The dotfile becomes a link to a file not made yet in another user's folder.
    const bool root = ::geteuid() == 0;
    const QString theirs = root ? outside.filePath("theirs/defaults.json") : QStringLiteral("/etc/framewell-none/defaults.json");
    if (root) {
        QDir().mkpath(outside.filePath("theirs"));
        ASSERT_EQ(::chown(QFile::encodeName(outside.filePath("theirs")).constData(), 65534, 65534), 0);
    }
    ASSERT_TRUE(QFile::remove(dotfile));
    ASSERT_EQ(::symlink(QFile::encodeName(theirs).constData(), QFile::encodeName(dotfile).constData()), 0);
    {
        FileDefaults d;
        d.setNoticeReport([&](const QString& text) { told << text; });
        EXPECT_TRUE(d.openedUnreadableFile());
        EXPECT_TRUE(d.movedAsidePath().isEmpty());
        d.setValue("k", 2);
        EXPECT_FALSE(d.lastWriteSucceeded());
    }
    EXPECT_FALSE(QFileInfo::exists(theirs));
    EXPECT_EQ(linkChainEnd(path), theirs);
    // Nothing moved aside: the link (to nothing yet, which only System lists) is all there is.
    EXPECT_EQ(QDir(home.filePath(".config/framewell")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"defaults.json"});
    ASSERT_EQ(told.size(), 1) << told.join(" | ").toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("“%1”, a file of another user’s").arg(theirs))) << told[0].toStdString();

    // A link into a folder outside the home that is not there: kept, and nothing made.
    const QString missing = outside.filePath("missing/defaults.json");
    ASSERT_TRUE(QFile::remove(dotfile));
    ASSERT_EQ(::symlink(QFile::encodeName(missing).constData(), QFile::encodeName(dotfile).constData()), 0);
    told.clear();
    {
        FileDefaults d;
        d.setNoticeReport([&](const QString& text) { told << text; });
        EXPECT_FALSE(d.openedUnreadableFile());
        d.setValue("k", 3);
        EXPECT_FALSE(d.lastWriteSucceeded());
    }
    EXPECT_FALSE(QFileInfo::exists(outside.filePath("missing")));
    EXPECT_EQ(linkChainEnd(path), missing);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].endsWith(QStringLiteral("the folder it leads to doesn’t exist. Changes last until Framewell quits.")))
        << told[0].toStdString();
}

TEST(FileDefaults, AnUnreadableFileThatCannotBeMovedIsNeverOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("framewell");
    const QString path = dir + "/defaults.json";
    writeFile(path, "{\"secret\": 1}");
    QFile::setPermissions(path, QFileDevice::Permissions{});
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    log::Capture capture;
    FileDefaults d(path);
    d.setValue("k", 1);
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_EQ(d.value("k"), QJsonValue(1));
    EXPECT_TRUE(d.movedAsidePath().isEmpty());
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readFile(path), "{\"secret\": 1}");
}

TEST(FileDefaults, AnotherProgramsChangesSurviveOurNextWriteAndAClashIsKeptAside)
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("framewell");
    const QString path = dir + "/defaults.json";
    const auto object = [&] { return QJsonDocument::fromJson(readFile(path)).object(); };
    const auto json = [](const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); };
    FileDefaults d(path);
    d.setValue("ours", 1);
    d.setValue("shared", "before");

    // A settings sync replaces the file (a new file renamed over it): its keys, changed, added
    // and removed, are all taken in, and our change goes on top.
    writeFile(dir + "/synced.tmp", json({{"ours", 1}, {"shared", "theirs"}, {"added", true}}));
    ASSERT_EQ(::rename(QFile::encodeName(dir + "/synced.tmp").constData(), QFile::encodeName(path).constData()), 0);
    d.setValue("mine", 2);
    EXPECT_EQ(object(), (QJsonObject{{"ours", 1}, {"shared", "theirs"}, {"added", true}, {"mine", 2}}));
    EXPECT_EQ(d.value("added"), QJsonValue(true)) << "what the other program wrote is read too";

    // An editor rewrites it in place (same file, same size): the removal of a key stays removed.
    writeFile(path, json({{"ours", 1}, {"shared", "theirs"}, {"mine", 2}, {"addex", true}}).replace("addex", "extra"));
    d.remove("ours");
    EXPECT_EQ(object(), (QJsonObject{{"shared", "theirs"}, {"mine", 2}, {"extra", true}}));
    EXPECT_FALSE(d.value("added"));

    // Both change the same key: ours is written, and theirs is kept beside it, logged.
    log::Capture capture;
    writeFile(path, json({{"shared", "theirs"}, {"mine", 3}, {"extra", true}}));
    d.setValue("mine", 4);
    EXPECT_EQ(object(), (QJsonObject{{"shared", "theirs"}, {"mine", 4}, {"extra", true}}));
    const QStringList aside = QDir(dir).entryList({"defaults.json.outside-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1) << dirEntries(dir).join(' ').toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(readFile(dir + '/' + aside.front())).object().value("mine"), QJsonValue(3));
    EXPECT_TRUE(capture.messages(LogCategory::App).join('\n').contains(aside.front()))
        << capture.messages(LogCategory::App).join('\n').toStdString();

    // Another program leaves it broken: that file is moved aside as unreadable and ours written.
    writeFile(path, "{\"mine\": 5, ");
    d.setValue("after", true);
    EXPECT_EQ(object(), (QJsonObject{{"shared", "theirs"}, {"mine", 4}, {"extra", true}, {"after", true}}));
    EXPECT_FALSE(d.movedAsidePath().isEmpty());
    EXPECT_EQ(readFile(d.movedAsidePath()), "{\"mine\": 5, ");

    // Our own writes are no outside change: nothing more is kept aside.
    d.setValue("last", 1);
    EXPECT_EQ(QDir(dir).entryList({"defaults.json.outside-*"}, QDir::Files).size(), 1);

    // Removed by another program: nothing to take in, and every value is written again.
    ASSERT_TRUE(QFile::remove(path));
    d.setValue("again", true);
    EXPECT_EQ(object(), (QJsonObject{{"shared", "theirs"}, {"mine", 4}, {"extra", true}, {"after", true}, {"last", 1},
                                     {"again", true}}));
}
