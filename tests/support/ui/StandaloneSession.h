#pragma once

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "app/StartUp.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ShellIcon.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

// The standalone program as a user starts it a second time (settings initialised, no autostart), in its own
// VELQUON_HOME at a fixed time, with the modem port left closed. Header-only: it needs the composition root,
// which only the ui and app tests link.
class StandaloneSession {
public:
    // Starts the program; false when no standalone main window came up.
    bool start()
    {
        m_home = std::make_unique<TempHome>();
        Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
        SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
        SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
        if (!Main() || !window())
            return false;
        port()->PortOpenTimer.stop(); // no modem here
        Prompt::resetScript();
        return true;
    }

    // Starts the program again in the same home, as the user does after ending it; false when no standalone
    // main window came up.
    bool restart()
    {
        unloadEverything();
        if (!Main() || !window())
            return false;
        port()->PortOpenTimer.stop();
        return true;
    }

    // Shuts the program down and removes every window and the temporary home.
    void stop()
    {
        unloadEverything();
        m_home.reset();
    }

    // The program shut down (when it runs) and every window of it deleted.
    static void unloadEverything()
    {
        if (gMainForm)
            ShutDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Deleting one window deletes the ones it owns (its menus are windows too): take the list first, and
        // delete only what is still there.
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget() && w->windowType() != Qt::Desktop && !IsToolkitWindow(w))
                windows << w;
        for (const QPointer<QWidget>& w : std::as_const(windows))
            delete w.data();
    }

    static frmBaseMain* window() { return dynamic_cast<frmBaseMain*>(gMainForm); }

    // The main window's parts, found by name.
    static ModemPort* port() { return ui::findByName<ModemPort>(window(), QStringLiteral("Comm")); }
    static CallHandler* calls() { return ui::findByName<CallHandler>(window(), QStringLiteral("Calls")); }
    static CallerIDGrid* grid() { return ui::findByName<CallerIDGrid>(window(), QStringLiteral("Grid")); }
    static ShellIcon* shell() { return ui::findByName<ShellIcon>(window(), QStringLiteral("ShellIcon")); }
    static QLabel* panel(int index)
    {
        return ui::findByName<QLabel>(window(), QStringLiteral("StatusBar1.Panels(%1)").arg(index));
    }
    static QAction* action(const QString& name) { return ui::findByName<QAction>(window(), name); }
    static QMenu* menu(const QString& name) { return ui::findByName<QMenu>(window(), name); }
    static QTimer* timer(const QString& name) { return ui::findByName<QTimer>(window(), name); }
    const TempHome& home() const { return *m_home; }

private:
    std::unique_ptr<TempHome> m_home;
};
