// The update check over a real socket: a loopback HTTP server of the test's own answers the
// feed request in each way a host can (a feed that is newer, the same, older or too new for the
// system, 404, an HTML page, a body over the bound, an endless body as fast as it is taken,
// silence until the time-out). The time-out runs on the virtual clock, so no test waits for it.
#include "onboarding/UpdateCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace fw {
namespace {

using Outcome = UpdateCheck::Outcome;

// Answers every request with one canned response, or not at all; remembers the requests.
class FeedServer {
public:
    QByteArray response;    // empty: never answer
    QList<QByteArray> requests;

    FeedServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { read(s); });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/download/framewell.json").arg(server_.serverPort())); }

    static QByteArray reply(int status, const QByteArray& body, bool withLength = true)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found") + "\r\n";
        head += "Content-Type: application/json\r\nConnection: close\r\n";
        if (withLength)
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        return head + "\r\n" + body;
    }

private:
    void read(QTcpSocket* s)
    {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        requests << buffer;
        if (response.isEmpty())
            return;
        s->write(response);
        s->disconnectFromHost();
    }
    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> buffers_;
};

QByteArray feed(const char* version, qint64 build, const char* minimum)
{
    return QJsonDocument(QJsonObject{{"version", version},
                                     {"build", build},
                                     {"minimumSystemVersion", minimum},
                                     {"page", "https://corvellan.example/framewell/"},
                                     {"download", "https://corvellan.example/download/framewell.deb"},
                                     {"notes", "https://corvellan.example/framewell/notes"}})
        .toJson();
}

bool spinUntil(const std::function<bool()>& condition, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

struct CheckRig {
    VirtualClock clock;
    FeedServer server;
    std::unique_ptr<UpdateCheck> check;

    CheckRig()
    {
        UpdateCheck::Options o;
        o.feedUrl = server.url();
        o.system = [] { return SystemRelease{QStringLiteral("Debian GNU/Linux"), QStringLiteral("12.0.0")}; };
        check = std::make_unique<UpdateCheck>(clock, o);
    }
    // The outcome for installed 1.18 build 100 with the server answering `response`.
    Outcome run(const QByteArray& response)
    {
        server.response = response;
        std::optional<Outcome> got;
        check->check(QStringLiteral("1.18"), 100, [&](const Outcome& o) { got = o; });
        EXPECT_TRUE(spinUntil([&] { return got.has_value(); }));
        return got.value_or(Outcome::upToDate(QStringLiteral("no answer")));
    }
};

TEST(FeedFetch, AnswersOfTheFeed)
{
    CheckRig rig;
    const Outcome newer = rig.run(FeedServer::reply(200, feed("1.19", 130, "12")));
    ASSERT_EQ(newer.kind, Outcome::Kind::available);
    EXPECT_EQ(newer.release->version, "1.19");
    EXPECT_EQ(newer.release->page, QUrl("https://corvellan.example/framewell/"));
    EXPECT_EQ(newer.installed, "1.18");
    ASSERT_EQ(rig.server.requests.size(), 1);
    const QByteArray request = rig.server.requests[0];
    EXPECT_TRUE(request.startsWith("GET /download/framewell.json HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_FALSE(request.toLower().contains("\r\ncookie:"));

    EXPECT_EQ(rig.run(FeedServer::reply(200, feed("1.18", 100, "12"))), Outcome::upToDate("1.18"));
    EXPECT_EQ(rig.run(FeedServer::reply(200, feed("1.18", 101, "12"))).kind, Outcome::Kind::available)
        << "the same version with a higher build";
    EXPECT_EQ(rig.run(FeedServer::reply(200, feed("1.17.9", 999, "12"))), Outcome::upToDate("1.18"));
    EXPECT_EQ(rig.run(FeedServer::reply(200, feed("2.0", 1, "12.1"))).kind, Outcome::Kind::needsNewerSystem);
}

TEST(FeedFetch, EveryFailureIsUnreachable)
{
    CheckRig rig;
    EXPECT_EQ(rig.run(FeedServer::reply(404, feed("1.19", 130, "12"))), Outcome::unreachable());
    EXPECT_EQ(rig.run(FeedServer::reply(200, "<html><body>Moved</body></html>")), Outcome::unreachable());
    EXPECT_EQ(rig.run(FeedServer::reply(200, "{\"version\": \"1.19\"")), Outcome::unreachable());
    EXPECT_EQ(rig.run("garbage that is no HTTP at all\r\n\r\n"), Outcome::unreachable());
}

TEST(FeedFetch, BodiesOverTheBoundAreNeverDecoded)
{
    CheckRig rig;
    const QByteArray body = feed("1.19", 130, "12");
    const QByteArray exact = body + QByteArray(64 * 1024 - body.size(), ' ');
    EXPECT_EQ(rig.run(FeedServer::reply(200, exact)).kind, Outcome::Kind::available) << "64 KB is still read";
    EXPECT_EQ(rig.run(FeedServer::reply(200, exact + " ")), Outcome::unreachable()) << "announced length";
    EXPECT_EQ(rig.run(FeedServer::reply(200, exact + QByteArray(300000, ' '), false)), Outcome::unreachable())
        << "no length, streamed until the connection closes";
}

// Answers with an endless body, without a length or chunked, handing the socket more only as
// the system takes it; counts what the system took.
class EndlessServer {
public:
    bool chunked = false;
    qint64 taken = 0;
    bool closed = false;

    EndlessServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = server_.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                request_ += s->readAll();
                if (!answering_ && request_.contains("\r\n\r\n")) {
                    answering_ = true;
                    s->write(QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n")
                             + (chunked ? "Transfer-Encoding: chunked\r\n\r\n" : "Connection: close\r\n\r\n"));
                    topUp(s);
                }
            });
            QObject::connect(s, &QTcpSocket::bytesWritten, s, [this, s](qint64 n) {
                taken += n;
                topUp(s);
            });
            QObject::connect(s, &QTcpSocket::stateChanged, s, [this](QAbstractSocket::SocketState state) {
                closed = closed || state == QAbstractSocket::UnconnectedState || state == QAbstractSocket::ClosingState;
            });
            QObject::connect(s, &QTcpSocket::errorOccurred, s, [this] { closed = true; });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/download/framewell.json").arg(server_.serverPort())); }

private:
    void topUp(QTcpSocket* s)
    {
        static const QByteArray spaces(65536, ' ');
        // 1 GB at most, for a client that never stops reading.
        while (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < 4 * spaces.size()
               && taken < (qint64(1) << 30))
            s->write(chunked ? "10000\r\n" + spaces + "\r\n" : spaces);
    }
    QTcpServer server_;
    QByteArray request_;
    bool answering_ = false;
};

// However fast the host sends and whatever it announces, no more than the bound is taken
// from it (the system's socket buffers are all the rest that can arrive before the drop), and
// the connection is closed rather than read on.
TEST(FeedFetch, AnEndlessAnswerIsDroppedAsItPassesTheBound)
{
    for (const bool chunked : {false, true}) {
        SCOPED_TRACE(chunked ? "chunked" : "no length");
        VirtualClock clock;
        EndlessServer server;
        server.chunked = chunked;
        UpdateCheck::Options o;
        o.feedUrl = server.url();
        o.system = [] { return SystemRelease{}; };
        UpdateCheck check(clock, o);
        std::optional<Outcome> got;
        check.check(QStringLiteral("1.18"), 100, [&](const Outcome& outcome) { got = outcome; });
        ASSERT_TRUE(spinUntil([&] { return got.has_value(); }, 30000)) << server.taken << " bytes taken";
        EXPECT_EQ(*got, Outcome::unreachable());
        EXPECT_LT(server.taken, 24 * 1024 * 1024) << "the answer was read on past the bound";
        EXPECT_TRUE(spinUntil([&] { return server.closed; })) << "the connection was kept";
    }
}

TEST(FeedFetch, SilentHostTimesOutOnTheClock)
{
    CheckRig rig;
    rig.server.response.clear();
    std::optional<Outcome> got;
    rig.check->check(QStringLiteral("1.18"), 100, [&](const Outcome& o) { got = o; });
    ASSERT_TRUE(spinUntil([&] { return !rig.server.requests.isEmpty(); }));
    rig.clock.advance(std::chrono::milliseconds(9990));
    QCoreApplication::processEvents();
    EXPECT_FALSE(got) << "still waiting before 10 s";
    rig.clock.advance(std::chrono::milliseconds(10));
    ASSERT_TRUE(spinUntil([&] { return got.has_value(); }));
    EXPECT_EQ(*got, Outcome::unreachable());

    // A check under way when its owner ends reports nothing and leaves no timer behind.
    bool reported = false;
    rig.check->check(QStringLiteral("1.18"), 100, [&](const Outcome&) { reported = true; });
    ASSERT_TRUE(spinUntil([&] { return rig.server.requests.size() == 2; }));
    rig.check.reset();
    EXPECT_EQ(rig.clock.pendingCount(), 0u);
    QCoreApplication::processEvents();
    EXPECT_FALSE(reported);
}

// A build naming no vendor host has no feed: the check says so at once and sends nothing.
TEST(FeedFetch, WithoutAFeedAddressNothingIsAsked)
{
    VirtualClock clock;
    UpdateCheck::Options o;
    o.feedUrl = QUrl();
    UpdateCheck check(clock, o);
    std::optional<Outcome> got;
    check.check(QStringLiteral("1.18"), 100, [&](const Outcome& outcome) { got = outcome; });
    ASSERT_TRUE(spinUntil([&] { return got.has_value(); }, 1000));
    EXPECT_EQ(*got, Outcome::noSource());
    EXPECT_EQ(clock.pendingCount(), 0u) << "no time-out was set: nothing went out";
}

} // namespace
} // namespace fw
