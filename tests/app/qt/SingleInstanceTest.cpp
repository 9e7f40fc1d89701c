// One running copy: a second process finds the lock held, asks the first to open again and
// learns that it must end; a lock left by a process that has ended is taken over.
#include "app/qt/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace fw {
namespace {

const char* const childDirVariable = "FW_SINGLE_INSTANCE_DIR";

// Run only as the second process of the test below.
TEST(SingleInstanceChild, FindsTheRunningCopy)
{
    const QString dir = qEnvironmentVariable(childDirVariable);
    if (dir.isEmpty())
        GTEST_SKIP() << "the second process of SingleInstance.SecondCopyAsksTheFirstToOpenAgain";
    SingleInstance instance(dir);
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::another);
}

// The first copy, counting the requests to open again, and the start of a second one.
struct TwoCopies {
    QTemporaryDir dir;
    SingleInstance first{dir.path() + u"/run"_qs};
    int reopened = 0;
    QProcess second;

    bool startSecond()
    {
        first.onReopen = [this] { ++reopened; };
        if (first.claim() != SingleInstance::Claim::first)
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(childDirVariable), dir.path() + u"/run"_qs);
        second.setProcessEnvironment(env);
        second.start(QCoreApplication::applicationFilePath(),
                     {u"--gtest_filter=SingleInstanceChild.FindsTheRunningCopy"_qs});
        return true;
    }
};

TEST(SingleInstance, SecondCopyAsksTheFirstToOpenAgain)
{
    TwoCopies copies;
    ASSERT_TRUE(copies.startSecond());
    QProcess& second = copies.second;
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardOutput().toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(copies.reopened, 1);
}

TEST(SingleInstance, ARunningCopyThatAnswersLateIsAskedOnlyOnce)
{
    // This copy answers nothing while the second one runs: waiting for it to end runs no
    // event loop here, so the request waits unread and unanswered in the socket.
    TwoCopies copies;
    ASSERT_TRUE(copies.startSecond());
    QProcess& second = copies.second;
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardOutput().toStdString();

    // A last request after it, answered once everything before it has been read.
    QLocalSocket last;
    last.connectToServer(copies.first.socketPath());
    ASSERT_TRUE(last.waitForConnected(2000));
    last.write("reopen\n");
    ASSERT_TRUE(last.waitForBytesWritten(2000));
    QElapsedTimer waited;
    waited.start();
    while (last.bytesAvailable() == 0 && last.state() == QLocalSocket::ConnectedState && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(copies.reopened, 2) << "the late copy's request arrived once, then the last one";
}

TEST(SingleInstance, TakesOverTheLockOfAProcessThatEnded)
{
    QTemporaryDir dir;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    SingleInstance instance(dir.path());
    QFile lock(instance.lockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(child) + '\n' + QCoreApplication::applicationName().toUtf8() + "\n\n");
    lock.close();
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::first);
    EXPECT_TRUE(QFile::exists(instance.socketPath()));
}

} // namespace
} // namespace fw
