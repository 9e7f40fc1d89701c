#pragma once
// The one desk every coordinator test works on: two displays side by side on the simulated
// desktop in virtual time, memory-backed user defaults and layout store, fake applications,
// recording feedback and stacks, no capture, the log and the notices captured, the temporary
// directory (where diagnostic files go) private to the test, key bindings a test may hand the
// coordinator in place of the default ones, the coordinator's state objects,
// which a test sets up and reads directly, and the coordinator itself once a test starts it.
//
//   Left  "A": frame (0, 0, 1920, 1080), visible (0, 0, 1920, 1050), primary
//   Right "B": frame (1920, 0, 1680, 1050), visible (1920, 24, 1680, 1026)

#include "RecordingFeedback.h"
#include "base/Log.h"
#include "base/UserDefaults.h"
#include "layout/TreeBuilders.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "platform/sim/FakeApplications.h"
#include "platform/sim/SimDesktop.h"
#include "snap/SnapContext.h"
#include "snap/ShortcutLabels.h"
#include "snap/SnapCoordinator.h"
#include "snap/SnapState.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// Readable values in failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace fw {
inline void PrintTo(const SnapSelection& s, std::ostream* os) { *os << "(" << s.layoutIndex << ", " << s.region << ")"; }
inline void PrintTo(const ManagedWindow& w, std::ostream* os) { *os << w.appName.toStdString() << "#" << w.element; }
} // namespace fw

namespace fw::snaptest {

inline const ScreenInfo kLeft{u"A"_qs, u"Left"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true};
inline const ScreenInfo kRight{u"B"_qs, u"Right"_qs, Rect(1920, 0, 1680, 1050), Rect(1920, 24, 1680, 1026), false};

// Key bindings as the shell labels them: each command asked recorded, its label from `labels`
// (empty: the command has none).
struct BoundShortcuts final : CommandShortcuts {
    std::map<std::uint32_t, QString> labels;
    mutable std::vector<std::uint32_t> asked;
    QString label(std::uint32_t command) const override
    {
        asked.push_back(command);
        const auto found = labels.find(command);
        return found == labels.end() ? QString() : found->second;
    }
};

class SnapDesk : public ::testing::Test {
protected:
    SnapDesk()
    {
        savedTmp_ = qgetenv("TMPDIR");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", tmp.path().toLocal8Bit());
        sim.addScreen(kLeft);
        sim.addScreen(kRight);
    }
    ~SnapDesk() override
    {
        if (savedTmp_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmp_);
        if (savedRuntime_.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime_);
    }

    SnapServices services(bool diagnostics = false)
    {
        SnapServices s{access, placement, sim, sim, clock, defaults, store, feedback, *stacksUsed, *captureUsed, diagnostics};
        s.applications = apps;
        return s;
    }
    // The coordinator on this desk, its notices collected in `notices` and what it tells the
    // shell about its pickers in `presented`.
    SnapCoordinator& start(bool diagnostics = false)
    {
        coordinator = std::make_unique<SnapCoordinator>(services(diagnostics), state);
        coordinator->sinks().report = [this](const QString& text) { notices << text; };
        coordinator->sinks().presentationChanged = [this](bool shown) { presented.push_back(shown); };
        return *coordinator;
    }

    // A window of its own application (created when new, named "App<pid>").
    ManagedWindow add(Pid pid, const Rect& frame, const QString& title = {})
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = u"App%1"_qs.arg(pid)});
        const WindowId id = sim.addWindow(
            {.pid = pid, .title = title.isEmpty() ? u"W%1"_qs.arg(pid) : title, .frame = frame});
        auto w = ManagedWindow::make(sim, id);
        EXPECT_TRUE(w);
        return w.value_or(ManagedWindow{});
    }

    static const SnapLayout& builtIn(const QString& id)
    {
        for (const SnapLayout& l : SnapLayout::builtIns()) {
            if (l.id == id)
                return l;
        }
        ADD_FAILURE() << "no built-in " << id.toStdString();
        return SnapLayout::builtIns().front();
    }
    // A region's frame of a layout on a display (gap 8).
    static Rect region(const SnapLayout& layout, RegionNumber r, const ScreenInfo& on = kLeft)
    {
        return layout.tree.frames(topLeftVisibleFrame(on), 8).at(r);
    }
    static Rect region(const QString& layoutId, RegionNumber r, const ScreenInfo& on = kLeft)
    {
        return region(builtIn(layoutId), r, on);
    }

    // What a scan of the stack controller finds: every manageable window with its frame, or
    // only those of one display.
    WindowSnapshot scan(const std::optional<QString>& display = std::nullopt) const
    {
        return access.managedWindows({}, display);
    }
    Rect frameOf(const ManagedWindow& w) const { return access.frame(w).value_or(Rect::null()); }
    QString diagnosticsFile(const QString& name) const { return tmp.filePath(u"framewell/"_qs + name); }

    QTemporaryDir tmp;
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    RecordingFeedback feedback;
    RecordingStacks stacks;
    WindowStackController* stacksUsed = &stacks; // what the coordinator is given
    NoThumbnailCapture capture;
    ThumbnailCapture* captureUsed = &capture; // what the coordinator is given
    std::shared_ptr<FakeApplications> apps = std::make_shared<FakeApplications>();
    BoundShortcuts bindings; // handed over by a test that binds keys
    log::Capture logs;
    QStringList notices;
    std::vector<bool> presented;
    SnapState state{defaults}; // the coordinator's, outliving it
    std::unique_ptr<SnapCoordinator> coordinator; // after everything it uses

private:
    QByteArray savedTmp_;
    QByteArray savedRuntime_;
};

} // namespace fw::snaptest
