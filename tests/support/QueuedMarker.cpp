#include "QueuedMarker.h"

#include <QObject>
#include <QTest>

bool waitForQueuedMarker(int timeoutMs)
{
    QObject receiver;
    bool seen = false;
    QMetaObject::invokeMethod(
        &receiver, [&seen] { seen = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&seen] { return seen; }, timeoutMs);
}
