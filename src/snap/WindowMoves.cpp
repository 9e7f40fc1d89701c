// The coordinator's thin layer over window access's animated moves: group moves, keeping
// the first refusal, and the size text of notices.
#include "snap/WindowMoves.h"

#include "windows/WindowAccess.h"

#include <cmath>

namespace fw {

Task<bool> moveGroup(WindowAccess& access, std::vector<std::pair<ManagedWindow, Rect>> moves,
                     std::shared_ptr<RejectionBox> box, InteractionStamp stamp)
{
    if (!stamp.host())
        co_return false;
    auto keepFirst = [box](const ManagedWindow& w, std::optional<Rect> actual, const Rect& requested) {
        recordFirstTarget(w, actual, *box, requested);
    };
    const bool moved = co_await access.animateGroup(std::move(moves), keepFirst, stamp, kSameFrameTolerance);
    co_return moved;
}

PlacementMover togetherMover(WindowAccess& access, std::shared_ptr<RejectionBox> box, InteractionStamp stamp)
{
    return [&access, box = std::move(box), stamp = std::move(stamp)](PlacementItems items) {
        std::vector<std::pair<ManagedWindow, Rect>> pairs;
        for (const auto& item : items)
            pairs.emplace_back(item.window, item.frame);
        return moveGroup(access, std::move(pairs), box, stamp);
    };
}

void recordLatestTarget(WindowAccess& access, const ManagedWindow& window, std::optional<Rect> actual,
                        ColumnSplitRecord& record, const Rect& requested)
{
    record.lastMismatch = ColumnSplitRecord::Mismatch{window, actual, requested};
    access.checkDrift(window, requested, actual);
}

QString sizeText(const Rect& frame)
{
    return u"%1 × %2"_qs.arg(qint64(std::trunc(frame.width()))).arg(qint64(std::trunc(frame.height())));
}

} // namespace fw
