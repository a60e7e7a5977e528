#include "platform/TerminationSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};
std::function<void()> g_handler;
int g_lastSignal = 0;

void onSignal(int signal)
{
    const char byte = char(signal);
    // Only async-signal-safe calls here.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
}

void handle(int signal, bool unlessIgnored)
{
    struct sigaction previous = {};
    if (unlessIgnored && ::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
        return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
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
    // Every signal that has come is handled in one go: two that came together are the user insisting, whatever
    // a task meanwhile does in between two turns of the loop.
    ::fcntl(g_fds[1], F_SETFL, ::fcntl(g_fds[1], F_GETFL) | O_NONBLOCK);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        while (::read(g_fds[1], &byte, 1) == 1) {
            g_lastSignal = static_cast<unsigned char>(byte);
            if (g_handler)
                g_handler();
        }
    });
    handle(SIGTERM, false);
    handle(SIGINT, true);
    handle(SIGHUP, true);
}

int lastTerminationSignal() { return g_lastSignal; }

void ignoreBrokenPipes() { ::signal(SIGPIPE, SIG_IGN); }

QString terminationSignalName(int signal)
{
    switch (signal) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal ") + QString::number(signal);
    }
}
