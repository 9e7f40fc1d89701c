#pragma once
// Placement transactions: several windows (or the one window of a drop) moved as one unit, the
// front window raised, the result watched for a short while, committed only when every window
// held still, and every touched window put back (the last first) when it did not; when the
// window manager held the writes meanwhile, put back again once it has applied them. Plus the
// composition run, which matches windows to a layout's regions and places them one transaction
// at a time, and the one watch until still both of them use.
//
// Main thread only. Every routine is a cooperative task: the WindowPlacement object and the
// WindowAccess it was made with must outlive the tasks. The coordinator is held weakly through
// the stamps: its interaction generation is only read, never written. At the first checkpoint
// before every window has arrived where the stamp is no longer current (the generation differs
// or the coordinator is gone) the transaction gives up and rolls back; once every window has
// arrived, an interaction that ends is the user's next step (a click on the window just placed
// ends one too): the watch stops and the placement commits as it stands.

#include "base/Task.h"
#include "windows/CoordinatorHost.h"
#include "windows/PlacementRecord.h"
#include "windows/WindowAccess.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

namespace fw {

using PlacementItems = std::vector<PlacementItem>;
// Frames to put windows back to instead of the frames they have when a transaction starts.
using RestoreMap = std::unordered_map<ManagedWindow, Rect>;
// Moves every window of the list itself; true when it did.
using PlacementMover = std::function<Task<bool>(PlacementItems)>;
// Told of each window found off target: the window, the frame read (nothing when
// unreadable) and the frame it should have.
using MismatchHandler = std::function<void(const ManagedWindow&, std::optional<Rect>, const Rect&)>;
// Moves the windows together; returns those that ended within 1 pixel of their targets.
using GroupMover = std::function<Task<std::unordered_set<ManagedWindow>>(std::vector<std::pair<ManagedWindow, Rect>>)>;

using RegionFrames = std::map<RegionNumber, Rect>;
using RegionWindows = std::map<RegionNumber, ManagedWindow>;

struct SequenceResult {
    PlacementOutcome outcome = PlacementOutcome::rolledBack;
    RegionWindows placed; // empty unless committed
};

// What a placement is for, named as its callers mean it. From the kind the one door derives the
// windows raised (in order, the last ends on top), the tolerance of the moves and of the checks
// (FrameMatch.h), and how a window found off target is told.
namespace place {
// Neighbours resized together (a divider, a stack's mates): nothing raised, nothing told; the
// same frame within kSameFrameTolerance.
struct ResizeTogether {};
// A column filled with the dropped window: `front` raised, a drift logged; kSameFrameTolerance.
struct FillColumn {
    ManagedWindow front;
};
// Two windows trading regions: the occupant raised, then the dropped window, which ends on
// top; a drift logged; kPlacementTolerance.
struct Swap {
    ManagedWindow occupant;
    ManagedWindow dropped;
};
// A window inserted at a column's corner, splitting it: `front` raised; off-target windows go
// to `onMismatch`, and every move records its refused frame write (the first one of the
// action) in `record` (a fresh one when none is given); kSameFrameTolerance.
struct ColumnSplit {
    ManagedWindow front;
    MismatchHandler onMismatch;
    std::shared_ptr<ColumnSplitRecord> record;
};
// A composition's windows, or one of them as the composition run places it: `front` raised, a
// drift logged; kPlacementTolerance.
struct Composition {
    ManagedWindow front;
};
// A drop's one window (the one target) moved to the frame its grid allows, raised, a drift
// logged; kSameFrameTolerance. Guarded: its first move stops as soon as the stamp's interaction
// ends (a return to a previous position); otherwise it runs to its end and the checks after it
// give up.
struct Drop {
    bool guarded = false;
};
} // namespace place

using PlacementKind =
    std::variant<place::ResizeTogether, place::FillColumn, place::Swap, place::ColumnSplit, place::Composition, place::Drop>;

// One placement: its windows and their frames, what it is for, the frames to put windows back
// to instead of those they have when it starts (a window the caller moved before), and the
// caller's mover of every window at once (none: one by one, as for a single target anyway).
// In a coroutine, build it in a local before awaiting the door: GCC 12 rejects a braced
// request written inside the awaited call.
struct PlacementRequest {
    PlacementItems targets;
    PlacementKind kind;
    RestoreMap restore = {};
    PlacementMover mover = {};
};

// A placement's outcome and what its caller records on commit: the frame the first target
// (a drop's one window) had when the placement began, out of the states it left (nothing when
// a window was unreadable), and those states; and the states it kept against the window
// manager's leave (nothing of the placement moved then).
struct Placed {
    PlacementOutcome outcome = PlacementOutcome::rolledBack;
    std::optional<Rect> start;
    WindowStates left = 0;
    WindowStates kept = 0;
};

// A watch's judgement of one check: the windows found off target.
using OffTargetCheck = std::function<std::vector<ManagedWindow>()>;
// Moves a window found off target once more; false when that failed.
using Correction = std::function<Task<bool>(ManagedWindow)>;

// The one watch until windows hold still, of the transactions and the composition run, once
// every window has arrived, by time (WindowPlacement::kFirstCheck and the rest): a check once a
// late write has had time to land, then one every kCheckLook; each window found off target is
// corrected, once; every window found on target at every check for kStillFor and the windows
// held still (true). `current` false at a checkpoint (after each pause, before any window is
// judged, before each correction, and after a failed one) is true too: another interaction
// began, the user's, and the placement stands as it arrived, judged and corrected no more.
// False: a window off target again after its correction, a failed correction, or kWatchLimit
// passed. The caller rolls back.
Task<bool> watchUntilStill(Clock& clock, std::function<bool()> current, OffTargetCheck offTarget,
                           Correction correct);

class WindowPlacement {
public:
    explicit WindowPlacement(WindowAccess& access) : access_(access) {}

    // The watch of a transaction (watchUntilStill).
    static constexpr Duration kFirstCheck = 80ms;
    static constexpr Duration kCheckLook = 80ms;
    static constexpr Duration kStillFor = 400ms;
    static constexpr Duration kWatchLimit = 2000ms;
    // How long a roll-back waits for a window manager that holds the writes to go on.
    static constexpr int kHeldWritesBoundMs = 10000;

    // ---- Transactions

    // The one door: takes the targets out of the states that hold their frames, moves them,
    // raises the kind's front windows, watches until every target holds still and commits, or
    // puts every touched window back (the last first) into its frame and states.
    Task<Placed> place(PlacementRequest request, InteractionStamp stamp);

    // ---- The composition run

    // Matches the candidates (and the fixed windows) to the regions, places them, raises
    // them, verifies that they hold still and commits, or puts every touched window back to
    // the frame it had when the run began. `stamp` goes to each single placement;
    // `raiseOwner`, while it lives, names the picker window raised last; the run gives up when
    // `watched` is no longer current before every window has arrived, and commits as it stands
    // when it is no longer current later.
    Task<SequenceResult> runSequence(std::vector<CompositionCandidate<ManagedWindow>> candidates,
                                     RegionFrames regionFrames, GroupMover moveGroup, RegionWindows fixed,
                                     InteractionStamp stamp, std::weak_ptr<const CoordinatorHost> raiseOwner,
                                     InteractionStamp watched);

    // The group mover the coordinator hands to runSequence: the group move (tolerance 1, no
    // callback) under the stamp's generation, then the windows read back within 1 pixel of
    // their targets.
    GroupMover compositionGroupMover(InteractionStamp stamp);

    // Activates each window's application unless it is frontmost, then raises the window, in
    // ascending region number; the picker window, when it is one of them, once more last.
    void activateOwners(const RegionWindows& windows, const std::optional<ManagedWindow>& pickerWindow);

private:
    enum class Report { none, drift, handler };
    struct Variant {
        std::vector<ManagedWindow> front;
        double tolerance = kSameFrameTolerance; // the moves' and the checks'
        Report report = Report::none;
        MismatchHandler onMismatch;
        std::shared_ptr<ColumnSplitRecord> record; // set: moves record refusals
        bool guardFirstMove = false;                // the first one-by-one move stops with the stamp
    };

    // The front windows, tolerance and report of a kind of placement.
    static Variant variantOf(const PlacementKind& kind, const PlacementItems& targets);
    // States windows left for a transaction, put back by its roll-back.
    using LeftStates = std::unordered_map<ManagedWindow, WindowStates>;
    // A transaction's start: the frames to roll back to, the moves, the windows' grids, the
    // states they left and those they kept; unreadable when a window could not be read or kept
    // a state.
    struct Prepared {
        PlacementItems restoreList;
        PlacementItems moves;
        std::vector<Size> grids;
        LeftStates left;
        LeftStates kept;
        bool unreadable = false;
    };
    Task<Prepared> prepare(const PlacementItems& targets, const RestoreMap& restore);
    // One transaction's arguments and start (WindowPlacement.cpp). The steps below take it
    // from the transaction's own frame, which outlives them.
    struct Transaction;
    // The transaction's steps in order: prepare, move, watch; its outcome.
    Task<PlacementOutcome> run(Transaction& t, const PlacementMover& mover);
    // The moves: nothing when the checks come next, else the transaction's outcome (rolled
    // back as far as it got).
    Task<std::optional<PlacementOutcome>> moveTargets(Transaction& t, const PlacementMover& mover);
    Task<std::optional<PlacementOutcome>> moveOneByOne(Transaction& t);
    // One window's move to its target (guarded when the variant asks it of the first one).
    Task<bool> moveOne(const Transaction& t, const PlacementItem& move, bool first);
    // The front windows raised, then watched until still or handed over (committed), or
    // rolled back.
    Task<PlacementOutcome> watch(Transaction& t);
    // The targets' windows found off target in one check, each reported as the variant asks.
    std::vector<ManagedWindow> offTarget(const Transaction& t);
    // Moves a window found off target to its target once more.
    Task<bool> correct(const Transaction& t, ManagedWindow window);
    // Puts back the first `moved` targets and the windows the caller asked to have restored.
    Task<PlacementOutcome> rollBackFrom(const Transaction& t, std::size_t moved);
    Task<PlacementOutcome> rollBack(PlacementItems list, const Variant& variant, LeftStates left = {});
    // After a roll-back while the window manager held the writes: waits (bounded) until it has
    // applied them, then puts back each window that landed elsewhere; false when it could not.
    Task<bool> restoreAfterHeldWrites(const PlacementItems& list, const Variant& variant, const LeftStates& left);
    RejectionHandler rejectionFor(const Variant& variant, const ManagedWindow& window, const Rect& requested) const;
    // Activates the window's application unless it is frontmost, then raises the window.
    void raiseWindow(const ManagedWindow& window);

    WindowAccess& access_;
};

} // namespace fw
