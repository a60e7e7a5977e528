#pragma once

#include "platform/Prompt.h"

#include <functional>

class QWidget;

// Prompt's interactive backend: real message boxes and dialogs. A box belongs to the active window, else to the
// owner window while it is shown (the main window), so the window manager keeps it above that window. Notices
// come one at a time: the next one opens when the last is closed, and a modal box asked while one is open makes
// it modal and waits for it first. The program's end closes them all as cancelled (closeOpen).
class WidgetPrompt : public Prompt::Backend {
public:
    // The window a box belongs to when no window of the program is active; nullptr, or a hidden window, leaves
    // the box on its own.
    static void setOwnerWindow(std::function<QWidget*()> owner);

    Prompt::Answer message(const QString& title, const QString& text, Prompt::Buttons buttons, Prompt::Icon icon,
                           int defaultButton) override;
    void notice(const QString& title, const QString& text, Prompt::Icon icon) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& path, const QString& filter) override;
    std::optional<quint32> chooseColor(quint32 bgr) override;
    QString input(const QString& title, const QString& prompt, const QString& defaultText) override;
    bool print(QPrinter* printer) override;
    void closeOpen() override;
};
