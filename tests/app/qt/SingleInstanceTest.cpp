// One running copy, on real files and a real socket: a second process finds the lock held
// whatever the lock file holds, asks the first to open again, waits for its answer and ends (a
// failure when none comes); the lock of a process that has ended is free; folders others own or
// may write in are passed over for the user's state folder, and with none left a copy does not
// start; a folder too deep for a socket's address still serves; a runtime folder that cannot take the lock hands over to the
// temporary one without letting a second copy run; a removed lock file or socket is made again
// and never lets a second copy run; and the socket drops clients that send too much, say
// nothing, or come too many at once, making room by the oldest idle one so that a later copy is
// always answered.
#include "app/qt/SingleInstance.h"

#include "base/Log.h"
#include "support/ScopedEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

namespace fw {
namespace {

using test::ScopedEnv;

// The folder the second process claims in, or "-" for the per-user folders of its environment.
const char* const childDirVariable = "FW_SINGLE_INSTANCE_DIR";
// Set when the second process expects no answer from the first.
const char* const childUnansweredVariable = "FW_SINGLE_INSTANCE_UNANSWERED";

// Run only as the second process of the tests below.
TEST(SingleInstanceChild, FindsTheRunningCopy)
{
    const QString dir = qEnvironmentVariable(childDirVariable);
    if (dir.isEmpty())
        GTEST_SKIP() << "the second process of the SingleInstance tests";
    SingleInstance instance(dir == u"-"_qs ? QString() : dir);
    EXPECT_EQ(instance.claim(), qEnvironmentVariableIsSet(childUnansweredVariable) ? SingleInstance::Claim::unanswered
                                                                                    : SingleInstance::Claim::another);
}

bool spinUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Second {
    int exitCode = -1;
    QString log;
};

// Starts this test program as a second copy claiming in `dir`, with `env` added, and keeps
// this copy's event loop turning until it ends.
Second runSecondCopy(const QString& dir, const std::map<QString, QString>& env = {})
{
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childDirVariable), dir);
    for (const auto& [key, value] : env)
        environment.insert(key, value);
    second.setProcessEnvironment(environment);
    second.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=SingleInstanceChild.FindsTheRunningCopy"_qs});
    spinUntil([&] { return second.state() == QProcess::NotRunning; }, 20000);
    const bool normal = second.exitStatus() == QProcess::NormalExit && second.state() == QProcess::NotRunning;
    return {normal ? second.exitCode() : -1,
            QString::fromUtf8(second.readAllStandardOutput() + second.readAllStandardError())};
}

// The first copy in a folder of its own, counting the requests to open again.
struct FirstCopy {
    QTemporaryDir dir;
    QString run = dir.path() + u"/run"_qs;
    SingleInstance first{run};
    int reopened = 0;
    FirstCopy() { first.onReopen = [this] { ++reopened; }; }
};

TEST(SingleInstance, WhateverTheLockFileHoldsTheFirstCopyRunsAndTheNextEnds)
{
    // Left by a crash right after the file was made, written over by something else, or a
    // folder in its place: none of them may keep the program from starting.
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> leftovers = {
        {"empty", [](const QString& path) { QFile f(path); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }},
        {"garbage", [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray("\x01\xff not a lock\n-7\n\n", 17).repeated(50));
         }},
        {"directory", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path + u"/inside"_qs)); }},
    };
    for (const auto& [what, leave] : leftovers) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        const QString run = dir.path() + u"/run"_qs;
        ASSERT_TRUE(QDir().mkpath(run));
        leave(run + u"/framewell.lock"_qs);
        int reopened = 0;
        {
            SingleInstance first(run);
            first.onReopen = [&] { ++reopened; };
            ASSERT_EQ(first.claim(), SingleInstance::Claim::first);
            const Second second = runSecondCopy(run);
            EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
            EXPECT_TRUE(second.log.contains(u"Framewell already runs"_qs)) << second.log.toStdString();
            EXPECT_TRUE(spinUntil([&] { return reopened == 1; })) << "the first copy was not asked to open again";
        }
        // Ended, the first copy let the lock go.
        EXPECT_EQ(SingleInstance(run).claim(), SingleInstance::Claim::first);
    }
}

TEST(SingleInstance, AFolderTooDeepForASocketsAddressStillAnswersTheNextCopy)
{
    // A long home puts the state folder's socket past the 107 bytes of a socket's address.
    QTemporaryDir dir;
    const QString run = dir.path() + u'/' + QString(60, u'd') + u'/' + QString(60, u'e') + u"/run"_qs;
    ASSERT_TRUE(QDir().mkpath(run));
    int reopened = 0;
    SingleInstance first(run);
    first.onReopen = [&] { ++reopened; };
    ASSERT_EQ(first.claim(), SingleInstance::Claim::first);
    ASSERT_GT(QFile::encodeName(run + u"/framewell.socket"_qs).size(), 107);
    EXPECT_TRUE(QFileInfo(run + u"/framewell.socket"_qs).exists()) << "the socket is in its folder";
    const Second second = runSecondCopy(run);
    EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
    EXPECT_TRUE(spinUntil([&] { return reopened == 1; })) << "the first copy was not asked to open again";
}

TEST(SingleInstance, ARunningCopyThatAnswersTooLateIsAskedOnlyOnceAndTheLaterCopySaysSo)
{
    FirstCopy copy;
    ASSERT_EQ(copy.first.claim(), SingleInstance::Claim::first);
    const QString& run = copy.run;
    int& reopened = copy.reopened;
    SingleInstance& first = copy.first;
    // This copy answers nothing while the second one runs: waiting for it to end runs no
    // event loop here, so the request waits unread and unanswered in the socket. The second
    // copy does not take that for an answer: it says so and reports no success.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childDirVariable), run);
    environment.insert(QString::fromLatin1(childUnansweredVariable), u"1"_qs);
    second.setProcessEnvironment(environment);
    second.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=SingleInstanceChild.FindsTheRunningCopy"_qs});
    ASSERT_TRUE(second.waitForFinished(20000));
    const QString said = QString::fromUtf8(second.readAllStandardOutput() + second.readAllStandardError());
    EXPECT_EQ(second.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(u"did not answer"_qs)) << said.toStdString();

    // A last request after it, answered once everything before it has been read.
    QLocalSocket last;
    last.connectToServer(first.socketPath());
    ASSERT_TRUE(last.waitForConnected(2000));
    last.write("reopen\n");
    ASSERT_TRUE(last.waitForBytesWritten(2000));
    EXPECT_TRUE(spinUntil([&] { return reopened >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(reopened, 2) << "the late copy's request arrived once, then the last one";
}

TEST(SingleInstance, TakesOverTheLockOfAProcessThatEnded)
{
    QTemporaryDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        // Holds the lock and dies without a word, as a killed copy does.
        SingleInstance held(dir.path());
        ::_exit(held.claim() == SingleInstance::Claim::first ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    SingleInstance instance(dir.path());
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::first);
    EXPECT_TRUE(QFile::exists(instance.socketPath()));
}

// Without a runtime folder, another user who makes <temp>/framewell-<uid> first (or makes it
// writable to all) moves the lock to the user's state folder, never switches the rule off: a
// second copy still finds the first and ends. Only when no folder at all can be had does a copy
// refuse to start.
TEST(SingleInstance, AFolderOthersOwnOrMayWriteInIsPassedOverNeverTheRule)
{
    QTemporaryDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", QByteArray());
    ScopedEnv temp("TMPDIR", QFile::encodeName(tmp.path()));
    ScopedEnv state("XDG_STATE_HOME", QFile::encodeName(tmp.path() + u"/state"_qs));
    const QString folder = tmp.path() + u"/framewell-%1"_qs.arg(::geteuid());
    const QStringList dirs = SingleInstance::defaultDirectories();
    ASSERT_EQ(dirs.size(), 2);
    EXPECT_EQ(dirs[0], folder);
    EXPECT_TRUE(dirs[1].startsWith(tmp.path() + u"/state/framewell/run-"_qs)) << dirs[1].toStdString();
    const QString own = dirs[1];
    const std::map<QString, QString> env{{u"XDG_RUNTIME_DIR"_qs, QString()}, {u"TMPDIR"_qs, tmp.path()},
                                         {u"XDG_STATE_HOME"_qs, tmp.path() + u"/state"_qs}};

    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    if (::geteuid() == 0) {
        // Another user's folder, however closed: the first copy takes the state folder, and a
        // second copy finds it there and ends.
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        log::Capture capture;
        SingleInstance first;
        int reopened = 0;
        first.onReopen = [&] { ++reopened; };
        ASSERT_EQ(first.claim(), SingleInstance::Claim::first);
        EXPECT_EQ(first.directory(), own);
        EXPECT_TRUE(capture.messages(LogCategory::App).join(u'\n').contains(u"belongs to another user (65534)"_qs));
        EXPECT_FALSE(QFile::exists(folder + u"/framewell.lock"_qs));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        const Second second = runSecondCopy(u"-"_qs, env);
        EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
        EXPECT_TRUE(spinUntil([&] { return reopened == 1; })) << second.log.toStdString();
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), ::geteuid(), ::getegid()), 0);
    } else {
        std::cout << "[  SKIPPED ] a folder of another user: only root can give one away (chown)\n";
    }
    // Folders others may write in are left as they are; with the state folder one of them too,
    // no folder is left and the copy must not start.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    ASSERT_TRUE(QDir().mkpath(own));
    QFile::remove(own + u"/framewell.lock"_qs);
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0777), 0);
    {
        log::Capture capture;
        EXPECT_EQ(SingleInstance().claim(), SingleInstance::Claim::failed);
        const QString said = capture.messages(LogCategory::App).join(u'\n');
        EXPECT_TRUE(said.contains(u"others may write in it (mode 0777)"_qs)) << said.toStdString();
        EXPECT_TRUE(said.contains(u"this copy does not start"_qs)) << said.toStdString();
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0777u) << "a refused folder is left as it is";
        EXPECT_FALSE(QFile::exists(folder + u"/framewell.lock"_qs));
        EXPECT_FALSE(QFile::exists(own + u"/framewell.lock"_qs));
    }
    // Missing, the temporary one is made ours alone.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    SingleInstance instance;
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::first);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(instance.lockPath(), folder + u"/framewell.lock"_qs);
}

TEST(SingleInstance, ARuntimeFolderThatCannotTakeTheLockNeverLetsASecondCopyRun)
{
    QTemporaryDir tmp;
    const QString runtimeDir = tmp.path() + u"/runtime"_qs;
    const QString tempDir = tmp.path() + u"/tmp"_qs;
    ASSERT_TRUE(QDir().mkpath(runtimeDir) && QDir().mkpath(tempDir));
    ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir));
    ScopedEnv temp("TMPDIR", QFile::encodeName(tempDir));
    // Nothing can be made under the lock's name (as in a full folder): a link is never followed.
    const QByteArray lock = QFile::encodeName(runtimeDir + u"/framewell.lock"_qs);
    ASSERT_EQ(::symlink("nowhere", lock.constData()), 0);

    log::Capture capture;
    SingleInstance first;
    int reopened = 0;
    first.onReopen = [&] { ++reopened; };
    ASSERT_EQ(first.claim(), SingleInstance::Claim::first);
    EXPECT_EQ(first.directory(), tempDir + u"/framewell-%1"_qs.arg(::geteuid()));
    EXPECT_TRUE(capture.messages(LogCategory::App).join(u'\n').contains(u"framewell.lock cannot be used"_qs));

    // A later copy that finds the runtime folder usable again takes its lock, yet still finds
    // the first copy where it is and ends.
    ASSERT_EQ(::unlink(lock.constData()), 0);
    const Second second = runSecondCopy(u"-"_qs, {{u"XDG_RUNTIME_DIR"_qs, runtimeDir}, {u"TMPDIR"_qs, tempDir}});
    EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
    EXPECT_TRUE(spinUntil([&] { return reopened == 1; })) << second.log.toStdString();
}

TEST(SingleInstance, ARemovedLockFileOrSocketIsMadeAgainAndNoSecondCopyRuns)
{
    FirstCopy copy;
    ASSERT_EQ(copy.first.claim(), SingleInstance::Claim::first);
    const QByteArray lock = QFile::encodeName(copy.first.lockPath());
    // A lock file is at the path, and someone holds its lock.
    const auto lockedAgain = [&] {
        const int fd = ::open(lock.constData(), O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (fd >= 0)
            ::close(fd);
        return held;
    };
    ASSERT_TRUE(lockedAgain());

    // Removed while nobody starts: the folder tells the running copy, which makes it again.
    ASSERT_EQ(::unlink(lock.constData()), 0);
    EXPECT_TRUE(spinUntil(lockedAgain)) << "the lock file was not made again";

    // Removed, and a later copy starts at once: whether it finds the lock made again or takes
    // a fresh one and then the running copy on the socket, it asks that copy and ends.
    ASSERT_EQ(::unlink(lock.constData()), 0);
    Second second = runSecondCopy(copy.run);
    EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
    EXPECT_TRUE(spinUntil([&] { return copy.reopened == 1 && lockedAgain(); })) << second.log.toStdString();

    // A removed socket is made again too, and the next copy still reaches the running one.
    ASSERT_EQ(::unlink(QFile::encodeName(copy.first.socketPath()).constData()), 0);
    EXPECT_TRUE(spinUntil([&] { return QFileInfo::exists(copy.first.socketPath()); })) << "the socket was not made again";
    second = runSecondCopy(copy.run);
    EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
    EXPECT_TRUE(spinUntil([&] { return copy.reopened == 2; })) << second.log.toStdString();
}

TEST(SingleInstance, ACopyWithoutItsLockFileIsAskedBeforeAFreshLockIsClaimed)
{
    // A copy that lost its lock file while it could not make it again: it only listens.
    QTemporaryDir dir;
    const QString run = dir.path() + u"/run"_qs;
    ASSERT_TRUE(QDir().mkpath(run));
    ASSERT_EQ(::chmod(QFile::encodeName(run).constData(), 0700), 0);
    QLocalServer running;
    ASSERT_TRUE(running.listen(run + u"/framewell.socket"_qs));
    int asked = 0;
    QObject::connect(&running, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = running.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [&asked, socket] {
                if (!socket->canReadLine())
                    return;
                asked += socket->readLine() == "reopen\n";
                socket->write("ok\n");
                socket->disconnectFromServer();
            });
        }
    });
    const Second second = runSecondCopy(run);
    EXPECT_EQ(second.exitCode, 0) << second.log.toStdString();
    EXPECT_TRUE(second.log.contains(u"already runs without its lock file"_qs)) << second.log.toStdString();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(QFileInfo::exists(run + u"/framewell.lock"_qs)) << "the fresh lock file stayed behind";
}

TEST(SingleInstance, TheSocketDropsWhatIsTooLongSilentOrTooManyAndStillAnswers)
{
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    int reopened = 0;
    first.onReopen = [&] { ++reopened; };
    ASSERT_EQ(first.claim(), SingleInstance::Claim::first);
    auto connected = [&] {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(first.socketPath());
        EXPECT_TRUE(socket->waitForConnected(2000));
        return socket;
    };

    // A message that never ends is dropped once it passes the bound, not buffered on.
    auto flood = connected();
    flood->write(QByteArray(4 * 1024 * 1024, 'x'));
    EXPECT_TRUE(spinUntil([&] { return flood->state() == QLocalSocket::UnconnectedState; }))
        << "a client sending without end was kept";

    // Clients that say nothing are dropped when their time is up; those beyond the most that
    // are served at once, at once.
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < SingleInstance::maxConnections + 4; ++i)
        silent.push_back(connected());
    EXPECT_TRUE(spinUntil([&] {
        return std::all_of(silent.begin(), silent.end(), [](const auto& s) { return s->state() == QLocalSocket::UnconnectedState; });
    })) << "silent clients were kept";

    // Through all of it, a later copy is still answered, even while silent clients hold every
    // place: the oldest of them makes room, never the newcomer.
    silent.clear();
    for (int i = 0; i < SingleInstance::maxConnections; ++i)
        silent.push_back(connected());
    auto later = connected();
    later->write("reopen\n");
    ASSERT_TRUE(spinUntil([&] { return later->canReadLine(); })) << "the later copy was dropped";
    EXPECT_EQ(later->readLine(), "ok\n");
    EXPECT_TRUE(spinUntil([&] { return reopened == 1; }));
    EXPECT_TRUE(spinUntil([&] { return silent.front()->state() == QLocalSocket::UnconnectedState; }))
        << "the oldest idle client stayed";
}

} // namespace
} // namespace fw
