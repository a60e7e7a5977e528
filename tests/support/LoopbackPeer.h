#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QStringList>
#include <QTcpSocket>
#include <QTest>

#include "network/MessageFramer.h"

// A client copy as the server sees it from the other end of a loopback connection: it sends requests
// (the end-of-send marker added) and takes the server's sends one by one, cut at their markers.
class LoopbackPeer {
public:
    explicit LoopbackPeer(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(5000);
    }
    void send(const QByteArray& text)
    {
        socket.write(text + MessageFramer::Marker);
        socket.flush();
    }
    // The next n sends of the server (markers taken off), or fewer when they do not come within ms.
    QStringList take(int n, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (units.size() < n && timer.elapsed() < ms) {
            if (socket.bytesAvailable() == 0)
                QTest::qWait(2);
            units += framer.feed(socket.readAll());
        }
        QStringList out;
        while (!units.isEmpty() && out.size() < n) {
            QString unit = units.takeFirst();
            unit.chop(MessageFramer::Marker.size());
            out << unit;
        }
        return out;
    }
    QString next(int ms = 5000)
    {
        const QStringList one = take(1, ms);
        return one.isEmpty() ? QString() : one.first();
    }
    // Every send that came within ms.
    QStringList all(int ms = 100) { return take(1 << 30, ms); }

    QTcpSocket socket;
    MessageFramer framer{256 * 1024 * 1024};
    QStringList units;
};
