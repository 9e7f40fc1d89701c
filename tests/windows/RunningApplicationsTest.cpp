// The running applications the editor offers: owners of normal windows that name an
// installed entry, each once, in window order.
#include "windows/RunningApplications.h"

#include "platform/sim/FakeApplications.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

WindowInfo window(WindowId id, const QString& cls, bool normal = true, bool minimized = false)
{
    WindowInfo w;
    w.id = id;
    w.appClass = cls;
    w.appInstance = cls.toLower();
    w.normal = normal;
    w.minimized = minimized;
    w.onScreen = !minimized;
    return w;
}

TEST(RunningApplications, OwnersOfNormalWindowsByEntryIdOnce)
{
    FakeApplications apps;
    apps.add("org.gnome.TextEditor", "Text Editor");
    apps.add("firefox-esr", "Firefox");
    ApplicationEntry term{"xterm", "XTerm", {}, {}, "XTerm"};
    apps.add(term);
    WindowApplicationIndex index(apps);
    index.rebuild();

    const std::vector<WindowInfo> list{
        window(1, "XTerm"),
        window(2, "TextEditor"),              // the id's last dotted part
        window(3, "XTerm"),                    // the same application again
        window(4, "firefox-esr", false),      // a dialog: not a normal window
        window(5, "Unknown"),                  // no entry
        window(6, "firefox-esr", true, true),  // minimized windows still run
    };
    EXPECT_EQ(runningApplicationIds(list, index), QStringList({"xterm", "org.gnome.TextEditor", "firefox-esr"}));
}

} // namespace
} // namespace fw
