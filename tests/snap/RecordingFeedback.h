#pragma once
// The coordinator's feedback for tests: records each call as one line of text, in order, and
// keeps the callbacks it was given so a test can play the user's part. The picker is laid out
// with the overlay's own PickerGeometry, so hovering a point selects what the view would.

#include "layout/ScreenGeometry.h"
#include "snap/PickerGeometry.h"
#include "snap/SnapFeedback.h"
#include "snap/WindowStackController.h"

#include <QStringList>
#include <algorithm>

namespace fw::snaptest {

class RecordingFeedback final : public SnapFeedback {
public:
    mutable QStringList calls;
    std::function<void()> onCancel;
    bool overPanel = false; // what containsPoint reports
    // The shown picker: what was asked for, its geometry and panel, and the selection it was
    // handed to draw (the coordinator's session holds the selection itself).
    std::optional<PickerPresentation> picker;
    PickerGeometry pickerGeometry;
    Rect pickerPanel;
    std::optional<SnapSelection> selected;
    std::function<void(RegionNumber, const ManagedWindow&)> assistChoose;
    std::function<void(RegionNumber)> assistSkip;
    std::function<void(const ManagedWindow&)> chooserChoose;
    std::function<void()> chooserCancel;
    std::function<void(const DividerPath&)> editorEqualize;
    std::function<void(const DividerPath&, double, bool)> editorChange;
    // The last drop target and tile menu shown.
    std::optional<DropTargetLook> dropTarget;
    std::optional<DropActionMenu> shownMenu;

    // The calls named `name` ("hideAll", "showPreview", …).
    int count(const QString& name) const
    {
        int n = 0;
        for (const QString& c : calls)
            n += c == name || c.startsWith(name + u' ') ? 1 : 0;
        return n;
    }

    void setOnCancel(std::function<void()> cancel) override
    {
        onCancel = std::move(cancel);
        calls << u"setOnCancel"_qs;
    }
    bool containsPoint(Point) const override { return overPanel; }
    bool tookPress(std::uint32_t) const override { return false; }
    bool openedAfter(std::uint32_t) const override { return false; }
    void setDraggedWindow(const std::optional<ManagedWindow>& w) override
    {
        calls << u"setDraggedWindow %1"_qs.arg(w ? QString::number(w->element) : u"none"_qs);
    }
    void showPicker(PickerPresentation p) override
    {
        calls << u"showPicker %1 %2 %3%4"_qs.arg(p.screen.key)
                     .arg(p.layouts.size())
                     .arg(p.wholeComposition ? u"composition"_qs : u"regions"_qs)
                     .arg(p.dragging ? u" dragging"_qs : QString());
        const Rect visible = topLeftVisibleFrame(p.screen);
        pickerGeometry = PickerGeometry::make(p.layouts, p.wholeComposition, pickerWidth(visible));
        pickerPanel = pickerFrame(visible, pickerGeometry.width, pickerGeometry.height);
        picker = std::move(p);
        selected.reset();
    }
    void setPickerSelection(const std::optional<SnapSelection>& s) override
    {
        if (picker)
            selected = s;
    }
    std::optional<PickerHitArea> pickerHitArea() const override
    {
        calls << u"pickerHitArea"_qs;
        if (!picker)
            return std::nullopt;
        return PickerHitArea{pickerGeometry, pickerPanel, Point{pickerPanel.minX(), pickerPanel.minY()}, 1};
    }
    // The global centre of a region button of the shown picker (of the layout button in
    // composition mode).
    Point pickerPoint(int layoutIndex, RegionNumber region = 0) const
    {
        const PickerCard& card = pickerGeometry.cards.at(std::size_t(layoutIndex));
        const Rect r = card.button ? *card.button : card.regions.at(region);
        return Point{pickerPanel.minX() + r.midX(), pickerPanel.minY() + r.midY()};
    }
    void hidePicker() override
    {
        calls << u"hidePicker"_qs;
        picker.reset();
        selected.reset();
    }
    void showPreview(const std::optional<Rect>& frame) override
    {
        calls << u"showPreview %1"_qs.arg(frame ? toString(*frame) : u"none"_qs);
    }
    void showCompositionPreviews(const std::vector<Rect>& frames) override
    {
        calls << u"showCompositionPreviews %1"_qs.arg(frames.size());
    }
    void showReturnPreview(bool armed, const ManagedWindow& w, const Rect& frame) override
    {
        calls << u"showReturnPreview %1 %2 %3"_qs.arg(armed).arg(w.element).arg(toString(frame));
    }
    void hideReturnPanels() override { calls << u"hideReturnPanels"_qs; }
    void showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows, const QString& title,
                           const std::optional<QString>&, std::function<void(const ManagedWindow&)> choose,
                           std::function<void()> cancel) override
    {
        chooserChoose = std::move(choose);
        chooserCancel = std::move(cancel);
        calls << u"showWindowChooser %1 %2 %3"_qs.arg(on.key).arg(windows.size()).arg(title);
    }
    void showRegionAssist(const std::map<RegionNumber, Rect>& regions, const std::vector<ManagedWindow>& windows,
                          const Thumbnails&, std::function<void(RegionNumber, const ManagedWindow&)> choose,
                          std::function<void(RegionNumber)> skip) override
    {
        assistChoose = std::move(choose);
        assistSkip = std::move(skip);
        calls << u"showRegionAssist %1 %2"_qs.arg(regions.size()).arg(windows.size());
    }
    void updateAssistThumbnail(const Thumbnail&, const ManagedWindow& w) override
    {
        calls << u"updateAssistThumbnail %1"_qs.arg(w.element);
    }
    void disableAssistControls() override { calls << u"disableAssistControls"_qs; }
    void hideAssistPanels() override { calls << u"hideAssistPanels"_qs; }
    void showDividerEditor(const ScreenInfo& on, const SnapLayout& layout, std::function<void(const DividerPath&)> eq,
                           std::function<void(const DividerPath&, double, bool)> change) override
    {
        editorEqualize = std::move(eq);
        editorChange = std::move(change);
        calls << u"showDividerEditor %1 %2"_qs.arg(on.key, layout.id);
    }
    void updateDividerEditor(const SnapLayout& layout) override { calls << u"updateDividerEditor %1"_qs.arg(layout.id); }
    void showEdgeHint(const Rect& bar, const QString& heading, const QString& detail, const QString& symbol, Point at,
                      const ScreenInfo& on) override
    {
        calls << u"showEdgeHint %1 %2 %3 %4 %5 %6"_qs.arg(toString(bar), heading, detail, symbol, toString(at), on.key);
    }
    void moveResizeHint(Point to) override { calls << u"moveResizeHint %1"_qs.arg(toString(to)); }
    void hideResizeFeedback() override { calls << u"hideResizeFeedback"_qs; }
    void showResizeOutlines(const std::vector<Rect>& outlines, const QString& heading, const QString& detail,
                            const QString& symbol, Point at, const ScreenInfo& on) override
    {
        QStringList frames;
        for (const Rect& r : outlines)
            frames << toString(r);
        calls << u"showResizeOutlines [%1] %2 · %3 · %4 %5 %6"_qs.arg(frames.join(u"; "_qs), heading, detail, symbol,
                                                                        toString(at), on.key);
    }
    void showDropTarget(const DropTargetLook& look) override
    {
        dropTarget = look;
        calls << u"showDropTarget %1 %2 %3%4%5%6"_qs.arg(toString(look.frame), look.caption, look.symbol)
                     .arg(look.armed ? u" armed"_qs : QString())
                     .arg(look.showsCaption ? QString() : u" captionHidden"_qs)
                     .arg(look.swapSource ? u" swap "_qs + toString(*look.swapSource) : QString());
    }
    void showDropMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                      bool armed) override
    {
        shownMenu = menu;
        QString lit = u"none"_qs;
        for (const auto& item : menu.items)
            lit = highlighted && item.intent == *highlighted ? item.title : lit;
        calls << u"showDropMenu %1 %2%3"_qs.arg(menu.items.size()).arg(lit).arg(armed ? u" armed"_qs : QString());
    }
    void showSplitHint(const Rect& outline, const QString& heading, const QString& detail, const QString& symbol,
                       Point near, const ScreenInfo& on, const ManagedWindow& below) override
    {
        calls << u"showSplitHint %1 %2 / %3 %4 %5 %6 %7"_qs.arg(toString(outline), heading, detail, symbol,
                                                                 toString(near), on.key)
                     .arg(below.element);
    }
    void hideAll() override
    {
        calls << u"hideAll"_qs;
        picker.reset();
        selected.reset();
    }
};

// The stack controller for tests: counts what the coordinator asks of it and keeps the
// callbacks the coordinator installs; stacks can be declared by hand.
class RecordingStacks final : public WindowStackController {
public:
    int suspends = 0, refreshes = 0, pickerDismissals = 0, scanResets = 0;
    std::vector<WindowFramePairs> changes;
    std::vector<std::vector<ManagedWindow>> declaredStacks; // front first

    void noteMouseMoved(Point) override {}
    void suspend() override { ++suspends; }
    void scheduleRefresh() override { ++refreshes; }
    void dismissPickers() override { ++pickerDismissals; }
    bool menuOpen() const override { return false; }
    void noteWindowChanged(const WindowFramePairs& windows) override { changes.push_back(windows); }
    void resetScanState() override { ++scanResets; }
    bool monitoringEnabled() const override { return monitoring; }
    void setMonitoringEnabled(bool enabled) override { monitoring = enabled; }
    std::vector<ManagedWindow> stackMates(const ManagedWindow& w) const override
    {
        const auto* s = find(w);
        return s ? *s : std::vector<ManagedWindow>{w};
    }
    ManagedWindow stack(const ManagedWindow& w) const override
    {
        const auto* s = find(w);
        return s ? s->front() : w;
    }
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const override
    {
        const auto* s = find(a);
        return a == b || (s && std::find(s->begin(), s->end(), b) != s->end());
    }
    // How many of the callback slots are filled.
    int installedCallbacks() const
    {
        const auto& c = callbacks;
        return bool(c.canRefresh) + bool(c.onChoose) + bool(c.onSnapshot) + bool(c.spanProvider)
            + bool(c.layoutSummary) + bool(c.tip) + bool(c.switchLayout) + bool(c.stretch);
    }

    bool monitoring = true;

private:
    const std::vector<ManagedWindow>* find(const ManagedWindow& w) const
    {
        for (const auto& s : declaredStacks) {
            if (std::find(s.begin(), s.end(), w) != s.end())
                return &s;
        }
        return nullptr;
    }
};

} // namespace fw::snaptest
