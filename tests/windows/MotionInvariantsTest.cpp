// Randomised checks of the motion code on the simulated desktop: verified writes, single and
// group moves and the stack slide, over random frames (tiny, off-screen, negative, identical)
// and random application faults, in virtual time. Every case prints its number and set-up on
// failure; the generator is seeded, so a case can be replayed alone.

#include "WindowAccessFixture.h"
#include "windows/MotionCurve.h"

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

using namespace fw;
using namespace fw::accesstest;

namespace {

using Rng = std::mt19937;

double uniform(Rng& rng, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}
int pick(Rng& rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
bool chance(Rng& rng, double p)
{
    return std::bernoulli_distribution(p)(rng);
}
double coord(Rng& rng)
{
    // Whole points mostly, fractions now and then; far off screen sometimes.
    double v = chance(rng, 0.1) ? uniform(rng, -20000, 20000) : uniform(rng, -2500, 4500);
    return chance(rng, 0.7) ? std::round(v) : v;
}
double extent(Rng& rng)
{
    switch (pick(rng, 0, 5)) {
    case 0:
        return uniform(rng, 0.1, 3);   // tiny
    case 1:
        return uniform(rng, 4000, 9000);   // huge
    default:
        return std::round(uniform(rng, 40, 2000));
    }
}
Rect randomFrame(Rng& rng)
{
    return Rect(coord(rng), coord(rng), extent(rng), extent(rng));
}
// A target related to the start now and then: identical, within a point, same size, zero size.
Rect randomTarget(Rng& rng, const Rect& start)
{
    switch (pick(rng, 0, 9)) {
    case 0:
        return start;
    case 1:
        return Rect(start.x() + uniform(rng, -1, 1), start.y(), start.width() + uniform(rng, -1, 1), start.height());
    case 2:
        return Rect(coord(rng), coord(rng), start.width(), start.height());
    case 3:
        return Rect(coord(rng), coord(rng), chance(rng, 0.5) ? 0 : extent(rng), 0);
    default:
        return randomFrame(rng);
    }
}

std::string text(const Rect& r)
{
    return toString(r).toStdString();
}

// What an application does wrong in one case.
struct Fault {
    enum Kind { None, Slow, Late, Refuse, Clamp, Increments, Drift, Close, CloseOnWrite, Count };
    Kind kind = None;
    sim::RefusalScript refusal;
    Duration delay{0};
    Rect driftTo;
    int times = 1;
    SizeHints hints;

    // The application always ends up taking the frame it is asked for (in time).
    bool benign() const { return kind == None || kind == Slow || kind == Late; }
    // Faults after which a window can still always be put back where it started.
    bool reversible() const { return benign() || kind == Clamp || kind == Increments; }
    bool closes() const { return kind == Close || kind == CloseOnWrite; }

    std::string describe() const
    {
        static const char* names[] = {"none", "slow", "late", "refuse", "clamp", "increments", "drift", "close",
                                      "close-on-write"};
        std::ostringstream s;
        s << names[kind];
        if (kind == Refuse)
            s << " kinds=" << refusal.kinds << " skip=" << refusal.skip << " count=" << refusal.count;
        if (delay.count())
            s << " delay=" << toMilliseconds(delay) << "ms";
        if (kind == Drift)
            s << " to " << text(driftTo) << " x" << times;
        if (hints.minimum)
            s << " min " << toString(*hints.minimum).toStdString();
        if (hints.maximum)
            s << " max " << toString(*hints.maximum).toStdString();
        if (hints.increment != Size{})
            s << " inc " << toString(hints.increment).toStdString();
        return s.str();
    }
};

Fault randomFault(Rng& rng, double noneShare = 0.3)
{
    Fault f;
    if (chance(rng, noneShare))
        return f;
    f.kind = Fault::Kind(pick(rng, 1, Fault::Count - 1));
    switch (f.kind) {
    case Fault::Slow:
        f.delay = milliseconds(pick(rng, 1, 40));
        break;
    case Fault::Late:
        f.delay = milliseconds(pick(rng, 1, 100));
        break;
    case Fault::Refuse:
        f.refusal.kinds = std::array<std::uint32_t, 3>{sim::Write::Position, sim::Write::Size, sim::Write::Geometry}[pick(rng, 0, 2)];
        f.refusal.skip = pick(rng, 0, 30);
        f.refusal.count = chance(rng, 0.4) ? -1 : pick(rng, 1, 4);
        break;
    case Fault::Clamp:
        if (chance(rng, 0.5))
            f.hints.minimum = Size{double(pick(rng, 50, 600)), double(pick(rng, 50, 400))};
        else
            f.hints.maximum = Size{double(pick(rng, 100, 1200)), double(pick(rng, 100, 900))};
        break;
    case Fault::Increments:
        f.hints.increment = Size{double(pick(rng, 2, 19)), double(pick(rng, 2, 23))};
        f.hints.base = Size{double(pick(rng, 1, 30)), double(pick(rng, 1, 30))};
        break;
    case Fault::Drift:
        f.driftTo = randomFrame(rng);
        f.delay = milliseconds(pick(rng, 1, 300));
        f.times = pick(rng, 1, 3);
        break;
    case Fault::Close:
        f.delay = milliseconds(pick(rng, 0, 900));
        break;
    default:
        break;
    }
    return f;
}

// One fresh desktop per case.
struct World {
    World() { sim.addScreen({"A", "Left", Rect(-1280, -200, 1280, 1024), Rect(-1280, -200, 1280, 1000), false});
              sim.addScreen({"B", "Main", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true}); }

    // Adds a window whose start frame suits its hints, and arms its fault.
    WindowId add(Pid pid, Rect frame, const Fault& fault)
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = QStringLiteral("App%1").arg(pid), .frameAnimation = pid % 2 == 0});
        frame.size = sim::SimDesktop::constrainedSize(frame.size, fault.hints);
        const WindowId id = sim.addWindow({.pid = pid, .title = QStringLiteral("w"), .frame = frame, .hints = fault.hints});
        switch (fault.kind) {
        case Fault::Slow:
            sim.setWriteLatency(id, fault.delay);
            break;
        case Fault::Late:
            sim.applyLate(id, fault.delay);
            break;
        case Fault::Refuse:
            sim.refuseWrites(id, fault.refusal);
            break;
        case Fault::Drift:
            sim.driftAfterWrite(id, fault.driftTo, fault.delay, fault.times);
            break;
        case Fault::Close:
            sim.closeAfter(id, fault.delay);
            break;
        case Fault::CloseOnWrite:
            sim.closeOnNextWrite(id);
            break;
        default:
            break;
        }
        return id;
    }
    ManagedWindow managed(WindowId id)
    {
        const auto* w = sim.window(id);
        return ManagedWindow{id, w ? w->setup.pid : 0, w ? w->setup.title : QString(),
                             QStringLiteral("App%1").arg(w ? w->setup.pid : 0)};
    }
    std::vector<sim::WriteRecord> geometry(WindowId id) const
    {
        std::vector<sim::WriteRecord> out;
        for (const auto& w : sim.writesFor(id)) {
            if (w.kind & sim::Write::Geometry)
                out.push_back(w);
        }
        return out;
    }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess wa{sim, sim, clock, sim};
    log::Capture logs;
};

bool within(const std::optional<Rect>& frame, const Rect& target, double tolerance)
{
    return frame && edgesMatch(*frame, target, tolerance);
}

// A verified write arrived: at the target, or, for a window on a cell grid, at the target cut
// to its grid (as the window manager sizes it).
bool arrived(const std::optional<Rect>& frame, const Rect& target, const SizeHints& hints, double tolerance)
{
    return within(frame, target, tolerance) || within(frame, gridFrame(target, hints), tolerance);
}

// Checks the requested geometry of a window's writes: every value finite, and every frame
// asked for (the last requested position with the last requested size) inside `bounds`, so a
// window is never grown past where it goes before it has been shrunk.
// Sizes are tracked as the window manager applies them (`hints`), as the moves see them.
void expectContainedWrites(const std::vector<sim::WriteRecord>& writes, Rect current, Rect bounds,
                           const SizeHints& hints = {}, std::optional<Rect> target = std::nullopt)
{
    // A window the hints keep from its target size stands at the target's origin with its own.
    // (No window is smaller than one point.)
    if (target) {
        const Size held = sim::SimDesktop::constrainedSize(target->size, hints);
        bounds = bounds.united(Rect(target->origin, Size{std::max(held.width, 1.0), std::max(held.height, 1.0)}));
    }
    const Rect box = bounds.insetBy(-0.001, -0.001);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const auto& w = writes[i];
        const Rect before = current;
        if (w.kind & (sim::Write::Position | sim::Write::Frame))
            current.origin = w.position;
        if (w.kind & (sim::Write::Size | sim::Write::Frame))
            current.size = sim::SimDesktop::constrainedSize(w.size, hints);
        ASSERT_TRUE(std::isfinite(w.position.x) && std::isfinite(w.position.y) && std::isfinite(w.size.width)
                    && std::isfinite(w.size.height));
        ASSERT_TRUE(current.isFinite()) << "write " << i << ": " << w.toString().toStdString();
        // A refused write changes nothing on screen.
        if (!w.accepted) {
            current = before;
            continue;
        }
        ASSERT_TRUE(box.contains(current)) << "write " << i << " puts the window at " << text(current)
                                           << " outside " << text(bounds) << " (" << w.toString().toStdString() << ")";
    }
}

struct Rejections {
    int calls = 0;
    std::optional<Rect> last;
    bool matchedRead = true;   // the frame handed over is the frame read at that moment
};

} // namespace

TEST(MotionInvariants, AnimateFrameIsMonotoneFiniteAndExactAtItsEnds)
{
    Rng rng(20240611);
    const double big = std::numeric_limits<double>::max() / 2;
    for (int c = 0; c < 3000; ++c) {
        Rect a = randomFrame(rng), b = randomTarget(rng, a);
        if (c % 10 == 0)
            a = Rect(-big, big, big, 1e-300);
        if (c % 10 == 1)
            b = Rect(big, -big, 1e-300, big);
        SCOPED_TRACE("case " + std::to_string(c) + ": " + text(a) + " → " + text(b));

        EXPECT_EQ(animateFrame(a, b, 0), a);
        EXPECT_EQ(animateFrame(a, b, -0.5), a);
        EXPECT_EQ(animateFrame(a, b, std::nan("")), a);
        EXPECT_EQ(animateFrame(a, b, 1), b);
        EXPECT_EQ(animateFrame(a, b, 7), b);
        EXPECT_EQ(animateFrame(a, b, std::numeric_limits<double>::infinity()), b);

        auto parts = [](const Rect& r) { return std::array<double, 4>{r.x(), r.y(), r.width(), r.height()}; };
        const auto from = parts(a), to = parts(b);
        std::array<double, 4> previous = from;
        for (int i = 1; i <= 64; ++i) {
            const double p = i / 64.0 + (i < 64 ? uniform(rng, -0.005, 0.005) : 0);
            const auto now = parts(animateFrame(a, b, p));
            for (int k = 0; k < 4; ++k) {
                ASSERT_TRUE(std::isfinite(now[k])) << "p " << p << " part " << k;
                const double lo = std::min(from[k], to[k]), hi = std::max(from[k], to[k]);
                ASSERT_TRUE(now[k] >= lo && now[k] <= hi) << "p " << p << " part " << k;
                if (to[k] >= from[k]) {
                    ASSERT_GE(now[k], previous[k]) << "p " << p << " part " << k;
                } else {
                    ASSERT_LE(now[k], previous[k]) << "p " << p << " part " << k;
                }
            }
            previous = now;
        }
    }
}

// Far-apart frames once made the interpolation land beside its end (or on no number at all).
TEST(MotionInvariants, AnimateFrameReachesFarApartEndsExactly)
{
    const double big = std::numeric_limits<double>::max() / 2;
    const Rect a(-big, 0, 100, 100), b(1000.5, 0, 100, 100);
    EXPECT_EQ(animateFrame(a, b, 1), b);
    const Rect c(-std::numeric_limits<double>::max(), 0, 1, 1), d(std::numeric_limits<double>::max(), 0, 1, 1);
    EXPECT_TRUE(animateFrame(c, d, 0).isFinite());
    EXPECT_TRUE(animateFrame(c, d, 0.5).isFinite());
    EXPECT_EQ(animateFrame(c, d, 0), c);
}

TEST(MotionInvariants, VerifiedWriteAgreesWithItsReportAndStaysBounded)
{
    Rng rng(7001);
    for (int c = 0; c < 1500; ++c) {
        World w;
        const Fault fault = randomFault(rng);
        const Rect start = randomFrame(rng);
        const WindowId id = w.add(10, start, fault);
        const Rect begin = w.sim.window(id)->frame;
        const Rect target = randomTarget(rng, begin);
        const double tolerance = chance(rng, 0.5) ? 1.0 : 5.0;
        CancelToken token = CancelToken::make();
        const bool cancels = chance(rng, 0.2);
        if (cancels)
            w.clock.schedule(milliseconds(pick(rng, 0, 300)), [token] { token.cancel(); });
        SCOPED_TRACE("case " + std::to_string(c) + ": " + text(begin) + " → " + text(target) + " tol "
                     + std::to_string(tolerance) + ", fault " + fault.describe());

        Rejections rejected;
        auto onRejected = [&](std::optional<Rect> actual) {
            ++rejected.calls;
            rejected.last = actual;
            rejected.matchedRead = rejected.matchedRead && actual == w.sim.frame(id);
        };
        const Duration latency = fault.kind == Fault::Slow ? fault.delay : Duration{0};
        const auto result = w.clock.tryRun(w.wa.setFrame(w.managed(id), target, tolerance, onRejected, token),
                                           std::chrono::seconds(5));
        ASSERT_TRUE(result) << "did not finish";
        const auto writes = w.geometry(id);
        EXPECT_LE(writes.size(), 5u);
        EXPECT_LE(w.clock.now(), 512ms + latency * 5 + latency * 2) << "took too long";
        const int rejectionLines = int(w.logs.messages(LogCategory::WindowAccess)
                                           .filter(QStringLiteral("Geometry rejected by")).size());
        if (*result) {
            EXPECT_TRUE(arrived(w.sim.frame(id), target, fault.hints, std::max(tolerance, 1.0)))
                << text(w.sim.frame(id).value_or(Rect()));
            EXPECT_EQ(rejected.calls, 0);
            EXPECT_EQ(rejectionLines, 0);
        } else {
            // Unreadable from the start: nothing written, nothing said. Otherwise told once.
            const bool readable = fault.kind != Fault::Close || fault.delay > 0ms;
            EXPECT_EQ(rejected.calls, readable ? 1 : 0);
            EXPECT_EQ(rejectionLines, rejected.calls);
            EXPECT_TRUE(rejected.matchedRead);
            if (!readable) {
                EXPECT_TRUE(writes.empty());
            }
        }
        // (A cancelled task only hurries the checks, so a late application may miss them.)
        if (fault.benign() && !(cancels && fault.kind == Fault::Late)) {
            EXPECT_EQ(*result, target.width() > 0 && target.height() > 0) << "an obliging application";
        }
        if (fault.kind != Fault::Drift)
            expectContainedWrites(writes, begin, begin.united(target), fault.hints, target);
        // Frame animation is never left switched off.
        EXPECT_EQ(w.sim.frameAnimation(10), std::optional<bool>(true));
    }
}

TEST(MotionInvariants, SingleMoveEndsAtTargetOrRollsBackAndReportsOnce)
{
    Rng rng(9102);
    for (int c = 0; c < 800; ++c) {
        World w;
        const Fault fault = randomFault(rng);
        const WindowId id = w.add(20 + c % 2, randomFrame(rng), fault);
        const Rect start = w.sim.window(id)->frame;
        const Rect target = randomTarget(rng, start);
        const double tolerance = chance(rng, 0.5) ? 1.0 : 5.0;
        const bool reduce = chance(rng, 0.15);
        w.wa.setReduceMotion([reduce] { return reduce; });

        // Interruption: none, a cancelled task, or (guarded) a generation change, at a random time.
        const int interruption = pick(rng, 0, 3);
        const Duration at = Duration(std::chrono::microseconds(pick(rng, 0, 400000) + 333));
        const auto sharedOwner = std::make_shared<Generation>();
        Generation& owner = *sharedOwner;
        CancelToken token = CancelToken::make();
        if (interruption == 1)
            w.clock.schedule(at, [token] { token.cancel(); });
        if (interruption == 2)
            w.clock.schedule(at, [&owner] { owner.value = 1; });
        const bool guardedEarly = interruption == 3;   // generation already changed
        if (guardedEarly)
            owner.value = 5;
        SCOPED_TRACE("case " + std::to_string(c) + ": " + text(start) + " → " + text(target) + " tol "
                     + std::to_string(tolerance) + (reduce ? " reduce" : "") + ", fault " + fault.describe()
                     + ", interruption " + std::to_string(interruption) + " at " + std::to_string(at.count()));

        Rejections rejected;
        auto onRejected = [&](std::optional<Rect> actual) {
            ++rejected.calls;
            rejected.matchedRead = rejected.matchedRead && actual == w.sim.frame(id);
        };
        w.sim.resetCounters();
        Task<bool> task = interruption >= 2
            ? w.wa.animateMoveGuarded(w.managed(id), onRejected, {sharedOwner, 0}, target, tolerance, token)
            : w.wa.animateMove(w.managed(id), onRejected, target, tolerance, token);
        const auto result = w.clock.tryRun(std::move(task), std::chrono::seconds(20));
        ASSERT_TRUE(result) << "did not finish";
        const int framesRead = w.sim.frameReadCount();
        const auto writes = w.geometry(id);
        // Two animations of at most 16 three-write frames and two verified writes.
        EXPECT_LE(writes.size(), 2u * 16 * 3 + 2 * 5);
        const Duration latency = fault.kind == Fault::Slow ? fault.delay : Duration{0};
        EXPECT_LE(w.clock.now(), 2 * (240ms + 17 * 16ms + 512ms) + latency * long(writes.size() + 10));
        EXPECT_LE(rejected.calls, 1);
        EXPECT_TRUE(rejected.matchedRead);
        // (A late application's roll-back starts from a frame the write log does not show.)
        if (fault.kind != Fault::Drift && fault.kind != Fault::Late) {
            expectContainedWrites(writes, start, start.united(target), fault.hints, target);
        }

        const auto end = w.sim.frame(id);
        const bool interrupted = (interruption == 1 && w.sim.writes().size() && token.cancelled())
            || (interruption == 2 && owner.value == 1);
        if (guardedEarly) {
            EXPECT_FALSE(*result);
            EXPECT_EQ(framesRead, 0);
            EXPECT_TRUE(w.sim.writes().empty());
            continue;
        }
        if (*result) {
            EXPECT_TRUE(arrived(end, target, fault.hints, std::max(tolerance, 1.0))) << text(end.value_or(Rect()));
            EXPECT_EQ(rejected.calls, 0);
            continue;
        }
        // (A cancelled task hurries the roll-back's checks too: a late application may miss them.)
        if (fault.reversible() && !(interruption == 1 && fault.kind == Fault::Late)) {
            EXPECT_TRUE(end && sameFrame(*end, start, std::max(tolerance, 1.0)))
                << "not rolled back: " << text(end.value_or(Rect()));
        }
        if (!interrupted && !fault.closes()) {
            EXPECT_EQ(rejected.calls, 1) << "a failed move must say why";
        }
        if (fault.benign() && !interrupted && target.width() > 0 && target.height() > 0) {
            ADD_FAILURE() << "an obliging application's move failed";
        }
        EXPECT_EQ(w.sim.frameAnimation(20 + c % 2), std::optional<bool>(c % 2 == 0));
    }
}

TEST(MotionInvariants, GroupMoveReportsEachFailedWindowOnceAndStopsOnGenerationChange)
{
    Rng rng(31337);
    for (int c = 0; c < 500; ++c) {
        World w;
        const int count = pick(rng, 1, 4);
        std::vector<WindowId> ids;
        std::vector<Fault> faults;
        std::vector<Rect> starts, targets;
        std::vector<std::pair<ManagedWindow, Rect>> items;
        std::string setup;
        for (int i = 0; i < count; ++i) {
            faults.push_back(randomFault(rng, 0.5));
            ids.push_back(w.add(30 + pick(rng, 0, 2), randomFrame(rng), faults.back()));
            starts.push_back(w.sim.window(ids.back())->frame);
            targets.push_back(randomTarget(rng, starts.back()));
            items.emplace_back(w.managed(ids.back()), targets.back());
            setup += " [" + text(starts.back()) + " → " + text(targets.back()) + " " + faults.back().describe() + "]";
        }
        const double tolerance = chance(rng, 0.5) ? 1.0 : 5.0;
        const bool reduce = chance(rng, 0.15);
        w.wa.setReduceMotion([reduce] { return reduce; });
        const auto sharedOwner = std::make_shared<Generation>();
        Generation& owner = *sharedOwner;
        const bool interrupt = chance(rng, 0.3);
        const Duration at = Duration(std::chrono::microseconds(pick(rng, 0, 700000) + 333));
        // The change reaches the group when the main thread is free: the time it lands counts.
        Duration landed = Duration::max();
        if (interrupt)
            w.clock.schedule(at, [&owner, &landed, &w] { owner.value = 1; landed = w.clock.now(); });
        SCOPED_TRACE("case " + std::to_string(c) + ":" + setup + (reduce ? " reduce" : "")
                     + (interrupt ? " generation at " + std::to_string(at.count()) : ""));

        std::map<WindowId, int> reported;
        auto callback = [&](const ManagedWindow& win, std::optional<Rect> actual, const Rect& target) {
            ++reported[win.element];
            EXPECT_EQ(actual, w.sim.frame(win.element));
            const auto it = std::find(ids.begin(), ids.end(), win.element);
            ASSERT_NE(it, ids.end());
            EXPECT_EQ(target, targets[std::size_t(it - ids.begin())]);
        };
        const auto result = w.clock.tryRun(w.wa.animateGroup(items, callback, {sharedOwner, 0}, tolerance),
                                           std::chrono::seconds(30));
        ASSERT_TRUE(result) << "did not finish";

        int windowsWrittenLate = 0;
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE("window " + std::to_string(i));
            const auto writes = w.geometry(ids[std::size_t(i)]);
            EXPECT_LE(writes.size(), 16u * 3 + 5);
            EXPECT_LE(reported[ids[std::size_t(i)]], 1) << "reported more than once";
            if (faults[std::size_t(i)].kind != Fault::Drift) {
                expectContainedWrites(writes, starts[std::size_t(i)], starts[std::size_t(i)].united(targets[std::size_t(i)]),
                                      faults[std::size_t(i)].hints, targets[std::size_t(i)]);
            }
            // After the generation changes only the frame under way (three writes a window) and
            // one verified write already under way may go on.
            const auto late = std::count_if(writes.begin(), writes.end(), [&](const auto& r) { return r.time > landed; });
            if (interrupt) {
                EXPECT_LE(late, 5);
            }
            if (interrupt && late > 3) {
                ++windowsWrittenLate;
            }
            const bool atTarget = arrived(w.sim.frame(ids[std::size_t(i)]), targets[std::size_t(i)],
                                          faults[std::size_t(i)].hints, std::max(tolerance, 1.0));
            // (A window that drifts or closes after its settle was confirmed is its own affair.)
            const bool wanders = faults[std::size_t(i)].closes() || faults[std::size_t(i)].kind == Fault::Drift;
            if (*result && !wanders) {
                EXPECT_TRUE(atTarget) << "a group that succeeded left a window off its target";
            } else if (!interrupt && !reported[ids[std::size_t(i)]] && !faults[std::size_t(i)].closes()
                     && faults[std::size_t(i)].kind != Fault::Drift) {
                EXPECT_TRUE(atTarget) << "unreported window off its target";
            }
            if (!interrupt && faults[std::size_t(i)].benign() && targets[std::size_t(i)].width() > 0
                && targets[std::size_t(i)].height() > 0) {
                EXPECT_TRUE(atTarget) << "an obliging application's window";
            }
        }
        if (*result) {
            EXPECT_TRUE(std::all_of(reported.begin(), reported.end(), [](const auto& r) { return r.second == 0; }));
        }
        if (interrupt) {
            EXPECT_LE(windowsWrittenLate, 1);
        }
        for (Pid pid : {30, 31, 32}) {
            if (w.sim.app(pid)) {
                EXPECT_EQ(w.sim.frameAnimation(pid), std::optional<bool>(pid % 2 == 0));
            }
        }
    }
}

TEST(MotionInvariants, SlideTurnsOnceOnlyMovesAndComesHome)
{
    Rng rng(424242);
    for (int c = 0; c < 600; ++c) {
        World w;
        Fault fault = randomFault(rng);
        if (fault.kind == Fault::Drift)
            fault.kind = Fault::None;   // an application that moves itself is not the slide's to undo
        const WindowId id = w.add(40, randomFrame(rng), fault);
        const Rect home = w.sim.window(id)->frame;
        Rect out = chance(rng, 0.15) ? home : Rect(coord(rng), coord(rng), home.width(), home.height());
        if (chance(rng, 0.1))
            out = Rect(home.x() + uniform(rng, -0.6, 0.6), home.y(), 1, 1);
        const bool reduce = chance(rng, 0.15);
        w.wa.setReduceMotion([reduce] { return reduce; });
        CancelToken token = CancelToken::make();
        const bool cancels = chance(rng, 0.2);
        if (cancels)
            w.clock.schedule(milliseconds(pick(rng, 0, 500)), [token] { token.cancel(); });
        SCOPED_TRACE("case " + std::to_string(c) + ": home " + text(home) + " out " + text(out)
                     + (reduce ? " reduce" : "") + ", fault " + fault.describe());

        int turns = 0;
        const bool raising = chance(rng, 0.5);
        Task<void> task = raising ? w.wa.shuffle(w.managed(id), out, home, token)
                                  : w.wa.shuffleBack(w.managed(id), [&] { ++turns; }, out, home, token);
        ASSERT_TRUE(w.clock.tryRun(std::move(task), std::chrono::seconds(20))) << "did not finish";
        if (raising)
            turns = int(w.sim.writesOf(sim::Write::Raise).size());
        EXPECT_EQ(turns, 1);

        const auto writes = w.geometry(id);
        const Duration latency = fault.kind == Fault::Slow ? fault.delay : Duration{0};
        EXPECT_LE(writes.size(), 60u);
        EXPECT_LE(w.clock.now(), 440ms + 20ms + 512ms + latency * long(writes.size() + 2));
        // The slide itself only moves the window, between home and out.
        const Rect path = home.united(out).insetBy(-0.5, -0.5);
        std::size_t i = 0;
        for (; i < writes.size() && writes[i].time < w.clock.now(); ++i) {
            if (writes[i].kind != sim::Write::Position)
                break;
            EXPECT_TRUE(std::isfinite(writes[i].position.x) && std::isfinite(writes[i].position.y));
            EXPECT_TRUE(path.contains(writes[i].position)) << writes[i].toString().toStdString();
        }
        if (reduce) {
            EXPECT_EQ(w.sim.writesOf(sim::Write::Position).size() <= 2, true);
        }
        // Home again, or the verified write said it could not.
        const bool home_ = within(w.sim.frame(id), home, 1.0);
        const bool saidSo = !w.logs.messages(LogCategory::WindowAccess).filter(QStringLiteral("Geometry rejected by")).isEmpty();
        EXPECT_TRUE(home_ || saidSo || !w.sim.frame(id)) << text(w.sim.frame(id).value_or(Rect()));
        // (A cancelled task hurries the settle's checks: a late application may miss them.)
        if (fault.benign() && !(cancels && fault.kind == Fault::Late)) {
            EXPECT_TRUE(home_) << "an obliging application must come home";
        }
        EXPECT_EQ(w.logs.messages(LogCategory::Motion).size(), 1);
    }
}
