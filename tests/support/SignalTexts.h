#pragma once

#include <QSignalSpy>
#include <QStringList>

// The texts a signal with a QString first argument carried, in order, since the spy was made or cleared.
inline QStringList texts(const QSignalSpy& spy)
{
    QStringList out;
    for (const QList<QVariant>& arguments : spy)
        out << arguments.value(0).toString();
    return out;
}
