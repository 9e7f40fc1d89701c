#pragma once
// Shared by the real-X benchmarks (header only: every bench/*.cpp is its own program).

#include "x11/XSession.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace fw::bench {

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

} // namespace fw::bench
