#include "mainwindow/ui/ShellIcon.h"

#include <QSystemTrayIcon>

#include "platform/Teardown.h"

ShellIcon::ShellIcon(QObject* parent) : QObject(parent)
{
    m_tray = new QSystemTrayIcon(this);
    m_tmrMenu.setInterval(500);
    m_tmrMenu.setSingleShot(false);
    connect(&m_tmrMenu, &QTimer::timeout, this, &ShellIcon::tmrMenu_Timer);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            dispatch(LeftDown);
            dispatch(LeftUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            // The second press of a double click, then its release (which cancels the delayed click).
            dispatch(LeftDoubleClick);
            dispatch(LeftUp);
            break;
        case QSystemTrayIcon::Context:
            dispatch(RightDown);
            dispatch(RightUp);
            break;
        default:
            break;
        }
    });
}

ShellIcon::~ShellIcon()
{
    // The tray icon outlives this body; nothing it reports on its way out may reach the click timer.
    detachChildren(this);
    if (m_added)
        ShowIcon(false);
}

bool ShellIcon::trayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void ShellIcon::setToolTipText(const QString& text)
{
    m_tip = text.left(TipLength);
    m_tray->setToolTip(m_tip);
}

void ShellIcon::setIcon(const QIcon& icon)
{
    m_icon = icon;
    m_tray->setIcon(icon);
}

void ShellIcon::setVisible(bool visible)
{
    m_visible = visible;
    ShowIcon(visible);
}

void ShellIcon::ShowIcon(bool show)
{
    if (show && !m_added) {
        m_tray->show();
        m_added = true;
    } else if (!show && m_added) {
        m_tray->hide();
        m_added = false;
    }
}

void ShellIcon::dispatch(int message)
{
    switch (message) {
    case MouseMoved:
        Q_EMIT MouseMove();
        break;
    case LeftDown:
        Q_EMIT MouseDown(1);
        break;
    case LeftUp:
        Q_EMIT MouseUp(1);
        Q_EMIT Click(1);
        if (m_tmrMenu.isActive())
            m_tmrMenu.stop();
        else
            m_tmrMenu.start();
        break;
    case LeftDoubleClick:
        Q_EMIT DblClick(1);
        break;
    case RightDown:
        Q_EMIT MouseDown(2);
        break;
    case RightUp:
        Q_EMIT MouseUp(2);
        Q_EMIT Click(2);
        break;
    case RightDoubleClick:
        Q_EMIT DblClick(2);
        break;
    default:
        break;
    }
}

void ShellIcon::tmrMenu_Timer()
{
    m_tmrMenu.stop();
    Q_EMIT DelayedClick(1);
}
