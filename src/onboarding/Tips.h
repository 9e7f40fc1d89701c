#pragma once
// One-time tips: the first time the user meets a feature, one sentence explains it in the
// transient notice. Each tip is handed out once per user; the record of the tips shown is the
// user default "tipsShown.v1", an array of raw values kept sorted, without repeats. Values
// that name no tip survive a rewrite unchanged. Main thread only.
//
//   TipPresenter tips(defaults);
//   tips.paused = [&] { return paused; };
//   tips.showNotice = [&](const QString& text, double seconds) { toast.show(text, seconds); };
//   coordinator.sinks().tip = [&](Tip t) { tips.showTip(t); };

#include "base/UserDefaults.h"
#include "snap/ShortcutLabels.h"
#include "snap/SnapSinks.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace fw {

inline constexpr std::array<Tip, 5> allTips{Tip::badge, Tip::dropMenu, Tip::switcher, Tip::span, Tip::ownLayouts};

inline const QString tipsShownKey = QStringLiteral("tipsShown.v1");

// The raw value is the case's name ("dropMenu"); only those five texts make a tip.
QString rawValue(Tip tip);
std::optional<Tip> tipFromRawValue(const QString& raw);
// The sentence of the tip; the badge's names where badges stand (on the window's edge or in
// its title bar). It names the keys `shortcuts` has working (the installed ones when null) and
// leaves out a key that does not work.
QString tipText(Tip tip, bool badgesOnEdge = true, const CommandShortcuts* shortcuts = nullptr);

// The tip's text the first time it is asked for (recording it), nothing every later time.
// A missing or malformed record counts as empty and is replaced by a well-formed one.
std::optional<QString> textIfUnseen(Tip tip, UserDefaults& defaults, bool badgesOnEdge = true,
                                    const CommandShortcuts* shortcuts = nullptr);

// The shell's tip sink: unless paused, shows an unseen tip as "Tip · " and its text for 7 s.
// While paused nothing is shown or recorded, so the tip stays available.
class TipPresenter {
public:
    static constexpr double noticeSeconds = 7.0;

    explicit TipPresenter(UserDefaults& defaults) : defaults_(defaults) {}

    std::function<bool()> paused;                                     // not paused while unset
    std::function<bool()> badgesOnEdge;                               // on the edge while unset
    std::function<void(const QString& text, double seconds)> showNotice;

    void showTip(Tip tip);
    // "Tip · " followed by the text.
    static QString notice(const QString& text);

private:
    UserDefaults& defaults_;
};

} // namespace fw
