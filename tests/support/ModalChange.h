#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "core/ProgramLinks.h"
#include "core/clsContact.h"
#include "support/FakeModem.h"
#include "support/LoopbackPeer.h"
#include "support/ScriptedServer.h"

// Changes that reach the program while one of its windows waits on the user. A modal step (a dialog's
// exec(), a question box) runs a nested event loop, so a client's request on the server, a server's push
// on a client and the timers are all dispatched while it is open. A test fires one of these from inside
// the step (Prompt::queueMeanwhile for a box or a file dialog, a ModalDialog script or a ModalScript step
// for a dialog), lets the step end, and checks that the command acted on the record the user chose when it
// began, or said that it is gone. Header-only: it is used by core and window tests alike.
namespace ModalChange {

// Lets the event loop run, as the modal step's own loop does, until done() holds; false after the time-out.
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    return QTest::qWaitFor(done, timeoutMs);
}

// Another client of the server under test, on loopback: its requests are read, queued and answered by the
// server exactly as any client's are.
class OtherClient {
public:
    explicit OtherClient(quint16 port) : m_peer(port) {}

    bool connected() const { return m_peer.socket.state() == QAbstractSocket::ConnectedState; }

    // Sends the request and runs the event loop until a send of the server to this client contains one of
    // the answers (the contact book every client gets after a change, or the refusal).
    bool send(const QString& request, const QStringList& answers)
    {
        drain();
        m_peer.send(request.toUtf8());
        return spinUntil([&] {
            m_peer.units += m_peer.framer.feed(m_peer.socket.readAll());
            while (!m_peer.units.isEmpty()) {
                const QString unit = m_peer.units.takeFirst();
                m_seen << unit;
                for (const QString& a : answers)
                    if (unit.contains(a))
                        return true;
            }
            return false;
        });
    }

    // The contact requests of another user's contact book; true once the server has answered (stored and
    // pushed the book, or refused).
    bool addContact(const clsContact& contact)
    {
        return send(QStringLiteral(";ADD CONTACT;") + contact.PrintSend(), contactAnswers());
    }
    bool editContact(const QString& storedName, const clsContact& contact)
    {
        return send(QStringLiteral(";EDIT CONTACT;") + storedName + QLatin1Char(';') + contact.PrintSend(),
                    contactAnswers());
    }
    bool deleteContact(const QString& name)
    {
        return send(QStringLiteral(";DELETE CONTACT;") + name, {QStringLiteral(";CLEAR CONTACTS;")});
    }

    // Everything the server sent this client so far, markers taken off.
    const QStringList& seen() const { return m_seen; }
    LoopbackPeer& peer() { return m_peer; }

private:
    // What the server sent before the request (the book it pushed to every client after an earlier change)
    // is no answer to it: read and kept, it is not waited for.
    void drain()
    {
        do {
            m_peer.units += m_peer.framer.feed(m_peer.socket.readAll());
        } while (m_peer.socket.waitForReadyRead(0));
        m_seen += m_peer.units;
        m_peer.units.clear();
    }

    static QStringList contactAnswers() { return {QStringLiteral(";CLEAR CONTACTS;"), QStringLiteral(";ERROR;")}; }

    LoopbackPeer m_peer;
    QStringList m_seen;
};

// Fires change once, from the event loop, at the first turn at which condition holds: a change that must land
// while the program is in a given state (the statistics engine busy with a computation, a run half done).
// Nothing fires once the returned timer is gone.
inline std::unique_ptr<QTimer> fireWhen(std::function<bool()> condition, std::function<void()> change)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(0);
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, t, [t, condition = std::move(condition), change = std::move(change)] {
        if (!condition())
            return;
        t->stop();
        change();
    });
    t->start();
    return timer;
}

// The server of the client under test pushes a unit (a contact book, a group change, a ";DELETE OK;", a
// ring); the event loop runs until done() holds, which the test states by what the unit must change.
inline bool push(ScriptedServer& server, const QString& unit, const std::function<bool()>& done)
{
    server.send(unit);
    return spinUntil(done);
}

// A call comes in through the fake modem of the program under test: the first ring, then the caller's
// lines; the event loop runs until done() holds (the call stored, its row shown), which the test states.
inline bool ring(FakeModem& modem, const QString& number, const QString& name, const std::function<bool()>& done)
{
    modem.injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(number, name))
        modem.injectLine(line);
    return spinUntil(done);
}

// The program ends while the step waits, as SIGTERM or the end of the session ends it. end() is the
// program's own exit (ShutDown or ExitProgram: passed in, since only the window tests link it); what it let
// go is then deleted at once, as the step's own event loop would delete it before the step returns.
inline void endProgram(const std::function<void()>& end)
{
    end();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The same with the exit steps the program registered (Program::shutDown): what the step's caller held of
// the windows ShutDown unloads is gone when the step returns.
inline void programEnds()
{
    endProgram([] { Program::shutDown(); });
}

} // namespace ModalChange
