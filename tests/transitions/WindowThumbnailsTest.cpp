// Window thumbnails over the simulated desktop in virtual time: the size budget a call shares,
// delivery one window per turn of the loop in the caller's order, and the cases that give no
// image (no permission, a display kept awake, no capture, a window that fails, is minimized,
// closes or moves while it is captured).
#include "base/TaskScope.h"
#include "overlay/ThumbnailImage.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWindowCapture.h"
#include "transitions/WindowThumbnails.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace fw {
namespace {

using namespace std::chrono_literals;
using sim::SimWindowCapture;

// The simulated capture, with a hook that runs while a window is being captured.
class HookedCapture final : public WindowCapture {
public:
    explicit HookedCapture(SimWindowCapture& inner) : inner_(inner) {}
    bool available() override { return inner_.available(); }
    std::optional<PixelImage> captureWindow(WindowId window, const Rect& frame, PixelSize size) override
    {
        if (during)
            during(window);
        return inner_.captureWindow(window, frame, size);
    }
    std::optional<PixelImage> captureDesktop(const Rect& area, const std::vector<WindowId>& windows,
                                             PixelSize size) override
    {
        return inner_.captureDesktop(area, windows, size);
    }
    std::function<void(WindowId)> during;

private:
    SimWindowCapture& inner_;
};

// The image as the views see it (none for no thumbnail).
struct Delivered {
    ManagedWindow window;
    std::shared_ptr<const QImage> image;
};

class Thumbnails : public ::testing::Test {
protected:
    Thumbnails()
    {
        sim.addScreen({"A", "Main", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true});
        access.setIdleInhibitors(&sim);
    }
    ManagedWindow add(const QString& title, const Rect& frame, Pid pid = 0)
    {
        const WindowId id = sim.addWindow({.pid = pid ? pid : 100 + Pid(sim.stacking().size()), .title = title,
                                           .frame = frame});
        return ManagedWindow::make(sim, id).value();
    }
    std::vector<Delivered> capture(const std::vector<ManagedWindow>& windows, double maxSide = 520)
    {
        std::vector<Delivered> out;
        ThumbnailDelivery deliver = [&](const ManagedWindow& w, Thumbnail image) {
            out.push_back({w, image ? std::make_shared<const QImage>(thumbnailImage(image)) : nullptr});
        };
        clock.run(thumbnails.captureWindowThumbnails(windows, maxSide, deliver), 1min);
        return out;
    }
    static QSize sizeOf(const Delivered& d) { return d.image ? d.image->size() : QSize(); }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    SimWindowCapture simCapture{sim};
    HookedCapture hooked{simCapture};
    WindowAccess access{sim, sim, clock, sim};
    WindowThumbnails thumbnails{access, sim, hooked};
};

TEST(ThumbnailBudget, SideLimitAndSizes)
{
    // The cases the captures below do not reach.
    EXPECT_EQ(thumbnailSideLimit(5000, 1), 1280);
    EXPECT_EQ(thumbnailSideLimit(std::numeric_limits<double>::infinity(), 1), 520);
    EXPECT_EQ(thumbnailSideLimit(std::nan(""), 3), 520);
    EXPECT_EQ(thumbnailSideLimit(-20, 1), 1);
    EXPECT_EQ(thumbnailSideLimit(5000, 32), 512);   // floor(√(2^23 / 32))
    EXPECT_EQ(thumbnailSideLimit(520, 64), 362);
    EXPECT_EQ(thumbnailSize({1000, 1600}, 520), (PixelSize{325, 520}));
    EXPECT_EQ(thumbnailSize({1600, 3}, 520), (PixelSize{520, 1}));           // at least one pixel
    EXPECT_EQ(thumbnailSize({800.7, 600.9}, 1280), (PixelSize{800, 600}));   // truncated
}

TEST_F(Thumbnails, ScaledToTheSideAndTheSharedBudgetWithTheWindowsPixels)
{
    const auto big = add("Big", Rect(0, 0, 1600, 1000));
    const auto small = add("Small", Rect(100, 100, 400, 300));
    auto got = capture({big, small});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].window, big);
    EXPECT_EQ(sizeOf(got[0]), QSize(520, 325));
    EXPECT_EQ(sizeOf(got[1]), QSize(400, 300));
    EXPECT_EQ(got[0].image->format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(got[0].image->devicePixelRatio(), 1.0);
    EXPECT_EQ(got[0].image->pixel(260, 160), SimWindowCapture::colourOf(big.element));
    EXPECT_EQ(got[1].image->pixel(399, 299), SimWindowCapture::colourOf(small.element));
    // The whole window is asked for, at its frame.
    EXPECT_EQ(simCapture.requests()[0].frame, Rect(0, 0, 1600, 1000));

    // 100 windows share 2^23 pixels: 289 on the longer side, even with 520 asked for.
    std::vector<ManagedWindow> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(add(QStringLiteral("W%1").arg(i), Rect(10 + i, 10, 1200, 900)));
    got = capture(many);
    ASSERT_EQ(got.size(), 100u);
    qint64 pixels = 0;
    for (const auto& d : got) {
        EXPECT_EQ(sizeOf(d), QSize(289, 216));
        pixels += qint64(d.image->width()) * d.image->height();
    }
    EXPECT_LE(pixels, qint64(kThumbnailPixelBudget));

    // A side below one point: one pixel on the longer side, at least one on the shorter.
    got = capture({big}, 0.5);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(sizeOf(got[0]), QSize(1, 1));
}

TEST_F(Thumbnails, OneWindowPerTurnInOrderAndNothingAfterTheCallerEndsTheTask)
{
    const auto a = add("A", Rect(0, 0, 800, 600)), b = add("B", Rect(50, 50, 800, 600)),
               c = add("C", Rect(100, 100, 800, 600));
    std::vector<QString> events;
    TaskScope scope(clock);
    TaskScope::Id task = 0;
    ThumbnailDelivery deliver = [&](const ManagedWindow& w, Thumbnail image) {
        events.push_back(w.title + (image ? "" : " (no image)"));
        // Other work of the main thread, queued while this image is handed over: it runs
        // before the next window is captured. After the second image the caller loses interest.
        const bool last = events.size() == 3;
        clock.schedule(Duration(0), [&, last] {
            events.push_back("ui");
            if (last)
                scope.cancel(task);
        });
    };
    sim.resetCounters();
    task = scope.spawn(thumbnails.captureWindowThumbnails({a, b, c}, 520, deliver));
    // Nothing is read or captured inside the caller's own turn.
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(simCapture.requests().empty());
    EXPECT_EQ(sim.snapshotCount(), 0);
    clock.runUntilIdle();
    EXPECT_EQ(events, (std::vector<QString>{"A", "ui", "B", "ui"}));
    EXPECT_EQ(simCapture.requests().size(), 2u);   // C was never captured
    EXPECT_FALSE(scope.running(task));
}

TEST_F(Thumbnails, NothingWithoutPermissionWhileTheDisplayIsKeptAwakeOrWithoutCapture)
{
    const auto a = add("A", Rect(0, 0, 800, 600));
    sim.setWindowPreviewsGranted(false);
    EXPECT_TRUE(capture({a}).empty());
    sim.setWindowPreviewsGranted(true);
    sim.setDisplayKeptAwake(true);
    EXPECT_TRUE(capture({a}).empty());
    sim.setDisplayKeptAwake(false);
    simCapture.setAvailable(false);
    EXPECT_TRUE(capture({a}).empty());
    EXPECT_TRUE(simCapture.requests().empty());   // not even tried
    simCapture.setAvailable(true);
    EXPECT_EQ(capture({a}).size(), 1u);
    EXPECT_TRUE(capture({}).empty());
}

TEST_F(Thumbnails, WindowsThatCannotBeCapturedAreLeftOutAndTheRestStillArrive)
{
    const auto failing = add("Failing", Rect(0, 0, 800, 600));
    const auto minimized = add("Minimized", Rect(10, 10, 800, 600));
    const auto closed = add("Closed", Rect(20, 20, 800, 600));
    const auto dragged = add("Dragged", Rect(30, 30, 800, 600));
    const auto nudged = add("Nudged", Rect(40, 40, 800, 600));
    const auto fine = add("Fine", Rect(50, 50, 800, 600));
    simCapture.failWindow(failing.element);
    sim.setMinimized(minimized.element, true);
    sim.closeWindow(closed.element);
    // Moved while its picture is taken: by more than 3 points it gets no image, within 3 it does.
    hooked.during = [&](WindowId id) {
        if (id == dragged.element)
            sim.place(id, Rect(34, 30, 800, 600));
        if (id == nudged.element)
            sim.place(id, Rect(43, 43, 800, 600));
    };
    const auto got = capture({failing, minimized, closed, dragged, nudged, fine});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].window, nudged);
    EXPECT_EQ(got[1].window, fine);
    EXPECT_EQ(got[1].image->pixel(0, 0), SimWindowCapture::colourOf(fine.element));
}

} // namespace
} // namespace fw
