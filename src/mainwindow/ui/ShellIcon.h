#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>

class QSystemTrayIcon;

// The program's icon in the desktop's notification area (tray): one icon with a tip, shown or removed,
// whose clicks become the events MouseMove, MouseDown, MouseUp, DblClick, Click (button 1 left, 2 right)
// and DelayedClick (a left click not followed by a second one within 500 ms).
class ShellIcon : public QObject {
    Q_OBJECT
public:
    // The mouse messages of a tray icon, in the numbering the events are decoded from.
    enum Message {
        MouseMoved = 512,
        LeftDown = 513,
        LeftUp = 514,
        LeftDoubleClick = 515,
        RightDown = 516,
        RightUp = 517,
        RightDoubleClick = 518
    };
    static constexpr int TipLength = 63;

    explicit ShellIcon(QObject* parent = nullptr);
    ~ShellIcon() override;

    QString ToolTipText() const { return m_tip; }
    // Longer tips are cut to the tip's 63 characters.
    void setToolTipText(const QString& text);
    QIcon Icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);

    // The icon is in the notification area now.
    bool added() const { return m_added; }
    // Whether the desktop has a notification area at all.
    static bool trayAvailable();

    // Turns one mouse message of the icon into its events.
    void dispatch(int message);
    // The DelayedClick timer's tick.
    void tmrMenu_Timer();
    bool delayedClickPending() const { return m_tmrMenu.isActive(); }

Q_SIGNALS:
    void MouseMove();
    void MouseDown(int button);
    void MouseUp(int button);
    void DblClick(int button);
    void Click(int button);
    void DelayedClick(int button);

private:
    void ShowIcon(bool show);

    QSystemTrayIcon* m_tray = nullptr;
    QTimer m_tmrMenu;
    QString m_tip;
    QIcon m_icon;
    bool m_visible = false;
    bool m_added = false;
};
