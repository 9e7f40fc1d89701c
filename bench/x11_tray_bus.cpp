// The program with a panel's status tray on a private session bus (Xvfb + the test window
// manager), started as a user starts it:
//   - a host that reads the menu with blocking calls the moment the icon registers: how long
//     those calls hold the host, and from Ctrl+Alt+P, pressed once they return, to the picker;
//   - one AboutToShowGroup naming the menu's root 20,000 times: to its answer; one GetLayout
//     of the whole menu: to its answer;
//   - a flood of 10,000 menu calls a second, of openings (AboutToShow and the opened and closed
//     events; /0) for 10 s or of GetLayout (/1) for 30 s: the resident size before and after,
//     and from its end to the picker answering;
//   - an XEmbed tray rewriting _NET_SYSTEM_TRAY_COLORS without pause for 10 s: the same.
#include "ProgramBench.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/StatusNotifierHosts.h"
#include "x11/XSession.h"

#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QFile>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <cstring>
#include <memory>

namespace {

using namespace fw;
using test::XSession;

XSession* gSession = nullptr;
std::unique_ptr<test::SessionApp> gApp;
std::unique_ptr<QDBusConnection> gBus;
std::unique_ptr<test::TestStatusNotifierWatcher> gHost;

// The program started and its icon registered with the host; 0 when not within 40 s.
pid_t startRegistered()
{
    const qsizetype before = gHost->items.size();
    const pid_t pid = gSession->spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    if (pid && !gSession->waitFor([&] { return gHost->items.size() > before; }, 40000)) {
        gSession->terminate(pid, 30000);
        return 0;
    }
    return pid;
}

// Milliseconds from Ctrl+Alt+P to the picker shown (then closed by Escape); -1 when it did not show.
double pickerAfterKey()
{
    QElapsedTimer timer;
    timer.start();
    test::chord(*gSession, {test::ControlL, test::AltL, test::LetterP});
    if (!gSession->waitFor([] { return test::programWindowShown(*gSession, u"Choose a Layout"_qs); }, 60000))
        return -1;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    test::chord(*gSession, {test::Escape});
    gSession->waitFor([] { return !test::programWindowShown(*gSession, u"Choose a Layout"_qs); });
    return ms;
}

// The program started, its icon registered with a host that does not call back, and its menu's path.
pid_t startQuietly(QString& menu)
{
    gHost->callBack = false;
    const pid_t pid = startRegistered();
    gHost->callBack = true;
    if (!pid)
        return 0;
    QDBusMessage get = QDBusMessage::createMethodCall(gHost->items.last(), u"/StatusNotifierItem"_qs,
                                                      u"org.freedesktop.DBus.Properties"_qs, u"Get"_qs);
    get << u"org.kde.StatusNotifierItem"_qs << u"Menu"_qs;
    QDBusPendingCall pending = gBus->asyncCall(get, 30000);
    gSession->waitFor([&] { return pending.isFinished(); }, 31000);
    const QList<QVariant> reply = pending.reply().arguments();
    menu = reply.isEmpty() ? QString() : reply.first().value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    return pid;
}

QDBusMessage menuCall(const QString& menu, const QString& member)
{
    return QDBusMessage::createMethodCall(gHost->items.last(), menu, u"com.canonical.dbusmenu"_qs, member);
}

void BM_TrayBusCallingHost(benchmark::State& state)
{
    std::vector<double> blocked, picker;
    for (auto _ : state) {
        const pid_t pid = startRegistered();
        if (!pid) {
            state.SkipWithError("the icon never registered");
            return;
        }
        blocked.push_back(double(gHost->blockedMs));
        picker.push_back(pickerAfterKey());
        gSession->terminate(pid, 30000);
    }
    bench::setPercentiles(state, blocked, "host_blocked_ms_median", "host_blocked_ms_p95");
    bench::setPercentiles(state, picker, "picker_after_key_ms_median", "picker_after_key_ms_p95");
}
BENCHMARK(BM_TrayBusCallingHost)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Times one call of the menu, made by `make`, per iteration: to its answer.
void timeMenuCalls(benchmark::State& state, const std::function<QDBusMessage(const QString& menu)>& make)
{
    QString menu;
    const pid_t pid = startQuietly(menu);
    if (menu.isEmpty()) {
        state.SkipWithError("no menu");
        return;
    }
    std::vector<double> answers;
    for (auto _ : state) {
        const QDBusMessage call = make(menu);
        QElapsedTimer timer;
        timer.start();
        QDBusPendingCall pending = gBus->asyncCall(call, 120000);
        gSession->waitFor([&] { return pending.isFinished(); }, 121000);
        answers.push_back(pending.isFinished() && !pending.isError() ? double(timer.nsecsElapsed()) / 1e6 : -1);
    }
    bench::setPercentiles(state, answers, "answer_ms_median", "answer_ms_p95");
    gSession->terminate(pid, 30000);
}

void BM_TrayBusAboutToShowGroupOfTwentyThousand(benchmark::State& state)
{
    timeMenuCalls(state, [](const QString& menu) {
        QDBusMessage group = menuCall(menu, u"AboutToShowGroup"_qs);
        group << QVariant::fromValue(QList<int>(20000, 0));
        return group;
    });
}
BENCHMARK(BM_TrayBusAboutToShowGroupOfTwentyThousand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_TrayBusGetLayout(benchmark::State& state)
{
    timeMenuCalls(state, [](const QString& menu) { return test::getLayoutCall(gHost->items.last(), menu); });
}
BENCHMARK(BM_TrayBusGetLayout)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_TrayBusMenuFlood(benchmark::State& state)
{
    QString menu;
    const pid_t pid = startQuietly(menu);
    if (menu.isEmpty()) {
        state.SkipWithError("no menu");
        return;
    }
    for (auto _ : state) {
        state.counters["rss_before_mb"] = bench::residentMegabytes(pid);
        QDBusMessage show = menuCall(menu, u"AboutToShow"_qs);
        show << 0;
        const auto event = [&menu](const QString& id) {
            QDBusMessage e = menuCall(menu, u"Event"_qs);
            e << 0 << id << QVariant::fromValue(QDBusVariant(0)) << 0u;
            return e;
        };
        const QDBusMessage layout = test::getLayoutCall(gHost->items.last(), menu);
        // The openings, or the whole layout asked again and again.
        const std::vector<QDBusMessage> calls = state.range(0) == 0
                                                    ? std::vector<QDBusMessage>{show, event(u"opened"_qs), event(u"closed"_qs)}
                                                    : std::vector<QDBusMessage>{layout};
        state.counters["calls_sent"] = double(test::floodCalls(*gSession, *gBus, calls, state.range(0) == 0 ? 100000 : 300000,
                                                                 state.range(0) == 0 ? 10000 : 30000));
        state.counters["rss_after_mb"] = bench::residentMegabytes(pid);
        state.counters["picker_after_flood_ms"] = pickerAfterKey();
        state.counters["rss_after_picker_mb"] = bench::residentMegabytes(pid);
    }
    gSession->terminate(pid, 30000);
}
BENCHMARK(BM_TrayBusMenuFlood)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = gSession->connection();
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

void BM_TrayBusColourStorm(benchmark::State& state)
{
    QString menu;
    const pid_t pid = startQuietly(menu);
    // An XEmbed tray of this benchmark's own, which rewrites its icon colours without pause.
    xcb_connection_t* c = gSession->connection();
    const xcb_window_t tray = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, tray, gSession->root(), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, tray, atom("_NET_SYSTEM_TRAY_S0"), XCB_CURRENT_TIME);
    const xcb_atom_t colors = atom("_NET_SYSTEM_TRAY_COLORS");
    for (auto _ : state) {
        state.counters["rss_before_mb"] = bench::residentMegabytes(pid);
        QElapsedTimer timer;
        timer.start();
        std::uint32_t writes = 0;
        while (timer.elapsed() < 10000) {
            for (int i = 0; i < 200; ++i, ++writes) {
                const std::uint32_t v = (writes & 1) ? 0xffff : 0x2020;
                const std::uint32_t values[12] = {v, v, v, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, tray, colors, XCB_ATOM_CARDINAL, 32, 12, values);
            }
            xcb_flush(c);
            gSession->waitFor([] { return false; }, 1);
        }
        state.counters["writes"] = double(writes);
        state.counters["rss_after_mb"] = bench::residentMegabytes(pid);
        state.counters["picker_after_storm_ms"] = pickerAfterKey();
        state.counters["rss_after_picker_mb"] = bench::residentMegabytes(pid);
    }
    xcb_destroy_window(c, tray);
    xcb_flush(c);
    gSession->terminate(pid, 30000);
}
BENCHMARK(BM_TrayBusColourStorm)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnSession({}, bench::Monitors::one, gSession, [](XSession& session) {
        const QString address = session.sessionBus();
        const auto term = session.startXterm(u"typist"_qs, {u"-geometry"_qs, u"80x24+300+300"_qs});
        if (address.isEmpty() || !term.window || !session.activate(term.window) || !test::openedBefore(session))
            return false;
        gApp = std::make_unique<test::SessionApp>(session);
        gBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, u"fw-bench-host"_qs));
        gHost = std::make_unique<test::TestStatusNotifierWatcher>(*gBus, 0, true);
        return gHost->serve();
    }, [&](XSession&) {
        const int status = bench::runBenchmarks(argc, argv);
        gHost.reset();
        gBus.reset();
        gApp.reset();
        return status;
    });
}
