#include "popup/ui/PopupWindows.h"

#include <QPlainTextEdit>
#include <QWidget>

#include "popup/MiniDisplay.h"
#include "popup/ui/frmCallerInfo.h"
#include "popup/ui/frmContactPicture.h"
#include "popup/ui/frmOtherInfo.h"

namespace {

// Text boxes paint their text on the Base/Text roles, everything else on Window/WindowText.
bool isTextBox(const QWidget* w) { return qobject_cast<const QPlainTextEdit*>(w) != nullptr; }

} // namespace

void setForeground(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    if (isTextBox(widget)) {
        p.setColor(QPalette::Text, colour);
    } else {
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::ButtonText, colour);
    }
    widget->setPalette(p);
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    if (isTextBox(widget)) {
        p.setColor(QPalette::Base, colour);
    } else {
        p.setColor(QPalette::Window, colour);
        p.setColor(QPalette::Button, colour); // buttons (the check box) fill with this role
    }
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

QColor foreground(const QWidget* widget)
{
    return widget->palette().color(isTextBox(widget) ? QPalette::Text : QPalette::WindowText);
}

QColor background(const QWidget* widget)
{
    return widget->palette().color(isTextBox(widget) ? QPalette::Base : QPalette::Window);
}

PopupDetailWindow* detailWindow(int screen, bool create)
{
    switch (screen) {
    case MiniDisplay::CallerInfoScreen:
        return frmCallerInfo::instance(create);
    case MiniDisplay::PictureScreen:
        return frmContactPicture::instance(create);
    case MiniDisplay::OtherInfoScreen:
        return frmOtherInfo::instance(create);
    default:
        return nullptr;
    }
}
