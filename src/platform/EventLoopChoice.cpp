#include "platform/EventLoopChoice.h"

namespace {

const char* const kNoGlib = "QT_NO_GLIB";
bool g_setHere = false;

} // namespace

namespace EventLoopChoice {

void useQtsOwnLoop()
{
    if (qEnvironmentVariableIsSet(kNoGlib))
        return;
    qputenv(kNoGlib, "1");
    g_setHere = true;
}

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (g_setHere)
        environment.remove(QString::fromLatin1(kNoGlib));
    return environment;
}

bool startWithChildEnvironment(const std::function<bool()>& start)
{
    if (!g_setHere)
        return start();
    // Only while the child is started, on the window thread, which starts the program's threads too: no
    // thread of ours makes its loop in the meantime.
    qunsetenv(kNoGlib);
    const bool started = start();
    qputenv(kNoGlib, "1");
    return started;
}

} // namespace EventLoopChoice
