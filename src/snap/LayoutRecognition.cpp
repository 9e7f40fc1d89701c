// Recognising a display's layout and its spanning windows from the windows' frames.
#include "snap/LayoutRecognition.h"

#include "windows/FrameMatch.h"

namespace fw {

namespace {

struct Candidate {
    const SnapLayout* layout;
    std::map<RegionNumber, std::vector<ManagedWindow>> members;
};

std::map<RegionNumber, std::vector<ManagedWindow>> membersOf(const SnapLayout& layout, const WindowSnapshot& windows,
                                                             const Rect& displayFrame)
{
    std::map<RegionNumber, std::vector<ManagedWindow>> members;
    std::vector<bool> used(windows.size(), false);
    for (const auto& [region, frame] : layout.tree.frames(displayFrame, kLayoutGap)) {
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (used[i] || !sitsIn(windows[i].frame, frame, windows[i].grid, kSameFrameTolerance))
                continue;
            used[i] = true;
            members[region].push_back(windows[i].window);
        }
    }
    return members;
}

} // namespace

std::optional<RecoveredLayout<ManagedWindow>> recognizeLayout(const std::vector<SnapLayout>& candidates,
                                                              const WindowSnapshot& windows,
                                                              const std::optional<SnapLayout>& preferred,
                                                              const Rect& displayFrame)
{
    std::vector<Candidate> kept;
    std::size_t best = 0;
    for (const SnapLayout& layout : candidates) {
        if (!layout.tree.isValid())
            continue;
        auto members = membersOf(layout, windows, displayFrame);
        const std::size_t n = members.size();
        if (n >= 2 || (n >= 1 && preferred && *preferred == layout)) {
            best = std::max(best, n);
            kept.push_back({&layout, std::move(members)});
        }
    }
    std::vector<const Candidate*> tied;
    for (const Candidate& c : kept) {
        if (c.members.size() == best)
            tied.push_back(&c);
    }
    if (tied.empty())
        return std::nullopt;
    const auto result = [](const Candidate* c) {
        return RecoveredLayout<ManagedWindow>{*c->layout, c->members};
    };
    if (preferred) {
        for (const Candidate* c : tied) {
            if (*c->layout == *preferred)
                return result(c);
        }
    }
    for (const Candidate* c : tied) {
        if (!(c->layout->tree == tied.front()->layout->tree))
            return std::nullopt;
    }
    return result(tied.front());
}

SpanMap spanMembers(const WindowSnapshot& windows, const std::map<RegionNumber, Rect>& frames,
                    const std::unordered_set<ManagedWindow>& placed)
{
    SpanMap spans;
    for (const auto& [window, frame, grid] : windows) {
        if (placed.count(window))
            continue;
        std::set<RegionNumber> covered;
        for (const auto& [region, regionFrame] : frames) {
            if (regionFrame.intersects(frame))
                covered.insert(region);
        }
        if (covered.size() < 2)
            continue;
        const auto united = unionFrame(covered, frames);
        if (united && sitsIn(frame, *united, grid, kSameFrameTolerance))
            spans[window] = std::move(covered);
    }
    return spans;
}

std::optional<Rect> unionFrame(const std::set<RegionNumber>& regions, const std::map<RegionNumber, Rect>& frames)
{
    if (regions.empty())
        return std::nullopt;
    std::optional<Rect> out;
    for (RegionNumber r : regions) {
        auto it = frames.find(r);
        if (it == frames.end())
            return std::nullopt;
        out = out ? out->united(it->second) : it->second;
    }
    return out;
}

} // namespace fw
