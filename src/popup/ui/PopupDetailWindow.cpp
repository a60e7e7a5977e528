#include "popup/ui/PopupDetailWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Twips.h"
#include "popup/ui/PopupWindows.h"

PopupDetailWindow::PopupDetailWindow(const char* name, const QString& caption) : QWidget(nullptr)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    SetWindowStyle(this, BorderSizableToolWindow, false, true, false, false, false, false);
}

void PopupDetailWindow::load()
{
    setWindowIcon(QIcon());
    FirstShow = true;
    SetOnTop(this, textToBool(GetProperty(Section::frmMiniDisplay, Key::OnTop, QStringLiteral("True"))));
    Placing = true;
    resize(Twips::toPixels(3500), Twips::toPixels(1900));
    RestoreFormPosition(this);
    Placing = false;
    UpdateAppearance();
}

void PopupDetailWindow::closeByProgram()
{
    m_programClose = true;
    close();
}

void PopupDetailWindow::dragBy(QWidget* control)
{
    control->installEventFilter(this);
    control->setMouseTracking(true);
}

bool PopupDetailWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!inert() && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint global = me->globalPosition().toPoint();
        if (event->type() == QEvent::MouseButtonPress) {
            m_dragOffset = global - frameGeometry().topLeft();
        } else if (me->buttons() & Qt::LeftButton) {
            if (gMainForm)
                gMainForm->StopBlinking();
            if (!(windowHandle() && windowHandle()->startSystemMove()))
                move(global - m_dragOffset);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PopupDetailWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (Placing || inert())
        return;
    const QSize outer = frameGeometry().size();
    layoutContent(double(float(Twips::fromPixels(outer.width()) / 3500)), Twips::fromPixels(outer.height()) / 1900);
    if (FirstShow) {
        refreshContent();
        SaveProperty(section(), QString::fromLatin1(Key::Visible), QStringLiteral("True"));
        FirstShow = false;
    }
}

void PopupDetailWindow::closeEvent(QCloseEvent* event)
{
    if (!inert()) {
        if (!m_programClose)
            SaveProperty(section(), QString::fromLatin1(Key::Visible), QStringLiteral("False"));
        if (gMainForm)
            gMainForm->StopBlinking();
        SaveFormPosition(this, PlacePosition | PlaceSize);
    }
    event->accept();
}
