#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "contacts/ui/frmContacts.h"
#include "platform/Prompt.h"

// What the files that make up the contact book window share: the save question and the guard of a command
// that waits on the user.
namespace ContactsWindow {

inline constexpr char SaveQuestion[] = "Do you want to save changes?";

inline bool isYes(Prompt::Answer a) { return a == Prompt::Yes; }

} // namespace ContactsWindow

// A command that waits on the user (a dialog, a question box) lets the event loop run, and the window may
// be closed meanwhile: the program ending or switching its mode closes it. Until every such command has
// returned, a close only hides the window and its deletion waits, so neither the command nor the Qt code
// below it (a view's click, a combo box's change, a button's click) runs on a deleted window, and a dialog
// the command made with the window as its parent is never deleted under it. open() tells the command
// whether it may go on once its wait is over.
class frmContacts::WaitingCommand {
public:
    explicit WaitingCommand(frmContacts* window) : m_window(window) { ++window->m_waiting; }
    ~WaitingCommand()
    {
        if (!m_window || --m_window->m_waiting > 0 || !m_window->m_deleteWhenDone)
            return;
        // From the event loop, once the handler that ran the command has returned. Not by deleteLater: Qt
        // drops a second deferred deletion of an object whose first one was not carried out.
        QTimer::singleShot(0, qApp, [window = m_window] { delete window.data(); });
    }
    WaitingCommand(const WaitingCommand&) = delete;
    WaitingCommand& operator=(const WaitingCommand&) = delete;

    bool open() const { return m_window && !m_window->m_closed; }

private:
    QPointer<frmContacts> m_window;
};
