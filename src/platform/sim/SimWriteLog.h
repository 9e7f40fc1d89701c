#pragma once
// The simulated desktop's log of writes: each write the code under test made, with what it
// asked for, its virtual time and what it returned, in the order made; tests read it whole,
// by window or by kind.

#include "base/Clock.h"
#include "platform/WindowSystem.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace fw::sim {

// What a write asked for. Kinds are bit flags, so fault scripts can select several.
struct Write {
    enum Kind : std::uint32_t {
        Position = 1u << 0,
        Size = 1u << 1,
        Frame = 1u << 2,
        Raise = 1u << 3,
        Activate = 1u << 4,
        Unmaximize = 1u << 5,
        FrameAnimation = 1u << 6,
        States = 1u << 7,   // changeWindowStates
    };
    static constexpr std::uint32_t Geometry = Position | Size | Frame;
    static constexpr std::uint32_t All = 0xff;
};
using WriteKind = Write::Kind;

QString writeKindName(WriteKind k);

// One write as the code under test made it: the requested value, not the applied one.
struct WriteRecord {
    WriteKind kind = Write::Position;
    WindowId window = 0;   // 0 for application-wide writes
    Pid pid = 0;
    Point position;        // Position and Frame writes
    Size size;             // Size and Frame writes
    bool flag = false;     // FrameAnimation writes; States: taken (true) or left
    WindowStates states = 0;   // States writes
    Duration time{0};      // virtual time of the write
    bool accepted = false; // what the write returned

    Rect frame() const { return Rect(position, size); }
    // "size {400, 300} @16ms", "frame {{0, 0}, {10, 10}} @0ms refused", …
    QString toString() const;
};


class WriteLog {
public:
    void add(const WriteRecord& record) { records_.push_back(record); }
    const std::vector<WriteRecord>& all() const { return records_; }
    std::vector<WriteRecord> of(WindowId id) const;
    // The writes of any of the kinds (Write::Kind bits).
    std::vector<WriteRecord> ofKinds(std::uint32_t kinds) const;
    void clear() { records_.clear(); }

private:
    std::vector<WriteRecord> records_;
};

} // namespace fw::sim
