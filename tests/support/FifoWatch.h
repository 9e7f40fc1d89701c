#pragma once
// Watches FIFOs from another thread: whoever opens one to read is seen (an open for writing
// succeeds only then) and let go at once, so a fault shows as a count, never as a hang.
//
//   FifoWatch watch({fifoPath});
//   codeThatMustNotOpenIt();
//   EXPECT_EQ(watch.opened(), 0);

#include <QFile>
#include <QStringList>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace fw::test {

class FifoWatch {
public:
    explicit FifoWatch(QStringList paths) : paths_(std::move(paths)), thread_([this] { run(); }) {}
    ~FifoWatch()
    {
        stop_ = true;
        thread_.join();
    }
    int opened() const { return opened_; }

private:
    void run()
    {
        while (!stop_) {
            for (const QString& path : paths_) {
                const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ++opened_;
                    ::close(fd);
                }
            }
            ::usleep(1000);
        }
    }
    QStringList paths_;
    std::atomic<bool> stop_{false};
    std::atomic<int> opened_{0};
    std::thread thread_;
};

} // namespace fw::test
