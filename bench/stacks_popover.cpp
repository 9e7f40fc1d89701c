// The stack switcher's popover with 8 thumbnails (800×600 windows captured at the switcher's
// 360 points, 360×270 each): the time from asking for the popover to its first completed paint
// with every thumbnail in place, and memory: the bytes the thumbnails hold, and what the
// process holds above its earlier size while the popover is up (pictures, cards, the panel's
// backing store) and after it closed again. Offscreen platform.
#include "BenchSupport.h"
#include "base/QtClock.h"
#include "platform/sim/SimDesktop.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <string>

namespace {

using namespace fw;

constexpr int members = 8;

// Every window's picture at once, as a capture that has them ready would hand them over.
class ReadyCapture final : public ThumbnailCapture {
public:
    Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double, ThumbnailDelivery deliver) override
    {
        for (std::size_t i = 0; i < windows.size(); ++i) {
            auto picture = std::make_shared<PixelImage>(360, 270);
            QImage image(reinterpret_cast<uchar*>(picture->pixels.data()), picture->width, picture->height,
                         picture->width * 4, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor::fromHsv(int(i) * 40, 160, 220));
            QPainter(&image).drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Window %1").arg(i));
            deliver(windows[i], std::move(picture));
        }
        co_return;
    }
};

struct Rig {
    QtClock clock;
    VirtualClock simClock;
    sim::SimDesktop sim{simClock};   // screens and permissions only
    ReadyCapture capture;
    NoScrollSteps scroll;
    OverlayWindow panel{Rect(900, 200, 24, 24), true};
    WindowStackAnchorView* view = nullptr;
    std::vector<ManagedWindow> windows;

    Rig()
    {
        sim.addScreen({.key = "A", .name = "Main", .frame = {0, 0, 1920, 1080}, .visibleFrame = {0, 0, 1920, 1080},
                       .primary = true});
        panel.setContentView(view = new WindowStackAnchorView(AnchorServices{clock, capture, sim, sim, scroll}));
        panel.orderFrontRegardless();
        for (int i = 0; i < members; ++i)
            windows.push_back({WindowId(100 + i), Pid(10 + i), QStringLiteral("Document %1").arg(i), "Editor"});
        view->anchor().update(windows, windows[0]);
    }
    // Shows the popover and returns once its content has been painted.
    bool open()
    {
        view->anchor().showPopover();
        auto* picker = view->picker();
        if (!picker)
            return false;
        bench::PaintCounter painted(picker->orderedChoices().back());
        return bench::waitForPaint(painted, 0);
    }
    void close()
    {
        view->anchor().teardown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

std::unique_ptr<Rig> rig;

void BM_PopoverWithEightThumbnails(benchmark::State& state)
{
    rig->open();   // fonts, styles and the icon font load once, outside the figures
    rig->close();
    long upKb = 0, afterKb = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const long before = bench::statusKb("VmRSS");
        state.ResumeTiming();
        ok = rig->open() && ok;
        state.PauseTiming();
        upKb = std::max(upKb, bench::statusKb("VmRSS") - before);
        ok = ok && rig->view->anchor().thumbnails().size() == std::size_t(members);
        rig->close();
        malloc_trim(0);
        afterKb = std::max(afterKb, bench::statusKb("VmRSS") - before);
        state.ResumeTiming();
    }
    state.counters["thumbnails_kB"] = double(members) * 360 * 270 * 4 / 1024;
    state.counters["up_above_kB"] = double(upKb);
    state.counters["closed_above_kB"] = double(afterKb);
    if (!ok)
        state.SkipWithError("the popover was not painted with every thumbnail");
}
BENCHMARK(BM_PopoverWithEightThumbnails)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnOffscreenWidgets(argc, argv, [] { rig = std::make_unique<Rig>(); }, [] { rig.reset(); });
}
