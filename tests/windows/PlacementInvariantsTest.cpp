// Randomized, fixed-seed checks of what must hold for every input of the placement code:
// the window-to-region matching, the placement transactions and the composition run on a
// simulated desktop whose windows refuse, clamp, apply late, drift or close, and the fitting
// of two minimum sizes by moving a divider. A failing case prints its seed and case number.

#include "PlacementFixture.h"

#include "windows/FrameMatch.h"
#include "windows/MinimumSizeFitting.h"

#include <random>
#include <sstream>

using namespace fw;
using namespace fw::placementtest;

namespace {

constexpr unsigned kSeed = 20240611;

double uniform(std::mt19937& rng, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}
int between(std::mt19937& rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
bool chance(std::mt19937& rng, double p)
{
    return std::bernoulli_distribution(p)(rng);
}

std::string str(const Rect& r)
{
    return toString(r).toStdString();
}

// ---------------------------------------------------------------------------------------------
// Matching

// The largest number of regions that can be filled, by trying every assignment.
int bruteForceMaximum(const std::vector<std::vector<bool>>& eligible, std::size_t region, std::vector<bool>& used)
{
    if (region == eligible.size())
        return 0;
    int best = bruteForceMaximum(eligible, region + 1, used); // leave this region empty
    for (std::size_t w = 0; w < used.size(); ++w) {
        if (!used[w] && eligible[region][w]) {
            used[w] = true;
            best = std::max(best, 1 + bruteForceMaximum(eligible, region + 1, used));
            used[w] = false;
        }
    }
    return best;
}

} // namespace

TEST(PlacementInvariants, MatchingIsAValidMaximumMatchingThatKeepsWindowsAlreadyInPlace)
{
    std::mt19937 rng(kSeed);
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE("seed " + std::to_string(kSeed) + " case " + std::to_string(round));
        const int regionCount = between(rng, 0, 6);
        const int windowCount = between(rng, 0, 6);
        std::map<RegionNumber, Rect> regions;
        for (int r = 0; r < regionCount; ++r) {
            const RegionNumber number = between(rng, -3, 20);
            regions[number] = Rect(uniform(rng, -2000, 2000), uniform(rng, -1000, 1000), uniform(rng, 1, 1500),
                                   uniform(rng, 1, 1000));
        }
        std::vector<Rect> regionList;
        for (const auto& [n, f] : regions)
            regionList.push_back(f);

        std::vector<CompositionCandidate<int>> cands;
        for (int i = 0; i < windowCount; ++i) {
            const int id = between(rng, 0, 5); // duplicates on purpose
            Rect frame(uniform(rng, -2000, 2000), uniform(rng, -1000, 1000), uniform(rng, 1, 1500),
                       uniform(rng, 1, 1000));
            if (!regionList.empty() && chance(rng, 0.4)) {
                frame = regionList[between(rng, 0, int(regionList.size()) - 1)];
                if (chance(rng, 0.5))
                    frame = frame.insetBy(uniform(rng, -0.4, 0.4), uniform(rng, -0.4, 0.4));
            }
            Size minimum{0, 0};
            if (chance(rng, 0.5))
                minimum = Size{uniform(rng, 0, 1200), uniform(rng, 0, 800)};
            cands.push_back({id, frame, minimum});
        }
        std::unordered_map<int, std::set<RegionNumber>> excluding;
        for (const auto& c : cands) {
            for (const auto& [n, f] : regions) {
                if (chance(rng, 0.15))
                    excluding[c.window].insert(n);
            }
        }

        const auto result = CompositionCandidate<int>::assign(cands, regions, excluding);

        // The first occurrence of each window is the one that counts.
        std::vector<const CompositionCandidate<int>*> firsts;
        std::set<int> seen;
        for (const auto& c : cands) {
            if (seen.insert(c.window).second)
                firsts.push_back(&c);
        }
        auto eligibleFor = [&](const CompositionCandidate<int>& c, RegionNumber n, const Rect& f) {
            const auto ex = excluding.find(c.window);
            return c.fits(f) && !(ex != excluding.end() && ex->second.count(n));
        };

        std::set<int> usedWindows;
        for (const auto& [n, w] : result) {
            ASSERT_TRUE(regions.count(n)) << "region " << n << " is not one of the input";
            EXPECT_TRUE(usedWindows.insert(w).second) << "window " << w << " assigned twice";
            const auto* c = *std::find_if(firsts.begin(), firsts.end(), [&](auto* p) { return p->window == w; });
            EXPECT_TRUE(eligibleFor(*c, n, regions.at(n))) << "window " << w << " not eligible for region " << n;
        }

        std::vector<std::vector<bool>> eligible;
        for (const auto& [n, f] : regions) {
            std::vector<bool> row;
            for (const auto* c : firsts)
                row.push_back(eligibleFor(*c, n, f));
            eligible.push_back(row);
        }
        std::vector<bool> used(firsts.size(), false);
        EXPECT_EQ(int(result.size()), bruteForceMaximum(eligible, 0, used)) << "not a maximum matching";

        // A window that lies in a region it may take is only ever displaced by another window
        // lying there, or moved on to fill a further region: it is never left out while one of
        // its regions goes to a window that must move.
        for (const auto* c : firsts) {
            bool assigned = false;
            for (const auto& [n, w] : result)
                assigned = assigned || w == c->window;
            if (assigned)
                continue;
            for (const auto& [n, f] : regions) {
                if (!eligibleFor(*c, n, f) || !edgesMatch(c->frame, f, kPlacementTolerance))
                    continue;
                ASSERT_TRUE(result.count(n)) << "region " << n << " left empty although window " << c->window
                                             << " lies in it";
                const auto* holder = *std::find_if(firsts.begin(), firsts.end(),
                                                   [&](auto* p) { return p->window == result.at(n); });
                EXPECT_TRUE(edgesMatch(holder->frame, f, kPlacementTolerance))
                    << "window " << c->window << " lies in region " << n << " but window " << holder->window
                    << " is moved there instead";
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The simulated desktop with random faults

namespace {

enum class Fault { none, latency, refuseAlways, refuseSome, clamp, late, drift, close };

struct World {
    World() { sim.addScreen({"A", "Left", Rect(-1280, -200, 3200, 1480), Rect(-1280, -200, 3200, 1450), true}); }
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    std::shared_ptr<FakeHost> sharedHost = std::make_shared<FakeHost>(clock);
    FakeHost& host = *sharedHost;
    log::Capture logs;
    std::map<WindowId, Fault> faults;
    std::map<WindowId, Rect> starts;

    Rect randomFrame(std::mt19937& rng)
    {
        const int kind = between(rng, 0, 9);
        if (kind == 0) // tiny
            return Rect(uniform(rng, -1200, 1800), uniform(rng, -150, 1000), uniform(rng, 1, 40), uniform(rng, 1, 40));
        if (kind == 1) // huge
            return Rect(uniform(rng, -1280, 0), uniform(rng, -200, 0), uniform(rng, 2000, 3200), uniform(rng, 900, 1450));
        return Rect(std::round(uniform(rng, -1200, 1800)), std::round(uniform(rng, -150, 1000)),
                    std::round(uniform(rng, 80, 1400)), std::round(uniform(rng, 60, 900)));
    }

    ManagedWindow addWindow(std::mt19937& rng, Pid pid, const Rect& frame, bool faulty)
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = QStringLiteral("App%1").arg(pid)});
        SizeHints hints;
        Fault fault = Fault::none;
        if (faulty && chance(rng, 0.45))
            fault = Fault(between(rng, 1, 7));
        if (fault == Fault::clamp) {
            // Cannot grow past (or shrink below) its size now.
            if (chance(rng, 0.5))
                hints.maximum = frame.size;
            else
                hints.minimum = frame.size;
        }
        const WindowId id = sim.addWindow({.pid = pid, .title = QStringLiteral("W%1").arg(pid), .frame = frame,
                                           .hints = hints});
        switch (fault) {
        case Fault::none:
        case Fault::clamp:
            break;
        case Fault::latency:
            sim.setWriteLatency(id, std::chrono::milliseconds(between(rng, 1, 40)));
            break;
        case Fault::refuseAlways:
            sim.refuseWrites(id, {.kinds = sim::Write::Geometry, .skip = between(rng, 0, 40)});
            break;
        case Fault::refuseSome:
            sim.refuseWrites(id, {.kinds = sim::Write::Geometry, .skip = between(rng, 0, 40),
                                  .count = between(rng, 1, 3)});
            break;
        case Fault::late:
            sim.applyLate(id, std::chrono::milliseconds(between(rng, 5, 300))); // within the settle checks
            break;
        case Fault::drift:
            sim.driftAfterWrite(id, randomFrame(rng), std::chrono::milliseconds(between(rng, 10, 900)),
                                between(rng, 1, 3));
            break;
        case Fault::close:
            if (chance(rng, 0.3))
                sim.closeOnNextWrite(id);
            else
                sim.closeAfter(id, std::chrono::milliseconds(between(rng, 0, 3000)));
            break;
        }
        faults[id] = fault;
        starts[id] = sim.frame(id).value_or(Rect::null());
        auto w = ManagedWindow::make(sim, id);
        EXPECT_TRUE(w);
        return w.value_or(ManagedWindow{});
    }

    // Faults that can truly keep a window from going back.
    bool hindered(const ManagedWindow& w) const
    {
        const auto it = faults.find(w.element);
        return it != faults.end() && it->second != Fault::none && it->second != Fault::latency;
    }
    // Faults after which the window may sit elsewhere although every move of ours held.
    bool movesOnItsOwn(const ManagedWindow& w) const
    {
        const auto it = faults.find(w.element);
        return it != faults.end() && (it->second == Fault::drift || it->second == Fault::close);
    }

    // Every write went to one of `named` (or to the application of one of them).
    void expectOnlyNamedWritten(const std::vector<ManagedWindow>& named)
    {
        for (const auto& r : sim.writes()) {
            const bool ok = std::any_of(named.begin(), named.end(), [&](const ManagedWindow& w) {
                return r.window == w.element || (r.window == 0 && r.pid == w.pid);
            });
            EXPECT_TRUE(ok) << "write to a window the call did not name: " << r.toString().toStdString();
        }
    }
};

} // namespace

TEST(PlacementInvariants, TransactionsCommitOnTargetOrPutEveryWindowBack)
{
    std::mt19937 rng(kSeed + 1);
    std::map<PlacementOutcome, int> seen;
    for (int round = 0; round < 400; ++round) {
        std::ostringstream trace;
        trace << "seed " << kSeed + 1 << " case " << round;
        SCOPED_TRACE(trace.str());
        World world;
        const int n = between(rng, 0, 4);
        PlacementItems targets;
        RestoreMap restore;
        std::vector<ManagedWindow> named;
        for (int i = 0; i < n; ++i) {
            const auto w = world.addWindow(rng, 300 + i, world.randomFrame(rng), true);
            targets.push_back({w, world.randomFrame(rng)});
            if (chance(rng, 0.2))
                targets.back().frame = world.starts[w.element]; // already there
            if (chance(rng, 0.25))
                restore[w] = world.randomFrame(rng);
            named.push_back(w);
        }
        // Windows the call does not name.
        std::vector<ManagedWindow> bystanders;
        for (int i = 0; i < 2; ++i)
            bystanders.push_back(world.addWindow(rng, 400 + i, world.randomFrame(rng), false));
        if (chance(rng, 0.3))
            world.host.bumpAt = between(rng, 1, 12);
        // Whether every target sat on its frame when the generation changed.
        bool arrivedAtBump = false;
        world.host.onBump = [&] {
            arrivedAtBump = std::all_of(targets.begin(), targets.end(), [&](const PlacementItem& t) {
                const auto f = world.sim.frame(t.window.element);
                return world.movesOnItsOwn(t.window) || (f && edgesMatch(*f, t.frame, kPlacementTolerance));
            });
        };

        PlacementMover mover;
        if (chance(rng, 0.3)) {
            const bool honest = chance(rng, 0.7);
            WindowAccess* access = &world.access;
            mover = [access, honest](PlacementItems items) -> Task<bool> {
                bool all = true;
                for (const auto& t : items)
                    all = (co_await access->animateMove(t.window, {}, t.frame, 5.0)) && all;
                co_return honest && all;
            };
        }
        const ManagedWindow front = named.empty() ? bystanders[0] : named[0];
        const ManagedWindow second = named.size() > 1 ? named[1] : front;
        if (named.empty())
            named.push_back(front); // the front window is raised even with no targets

        const int variant = between(rng, 0, 4);
        double tolerance = kSameFrameTolerance;
        double moveTolerance = kSameFrameTolerance;
        PlacementKind kind;
        switch (variant) {
        case 0:
            kind = place::ResizeTogether{};
            break;
        case 1:
            kind = place::FillColumn{front};
            break;
        case 2:
            tolerance = moveTolerance = kPlacementTolerance;
            kind = place::Swap{front, second};
            break;
        case 3:
            kind = place::ColumnSplit{front, [](auto&&...) {}, std::make_shared<ColumnSplitRecord>()};
            break;
        default:
            tolerance = moveTolerance = kPlacementTolerance;
            kind = place::Composition{front};
            break;
        }
        Task<Placed> task = world.placement.place(
            {.targets = targets, .kind = std::move(kind), .restore = restore, .mover = mover}, {world.sharedHost, 7});
        trace << " variant " << variant;
        SCOPED_TRACE(trace.str());

        const Duration began = world.clock.now();
        const auto placed = world.clock.tryRun(std::move(task), std::chrono::minutes(2));
        ASSERT_TRUE(placed) << "the transaction did not end within two minutes of virtual time";
        const std::optional<PlacementOutcome> outcome = placed->outcome;
        // Bounded: moves with their settling, five checks and a roll-back of every target.
        EXPECT_LE(world.clock.now() - began, std::chrono::milliseconds(5000 * (2 * n + 2)));

        ++seen[*outcome];
        world.expectOnlyNamedWritten(named);
        if (world.host.value != 7 && *outcome == PlacementOutcome::committed) {
            EXPECT_TRUE(arrivedAtBump) << "committed after the generation changed before every window arrived";
        }

        for (const auto& t : targets) {
            const auto f = world.sim.frame(t.window.element);
            const std::string where = f ? str(*f) : std::string("unreadable");
            if (*outcome == PlacementOutcome::committed) {
                if (!world.movesOnItsOwn(t.window)) {
                    ASSERT_TRUE(f);
                    EXPECT_TRUE(edgesMatch(*f, t.frame, tolerance))
                        << "committed but " << where << " is not at " << str(t.frame);
                }
            } else if (*outcome == PlacementOutcome::rolledBack && f && !world.movesOnItsOwn(t.window)) {
                const auto r = restore.find(t.window);
                const Rect back = r != restore.end() ? r->second : world.starts[t.window.element];
                EXPECT_TRUE(sameFrame(*f, back, moveTolerance))
                    << "rolled back but " << where << " is not at " << str(back);
            }
        }
        if (*outcome == PlacementOutcome::rollbackFailed) {
            const bool someHindered = std::any_of(targets.begin(), targets.end(),
                                                  [&](const PlacementItem& t) { return world.hindered(t.window); });
            EXPECT_TRUE(someHindered) << "roll-back reported failed although no window resisted";
        }
    }
    // The generator reaches every outcome.
    EXPECT_GT(seen[PlacementOutcome::committed], 40);
    EXPECT_GT(seen[PlacementOutcome::rolledBack], 40);
    EXPECT_GT(seen[PlacementOutcome::rollbackFailed], 5);
}

TEST(PlacementInvariants, CompositionRunCommitsAMatchingOrPutsEveryWindowBack)
{
    std::mt19937 rng(kSeed + 2);
    std::map<PlacementOutcome, int> seen;
    int placedAny = 0;
    for (int round = 0; round < 300; ++round) {
        std::ostringstream trace;
        trace << "seed " << kSeed + 2 << " case " << round;
        SCOPED_TRACE(trace.str());
        World world;

        // Regions: columns of a display somewhere on the desktop.
        const Rect display(uniform(rng, -1280, 200), uniform(rng, -200, 100), uniform(rng, 400, 2400),
                           uniform(rng, 300, 1200));
        RegionFrames regions;
        const int regionCount = between(rng, 0, 4);
        for (int r = 0; r < regionCount; ++r) {
            const double w = display.width() / std::max(1, regionCount);
            const double h = chance(rng, 0.3) ? display.height() * uniform(rng, 0.08, 0.92) : display.height();
            regions[r * 2 + between(rng, 0, 1)] =
                Rect(std::round(display.minX() + r * w), std::round(display.minY()), std::round(w - 8), std::round(h));
        }
        std::vector<Rect> regionList;
        for (const auto& [n, f] : regions)
            regionList.push_back(f);

        std::vector<CompositionCandidate<ManagedWindow>> candidates;
        std::vector<ManagedWindow> named;
        std::map<WindowId, Rect> prior;
        const int windowCount = between(rng, 0, 4);
        for (int i = 0; i < windowCount; ++i) {
            Rect start = world.randomFrame(rng);
            if (!regionList.empty() && chance(rng, 0.25))
                start = regionList[between(rng, 0, int(regionList.size()) - 1)];
            const auto w = world.addWindow(rng, 500 + i, start, true);
            Size minimum{0, 0};
            if (chance(rng, 0.3))
                minimum = Size{uniform(rng, 0, 900), uniform(rng, 0, 700)};
            candidates.push_back({w, start, minimum});
            if (chance(rng, 0.1))
                candidates.push_back({w, start, minimum}); // duplicate
            named.push_back(w);
            prior[w.element] = start;
        }
        RegionWindows fixed;
        if (chance(rng, 0.3)) {
            const auto w = world.addWindow(rng, 600, world.randomFrame(rng), true);
            fixed[between(rng, 0, 8)] = w;
            named.push_back(w);
            prior[w.element] = world.starts[w.element];
        }
        if (!named.empty() && chance(rng, 0.2))
            fixed[between(rng, 0, 8)] = named[between(rng, 0, int(named.size()) - 1)];
        for (int i = 0; i < 2; ++i)
            world.addWindow(rng, 700 + i, world.randomFrame(rng), false);
        if (chance(rng, 0.3))
            world.host.bumpAt = between(rng, 1, 40);
        // The frames of the named windows when the generation changed.
        std::map<WindowId, std::optional<Rect>> atBump;
        world.host.onBump = [&] {
            for (const ManagedWindow& w : named)
                atBump[w.element] = world.sim.frame(w.element);
        };
        if (!named.empty() && chance(rng, 0.3))
            world.host.picker = named[0];

        const GroupMover mover = chance(rng, 0.5) ? world.placement.compositionGroupMover({world.sharedHost, 7}) : GroupMover{};
        trace << " mover " << bool(mover);
        SCOPED_TRACE(trace.str());

        const auto result = world.clock.tryRun(world.placement.runSequence(candidates, regions, mover, fixed,
                                                                           {world.sharedHost, 7}, world.sharedHost, {world.sharedHost, 7}),
                                               std::chrono::minutes(10));
        ASSERT_TRUE(result) << "the run did not end within ten minutes of virtual time";

        ++seen[result->outcome];
        placedAny += result->placed.empty() ? 0 : 1;
        world.expectOnlyNamedWritten(named);
        if (world.host.value != 7 && result->outcome == PlacementOutcome::committed) {
            // Only once every window it places had arrived.
            for (const auto& [region, w] : result->placed) {
                const auto f = atBump[w.element];
                EXPECT_TRUE(world.movesOnItsOwn(w) || (f && arrivedAt(*f, regions.at(region), {}, kPlacementTolerance)))
                    << "committed after the generation changed before region " << region << " was reached";
            }
        }

        if (result->outcome != PlacementOutcome::committed) {
            EXPECT_TRUE(result->placed.empty());
        }

        std::set<WindowId> placedWindows;
        for (const auto& [region, w] : result->placed) {
            ASSERT_TRUE(regions.count(region)) << "placed into a region that has no frame: " << region;
            EXPECT_TRUE(placedWindows.insert(w.element).second) << "a window placed twice";
            EXPECT_TRUE(prior.count(w.element)) << "placed a window it was not given";
            const bool isFixed = fixed.count(region) && fixed.at(region) == w;
            if (!isFixed) {
                const auto c = std::find_if(candidates.begin(), candidates.end(),
                                            [&](const auto& cand) { return cand.window == w; });
                ASSERT_NE(c, candidates.end());
                EXPECT_TRUE(c->fits(regions.at(region))) << "a window below its minimum size in region " << region;
            }
        }

        for (const auto& w : named) {
            if (world.movesOnItsOwn(w))
                continue;
            const auto f = world.sim.frame(w.element);
            if (!f)
                continue;
            const Rect before = prior.at(w.element);
            if (result->outcome == PlacementOutcome::committed) {
                // Placed in its region, or where it was: never left in between.
                RegionNumber region = -1;
                for (const auto& [r, pw] : result->placed)
                    region = pw == w ? r : region;
                if (region != -1) {
                    EXPECT_TRUE(edgesMatch(*f, regions.at(region), 1.0))
                        << "committed with " << str(*f) << " off region " << str(regions.at(region));
                } else {
                    EXPECT_TRUE(edgesMatch(*f, before, 1.0))
                        << "an unplaced window left at " << str(*f) << " instead of " << str(before) << " (fault " << int(world.faults[w.element]) << ")";
                }
            } else if (result->outcome == PlacementOutcome::rolledBack) {
                EXPECT_TRUE(edgesMatch(*f, before, 1.0))
                    << "rolled back but " << str(*f) << " is not at " << str(before);
            }
        }
        if (result->outcome == PlacementOutcome::rollbackFailed) {
            EXPECT_TRUE(std::any_of(named.begin(), named.end(), [&](const auto& w) { return world.hindered(w); }))
                << "roll-back reported failed although no window resisted";
        }
    }
    EXPECT_GT(placedAny, 40);
    EXPECT_GT(seen[PlacementOutcome::rolledBack], 20);
    EXPECT_GT(seen[PlacementOutcome::rollbackFailed], 5);
}

// ---------------------------------------------------------------------------------------------
// Fitting two minimum sizes

namespace {

// A random tree over regions first..; returns the next free number.
RegionTree randomTree(std::mt19937& rng, int depth, RegionNumber& next)
{
    if (depth == 0 || chance(rng, 0.3))
        return RegionTree::leaf(next++);
    const auto axis = chance(rng, 0.5) ? SplitAxis::horizontal : SplitAxis::vertical;
    double ratio = uniform(rng, 0.08, 0.92);
    if (chance(rng, 0.2))
        ratio = chance(rng, 0.5) ? 0.08 : 0.92;
    auto first = randomTree(rng, depth - 1, next);
    auto second = randomTree(rng, depth - 1, next);
    return RegionTree::split(axis, ratio, std::move(first), std::move(second));
}

} // namespace

TEST(PlacementInvariants, FittingGivesBothMinimumsAcrossTheDividerOrNothing)
{
    std::mt19937 rng(kSeed + 3);
    int fitted = 0;
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE("seed " + std::to_string(kSeed + 3) + " case " + std::to_string(round));
        RegionNumber next = 0;
        SnapLayout layout;
        layout.id = QStringLiteral("user-x");
        layout.name = QStringLiteral("X");
        layout.tree = randomTree(rng, between(rng, 1, 5), next);
        const RegionNumber a = between(rng, -1, next);
        const RegionNumber b = between(rng, -1, next);
        const Rect display(uniform(rng, -3000, 3000), uniform(rng, -2000, 2000), uniform(rng, 1, 5000),
                           uniform(rng, 1, 3000));
        const Size minA{uniform(rng, 0, display.width()), uniform(rng, 0, display.height())};
        const Size minB{uniform(rng, 0, display.width()), uniform(rng, 0, display.height())};

        const auto result = fittingMinimumSizes(layout, a, b, minA, minB, display);
        if (!result)
            continue;
        ++fitted;
        EXPECT_EQ(result->id, layout.id);
        EXPECT_EQ(result->name, layout.name);
        const auto units = layout.tree.unitRects(Rect(0, 0, 1, 1));
        const bool column = std::abs(units.at(a).minX() - units.at(b).minX()) < 0.0001;
        const auto frames = result->tree.frames(display, 8);
        ASSERT_TRUE(frames.count(a) && frames.count(b));
        if (column) {
            EXPECT_LE(minA.height, frames.at(a).height());
            EXPECT_LE(minB.height, frames.at(b).height());
        } else {
            EXPECT_LE(minA.width, frames.at(a).width());
            EXPECT_LE(minB.width, frames.at(b).width());
        }
        // The other regions keep their number and every frame stays inside the display.
        EXPECT_EQ(result->tree.unitRects(Rect(0, 0, 1, 1)).size(), units.size());
        for (const auto& [n, f] : frames)
            EXPECT_TRUE(display.insetBy(-0.5, -0.5).contains(f)) << n << " " << str(f);
    }
    EXPECT_GT(fitted, 50); // the generator reaches the interesting cases
}
