// The picker's keys: the selection each moves to among the cards, and the choice Return takes.
#include "snap/PickerKeys.h"

#include <algorithm>

namespace fw {

namespace {

// The region a card is entered at: 0 in composition mode, else the layout's lowest number.
RegionNumber firstRegion(const std::vector<SnapLayout>& layouts, bool wholeComposition, int index)
{
    if (wholeComposition || index < 0 || std::size_t(index) >= layouts.size())
        return 0;
    const auto regions = layouts[std::size_t(index)].tree.regionNumbers();
    return regions.empty() ? 0 : *std::min_element(regions.begin(), regions.end());
}

SnapSelection regionStep(const std::vector<SnapLayout>& layouts, const SnapSelection& current, int delta)
{
    const int index = std::clamp(current.layoutIndex, 0, int(layouts.size()) - 1);
    auto regions = layouts[std::size_t(index)].tree.regionNumbers();
    std::sort(regions.begin(), regions.end());
    regions.erase(std::unique(regions.begin(), regions.end()), regions.end());
    const int m = int(regions.size());
    const auto at = std::find(regions.begin(), regions.end(), current.region);
    if (at == regions.end())
        return {index, delta > 0 ? regions.front() : regions.back()};
    return {index, regions[std::size_t(((int(at - regions.begin()) + delta) % m + m) % m)]};
}

} // namespace

std::optional<SnapSelection> pickerKeySelection(const std::vector<SnapLayout>& layouts, bool wholeComposition,
                                                const std::optional<SnapSelection>& current, PickerKey key)
{
    const int n = int(layouts.size());
    if (n == 0)
        return std::nullopt;
    const SnapSelection from = current.value_or(SnapSelection{0, firstRegion(layouts, wholeComposition, 0)});
    auto card = [&](int index) { return SnapSelection{index, firstRegion(layouts, wholeComposition, index)}; };
    auto cycle = [&](int delta) { return card(((from.layoutIndex + delta) % n + n) % n); };
    switch (key.kind) {
    case PickerKey::previousLayout: return cycle(-1);
    case PickerKey::nextLayout: return cycle(+1);
    case PickerKey::previousRegion:
    case PickerKey::nextRegion: {
        const int delta = key.kind == PickerKey::nextRegion ? 1 : -1;
        return wholeComposition ? cycle(delta) : regionStep(layouts, from, delta);
    }
    case PickerKey::card:
        if (key.index < 0 || key.index >= n)
            return std::nullopt;
        return card(key.index);
    case PickerKey::choose: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<SnapSelection> pickerKeyChoice(const std::vector<SnapLayout>& layouts, bool wholeComposition,
                                             const std::optional<SnapSelection>& current)
{
    if (layouts.empty())
        return std::nullopt;
    return current.value_or(SnapSelection{0, firstRegion(layouts, wholeComposition, 0)});
}

} // namespace fw
