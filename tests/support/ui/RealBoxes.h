#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"

// While it exists, Prompt's boxes are real ones (VELQUON_NONINTERACTIVE unset, the widget backend in place): a box
// waits on the user in its own modal loop. answer() keeps answering every box on show whose text starts so.
class RealBoxes : public QObject {
public:
    RealBoxes() : m_previous(qgetenv("VELQUON_NONINTERACTIVE"))
    {
        qunsetenv("VELQUON_NONINTERACTIVE");
        Prompt::setBackend(&m_prompt);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            for (const auto& [text, button] : std::as_const(m_answers))
                if (QMessageBox* box = shown(text))
                    box->button(button)->click();
        });
        m_poll.start(5);
    }
    ~RealBoxes() override
    {
        Prompt::setBackend(nullptr);
        qputenv("VELQUON_NONINTERACTIVE", m_previous);
    }
    void answer(const QString& text, QMessageBox::StandardButton button) { m_answers.append({text, button}); }
    // The box on show whose text starts with text (any box for an empty text), or nullptr.
    static QMessageBox* shown(const QString& text)
    {
        for (QWidget* w : QApplication::allWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text().startsWith(text))
                return box;
        return nullptr;
    }

private:
    WidgetPrompt m_prompt;
    QByteArray m_previous;
    QTimer m_poll;
    QList<std::pair<QString, QMessageBox::StandardButton>> m_answers;
};
