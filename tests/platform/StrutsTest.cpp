// Visible frames from struts on a screen of two monitors of different heights: LEFT 1920×1080
// and RIGHT 1280×1024 beside it, the screen 3200×1080 (struts count from the screen's edges).
#include "platform/Struts.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

const Rect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
const Size screen{3200, 1080};

std::vector<Rect> frames(const std::vector<Strut>& struts, const std::optional<Rect>& area = std::nullopt)
{
    return visibleFrames({left, right}, struts, screen, area);
}

Strut partial(std::vector<double> v)
{
    return Strut{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]};
}

TEST(Struts, EachEdgeCutsOnlyTheMonitorsItsDockStandsOn)
{
    // A bottom panel on RIGHT reserves from the screen's bottom, 56 pixels below RIGHT.
    EXPECT_EQ(frames({partial({0, 0, 0, 86, 0, 0, 0, 0, 0, 0, 1920, 3199})}), (std::vector{left, Rect(1920, 0, 1280, 994)}));
    // A dock at RIGHT's inner (left) edge: its strut reaches over all of LEFT from the screen's
    // left edge, but only RIGHT loses space.
    EXPECT_EQ(frames({partial({1960, 0, 0, 0, 0, 1023, 0, 0, 0, 0, 0, 0})}), (std::vector{left, Rect(1960, 0, 1240, 1024)}));
    // One at LEFT's inner (right) edge, and a top panel on LEFT.
    EXPECT_EQ(frames({partial({0, 1320, 0, 0, 0, 0, 0, 1079, 0, 0, 0, 0}), partial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0})}),
              (std::vector{Rect(0, 30, 1880, 1050), right}));
    // A plain strut spans its window's own extent: icewm's taskbar along LEFT's bottom.
    EXPECT_EQ(frames({Strut::along(0, 0, 0, 26, Rect(0, 1054, 1920, 26))}), (std::vector{Rect(0, 0, 1920, 1054), right}));
    // A strut that would leave nothing of a monitor is not taken.
    EXPECT_EQ(frames({partial({0, 0, 1080, 0, 0, 0, 0, 0, 0, 1919, 0, 0})}), (std::vector{left, right}));
}

TEST(Struts, TheWorkAreaCountsOnlyWhileNoWindowStatesAStrut)
{
    // fluxbox's own bar at LEFT's bottom states no strut: the work area is all there is.
    const Rect area(0, 0, 3200, 1060);
    EXPECT_EQ(frames({}, area), (std::vector{Rect(0, 0, 1920, 1060), right}));
    // A work area one monitor wide (xfwm4's, at times) empties no monitor.
    EXPECT_EQ(frames({}, Rect(0, 0, 1920, 1080)), (std::vector{left, right}));
    // A stated strut wins: a work area cut for the whole screen by a top panel on LEFT does
    // not move RIGHT's top.
    EXPECT_EQ(frames({partial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0})}, Rect(0, 30, 3200, 1050)),
              (std::vector{Rect(0, 30, 1920, 1050), right}));
}

} // namespace
} // namespace fw
