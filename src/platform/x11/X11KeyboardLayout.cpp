// The keyboard layout as the hot keys see it: the server's XKB keymap and locked group read
// through xkbcommon (a group typing no Latin letters read as the keymap's first Latin group),
// stored key codes paired with this keyboard's keys, and what they type.
#include "platform/x11/X11KeyboardLayout.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"

// xcb's XKB header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <deque>
#include <utility>

namespace fw::x11 {

namespace {

// Dead keys type nothing by themselves; their label is the accent they put on the next letter.
constexpr std::pair<std::uint32_t, const char*> deadKeys[] = {
    {0xfe50, "`"}, {0xfe51, "´"}, {0xfe52, "^"}, {0xfe53, "~"}, {0xfe57, "¨"}, {0xfe5a, "ˇ"}, {0xfe5b, "¸"},
};

// A key a code may go to, and how far it is from the code's first choice.
struct Candidate {
    std::uint8_t key;
    int cost;
    bool types;   // the key types the code's character without Shift
};

int costOf(const std::vector<Candidate>& candidates, int key)
{
    for (const Candidate& c : candidates)
        if (c.key == key)
            return c.cost;
    return 0;
}

// Pairs codes (by index) with keys, one to one: code by code in order, along the cheapest chain
// of codes giving up their key for their next choice that ends at a free key. So as many codes
// as possible get a key, and among those pairings the codes' choices are the cheapest.
std::vector<int> pairCodes(const std::vector<std::vector<Candidate>>& candidates)
{
    constexpr int far = 1 << 20;
    const int n = int(candidates.size());
    std::vector<int> keyOf(std::size_t(n), -1), cost(std::size_t(n), 0);
    std::array<int, 256> owner;
    owner.fill(-1);
    for (int start = 0; start < n; ++start) {
        std::vector<int> dist(std::size_t(n), far), from(std::size_t(n), -1);
        dist[std::size_t(start)] = 0;
        std::deque<int> queue{start};
        int best = far, bestKey = -1, bestCode = -1;
        while (!queue.empty()) {
            const int u = queue.front();
            queue.pop_front();
            for (const Candidate& c : candidates[std::size_t(u)]) {
                const int d = dist[std::size_t(u)] + c.cost;
                const int w = owner[c.key];
                if (w < 0 && d < best) {
                    best = d, bestKey = c.key, bestCode = u;
                } else if (w >= 0 && w != u && d - cost[std::size_t(w)] < dist[std::size_t(w)]) {
                    dist[std::size_t(w)] = d - cost[std::size_t(w)];
                    from[std::size_t(w)] = u;
                    queue.push_back(w);
                }
            }
        }
        // Back along the chain: each code takes the key of the one it displaced.
        for (int u = bestCode, key = bestKey; u >= 0;) {
            const int given = keyOf[std::size_t(u)];
            keyOf[std::size_t(u)] = key;
            cost[std::size_t(u)] = costOf(candidates[std::size_t(u)], key);
            owner[std::size_t(key)] = u;
            if (u == start)
                break;
            key = given;
            u = from[std::size_t(u)];
        }
    }
    return keyOf;
}

} // namespace

void KeyboardLayout::Free::operator()(xkb_context* c) const { xkb_context_unref(c); }
void KeyboardLayout::Free::operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }

KeyboardLayout::KeyboardLayout(xcb_connection_t* c) : c_(c)
{
    std::uint8_t base = 0;
    if (xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &base, nullptr)) {
        device_ = xkb_x11_get_core_keyboard_device_id(c);
        context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    }
    if (device_ >= 0 && context_) {
        xkbEvent_ = base;
        // Only what moves characters between keys: a new keymap, changed symbols or types,
        // and a switch of the locked group (not every press of a modifier).
        const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
            | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        const std::uint16_t parts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
            | XCB_XKB_MAP_PART_MODIFIER_MAP;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = details.stateDetails = XCB_XKB_STATE_PART_GROUP_LOCK;
        xcb_xkb_select_events_aux(c, xcb_xkb_device_spec_t(device_), events, 0, 0, parts, parts, &details);
    }
    reload();
}

KeyboardLayout::~KeyboardLayout() = default;

bool KeyboardLayout::reload()
{
    read();
    pair();
    auto now = fingerprint();
    const bool moved = now != fingerprint_;
    fingerprint_ = std::move(now);
    return moved;
}

void KeyboardLayout::pair()
{
    paired_.clear();
    codeOfKey_.clear();
    const std::vector<std::uint32_t> codes = tableKeyCodes();
    // Keys at none of the ANSI places (the key beside the left Shift) come last: the codes would
    // rather name a key at a place than leave one of those without a name.
    std::array<bool, 256> atPlace{};
    for (std::uint32_t code : codes)
        if (const auto key = keyAtPlace(code))
            atPlace[*key] = true;
    std::vector<std::vector<Candidate>> candidates(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::uint32_t keysym = *keysymForKeyCode(codes[i]);
        auto add = [&](std::uint8_t key, int cost) {
            if (std::none_of(candidates[i].begin(), candidates[i].end(), [&](const Candidate& c) { return c.key == key; }))
                candidates[i].push_back({key, atPlace[key] ? cost : cost + 3, cost == 0});
        };
        for (std::uint8_t key : keysTyping(keysym, 0))
            add(key, 0);
        if (const auto key = keyAtPlace(codes[i]))
            add(*key, 1);
        for (std::uint8_t key : keysTyping(keysym, 1))
            add(key, 2);
    }
    const std::vector<int> keyOf = pairCodes(candidates);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (keyOf[i] < 0)
            continue;
        paired_[codes[i]] = {std::uint8_t(keyOf[i])};
        codeOfKey_[std::uint8_t(keyOf[i])] = codes[i];
    }
    // A second key typing a paired code's character that no code took comes along with it,
    // at an ANSI place or not (jp106 types a backslash on its Yen key and on the key beside
    // the right Shift).
    for (std::size_t i = 0; i < codes.size(); ++i)
        for (const Candidate& c : candidates[i])
            if (keyOf[i] >= 0 && c.types && codeOfKey_.emplace(c.key, codes[i]).second)
                paired_[codes[i]].push_back(c.key);
}

QLocale KeyboardLayout::locale() const
{
    // Read when asked: setxkbmap writes the names after the keymap it loads.
    static constexpr char name[] = "_XKB_RULES_NAMES";
    auto atom = FW_XCB_REPLY(c_, xcb_intern_atom, xcb_intern_atom(c_, 1, sizeof name - 1, name));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return QLocale();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    auto names = FW_XCB_REPLY(c_, xcb_get_property, xcb_get_property(c_, 0, root, atom->atom, XCB_ATOM_STRING, 0, 256));
    if (!names || names->format != 8)
        return QLocale();
    // Rules, model, layouts, variants and options, each ending in a zero byte.
    const QList<QByteArray> parts =
        QByteArray(static_cast<const char*>(xcb_get_property_value(names.p)), xcb_get_property_value_length(names.p))
            .split('\0');
    const QList<QByteArray> layouts = parts.size() > 2 ? parts[2].split(',') : QList<QByteArray>{};
    if (qsizetype(keysGroup_) >= layouts.size())
        return QLocale();
    const QLocale::Territory territory = QLocale::codeToTerritory(QString::fromLatin1(layouts[keysGroup_]).toUpper());
    return territory == QLocale::AnyTerritory ? QLocale() : QLocale(QLocale::AnyLanguage, territory);
}

std::vector<std::uint32_t> KeyboardLayout::fingerprint() const
{
    std::vector<std::uint32_t> f;
    const xcb_setup_t* setup = xcb_get_setup(c_);
    for (int key = setup->min_keycode; key <= setup->max_keycode; ++key)
        for (std::uint32_t level : {0u, 1u})
            f.push_back(keysymAt(std::uint8_t(key), level));
    for (std::uint32_t code = 0; keymap_ && code < 128; ++code)
        if (const char* position = keyPosition(code))
            f.push_back(xkb_keymap_key_by_name(keymap_.get(), position));
    return f;
}

void KeyboardLayout::read()
{
    keymap_.reset();
    group_ = keysGroup_ = 0;
    core_.clear();
    if (xkbEvent_) {
        keymap_.reset(xkb_x11_keymap_new_from_device(context_.get(), c_, device_, XKB_KEYMAP_COMPILE_NO_FLAGS));
        auto state = FW_XCB_REPLY(c_, xcb_xkb_get_state, xcb_xkb_get_state(c_, xcb_xkb_device_spec_t(device_)));
        if (state)
            group_ = state->lockedGroup;
        if (keymap_) {
            keysGroup_ = latinGroup();
            return;
        }
    }
    const xcb_setup_t* setup = xcb_get_setup(c_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto map = FW_XCB_REPLY(c_, xcb_get_keyboard_mapping,
                            xcb_get_keyboard_mapping(c_, setup->min_keycode, std::uint8_t(count)));
    if (!map)
        return;
    perKey_ = map->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
    core_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map.p));
}

bool KeyboardLayout::changes(const xcb_generic_event_t* event) const
{
    const int type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY)
        return reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER;
    if (!xkbEvent_ || type != xkbEvent_)
        return false;
    switch (reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
        return true;
    case XCB_XKB_STATE_NOTIFY:
        return reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->lockedGroup != group_;
    default:
        return false;
    }
}

std::uint32_t KeyboardLayout::latinGroup() const
{
    const auto typesLatin = [&](std::uint32_t group) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        std::array<bool, 26> letters{};
        for (int key = setup->min_keycode; key <= setup->max_keycode; ++key) {
            const std::uint32_t sym = keysymAt(std::uint8_t(key), 0, group);
            if (sym >= 'a' && sym <= 'z')
                letters[sym - 'a'] = true;
        }
        return std::count(letters.begin(), letters.end(), true) > 13;
    };
    if (typesLatin(group_))
        return group_;
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap_.get());
    for (std::uint32_t group = 0; group < groups; ++group)
        if (typesLatin(group))
            return group;
    return group_;
}

std::uint32_t KeyboardLayout::keysymAt(std::uint8_t key, std::uint32_t level) const
{
    return keysymAt(key, level, keysGroup_);
}

std::uint32_t KeyboardLayout::keysymAt(std::uint8_t key, std::uint32_t level, std::uint32_t group) const
{
    if (keymap_) {
        // A key with fewer groups than the keymap wraps the group into its own range, as the
        // server does.
        const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(keymap_.get(), key);
        const xkb_keysym_t* syms = nullptr;
        const int n = groups ? xkb_keymap_key_get_syms_by_level(keymap_.get(), key, group % groups, level, &syms) : 0;
        return n == 1 ? syms[0] : 0;
    }
    // The core mapping: its first two columns are the first group's two levels.
    const std::size_t at = std::size_t(key - xcb_get_setup(c_)->min_keycode) * perKey_ + level;
    return level < perKey_ && at < core_.size() ? core_[at] : 0;
}

std::vector<std::uint8_t> KeyboardLayout::keysTyping(std::uint32_t keysym, std::uint32_t level) const
{
    const xcb_setup_t* setup = xcb_get_setup(c_);
    std::vector<std::uint8_t> found;
    for (int key = setup->min_keycode; key <= setup->max_keycode; ++key)
        if (keysymAt(std::uint8_t(key), level) == keysym)
            found.push_back(std::uint8_t(key));
    return found;
}

std::optional<std::uint8_t> KeyboardLayout::keyAtPlace(std::uint32_t keyCode) const
{
    const char* position = keyPosition(keyCode);
    if (!keymap_ || !position)
        return std::nullopt;
    const xkb_keycode_t key = xkb_keymap_key_by_name(keymap_.get(), position);
    if (key == XKB_KEYCODE_INVALID || key > 255 || xkb_keymap_num_layouts_for_key(keymap_.get(), key) == 0)
        return std::nullopt;
    return std::uint8_t(key);
}

std::vector<std::uint8_t> KeyboardLayout::keys(std::uint32_t keyCode) const
{
    if (const auto it = paired_.find(keyCode); it != paired_.end())
        return it->second;
    // No key of its own (the keyboard has fewer keys than codes want): where it would go.
    const auto keysym = keysymForKeyCode(keyCode);
    if (!keysym)
        return {};
    if (auto found = keysTyping(*keysym, 0); !found.empty())
        return found;
    if (const auto key = keyAtPlace(keyCode))
        return {*key};
    return keysTyping(*keysym, 1);
}

std::optional<std::uint32_t> KeyboardLayout::keyCode(std::uint32_t key) const
{
    const auto it = key <= 255 ? codeOfKey_.find(std::uint8_t(key)) : codeOfKey_.end();
    return it == codeOfKey_.end() ? std::nullopt : std::optional<std::uint32_t>(it->second);
}

QString KeyboardLayout::characters(std::uint32_t keyCode) const
{
    const auto found = keys(keyCode);
    if (found.empty() || !keymap_)
        return {};
    const std::uint32_t keysym = keysymAt(found.front(), 0);
    for (auto [dead, accent] : deadKeys)
        if (dead == keysym)
            return QString::fromUtf8(accent);
    char text[8] = {};
    if (xkb_keysym_to_utf8(keysym, text, sizeof text) <= 1)
        return {};
    const QString s = QString::fromUtf8(text);
    return s.size() == 1 && !s.front().isPrint() ? QString() : s;
}

} // namespace fw::x11
