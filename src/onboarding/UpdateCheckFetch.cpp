// The download half of the update check: one GET through QNetworkAccessManager, awaited by a
// task, bounded in time by the clock and in size by the options: the body is taken as it
// arrives and the answer dropped as soon as it passes the bound.
#include "onboarding/UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

namespace fw {

namespace {

// Resumes the awaiting task when the reply finishes. Destroyed with a task that ends early,
// it withdraws its connection first.
struct ReplyFinished {
    QNetworkReply* reply;
    QMetaObject::Connection connection;

    bool await_ready() const { return reply->isFinished(); }
    void await_suspend(std::coroutine_handle<> handle)
    {
        connection = QObject::connect(reply, &QNetworkReply::finished, [this, handle] {
            QObject::disconnect(connection);
            handle.resume();
        });
    }
    void await_resume() const {}
    ~ReplyFinished() { QObject::disconnect(connection); }
};

// Owns a reply: ending early aborts it quietly; the object goes on the next turn of the loop.
// Only the connections made here (the reply is their context) are withdrawn: Qt's own carry the
// abort to its network thread, which then closes the connection instead of reading on.
struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const
    {
        QObject::disconnect(reply, nullptr, reply, nullptr);
        if (!reply->isFinished())
            reply->abort();
        reply->deleteLater();
    }
};

// A clock timer withdrawn when this goes.
struct TimerGuard {
    Clock& clock;
    TimerId id;
    ~TimerGuard() { clock.cancel(id); }
};

QNetworkRequest feedRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setTransferTimeout(0);   // the clock bounds the whole request instead
    return request;
}

} // namespace

UpdateCheck::UpdateCheck(Clock& clock, Options options)
    : clock_(clock), options_(std::move(options)), network_(std::make_unique<QNetworkAccessManager>()),
      tasks_(clock)
{
}

UpdateCheck::~UpdateCheck() = default;

Task<std::optional<ReleaseInfo>> UpdateCheck::fetch()
{
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(network_->get(feedRequest(options_.feedUrl)));
    QNetworkReply* r = reply.get();
    const qint64 maxBytes = options_.maxBytes;
    // Qt holds no more than this much unread, so the network is read only as fast as the
    // body is taken here.
    r->setReadBufferSize(std::min<qint64>(maxBytes + 1, 16 * 1024));
    QByteArray body;
    bool tooLong = false;
    // The body is taken as it arrives, and dropped at once past the bound, whatever the
    // headers announce (chunked or without a length alike).
    auto take = [r, maxBytes, &body, &tooLong] {
        body += r->read(maxBytes + 1 - body.size());
        const QVariant announced = r->header(QNetworkRequest::ContentLengthHeader);
        if (body.size() > maxBytes || (announced.isValid() && announced.toLongLong() > maxBytes)) {
            tooLong = true;
            r->abort();   // last: the awaiting task may end inside it
        }
    };
    QObject::connect(r, &QNetworkReply::metaDataChanged, r, take);
    QObject::connect(r, &QNetworkReply::readyRead, r, take);
    TimerGuard timeout{clock_, clock_.schedule(options_.timeout, [r] { r->abort(); })};
    co_await ReplyFinished{r};

    if (!tooLong && r->error() == QNetworkReply::NoError)
        take();
    if (tooLong || r->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() != 200)
        co_return std::nullopt;
    co_return ReleaseInfo::decode(body);
}

void UpdateCheck::check(const QString& installedVersion, qint64 installedBuild,
                        std::function<void(const Outcome&)> done)
{
    tasks_.spawn(runCheck(installedVersion, installedBuild, std::move(done)));
}

Task<void> UpdateCheck::runCheck(QString installedVersion, qint64 installedBuild,
                                 std::function<void(const Outcome&)> done)
{
    if (options_.feedUrl.isEmpty()) {
        if (done)
            done(Outcome::noSource());
        co_return;
    }
    const std::optional<ReleaseInfo> release = co_await fetch();
    const Outcome result = outcome(release, installedVersion, installedBuild, options_.system().version);
    if (done)
        done(result);
}

} // namespace fw
