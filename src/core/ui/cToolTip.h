#pragma once

#include <memory>
#include <optional>

#include <QFont>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QLabel;
class QWidget;

// The program's one tooltip service: a single tip window that shows the hints every window registers for
// its controls (a whole widget, or a rectangle of one). The tip appears after DelayTime when the mouse
// rests on a tool, stays VisibleTime, is at most TipWidth pixels wide and wraps longer text. Colours are
// blue-green-red values as stored in the settings.
class cToolTip : public QObject {
    Q_OBJECT
public:
    enum Styles { Standard = 1, Balloon = 2 };
    // The flag values a registration carries (whole-widget tools, centred tips).
    enum ToolFlags { TTF_IDISHWND = 1, TTF_CENTERTIP = 2, TTF_SUBCLASS = 16 };

    explicit cToolTip(QObject* parent = nullptr);
    ~cToolTip() override;

    QFont Font() const { return m_font; }
    void setFont(const QFont& font);
    bool hasFont() const { return m_hasFont; }
    quint32 TxtColor() const { return m_txtColor; }
    void setTxtColor(quint32 bgr);
    quint32 BkColor() const { return m_bkColor; }
    void setBkColor(quint32 bgr);
    int VisibleTime() const { return m_visibleTime; }
    void setVisibleTime(int milliseconds);
    int DelayTime() const { return m_delayTime; }
    void setDelayTime(int milliseconds);
    int TipWidth() const { return m_tipWidth; }
    void setTipWidth(int pixels);
    int Style() const { return m_style; }
    void setStyle(int style);

    // A hint for a whole widget.
    void SetToolTipObj(QWidget* widget, const QString& text, bool centred = false);
    // A hint for a rectangle of a widget (widget coordinates, right and bottom exclusive).
    void SetToolTipItem(QWidget* widget, int id, int left, int top, int right, int bottom, const QString& text,
                        bool centred = false);
    // Removes a hint; a negative id removes the widget's own (SetToolTipObj) hint.
    void DelToolTip(QWidget* widget, int id = -1);
    // Moves a rectangle hint.
    void AjustItemRect(QWidget* widget, int id, int left, int top, int right, int bottom);

    // --- what is registered and shown (read by tests and windows) ---
    bool hasTool(QWidget* widget, int id = -1) const;
    QString toolText(QWidget* widget, int id = -1) const;
    int toolFlags(QWidget* widget, int id = -1) const;
    QRect toolRect(QWidget* widget, int id) const;
    QLabel* tipWindow() const { return m_tip; }
    bool isTipShown() const;
    QString shownText() const;

    // The two timers: the wait before a tip shows, and how long it stays. Their handlers are public so a
    // caller can run a tick at once.
    QTimer DelayTimer;
    QTimer VisibleTimer;
    void DelayTimer_Timer();
    void VisibleTimer_Timer();

    // The mouse rests at a point of a widget (what the event filter reacts to).
    void mouseAt(QWidget* widget, const QPoint& pos);
    void mouseLeft(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tool {
        QPointer<QWidget> widget;
        int id = -1;
        QRect rect; // empty for a whole-widget tool
        QString text;
        int flags = 0;
    };
    using Key = QPair<const QWidget*, int>;
    void watch(QWidget* widget);
    const Tool* toolAt(QWidget* widget, const QPoint& pos) const;
    void applyLook();
    void showTip();
    void hideTip();
    // A menu or a box has opened: the tip on screen goes, and so does the one waiting to come.
    void giveWay();

    QHash<Key, Tool> m_tools;
    QLabel* m_tip = nullptr;
    QFont m_font;
    bool m_hasFont = false;
    quint32 m_txtColor = 0;
    quint32 m_bkColor = 0;
    int m_visibleTime = 0;
    int m_delayTime = 0;
    int m_tipWidth = 0;
    int m_style = Standard;
    // The tool the mouse rests on (waiting for DelayTimer), and the one whose tip is shown.
    std::optional<Key> m_pending;
    QPoint m_pendingPos;
    std::optional<Key> m_shown;
    // Watches for menus and boxes opening (giveWay); gone before the timers it stops.
    QObject* m_openings = nullptr;
};

// Created by start-up, released by ReleaseToolTip and ShutDown.
extern std::unique_ptr<cToolTip> gToolTip;
