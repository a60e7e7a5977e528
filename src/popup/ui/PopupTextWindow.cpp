#include "popup/ui/PopupTextWindow.h"

#include <QPlainTextEdit>

#include "core/SettingsKeys.h"
#include "platform/Colour.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupWindows.h"

PopupTextWindow::PopupTextWindow(const char* name, const QString& caption, const char* textName)
    : PopupDetailWindow(name, caption)
{
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QLatin1String(textName));
    m_text->setReadOnly(true);
    m_text->setFont(QFont(QStringLiteral("Liberation Sans")));
    dragBy(m_text->viewport());
    load();
}

void PopupTextWindow::layoutContent(double ws, double hs)
{
    m_text->setGeometry(rect());
    QFont f = m_text->font();
    f.setPointSizeF(ws * hs + 8);
    m_text->setFont(f);
}

void PopupTextWindow::UpdateAppearance()
{
    setForeground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8464686")));
    setBackground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686")));
    setBackground(m_text, Colour::fromBgr(MiniDisplay::colourSetting(Key::ScreenColor, "15326429")));
    setForeground(m_text, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8418617")));
}

void PopupTextWindow::setText(const QString& text) { m_text->setPlainText(text); }
