#pragma once

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A client on a thread of its own, with blocking sockets: it writes and reads while the program's event
// loop is busy in the test's thread (for instance inside a long reply), as a client on another machine does.
//
//     ThreadedPeer peer(port, [](ThreadedPeer& p) { p.write("..."); p.pause(20); ...; p.readUntil(...); });
//     QTRY_VERIFY(peer.done());
class ThreadedPeer {
public:
    ThreadedPeer(quint16 port, std::function<void(ThreadedPeer&)> script) : m_script(std::move(script))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~ThreadedPeer()
    {
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool connected() const { return m_connected; }
    void run()
    {
        m_thread = std::thread([this] {
            m_script(*this);
            m_done = true;
        });
    }
    bool done() const { return m_done; }

    // --- for the script ---
    void write(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += n;
        }
    }
    void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    // Reads until the bytes received so far end with end, the peer closes, or ms pass; true on end.
    bool readUntil(const QByteArray& end, int ms)
    {
        return readUntil([&](const QByteArray& bytes) { return bytes.endsWith(end); }, ms);
    }
    // Reads until enough(bytes received so far) holds, the peer closes, or ms pass; true when it holds.
    bool readUntil(const std::function<bool(const QByteArray&)>& enough, int ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (enough(m_received))
                    return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(buffer, n);
        }
    }
    QByteArray received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    std::function<void(ThreadedPeer&)> m_script;
    int m_fd = -1;
    bool m_connected = false;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    QByteArray m_received;
};
