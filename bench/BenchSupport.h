#pragma once
// Shared by the benchmarks (header only: every bench/*.cpp is its own program).

#include "x11/XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace fw::bench {

// Runs the benchmarks the command line selects; the exit status of the program.
inline int runBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Runs them with a widget application on the offscreen platform (unless QT_QPA_PLATFORM names
// another); `up` runs before them and `down` after, while the application exists.
inline int runOnOffscreenWidgets(int& argc, char** argv, const std::function<void()>& up = {},
                                 const std::function<void()>& down = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (up)
        up();
    const int status = runBenchmarks(argc, argv);
    if (down)
        down();
    return status;
}

// A field of /proc/self/status in kB (VmRSS, VmHWM); -1 when missing.
inline long statusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Sets the median and the 95th percentile of the samples as counters; none when there are none.
inline void setPercentiles(benchmark::State& state, std::vector<double> samples, const char* median,
                           const char* p95)
{
    std::sort(samples.begin(), samples.end());
    if (samples.empty())
        return;
    state.counters[median] = samples[samples.size() / 2];
    state.counters[p95] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
}

// Whether the session started and now shows two monitors side by side; says why on stderr
// when not.
inline bool twoMonitors(test::XSession& session)
{
    if (session.ok() && session.splitIntoTwoMonitors())
        return true;
    std::fprintf(stderr, "no X session with two monitors: %s\n", session.error().c_str());
    return false;
}

// Whether the session started; says why on stderr when not.
inline bool sessionStarted(const test::XSession& session)
{
    if (session.ok())
        return true;
    std::fprintf(stderr, "no X session: %s\n", session.error().c_str());
    return false;
}

// Whether every client's window came; says why on stderr when not.
inline bool clientsStarted(const test::XSession& session, std::initializer_list<xcb_window_t> windows)
{
    if (std::all_of(windows.begin(), windows.end(), [](xcb_window_t w) { return w != XCB_NONE; }))
        return true;
    std::fprintf(stderr, "clients did not start: %s\n", session.error().c_str());
    return false;
}

enum class Monitors { one, two };

// Runs a real-server benchmark program on a session started with `options` (split into two
// monitors side by side when asked), `session` pointing to it meanwhile: `prepare` starts what
// the benchmarks need (false when something did not come, said on stderr), then `run` runs
// them. 1 when the session or `prepare` failed.
inline int runOnSession(const test::XSessionOptions& options, Monitors monitors, test::XSession*& session,
                        const std::function<bool(test::XSession&)>& prepare,
                        const std::function<int(test::XSession&)>& run)
{
    test::XSession started(options);
    if (monitors == Monitors::two ? !twoMonitors(started) : !sessionStarted(started))
        return 1;
    session = &started;
    const int status = prepare(started) ? run(started) : 1;
    session = nullptr;
    return status;
}

// Starts `count` test clients titled `title` with the index for %1, client i with `arguments(i)`;
// their windows, or none when one did not come (said on stderr).
inline std::vector<xcb_window_t> startNumberedClients(test::XSession& session, int count, const QString& title,
                                                      const std::function<QStringList(int)>& arguments)
{
    std::vector<xcb_window_t> windows;
    for (int i = 0; i < count; ++i) {
        const auto client = session.startTestClient(title.arg(i), arguments(i));
        if (!clientsStarted(session, {client.window}))
            return {};
        windows.push_back(client.window);
    }
    return windows;
}

// Starts the test client with windowCount - 1 windows ("bench 0", "bench 1", …) and one more,
// "written", and waits until the WM manages all of them. On failure says why on stderr, after
// `program`, and returns false.
inline bool startBenchWindows(test::XSession& session, int windowCount, test::XSession::Client& many,
                              test::XSession::Client& writable, const char* program)
{
    if (!session.ok()) {
        std::fprintf(stderr, "%s: %s\n", program, session.error().c_str());
        return false;
    }
    many = session.startTestClient(QStringLiteral("bench"), {"--count", QString::number(windowCount - 1)});
    writable = session.startTestClient(QStringLiteral("written"));
    // Wait until the WM manages all of them.
    const bool all = session.waitFor([&] {
        return session.waitForWindow(QStringLiteral("bench %1").arg(windowCount - 2), 0, 10) != XCB_NONE;
    }, 10000);
    if (!many.window || !writable.window || !all) {
        std::fprintf(stderr, "%s: %s\n", program, session.error().c_str());
        return false;
    }
    return true;
}

// Counts the paint events a widget receives. A window paints all its dirty widgets, parents
// before children, and flushes them in one pass inside one event delivery; so once a paint of
// the widget was seen and event processing has returned, its whole content has been painted
// and handed to the window system.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return false;
    }

private:
    int paints_ = 0;
};

// Processes events until the counter has seen a paint beyond `before` (the pass that paint
// belongs to has then ended). False when none came within `limitMs`.
inline bool waitForPaint(const PaintCounter& counter, int before, int limitMs = 2000)
{
    QElapsedTimer timer;
    timer.start();
    while (counter.paints() == before) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

} // namespace fw::bench
