#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A named pipe made at path and watched from a thread of its own: whoever opens it to read is noticed and
// let go at once (the watch's writer end closes, so the reader finds the pipe empty). Code that would wait
// there for ever, holding the test with it, returns instead, and opened() says it went there.
class PipeWatch {
public:
    explicit PipeWatch(const QString& path) : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        if (m_made)
            m_thread = std::thread([this] { watch(); });
    }
    ~PipeWatch()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;

    bool made() const { return m_made; }
    // Whether anyone has opened the pipe to read since it was made.
    bool opened() const { return m_opened; }

private:
    void watch()
    {
        while (!m_stop) {
            // Opening the writer's end without waiting succeeds only while a reader has the pipe open.
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_opened = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_opened{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
