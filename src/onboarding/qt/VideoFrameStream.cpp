// Encoding and bounded decoding of the video helper's output: message kinds, frame sizes and pixels.
#include "onboarding/qt/VideoFrameStream.h"

#include <cstdint>
#include <cstring>

namespace fw {

namespace {

constexpr qsizetype kFrameHeader = 1 + 2 * sizeof(std::uint32_t);

std::uint32_t readNumber(const char* at)
{
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

QByteArray encodeVideoMessage(VideoMessage kind) { return QByteArray(1, char(kind)); }

QByteArray encodeVideoFrame(const QImage& frame)
{
    const QImage image = frame.convertToFormat(QImage::Format_RGB32);
    const std::uint32_t size[2] = {std::uint32_t(image.width()), std::uint32_t(image.height())};
    QByteArray out;
    out.reserve(kFrameHeader + image.width() * image.height() * 4);
    out.append(char(VideoMessage::frame));
    out.append(reinterpret_cast<const char*>(size), sizeof size);
    for (int y = 0; y < image.height(); ++y)
        out.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
    return out;
}

VideoNews VideoStreamReader::take(const QByteArray& bytes)
{
    VideoNews news;
    if (broken_)
        return news;
    pending_.append(bytes);
    qsizetype at = 0;
    while (at < pending_.size()) {
        const char kind = pending_.at(at);
        if (kind == char(VideoMessage::ready) || kind == char(VideoMessage::ended)
            || kind == char(VideoMessage::failed)) {
            news.ready = news.ready || kind == char(VideoMessage::ready);
            news.ended = news.ended || kind == char(VideoMessage::ended);
            news.failed = news.failed || kind == char(VideoMessage::failed);
            ++at;
            continue;
        }
        if (kind != char(VideoMessage::frame)) {
            broken_ = news.failed = true;
            break;
        }
        if (pending_.size() - at < kFrameHeader)
            break;
        const std::uint32_t w = readNumber(pending_.constData() + at + 1);
        const std::uint32_t h = readNumber(pending_.constData() + at + 1 + sizeof w);
        if (w == 0 || h == 0 || w > std::uint32_t(limit_.width()) || h > std::uint32_t(limit_.height())) {
            broken_ = news.failed = true;
            break;
        }
        const qsizetype length = kFrameHeader + qsizetype(w) * h * 4;
        if (pending_.size() - at < length)
            break;
        QImage frame(int(w), int(h), QImage::Format_RGB32);
        for (int y = 0; y < int(h); ++y)
            std::memcpy(frame.scanLine(y), pending_.constData() + at + kFrameHeader + qsizetype(y) * w * 4, w * 4);
        news.frame = std::move(frame);
        ++news.frames;
        at += length;
    }
    pending_.remove(0, at);
    if (broken_)
        pending_.clear();
    return news;
}

} // namespace fw
