// Entry of the real-server tests. No Qt application here: each test that needs one creates it
// on its own session's display (SessionApp), so every test talks only to its own server.
// The desktop's settings (GSettings) are read from memory, with their defaults: a session's
// private bus, which a window manager's session may bring, goes away with the session, and
// GIO's settings would take the whole test process down with it.
// What the tests and every program they start draw text with is pinned to the fonts the
// project installs (tests/data/fonts.conf), whatever fonts the machine prefers: xterm's cells,
// a notice's lines and a window manager's title bar measure the same everywhere.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("FONTCONFIG_FILE", FW_SOURCE_DIR "/tests/data/fonts.conf", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
