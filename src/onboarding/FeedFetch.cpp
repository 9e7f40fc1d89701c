// The download half of the update check: one GET through QNetworkAccessManager, awaited by a
// task, bounded in time by the clock and in size by the options.
#include "onboarding/UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

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
struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const
    {
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
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
    bool tooLong = false;
    const qint64 maxBytes = options_.maxBytes;
    // The announced length or what has arrived: past the bound the answer is dropped unread.
    QObject::connect(r, &QNetworkReply::downloadProgress, r, [r, maxBytes, &tooLong](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            tooLong = true;
            r->abort();
        }
    });
    TimerGuard timeout{clock_, clock_.schedule(options_.timeout, [r] { r->abort(); })};
    co_await ReplyFinished{r};

    if (tooLong || r->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() != 200)
        co_return std::nullopt;
    const QByteArray body = r->read(maxBytes + 1);
    if (body.size() > maxBytes)
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
    const std::optional<ReleaseInfo> release = co_await fetch();
    const Outcome result = outcome(release, installedVersion, installedBuild, options_.system().version);
    if (done)
        done(result);
}

} // namespace fw
