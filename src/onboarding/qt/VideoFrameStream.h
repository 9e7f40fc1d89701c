#pragma once
// What the welcome video's helper process tells the program over its standard output: a
// stream of messages, each one byte of kind, a frame followed by its width and height (two
// 32-bit numbers in the machine's order) and its RGB32 pixels, row by row. The program reads
// it with a bound: a frame larger than the size it asked for, or an unknown kind, ends the
// stream as failed.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace fw {

enum class VideoMessage : char { ready = 'R', frame = 'F', ended = 'E', failed = 'X' };

QByteArray encodeVideoMessage(VideoMessage kind);
// The frame as RGB32.
QByteArray encodeVideoFrame(const QImage& frame);

// What a batch of bytes completed.
struct VideoNews {
    QImage frame;   // the latest whole frame, if any
    int frames = 0;
    bool ready = false;
    bool ended = false;
    bool failed = false;
};

class VideoStreamReader {
public:
    explicit VideoStreamReader(QSize limit) : limit_(limit) {}

    // Takes the bytes read; keeps an unfinished message for the next batch.
    VideoNews take(const QByteArray& bytes);

private:
    QSize limit_;
    QByteArray pending_;
    bool broken_ = false;
};

} // namespace fw
