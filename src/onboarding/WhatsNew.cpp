// The release notes table, the rows to show after an update, and the notes as text lines.
#include "onboarding/WhatsNew.h"

#include "onboarding/UpdateCheck.h"
#include "onboarding/WelcomeVideo.h"

namespace fw {

namespace {

// Newest first; the window lists the chosen rows in this order.
const std::vector<WhatsNew::Entry> notesTable{
    {u"1.18.1"_qs,
     {u"Getting Started has a short video: Watch the Video in the tray menu’s Getting Started. It also explains "
      "the window previews."_qs}},
    {u"1.18"_qs,
     {u"Stack badges stand on the window’s left edge, between windows, just below the title bar, so they "
      "cover almost nothing. Turning off Window Stacks → Badges on Window Edge puts them in the title bar."_qs}},
    {u"1.17.9"_qs, {u"Switching layouts keeps your stacks together: the whole stack moves with its front window."_qs}},
    {u"1.17.8"_qs, {u"Bring Both Forward lines up with the windows beside it in the switcher."_qs}},
    {u"1.17.7"_qs,
     {u"While a video plays, Shuffle slides the real window instead of taking snapshots, so the video keeps "
      "playing through the switch."_qs}},
    {u"1.17.6"_qs,
     {u"Shuffle plays as 3D cards: the chosen window slides out from the deck and lands on top while the other "
      "sinks back. Stack badges no longer blink when you click."_qs}},
    {u"1.17.5"_qs,
     {u"The window stack map stays compact over stacked regions, and Place All Badges Automatically resets "
      "every moved badge at once."_qs}},
    {u"1.17.4"_qs,
     {u"Lighter on your computer: less work while you switch and move windows, and less memory after transitions."_qs}},
    {u"1.17.3"_qs,
     {u"On a spanning window, the badge groups the windows in the regions under it; the button between them "
      "brings them all forward together."_qs}},
    {u"1.17.2"_qs,
     {u"After a peek, choosing a window in the switcher transitions from everything that was in front: "
      "bringing a spanning window forward over two columns now animates both."_qs}},
    {u"1.17.1"_qs,
     {u"Bring Both Forward plays its transition in every column, each toward the window coming up there, "
      "instead of mostly on the left."_qs}},
    {u"1.17"_qs,
     {u"Over a span, the stack switcher is a map: the spanning windows across the top, each region’s windows "
      "below in their own box, placed like the regions."_qs,
      u"Hover over a card to peek at that window; click to switch, with the transition."_qs,
      u"Bring Both Forward, at the end of the regions' row, brings the windows under a span forward together; "
      "Stretch across (↔ on a card) spans a window over the same regions."_qs}},
    {u"1.16.1"_qs,
     {u"The layout picker shows the app in each region: the windows there now, and the apps your own layouts "
      "place. Its heading is simply \"Drag into a region.\""_qs}},
    {u"1.16"_qs,
     {u"Stack badges place themselves out of the way, in a spot that is clear in every window of the stack. "
      "Window Stacks → Place Badges Automatically turns it off."_qs,
      u"The layout picker at the top of the screen is translucent where a compositor runs, with softer cards "
      "and regions."_qs}},
    {u"1.15"_qs,
     {u"The Resize together hint is translucent where a compositor runs and slides along a shared edge with "
      "the pointer."_qs,
      u"In a span’s stack switcher, Move (app) Behind sits on the span’s row at the top and says what it does. "
      "The shortcut is now called Move Spanning Window Behind (Ctrl+Alt+B)."_qs}},
    {u"1.14.4"_qs,
     {u"A badge you move stays put for the whole stack: whichever of its windows is in front shows it in the "
      "same place, across restarts. Badges moved in earlier versions start back in their default spot."_qs}},
    {u"1.14.3"_qs,
     {u"A badge you’ve moved grows and takes clicks wherever you put it, even far from the window’s title "
      "bar or across a spanned window."_qs}},
    {u"1.14.2"_qs,
     {u"While you record or share your screen, the stack switcher and badges stay put under the pointer "
      "instead of disappearing."_qs}},
    {u"1.14.1"_qs,
     {u"Move a stack’s badge if it covers something: drag it by its handle anywhere in the window. Each window "
      "keeps its spot, and the app’s other windows start there. Right-click to put it back."_qs,
      u"Badges list only the windows in their own spot; over a span they no longer include the other regions' "
      "windows."_qs}},
    {u"1.14"_qs,
     {u"A tour of what Framewell can do (Getting Started → Take the Tour), these notes after each update, and "
      "one-time tips the first time you meet a feature."_qs,
      u"Simpler dragging: an empty region takes a window anywhere inside it, and the drop menu’s tiles are the "
      "one place to split, rejoin or swap."_qs}},
    {u"1.13"_qs,
     {u"Stack badges: a small strip under a stacked window’s title bar shows the apps behind it. Come "
      "closer and click one to bring it forward."_qs,
      u"Windows opened from the tray menu always come to the front, and the menu stays smooth while you move "
      "through it."_qs}},
    {u"1.12"_qs,
     {u"Switch between your layouts with Ctrl+Alt+1–9, the Switch Layout menu, or the Layouts row in the stack "
      "switcher. (Layers are gone; layouts with apps do the job better.)"_qs,
      u"Layouts show their apps on the diagrams and in their descriptions."_qs,
      u"Mouse buttons as shortcuts: give any action the middle or a side button."_qs,
      u"With the stack switcher open, the scroll wheel flips through the stack."_qs}},
    {u"1.11"_qs,
     {u"Apps in your layouts: pick the apps for each region, or stack several. Applying the layout opens and "
      "places them."_qs,
      u"Edit and delete your layouts from Choose a Layout or the Layout Gallery."_qs}},
    {u"1.10"_qs,
     {u"The drop menu: drag onto a placed window and pick from big tiles — add to the stack, take a half, "
      "rejoin a split, or swap."_qs,
      u"Left and right halves, and rejoining a split whichever way it went."_qs,
      u"Moves are snappier: a drop’s windows move together, and slow apps jump instead of stuttering."_qs}},
    {u"1.9"_qs,
     {u"Fill a whole column by pushing a window against the top edge over it."_qs,
      u"Check for Updates… in the tray menu, only when you choose it."_qs}},
};

} // namespace

const std::vector<WhatsNew::Entry>& WhatsNew::releaseNotes()
{
    // A build without a video has no "Watch the Video" to press: its note says what is there.
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t = notesTable;
        if (welcomeVideoURL().isEmpty())
            t.front().notes = {u"Getting Started explains the window previews."_qs};
        return t;
    }();
    return table;
}

std::vector<WhatsNew::Entry> WhatsNew::entries(const QString& lastSeen, const QString& installed)
{
    std::vector<Entry> out;
    for (const Entry& e : releaseNotes())
        if (UpdateCheck::isNewer(e.version, lastSeen) && !UpdateCheck::isNewer(e.version, installed))
            out.push_back(e);
    return out;
}

std::vector<WhatsNew::Entry> WhatsNew::entriesForLaunch(UserDefaults& defaults, const QString& installed,
                                                        bool veryFirstLaunch)
{
    const auto stored = defaults.value(lastSeenKey);
    QString lastSeen = veryFirstLaunch ? installed : assumedLastSeen;
    if (stored && stored->isString())
        lastSeen = stored->toString();
    defaults.setValue(lastSeenKey, installed);
    if (veryFirstLaunch)
        return {};
    return entries(lastSeen, installed);
}

std::vector<WhatsNew::Line> WhatsNew::notesLines(const std::vector<Entry>& entries)
{
    std::vector<Line> out;
    for (const Entry& e : entries) {
        if (!out.empty())
            out.push_back({Line::Kind::blank, {}});
        out.push_back({Line::Kind::heading, QStringLiteral("Version ") + e.version});
        for (const QString& note : e.notes)
            out.push_back({Line::Kind::bullet, note});
    }
    return out;
}

} // namespace fw
