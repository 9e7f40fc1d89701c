// Entry of the real-server tests. No Qt application here: each test that needs one creates it
// on its own session's display (SessionApp), so every test talks only to its own server.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
