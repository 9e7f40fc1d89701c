// The simulated desktop's log of writes: each record told as text for test failures, and the
// log read by window or by kind.
#include "platform/sim/SimWriteLog.h"

#include <algorithm>
#include <iterator>

namespace fw::sim {

QString writeKindName(WriteKind k)
{
    switch (k) {
    case Write::Position: return QStringLiteral("position");
    case Write::Size: return QStringLiteral("size");
    case Write::Frame: return QStringLiteral("frame");
    case Write::Raise: return QStringLiteral("raise");
    case Write::Activate: return QStringLiteral("activate");
    case Write::Unmaximize: return QStringLiteral("unmaximize");
    case Write::FrameAnimation: return QStringLiteral("frame-animation");
    case Write::States: return QStringLiteral("states");
    }
    return QStringLiteral("?");
}

QString WriteRecord::toString() const
{
    QString value;
    switch (kind) {
    case Write::Position: value = fw::toString(position); break;
    case Write::Size: value = fw::toString(size); break;
    case Write::Frame: value = fw::toString(frame()); break;
    case Write::FrameAnimation: value = flag ? QStringLiteral("on") : QStringLiteral("off"); break;
    case Write::States: value = (flag ? QStringLiteral("on ") : QStringLiteral("off ")) + QString::number(states); break;
    default: break;
    }
    QString s = writeKindName(kind);
    if (!value.isEmpty())
        s += QLatin1Char(' ') + value;
    s += QStringLiteral(" @%1ms").arg(formatNumber(toMilliseconds(time)));
    if (!accepted)
        s += QStringLiteral(" refused");
    return s;
}

std::vector<WriteRecord> WriteLog::of(WindowId id) const
{
    std::vector<WriteRecord> out;
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(out), [id](const WriteRecord& r) { return r.window == id; });
    return out;
}

std::vector<WriteRecord> WriteLog::ofKinds(std::uint32_t kinds) const
{
    std::vector<WriteRecord> out;
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(out), [kinds](const WriteRecord& r) { return (r.kind & kinds) != 0; });
    return out;
}

} // namespace fw::sim
