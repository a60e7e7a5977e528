#pragma once

#include <QTest>

#include <functional>
#include <memory>

#include <QLabel>

#include "app/StartUp.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

// The client program as a user starts it a second time (settings initialised, no autostart), in its own
// VELQUON_HOME at a fixed time, connected over loopback to a server the test scripts. Calls show no pop-up and
// play no first-ring sound unless a test says otherwise. Header-only: it needs the composition root, which only
// the ui and app tests link.
class ClientSession {
public:
    // Starts the client; settings() runs first, in the new home, for options of the test's own. With
    // answerTheBurst the connect burst's query is answered with no calls and its waiting note has gone; false
    // when no client main window came up or it did not connect.
    bool start(const std::function<void()>& settings = {}, bool answerTheBurst = true)
    {
        m_home = std::make_unique<TempHome>();
        m_server = std::make_unique<ScriptedServer>();
        Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
        SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
        SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
        SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
        SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(m_server->port()));
        SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
        if (settings)
            settings();
        if (!Main() || !window())
            return false;
        if (!m_server->waitForClient() || m_server->waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty())
            return false;
        if (answerTheBurst) {
            m_server->send(QStringLiteral(";SIZE;0;"));
            m_server->send(QStringLiteral(";CLEAR CALLERS;"));
            if (!QTest::qWaitFor([] { return FindForms(QStringLiteral("frmWaiting")).isEmpty(); }))
                return false;
        }
        m_server->clearRequests();
        Prompt::resetScript();
        return true;
    }

    // Shuts the program down and removes every window, the server and the temporary home.
    void stop()
    {
        StandaloneSession::unloadEverything();
        m_server.reset();
        m_home.reset();
    }

    static frmRemoteMain* window() { return dynamic_cast<frmRemoteMain*>(gMainForm); }
    ScriptedServer& server() { return *m_server; }
    const TempHome& home() const { return *m_home; }

    // What the client shows: the names in its call list (sorted), status panel 2's record count, the pop-up's
    // callers, the waiting notes open (of that tag; every one with none).
    static QStringList listedNames()
    {
        auto* list = ::ui::findByName<CallerIDGrid>(window(), QStringLiteral("Grid"));
        QStringList out;
        for (int r = 1; r < list->Rows(); ++r)
            out << list->TextMatrix(r, CallListModel::ColName);
        out.sort();
        return out;
    }
    static QString recordsShown()
    {
        return ::ui::findByName<QLabel>(window(), QStringLiteral("StatusBar1.Panels(2)"))->text();
    }
    static QStringList popupNames()
    {
        QStringList out;
        for (const clsCaller& c : miniDisplay().Callers)
            out << c.Name;
        return out;
    }
    static int waitingNotes(const QString& tag = QString())
    {
        int n = 0;
        for (QWidget* w : FindForms(QStringLiteral("frmWaiting")))
            n += tag.isEmpty() || Tag(w) == tag ? 1 : 0;
        return n;
    }

    // Everything the server sent before has been read: the server's news of its modem port, flipped each time,
    // shows. False when it did not show in time.
    bool caughtUp()
    {
        m_portNews = !m_portNews;
        m_server->send(m_portNews ? QStringLiteral(";MODEMCONNECTION;TRUE;")
                                  : QStringLiteral(";MODEMCONNECTION;FALSE;"));
        return QTest::qWaitFor([this] { return window() && window()->ModemConnected == m_portNews; });
    }

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ScriptedServer> m_server;
    bool m_portNews = false;
};
