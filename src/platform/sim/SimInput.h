#pragma once
// Simulated global input for tests: hot keys that tests press by combination (on a keyboard
// whose layout they may change), button grabs whose tap thread is a real thread (so the
// matching's locking is exercised as in production), and a scroll tap that tests feed events.
// Each can play a combination held by another client or a platform that refuses.
//
//   sim::SimHotKeys keys;
//   keys.take(35, StoredCtrl | StoredAlt);      // another client holds Ctrl+Alt+P
//   ... HotKeys over `keys` ...
//   keys.press(0, StoredCtrl | StoredAlt);      // the handler gets the id bound to A
//   keys.setLayout({{6, 16}, {16, 6}}, {{6, u"y"_qs}, {16, u"z"_qs}});   // German: Z and Y swap

#include "platform/ButtonGrabs.h"
#include "platform/GlobalHotKeys.h"
#include "platform/ScrollTap.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace fw::sim {

class SimHotKeys final : public GlobalHotKeys {
public:
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) override;
    void unregisterHotKey(HotKeyRef ref) override;
    void setHandler(std::function<void(std::uint32_t id)> handler) override { handler_ = std::move(handler); }
    void setKeyboardHandler(std::function<void()> handler) override { keyboardHandler_ = std::move(handler); }
    QString keyCharacters(std::uint32_t keyCode) override;
    // A key's own code is the code of its place.
    std::optional<std::uint32_t> keyCodeForKey(std::uint32_t nativeKey) override;
    bool sameKey(std::uint32_t a, std::uint32_t b) override { return keyFor(a) == keyFor(b); }
    KeyboardHold holdKeyboard(std::uint64_t window) override;
    void releaseKeyboard() override { heldFor_ = 0; }

    // Keys are named by the code of their place on the keyboard. A new layout: each code in
    // `keys` stands for the key at another code's place (codes left out for their own) and
    // types `characters` where given; then the keyboard handler runs.
    void setLayout(std::map<std::uint32_t, std::uint32_t> keys, std::map<std::uint32_t, QString> characters = {});
    // Another client holds the key with these modifiers: registering on it fails with HotKeyTaken.
    void take(std::uint32_t key, std::uint32_t modifiers) { taken_.insert({key, modifiers}); }
    // What holdKeyboard() answers from now on (Held by default): Pending plays another client
    // holding the whole keyboard, Impossible a window that is gone.
    void setHoldAnswer(KeyboardHold answer) { holdAnswer_ = answer; }
    // The window our hold of the keyboard is for; 0 when we hold none.
    std::uint64_t keyboardHeldFor() const { return heldFor_; }
    // A press of the key with the modifiers; false when nothing of ours is registered on it.
    bool press(std::uint32_t key, std::uint32_t modifiers);

    // Registered ids in registration order.
    std::vector<std::uint32_t> registeredIds() const;
    bool hasHandler() const { return bool(handler_); }

private:
    struct Key {
        std::uint32_t key, modifiers, id;
    };
    std::uint32_t keyFor(std::uint32_t keyCode) const;

    std::map<HotKeyRef, Key> keys_;
    std::set<std::pair<std::uint32_t, std::uint32_t>> taken_;
    std::map<std::uint32_t, std::uint32_t> layout_;
    std::map<std::uint32_t, QString> characters_;
    HotKeyRef next_ = 1;
    KeyboardHold holdAnswer_ = KeyboardHold::Held;
    std::uint64_t heldFor_ = 0;
    std::function<void(std::uint32_t)> handler_;
    std::function<void()> keyboardHandler_;
};

class SimButtonGrabs final : public ButtonGrabs {
public:
    ~SimButtonGrabs() override;

    bool start(const std::vector<ButtonGrab>& grabs, Filter filter) override;
    void regrab(const std::vector<ButtonGrab>& grabs) override;
    std::vector<ButtonGrab> refused() const override;
    void stop() override;
    bool running() const override;

    // Whether start() succeeds.
    void setAvailable(bool available) { available_ = available; }
    // Another client holds the combination: it is refused and never reaches our filter.
    void take(const ButtonGrab& grab);
    std::vector<ButtonGrab> grabbed() const;
    int starts() const { return starts_; }

    // One press or release by the user, from any thread: a grabbed press goes through the
    // filter on the tap thread, as does the release of a press it dropped. True when the
    // event reached the application under the pointer.
    bool press(int button, std::uint32_t modifiers, Point at = {});
    bool release(int button);

private:
    struct Request {
        ButtonEvent event;
        std::optional<bool> dropped;
    };
    void run();
    bool throughTap(const ButtonEvent& event);

    bool available_ = true;
    int starts_ = 0;
    std::thread thread_;
    Filter filter_;
    mutable std::mutex mutex_;   // guards everything below
    std::condition_variable changed_;
    std::vector<ButtonGrab> grabbed_, refused_, taken_;
    std::deque<Request*> queue_;
    std::set<int> heldByTap_;    // buttons whose press the tap dropped: their release is ours
    bool stopping_ = false;
    bool live_ = false;          // between start and stop
};

class SimScrollTap final : public ScrollTap {
public:
    bool install(std::function<void(const ScrollEvent&)> handler) override;
    void remove() override;
    bool installed() const override { return bool(handler_); }

    void setAvailable(bool available) { available_ = available; }
    // One scroll event: true when it reached the application under the pointer.
    bool scroll(const ScrollEvent& event);

private:
    std::function<void(const ScrollEvent&)> handler_;
    bool available_ = true;
};

} // namespace fw::sim
