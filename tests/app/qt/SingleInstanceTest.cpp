// One running copy: a second process finds the lock held, asks the first to open again and
// learns that it must end; a lock left by a process that has ended is taken over.
#include "app/qt/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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

TEST(SingleInstance, SecondCopyAsksTheFirstToOpenAgain)
{
    QTemporaryDir dir;
    SingleInstance first(dir.path() + u"/run"_qs);
    int reopened = 0;
    first.onReopen = [&] { ++reopened; };
    ASSERT_EQ(first.claim(), SingleInstance::Claim::first);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childDirVariable), dir.path() + u"/run"_qs);
    second.setProcessEnvironment(env);
    second.start(QCoreApplication::applicationFilePath(),
                 {u"--gtest_filter=SingleInstanceChild.FindsTheRunningCopy"_qs});
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardOutput().toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(reopened, 1);
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
