#pragma once

#include <QPointer>
#include <QString>

#include "core/ProgramLinks.h"

class ProgressWindow;

// One long operation's progress: the progress window shown for it (ShowProcessing), its steps and its
// Stop request. Every operation gets a window of its own, so a second long operation started from the
// event loop while the first one yields cannot change the first one's maximum, Stop flag or window.
//
//     Processing progress(rows, QStringLiteral("Coping Data..."), ownerWindow);
//     for (...) { ...; progress.Increment(); if (progress.StopProcessing()) break; }
//
// Nothing is shown while a modal dialog is open, or when no GUI is registered; the operation then runs
// without a window (Increment does nothing, StopProcessing stays false). Either way StopProcessing turns
// true once the program is to end (Program::ending).
class Processing {
public:
    Processing(qint32 maximum, const QString& caption, QObject* owner = nullptr, const QString& tag = QString());
    ~Processing();
    Processing(const Processing&) = delete;
    Processing& operator=(const Processing&) = delete;

    void Increment();
    bool StopProcessing() const;
    // Closes the window now (the destructor does it too).
    void Unload();

    // The window while it exists (shown, or unloaded but not yet released); nullptr otherwise.
    ProgressWindow* window() const;

private:
    LongTask m_task;
    ProgressWindow* m_window = nullptr;
    QPointer<QObject> m_guard;
};
