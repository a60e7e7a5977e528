#include "platform/TerminationSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};
std::function<void()> g_handler;

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe calls here.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
}

} // namespace

void installTerminationHandler(std::function<void()> handler)
{
    g_handler = std::move(handler);
    if (g_fds[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0) {
        g_fds[0] = g_fds[1] = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_fds[1], &byte, 1);
        if (g_handler)
            g_handler();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}
