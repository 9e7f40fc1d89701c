// The local processes port: running processes by id, without an X server.
#include "platform/x11/LocalProcesses.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace fw;

TEST(LocalProcesses, KnowsRunningProcessesAndForgetsEndedOnes)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    LocalProcesses processes;
    EXPECT_TRUE(processes.isRunning(Pid(::getpid())));
    EXPECT_TRUE(processes.isRunning(1)) << "another user's process runs too";
    EXPECT_FALSE(processes.isRunning(0));
    EXPECT_FALSE(processes.isRunning(-5));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(processes.isRunning(Pid(child)));
}
