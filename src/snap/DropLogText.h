#pragma once
// The two values of the drop log line: the intent as the log writes it, and whole
// milliseconds between two uptimes.

#include "base/Clock.h"
#include "snap/DropActionMenu.h"

#include <QString>

namespace fw {

// The intent as the drop log writes it: "swap(3)", "split(3, top: true)", …
QString dropIntentText(const RegionDropIntent& intent);
// Whole milliseconds from `then` to `now` (uptimes), truncated toward zero.
long millisecondsSince(Duration then, Duration now);

} // namespace fw
