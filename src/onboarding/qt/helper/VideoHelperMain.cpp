// framewell-video: plays the welcome video for the program, out of its process, so that the
// media libraries, the sound server's client and their threads end with the video instead of
// staying in the program for the session. Usage: framewell-video <address> <width> <height>.
// It plays the sound itself and writes the pictures, scaled to fit the size, to its standard
// output (onboarding/qt/VideoFrameStream.h), dropping pictures the program has not kept up with. It ends at the video's end, on a failure, when
// its standard input closes (the program went away) or when a write fails.
#include "onboarding/qt/VideoFrameStream.h"

#include <QAudioOutput>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QSocketNotifier>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <unistd.h>

namespace {

bool writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes the stream on a thread of its own, in order. The main thread must stay free: the media
// library waits on it (a new format waits a second, then fails the stream), while a busy program
// may read our pictures late and a write then blocks. Of the pictures not yet written only the
// newest is kept; every message is written. A failed write ends the helper.
class StreamWriter {
public:
    explicit StreamWriter(QSize size) : size_(size), thread_([this] { run(); }) {}
    ~StreamWriter() { finish(); }
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    void picture(QImage image)
    {
        const std::lock_guard lock(mutex_);
        if (!items_.empty() && !items_.back().picture.isNull())
            items_.back().picture = std::move(image);   // the one waiting is dropped
        else
            items_.push_back({std::move(image), {}});
        ready_.notify_one();
    }
    void message(fw::VideoMessage kind)
    {
        const std::lock_guard lock(mutex_);
        items_.push_back({{}, encodeVideoMessage(kind)});
        ready_.notify_one();
    }
    // Writes what is pending and ends the thread; whether every write succeeded.
    bool finish()
    {
        {
            const std::lock_guard lock(mutex_);
            finishing_ = true;
            ready_.notify_one();
        }
        if (thread_.joinable())
            thread_.join();
        return !failed_;
    }

private:
    struct Item {
        QImage picture;
        QByteArray bytes;
    };

    void run()
    {
        for (;;) {
            Item item;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return finishing_ || !items_.empty(); });
                if (items_.empty())
                    return;
                item = std::move(items_.front());
                items_.pop_front();
            }
            const QByteArray bytes = item.picture.isNull()
                ? item.bytes
                : fw::encodeVideoFrame(item.picture.scaled(size_, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            if (!failed_ && !writeAll(bytes)) {
                failed_ = true;
                QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
            }
        }
    }

    const QSize size_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item> items_;
    bool finishing_ = false;
    std::atomic<bool> failed_{false};
    std::thread thread_;
};

StreamWriter* gWriter = nullptr;

// Says why on the error channel first, so the reason is there when the program reads the
// failure from the stream, then ends. Once: the player may report the same failure twice.
void fail(const QString& why)
{
    static bool failed = false;
    if (std::exchange(failed, true))
        return;
    std::fprintf(stderr, "framewell-video: %s\n", qUtf8Printable(why));
    std::fflush(stderr);
    gWriter->message(fw::VideoMessage::failed);
    QCoreApplication::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    // No window and no connection to the display: the program draws the pictures.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QSize size = args.size() == 4 ? QSize(args[2].toInt(), args[3].toInt()) : QSize();
    if (size.isEmpty() || size.width() > 8192 || size.height() > 8192) {
        std::fprintf(stderr, "usage: framewell-video <address> <width> <height>\n");
        return 2;
    }

    StreamWriter writer(size);
    gWriter = &writer;
    QMediaPlayer player;
    QAudioOutput audio;
    QVideoSink sink;
    player.setAudioOutput(&audio);
    player.setVideoSink(&sink);
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &app, [&writer](const QVideoFrame& frame) {
        QImage image = frame.toImage();
        if (!image.isNull())
            writer.picture(std::move(image));
    });
    bool readySent = false;
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &app, [&](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia) {
            writer.message(fw::VideoMessage::ended);
            QCoreApplication::quit();
        } else if (status == QMediaPlayer::InvalidMedia) {
            fail(QStringLiteral("invalid media: ") + player.errorString());
        } else if (!readySent && (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia)) {
            readySent = true;
            writer.message(fw::VideoMessage::ready);
        }
    });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &app, [](QMediaPlayer::Error error, const QString& why) {
        if (error != QMediaPlayer::NoError)
            fail(QStringLiteral("media error %1: %2").arg(int(error)).arg(why));
    });
    // The program closes our input when it goes away.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });

    player.setSource(QUrl(args[1]));
    player.play();
    const int code = app.exec();
    // What is pending is written before the helper ends; where the program went away the
    // write fails at once.
    const bool written = writer.finish();
    gWriter = nullptr;
    return written ? code : 1;
}
