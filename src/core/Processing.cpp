#include "core/Processing.h"

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/ProgressWindow.h"

#include <QObject>

Processing::Processing(qint32 maximum, const QString& caption, QObject* owner, const QString& tag) : m_task(caption)
{
    const ProgramLinks& links = programLinks();
    if (!links.createProgressWindow || Program::dialogOpen())
        return;
    m_window = links.createProgressWindow();
    if (!m_window)
        return;
    m_guard = m_window->object();
    m_window->setTag(tag);
    m_window->SetMax(maximum);
    m_window->setCaption(caption);
    if (Program::dialogOpen())
        return;
    // With the main window hidden (in the tray) there is nothing to stand beside but the task bar.
    if (!gMainForm || !gMainForm->isWindowVisible() || !owner)
        m_window->showBesideTaskBar();
    else
        m_window->showOwned(owner);
}

Processing::~Processing()
{
    if (ProgressWindow* w = window()) {
        w->Unload();
        m_guard->deleteLater();
    }
}

ProgressWindow* Processing::window() const { return m_guard ? m_window : nullptr; }

void Processing::Increment()
{
    if (ProgressWindow* w = window())
        w->Increment();
}

bool Processing::StopProcessing() const
{
    // The program ending stops the operation as its Stop button would.
    if (Program::ending())
        return true;
    const ProgressWindow* w = window();
    return w && w->StopProcessing();
}

void Processing::Unload()
{
    if (ProgressWindow* w = window())
        w->Unload();
}
