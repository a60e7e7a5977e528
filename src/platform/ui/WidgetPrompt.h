#pragma once

#include "platform/Prompt.h"

// Prompt's interactive backend: real message boxes and dialogs.
class WidgetPrompt : public Prompt::Backend {
public:
    Prompt::Answer message(const QString& title, const QString& text, Prompt::Buttons buttons, Prompt::Icon icon,
                           int defaultButton) override;
    void notice(const QString& title, const QString& text, Prompt::Icon icon) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& path, const QString& filter) override;
    std::optional<quint32> chooseColor(quint32 bgr) override;
    QString input(const QString& title, const QString& prompt, const QString& defaultText) override;
    bool print(QPrinter* printer) override;
};
