// Simulated global input for tests: hot keys pressed by combination on a layout tests change,
// button grabs filtered on a real tap thread, and a scroll tap fed by the test.
#include "platform/sim/SimInput.h"

#include "platform/InputCodes.h"

#include <algorithm>

namespace fw::sim {

// --- hot keys ---

std::uint32_t SimHotKeys::keyFor(std::uint32_t keyCode) const
{
    const auto it = layout_.find(keyCode);
    return it == layout_.end() ? keyCode : it->second;
}

GlobalHotKeys::Registration SimHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                       std::uint32_t id)
{
    const std::uint32_t key = keyFor(keyCode);
    if (taken_.count({key, modifiers}))
        return {HotKeyTaken, 0};
    for (const auto& [ref, k] : keys_)
        if (k.key == key && k.modifiers == modifiers)
            return {HotKeyTaken, 0};
    const HotKeyRef ref = next_++;
    keys_.emplace(ref, Key{key, modifiers, id});
    return {HotKeyOk, ref};
}

QString SimHotKeys::keyCharacters(std::uint32_t keyCode)
{
    const auto it = characters_.find(keyCode);
    return it == characters_.end() ? QString() : it->second;
}

KeyboardHold SimHotKeys::holdKeyboard(std::uint64_t window)
{
    if (holdAnswer_ == KeyboardHold::Held)
        heldFor_ = window;
    return holdAnswer_;
}

std::optional<std::uint32_t> SimHotKeys::keyCodeForKey(std::uint32_t nativeKey)
{
    for (const auto& [code, key] : layout_)
        if (key == nativeKey)
            return code;
    if (layout_.count(nativeKey) || !keysymForKeyCode(nativeKey))
        return std::nullopt;   // its own code stands for another key, or names none
    return nativeKey;
}

void SimHotKeys::setLayout(std::map<std::uint32_t, std::uint32_t> keys, std::map<std::uint32_t, QString> characters)
{
    layout_ = std::move(keys);
    characters_ = std::move(characters);
    if (keyboardHandler_)
        keyboardHandler_();
}

void SimHotKeys::unregisterHotKey(HotKeyRef ref)
{
    keys_.erase(ref);
}

bool SimHotKeys::press(std::uint32_t key, std::uint32_t modifiers)
{
    for (const auto& [ref, k] : keys_) {
        if (k.key == key && k.modifiers == modifiers) {
            if (handler_)
                handler_(k.id);
            return true;
        }
    }
    return false;
}

std::vector<std::uint32_t> SimHotKeys::registeredIds() const
{
    std::vector<std::uint32_t> ids;
    for (const auto& [ref, k] : keys_)
        ids.push_back(k.id);
    return ids;
}

// --- button grabs ---

SimButtonGrabs::~SimButtonGrabs()
{
    stop();
}

bool SimButtonGrabs::start(const std::vector<ButtonGrab>& grabs, Filter filter)
{
    stop();
    if (!available_)
        return false;
    ++starts_;
    filter_ = std::move(filter);
    {
        std::lock_guard guard(mutex_);
        stopping_ = false;
        live_ = true;
    }
    thread_ = std::thread([this] { run(); });
    regrab(grabs);
    return true;
}

void SimButtonGrabs::regrab(const std::vector<ButtonGrab>& grabs)
{
    std::lock_guard guard(mutex_);
    if (!live_)
        return;
    grabbed_.clear();
    refused_.clear();
    for (const ButtonGrab& g : grabs) {
        if (std::find(taken_.begin(), taken_.end(), g) != taken_.end())
            refused_.push_back(g);
        else
            grabbed_.push_back(g);
    }
}

std::vector<ButtonGrab> SimButtonGrabs::refused() const
{
    std::lock_guard guard(mutex_);
    return refused_;
}

void SimButtonGrabs::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        live_ = false;
        grabbed_.clear();
        heldByTap_.clear();
    }
    changed_.notify_all();
    thread_.join();
    filter_ = nullptr;
}

bool SimButtonGrabs::running() const
{
    return thread_.joinable();
}

void SimButtonGrabs::take(const ButtonGrab& grab)
{
    std::lock_guard guard(mutex_);
    taken_.push_back(grab);
}

std::vector<ButtonGrab> SimButtonGrabs::grabbed() const
{
    std::lock_guard guard(mutex_);
    return grabbed_;
}

bool SimButtonGrabs::press(int button, std::uint32_t modifiers, Point at)
{
    {
        std::lock_guard guard(mutex_);
        const ButtonGrab g{button, modifiers};
        if (!live_ || std::find(grabbed_.begin(), grabbed_.end(), g) == grabbed_.end())
            return true;
    }
    const bool dropped = throughTap({ButtonEvent::Type::Down, button, modifiers, at});
    if (dropped) {
        std::lock_guard guard(mutex_);
        heldByTap_.insert(button);
    }
    return !dropped;
}

bool SimButtonGrabs::release(int button)
{
    {
        std::lock_guard guard(mutex_);
        if (!heldByTap_.erase(button))
            return true;
    }
    throughTap({ButtonEvent::Type::Up, button, 0, {}});
    return false;   // the grab holds the pointer until the release: it is ours whatever the filter says
}

bool SimButtonGrabs::throughTap(const ButtonEvent& event)
{
    Request request{event, std::nullopt};
    std::unique_lock lock(mutex_);
    if (!live_)
        return false;
    queue_.push_back(&request);
    changed_.notify_all();
    // A request the tap thread has taken is always answered; one still queued when the thread
    // stops is withdrawn. Either way nothing touches `request` once this returns.
    const auto queued = [&] { return std::find(queue_.begin(), queue_.end(), &request) != queue_.end(); };
    changed_.wait(lock, [&] { return request.dropped.has_value() || (stopping_ && queued()); });
    if (!request.dropped) {
        std::erase(queue_, &request);
        return false;
    }
    return *request.dropped;
}

void SimButtonGrabs::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        Request* r = queue_.front();
        queue_.pop_front();
        lock.unlock();
        const bool dropped = filter_ && filter_(r->event);
        lock.lock();
        r->dropped = dropped;
        changed_.notify_all();
    }
}

// --- scroll ---

bool SimScrollTap::install(std::function<void(const ScrollEvent&)> handler)
{
    if (!available_)
        return false;
    handler_ = std::move(handler);
    return true;
}

void SimScrollTap::remove()
{
    handler_ = nullptr;
}

bool SimScrollTap::scroll(const ScrollEvent& event)
{
    if (!handler_)
        return true;
    handler_(event);
    return false;
}

} // namespace fw::sim
