#include "core/ui/cToolTip.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "platform/Colour.h"

std::unique_ptr<cToolTip> gToolTip;

namespace {

// A menu (any pop-up list) or a box, which a tip must never cover.
bool coversTips(const QWidget* w)
{
    return w && w->isWindow() && (w->windowType() == Qt::Popup || w->isModal() || qobject_cast<const QDialog*>(w));
}

// Tells of every menu and box that opens in the program.
class OpeningWatch : public QObject {
public:
    OpeningWatch(cToolTip* tips, void (cToolTip::*opened)()) : QObject(tips), m_tips(tips), m_opened(opened)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && coversTips(static_cast<QWidget*>(watched)))
            (m_tips->*m_opened)();
        return false;
    }

private:
    cToolTip* m_tips;
    void (cToolTip::*m_opened)();
};

// While a menu or a box is open, only a tool inside it may show its tip.
bool coveredWhileOpen(const QWidget* tool)
{
    for (const QWidget* open : {QApplication::activePopupWidget(), QApplication::activeModalWidget()}) {
        if (open && tool->window() != open)
            return true;
    }
    return false;
}

} // namespace

cToolTip::cToolTip(QObject* parent) : QObject(parent)
{
    m_tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_tip->setObjectName(QStringLiteral("velquonToolTip"));
    m_tip->setWordWrap(true);
    m_tip->setTextFormat(Qt::PlainText);
    m_tip->setMargin(3);
    m_tip->setAttribute(Qt::WA_ShowWithoutActivating);
    DelayTimer.setSingleShot(true);
    VisibleTimer.setSingleShot(true);
    connect(&DelayTimer, &QTimer::timeout, this, &cToolTip::DelayTimer_Timer);
    connect(&VisibleTimer, &QTimer::timeout, this, &cToolTip::VisibleTimer_Timer);
    setStyle(Standard);
    setTipWidth(300);
    setBkColor(15663103); // pale yellow
    setTxtColor(0);
    setDelayTime(500);
    setVisibleTime(2000);
    m_openings = new OpeningWatch(this, &cToolTip::giveWay);
}

cToolTip::~cToolTip()
{
    delete m_openings;
    for (const Tool& t : std::as_const(m_tools)) {
        if (t.widget)
            t.widget->removeEventFilter(this);
    }
    delete m_tip;
}

void cToolTip::setFont(const QFont& font)
{
    m_font = font;
    m_hasFont = true;
    m_tip->setFont(font);
}

void cToolTip::setTxtColor(quint32 bgr)
{
    m_txtColor = bgr;
    applyLook();
}

void cToolTip::setBkColor(quint32 bgr)
{
    m_bkColor = bgr;
    applyLook();
}

void cToolTip::setVisibleTime(int milliseconds)
{
    m_visibleTime = milliseconds;
    VisibleTimer.setInterval(std::max(0, milliseconds));
}

void cToolTip::setDelayTime(int milliseconds)
{
    m_delayTime = milliseconds;
    DelayTimer.setInterval(std::max(0, milliseconds));
}

void cToolTip::setTipWidth(int pixels)
{
    m_tipWidth = pixels;
    m_tip->setMaximumWidth(pixels > 0 ? pixels : QWIDGETSIZE_MAX);
}

void cToolTip::setStyle(int style)
{
    // Only the two known styles change the look; anything else keeps the current one.
    if (style == Standard || style == Balloon) {
        m_style = style;
        applyLook();
    } else {
        m_style = style;
    }
}

void cToolTip::applyLook()
{
    const QColor back = Colour::fromBgr(m_bkColor);
    const QColor text = Colour::fromBgr(m_txtColor);
    QPalette p = m_tip->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::ToolTipBase, back);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::ToolTipText, text);
    m_tip->setPalette(p);
    m_tip->setAutoFillBackground(true);
    const int radius = m_style == Balloon ? 8 : 0;
    m_tip->setStyleSheet(QStringLiteral("QLabel#velquonToolTip { background-color: %1; color: %2; "
                                        "border: 1px solid %2; border-radius: %3px; }")
                             .arg(back.name(), text.name())
                             .arg(radius));
}

void cToolTip::SetToolTipObj(QWidget* widget, const QString& text, bool centred)
{
    if (!widget)
        return;
    Tool t;
    t.widget = widget;
    t.id = -1;
    t.text = text;
    t.flags = TTF_IDISHWND | TTF_SUBCLASS | (centred ? TTF_CENTERTIP : 0);
    watch(widget);
    m_tools.insert(Key(widget, -1), t);
}

void cToolTip::watch(QWidget* widget)
{
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it) {
        if (it.key().first == widget)
            return; // already watched
    }
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this, widget] {
        for (auto it = m_tools.begin(); it != m_tools.end();)
            it = it.key().first == widget ? m_tools.erase(it) : std::next(it);
        if (m_pending && m_pending->first == widget)
            m_pending.reset();
        if (m_shown && m_shown->first == widget)
            hideTip();
    });
}

void cToolTip::SetToolTipItem(QWidget* widget, int id, int left, int top, int right, int bottom, const QString& text,
                              bool centred)
{
    if (!widget)
        return;
    Tool t;
    t.widget = widget;
    t.id = id;
    t.rect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    t.text = text;
    t.flags = TTF_SUBCLASS | (centred ? TTF_CENTERTIP : 0);
    watch(widget);
    m_tools.insert(Key(widget, id), t);
    // A rectangle tool needs the mouse position while no button is down.
    widget->setMouseTracking(true);
}

void cToolTip::DelToolTip(QWidget* widget, int id)
{
    const Key k(widget, id >= 0 ? id : -1);
    m_tools.remove(k);
    if (m_shown == k)
        hideTip();
    if (m_pending == k) {
        m_pending.reset();
        DelayTimer.stop();
    }
}

void cToolTip::AjustItemRect(QWidget* widget, int id, int left, int top, int right, int bottom)
{
    auto it = m_tools.find(Key(widget, id));
    if (it != m_tools.end())
        it->rect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

bool cToolTip::hasTool(QWidget* widget, int id) const { return m_tools.contains(Key(widget, id >= 0 ? id : -1)); }

QString cToolTip::toolText(QWidget* widget, int id) const { return m_tools.value(Key(widget, id >= 0 ? id : -1)).text; }

int cToolTip::toolFlags(QWidget* widget, int id) const { return m_tools.value(Key(widget, id >= 0 ? id : -1)).flags; }

QRect cToolTip::toolRect(QWidget* widget, int id) const { return m_tools.value(Key(widget, id)).rect; }

bool cToolTip::isTipShown() const { return m_tip->isVisible(); }

QString cToolTip::shownText() const { return m_tip->isVisible() ? m_tip->text() : QString(); }

const cToolTip::Tool* cToolTip::toolAt(QWidget* widget, const QPoint& pos) const
{
    // A rectangle wins over the widget's own hint.
    const Tool* whole = nullptr;
    for (const Tool& t : m_tools) {
        if (t.widget != widget)
            continue;
        if (t.id < 0)
            whole = &t;
        else if (t.rect.contains(pos))
            return &t;
    }
    return whole;
}

void cToolTip::mouseAt(QWidget* widget, const QPoint& pos)
{
    const Tool* t = toolAt(widget, pos);
    if (!t) {
        mouseLeft(widget);
        return;
    }
    const Key k(widget, t->id);
    m_pendingPos = pos;
    if (m_shown == k || (m_pending == k && DelayTimer.isActive()))
        return;
    hideTip();
    m_pending = k;
    DelayTimer.start();
}

void cToolTip::mouseLeft(QWidget* widget)
{
    if (m_pending && m_pending->first == widget) {
        m_pending.reset();
        DelayTimer.stop();
    }
    if (m_shown && m_shown->first == widget)
        hideTip();
}

void cToolTip::DelayTimer_Timer()
{
    DelayTimer.stop();
    showTip();
}

void cToolTip::VisibleTimer_Timer()
{
    VisibleTimer.stop();
    hideTip();
}

void cToolTip::showTip()
{
    if (!m_pending)
        return;
    const auto it = m_tools.constFind(*m_pending);
    if (it == m_tools.cend() || !it->widget || it->text.isEmpty()) {
        m_pending.reset();
        return;
    }
    QWidget* w = it->widget;
    if (coveredWhileOpen(w)) {
        m_pending.reset();
        return;
    }
    m_tip->setText(it->text);
    m_tip->adjustSize();
    const QSize size =
        m_tip->sizeHint().boundedTo(QSize(m_tipWidth > 0 ? m_tipWidth : QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    m_tip->resize(size.width(),
                  m_tip->heightForWidth(size.width()) > 0 ? m_tip->heightForWidth(size.width()) : size.height());
    QPoint place;
    if (it->flags & TTF_CENTERTIP) {
        // Centred under the tool.
        const QRect area = it->rect.isNull() ? w->rect() : it->rect;
        const QPoint below = w->mapToGlobal(QPoint(area.center().x(), area.bottom() + 1));
        place = QPoint(below.x() - m_tip->width() / 2, below.y() + 2);
    } else {
        place = w->mapToGlobal(m_pendingPos) + QPoint(2, 20);
    }
    if (QScreen* s = w->screen()) {
        const QRect r = s->availableGeometry();
        place.setX(std::clamp(place.x(), r.left(), std::max(r.left(), r.right() - m_tip->width())));
        place.setY(std::clamp(place.y(), r.top(), std::max(r.top(), r.bottom() - m_tip->height())));
    }
    m_tip->move(place);
    m_tip->show();
    m_shown = m_pending;
    m_pending.reset();
    VisibleTimer.start();
}

void cToolTip::giveWay()
{
    m_pending.reset();
    DelayTimer.stop();
    hideTip();
}

void cToolTip::hideTip()
{
    VisibleTimer.stop();
    m_tip->hide();
    m_shown.reset();
}

bool cToolTip::eventFilter(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        mouseAt(w, w->mapFromGlobal(QCursor::pos()));
        break;
    case QEvent::MouseMove:
        mouseAt(w, static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        mouseLeft(w);
        break;
    case QEvent::ToolTip:
        // Our own tip window shows the hints; Qt's would come on top of it.
        return true;
    default:
        break;
    }
    return false;
}
