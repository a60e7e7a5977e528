#pragma once

#include <QTest>

#include <functional>
#include <memory>

#include "app/StartUp.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
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

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ScriptedServer> m_server;
};
