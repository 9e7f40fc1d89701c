#pragma once
// The coordinator's sinks, which the application shell installs once launching has finished:
// one user-visible notice, a one-time tip, opening the custom layout editor, and whether a
// picker, chooser or editor of the coordinator is on screen. Until then every sink is absent
// and the coordinator skips it.

#include "layout/SnapLayout.h"

#include <QString>
#include <functional>

namespace fw {

// The one-time tips.
enum class Tip { badge, dropMenu, switcher, span, ownLayouts };

struct SnapSinks {
    std::function<void(const QString&)> report;
    std::function<void(Tip)> tip;
    // The display key of the display to create a layout for.
    std::function<void(const QString&)> onCreateCustomLayout;
    std::function<void(const QString&, const SnapLayout&)> onEditCustomLayout;
    std::function<void(bool)> presentationChanged;

    // Each calls its sink when installed (a copy, so the sink may replace itself).
    void sendReport(const QString& text) const { call(report, text); }
    void sendTip(Tip t) const { call(tip, t); }
    void sendPresentationChanged(bool shown) const { call(presentationChanged, shown); }
    void sendCreateCustomLayout(const QString& display) const { call(onCreateCustomLayout, display); }
    void sendEditCustomLayout(const QString& display, const SnapLayout& layout) const
    {
        call(onEditCustomLayout, display, layout);
    }

private:
    template<typename F, typename... A>
    static void call(const F& sink, const A&... args)
    {
        if (!sink)
            return;
        auto fn = sink;
        fn(args...);
    }
};

} // namespace fw
