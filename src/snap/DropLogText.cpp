// The values of the drop log line: the intent as text and the milliseconds since a moment.
#include "snap/DropLogText.h"

namespace fw {

QString dropIntentText(const RegionDropIntent& intent)
{
    using K = RegionDropIntent::Kind;
    const QString region = QString::number(intent.region);
    const QString flag = intent.side ? u"true"_qs : u"false"_qs;
    switch (intent.kind) {
    case K::swap:
        return u"swap("_qs + region + u')';
    case K::split:
        return u"split("_qs + region + u", top: "_qs + flag + u')';
    case K::splitSide:
        return u"splitSide("_qs + region + u", left: "_qs + flag + u')';
    case K::place:
        return u"place("_qs + region + u')';
    case K::fillColumn:
        return u"fillColumn("_qs + region + u')';
    case K::choose:
        return u"choose("_qs + region + u')';
    case K::putBack:
        return u"putBack("_qs + region + u')';
    }
    return {};
}

long millisecondsSince(Duration then, Duration now)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(now - then).count());
}

} // namespace fw
