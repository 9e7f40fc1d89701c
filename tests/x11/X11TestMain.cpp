// Entry of the real-server tests. No Qt application here: each test that needs one creates it
// on its own session's display (SessionApp), so every test talks only to its own server.
// The desktop's settings (GSettings) are read from memory, with their defaults: a session's
// private bus, which a window manager's session may bring, goes away with the session, and
// GIO's settings would take the whole test process down with it.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("GSETTINGS_BACKEND", "memory", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
