// The stack map's plan: the region boxes laid out in rows like the regions on the display, and
// the texts of a window set; pure arithmetic, so that the view only draws.
#include "stacks/StackMapPlan.h"

#include "snap/ShortcutLabels.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace fw {

namespace {

constexpr double kColumnStep = kMapCardWidth + kMapCardGap;   // 140
constexpr double kRowStep = kMapCardHeight + kMapCardGap;     // 112
constexpr double kTitleLine = 24;
constexpr double kBoxBottom = 10;
constexpr double kSetColumn = 160;
constexpr double kSetHeight = 116;
constexpr double kMinBoxWidth = 152;
constexpr double kRowSlack = 6;

// Rows r0…r1 with the gaps between them.
double spanHeight(const std::vector<double>& rows, int r0, int r1)
{
    double h = (r1 - r0) * kMapCardGap;
    for (int r = r0; r <= r1; ++r)
        h += rows[std::size_t(r)];
    return h;
}

// The highest row-line index whose value is at most `y` (0 when none is).
int rowAt(const std::vector<double>& lines, double y)
{
    int found = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] <= y)
            found = int(i);
    }
    return found;
}

// The distinct tops of the items' frames, top to bottom: tops closer than the slack share a line.
std::vector<double> rowLines(const std::vector<StackMapPlan::RegionItem>& items)
{
    std::vector<double> minYs;
    for (const auto& item : items)
        minYs.push_back(item.frame.minY());
    std::sort(minYs.begin(), minYs.end());
    std::vector<double> lines;
    for (double y : minYs) {
        if (std::all_of(lines.begin(), lines.end(), [y](double kept) { return std::abs(y - kept) >= kRowSlack; }))
            lines.push_back(y);
    }
    return lines;
}

// Left to right, each box moves right of every box before it that shares some of its height.
void pushApart(std::vector<Rect>& boxes)
{
    std::vector<std::size_t> byX(boxes.size());
    std::iota(byX.begin(), byX.end(), 0);
    std::stable_sort(byX.begin(), byX.end(), [&](std::size_t a, std::size_t b) { return boxes[a].minX() < boxes[b].minX(); });
    for (std::size_t k = 0; k < byX.size(); ++k) {
        Rect& box = boxes[byX[k]];
        double pushed = box.minX();
        for (std::size_t j = 0; j < k; ++j) {
            const Rect& left = boxes[byX[j]];
            if (left.minY() < box.maxY() && box.minY() < left.maxY())
                pushed = std::max(pushed, left.maxX() + kMapCardGap);
        }
        box.origin.x = pushed;
    }
}

} // namespace

int StackMapPlan::columns(double width)
{
    return std::max(int(std::trunc((width - 20 + kMapCardGap) / kColumnStep)), 1);
}

double StackMapPlan::boxHeight(int cards, double width)
{
    const int c = columns(width);
    const int r = std::max((cards + c - 1) / c, 1);
    return r * kMapCardHeight + kTitleLine + (r - 1) * kMapCardGap + kBoxBottom;
}

StackMapPlan::Boxes StackMapPlan::make(const std::vector<RegionItem>& items, const Rect& span, double minWidth,
                                       double maxWidth)
{
    Boxes out;
    out.boxes.assign(items.size(), std::nullopt);
    if (items.empty() || !(span.width() > 0))
        return out;
    double needed = 0;
    for (const RegionItem& item : items) {
        const int c = std::clamp(item.count, 1, 3);
        needed = std::max(needed, span.width() * ((c - 1) * kMapCardGap + c * kMapCardWidth + 20 + kMapCardGap)
                                      / std::max(item.frame.width(), 1.0));
    }
    const double m = std::clamp(needed, minWidth, maxWidth);

    const std::vector<double> lines = rowLines(items);

    struct Placed {
        double x, w, need;
        int r0, r1;
    };
    std::vector<Placed> placed;
    for (const RegionItem& item : items) {
        const double x = m * (item.frame.minX() - span.minX()) / span.width();
        const double w = std::max(m * (item.frame.maxX() - span.minX()) / span.width() - x - kMapCardGap, kMinBoxWidth);
        const int r0 = rowAt(lines, item.frame.minY() + kRowSlack);
        const int r1 = std::max(rowAt(lines, item.frame.maxY() - kRowSlack), r0);
        placed.push_back({x + 4, w, boxHeight(item.count, w), r0, r1});
    }

    std::vector<double> rows(lines.size(), 0.0);
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return placed[a].r1 - placed[a].r0 < placed[b].r1 - placed[b].r0;
    });
    for (std::size_t i : order) {
        const Placed& p = placed[i];
        const double available = spanHeight(rows, p.r0, p.r1);
        if (available < p.need)
            rows[std::size_t(p.r1)] += p.need - available;
    }

    std::vector<Rect> boxes;
    for (const Placed& p : placed) {
        const double y = (p.r0 > 0 ? spanHeight(rows, 0, p.r0 - 1) : 0) + p.r0 * kMapCardGap;
        double h = spanHeight(rows, p.r0, p.r1);
        if (p.r1 > p.r0)
            h = std::min(h, std::max(rows[std::size_t(p.r0)], p.need));
        boxes.emplace_back(p.x, y, p.w, h);
    }
    pushApart(boxes);

    out.width = m;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        out.boxes[std::size_t(items[i].index)] = boxes[i];
        out.width = std::max(out.width, boxes[i].maxX() + 4);
    }
    out.height = rows.empty() ? 0 : spanHeight(rows, 0, int(rows.size()) - 1);
    return out;
}

StackMapPlan::StackMapPlan(const std::vector<WindowStackSection>& sections, bool withSetButton)
{
    if (sections.empty())
        return;
    const WindowStackSection& spanSection = sections.front();
    const Rect span = spanSection.frame.value_or(Rect());
    std::vector<RegionItem> items;
    std::vector<std::size_t> regionSections;
    for (std::size_t i = 1; i < sections.size(); ++i) {
        if (!sections[i].frame)
            continue;
        items.push_back({int(regionSections.size()), *sections[i].frame, int(sections[i].members.size())});
        regionSections.push_back(i);
    }
    const Boxes map = make(items, span, 480, 1100);
    const double g = withSetButton && !items.empty() ? kSetColumn : 0;
    width = std::max(400.0, map.width + g);

    Rect spanBox;
    double y0 = 0;
    const bool inColumn = g > 0 && spanSection.members.size() == 1
                          && boxHeight(1, g - 8) + 8 + kSetHeight <= map.height;
    if (inColumn) {
        spanBox = Rect(width - g + 4, 0, g - 8, boxHeight(1, g - 8));
    } else {
        spanBox = Rect(4, 0, width - 8, boxHeight(int(spanSection.members.size()), width - 8));
        y0 = spanBox.maxY() + 8;
    }
    sectionBoxes.push_back({spanSection, spanBox});
    for (std::size_t k = 0; k < regionSections.size(); ++k) {
        if (map.boxes[k])
            sectionBoxes.push_back({sections[regionSections[k]], map.boxes[k]->offsetBy(0, y0)});
    }
    if (g > 0)
        setBox = Rect(width - g + 4, inColumn ? spanBox.maxY() + 8 : y0 + 18, g - 8, kSetHeight);
    height = map.height + y0;
    for (std::size_t i = 1; i < sections.size(); ++i) {
        if (sections[i].frame)
            continue;
        const Rect box(4, height + 8, width - 8, boxHeight(int(sections[i].members.size()), width - 8));
        sectionBoxes.push_back({sections[i], box});
        height = box.maxY();
        break;
    }
}

std::vector<Rect> StackMapPlan::cardFrames(const Rect& box, int count)
{
    const int c = std::min(columns(box.width()), std::max(count, 1));
    const double spare = (box.width() - (c * kMapCardWidth + (c - 1) * kMapCardGap)) / 2;
    const double x0 = box.minX() + std::round(spare);   // halves away from zero
    std::vector<Rect> out;
    for (int j = 0; j < count; ++j)
        out.emplace_back(x0 + (j % c) * kColumnStep, box.minY() + kTitleLine + (j / c) * kRowStep, kMapCardWidth,
                         kMapCardHeight);
    return out;
}

Rect StackMapPlan::titleFrame(const Rect& box) { return Rect(box.minX() + 10, box.minY() + 5, box.width() - 20, 16); }

std::optional<QString> StackMapPlan::stretchText(std::size_t partIndex, const QString& title)
{
    if (partIndex == 0)
        return std::nullopt;
    if (title.toLower().startsWith(u"across"_qs) && !title.isEmpty())
        return u"Stretch "_qs + title.left(1).toLower() + title.mid(1);
    return u"Stretch across"_qs;
}

WindowSetTexts WindowSetTexts::make(const QStringList& occupants, const QStringList& spanApps)
{
    WindowSetTexts t;
    const qsizetype n = occupants.size();
    t.heading = n == 1 ? u"Bring Forward"_qs
              : n == 2 ? u"Bring Both Forward"_qs
                       : u"Bring All "_qs + QString::number(n) + u" Forward"_qs;
    t.detail = occupants.join(u" + "_qs);
    const QString names = occupants.join(u" and "_qs);
    // The key is named only while it works.
    const QString key = shortcutLabel(nullptr, kSendToBackCommand);
    t.toolTip = u"Bring "_qs + names + u" forward together, over "_qs + spanApps.join(u" and "_qs)
                + u". Press B here"_qs + (key.isEmpty() ? QString() : u", or "_qs + key + u" anywhere"_qs) + u'.';
    t.accessibilityLabel = u"Bring "_qs + names + u" forward together"_qs;
    return t;
}

Rect unitRectIn(const Rect& f, const Rect& span)
{
    const double w = span.width() > 0 ? span.width() : 1, h = span.height() > 0 ? span.height() : 1;
    return Rect((f.minX() - span.minX()) / w, (f.minY() - span.minY()) / h, f.width() / w, f.height() / h);
}

} // namespace fw
