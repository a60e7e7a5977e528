#pragma once

#include "popup/ui/PopupDetailWindow.h"

class QPlainTextEdit;

// A detail window that is one read-only text box filling the window, coloured like the pop-up's screen and
// scaled with the window; its content comes from the derived window.
class PopupTextWindow : public PopupDetailWindow {
    Q_OBJECT
public:
    void UpdateAppearance() override;
    // Replaces what the box shows (a server's reply to the client's request).
    void setText(const QString& text);

protected:
    // textName: the box's objectName.
    PopupTextWindow(const char* name, const QString& caption, const char* textName);
    void layoutContent(double ws, double hs) override;
    QPlainTextEdit* textBox() const { return m_text; }

private:
    QPlainTextEdit* m_text = nullptr;
};
