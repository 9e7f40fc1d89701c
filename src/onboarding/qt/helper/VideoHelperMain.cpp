// framewell-video: plays the welcome video for the program, out of its process, so that the
// media libraries, the sound server's client and their threads end with the video instead of
// staying in the program for the session. Usage: framewell-video <address> <width> <height>.
// It plays the sound itself and writes the pictures, scaled to fit the size, to its standard
// output (onboarding/qt/VideoFrameStream.h). It ends at the video's end, on a failure, when
// its standard input closes (the program went away) or when a write fails.
#include "onboarding/qt/VideoFrameStream.h"

#include <QAudioOutput>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QSocketNotifier>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <cerrno>
#include <cstdio>
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

void send(const QByteArray& bytes)
{
    if (!writeAll(bytes))
        QCoreApplication::exit(1);
}

// Says why on the error channel first, so the reason is there when the program reads the
// failure from the stream, then ends. Once: the player may report the same failure twice.
void fail(const QString& why)
{
    static bool failed = false;
    if (std::exchange(failed, true))
        return;
    std::fprintf(stderr, "framewell-video: %s\n", qUtf8Printable(why));
    std::fflush(stderr);
    send(encodeVideoMessage(fw::VideoMessage::failed));
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

    QMediaPlayer player;
    QAudioOutput audio;
    QVideoSink sink;
    player.setAudioOutput(&audio);
    player.setVideoSink(&sink);
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &app, [size](const QVideoFrame& frame) {
        QImage image = frame.toImage();
        if (!image.isNull())
            send(fw::encodeVideoFrame(image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    });
    bool readySent = false;
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &app, [&](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia) {
            send(encodeVideoMessage(fw::VideoMessage::ended));
            QCoreApplication::quit();
        } else if (status == QMediaPlayer::InvalidMedia) {
            fail(QStringLiteral("invalid media: ") + player.errorString());
        } else if (!readySent && (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia)) {
            readySent = true;
            send(encodeVideoMessage(fw::VideoMessage::ready));
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
    return app.exec();
}
