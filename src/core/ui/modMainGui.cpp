#include "core/ui/modMainGui.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "platform/Twips.h"
#include "platform/ui/KeepInSight.h"
#include "platform/ui/ModalDialog.h"

namespace {

const char kTagProperty[] = "Tag";
const char kUnloadedProperty[] = "velquonUnloaded";
// A copy of more row steps than this shows the progress window.
constexpr int kCopyProgressRows = 50;

bool isUnloaded(const QWidget* w) { return w->property(kUnloadedProperty).toBool(); }

QScreen* screenOf(const QWidget* w)
{
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

int twipsSetting(const QString& section, const char* key, double fallback)
{
    const QString text = GetProperty(section, QString::fromLatin1(key), QString::number(qRound(fallback)));
    return Twips::toPixels(textToNumber(text, fallback));
}

int stateNumber(Qt::WindowStates s)
{
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & Qt::WindowMaximized)
        return 2;
    return 0;
}

// A place counts as on screen when a piece of its top edge (where the title bar is) lies on some screen's
// usable area, so the user can still grab it.
bool placeReachable(const QRect& frame)
{
    const QRect top(frame.left(), frame.top(), frame.width(), std::min(frame.height(), 20));
    const int needWidth = std::min(frame.width(), 40);
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect piece = top.intersected(s->availableGeometry());
        if (piece.width() >= needWidth && piece.height() >= std::min(top.height(), 10))
            return true;
    }
    return false;
}

// The place MoveFrame last sent a window's frame to, until the window system has answered that move.
const char kFrameSentProperty[] = "velquonFrameSent";

// Where the window's frame is, asked of the window system afresh: the widget's own note of its frame is
// renewed only when the window moves or changes size, and may still be the "no frame yet" of the moment it
// was shown, which would give the client area's place for the frame's. A move of the frame the window system
// has not answered yet counts as made: until the answer, Qt has the place asked for the frame as the window's
// own, and the frame's would come out a title bar higher.
QPoint framePlace(QWidget* w)
{
    const QWindow* handle = w->windowHandle();
    if (!handle || !handle->handle())
        return w->pos();
    if (const QVariant sent = w->property(kFrameSentProperty); sent.isValid()) {
        if (handle->geometry().topLeft() == sent.toPoint())
            return sent.toPoint();
        w->setProperty(kFrameSentProperty, QVariant());
    }
    return handle->framePosition();
}

void sendMouse(QEvent::Type type)
{
    const QPoint global = QCursor::pos();
    QWidget* target = QApplication::widgetAt(global);
    if (!target)
        return;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent ev(type, target->mapFromGlobal(QPointF(global)), QPointF(global), Qt::LeftButton, buttons,
                   QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(target, &ev);
}

} // namespace

QString Tag(const QWidget* window) { return window ? window->property(kTagProperty).toString() : QString(); }

void SetTag(QWidget* window, const QString& tag)
{
    if (window)
        window->setProperty(kTagProperty, tag);
}

QList<QWidget*> FindForms(const QString& name)
{
    QList<QWidget*> out;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget* w : all) {
        if (!isUnloaded(w) && w->objectName().compare(name, Qt::CaseInsensitive) == 0)
            out.append(w);
    }
    return out;
}

bool IsToolkitWindow(const QWidget* window) { return window && window->inherits("QSystemTrayIconSys"); }

QList<QWidget*> LoadedForms()
{
    QList<QWidget*> out;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget* w : all) {
        const Qt::WindowType type = w->windowType();
        if (!w->isWindow() || isUnloaded(w) || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
            IsToolkitWindow(w))
            continue;
        out.append(w);
    }
    return out;
}

QWidget* FindForm(const QString& name)
{
    const QList<QWidget*> forms = FindForms(name);
    return forms.isEmpty() ? nullptr : forms.first();
}

void UnloadForm(QWidget* window)
{
    if (!window || isUnloaded(window))
        return;
    window->setProperty(kUnloadedProperty, true);
    window->hide();
    window->deleteLater();
}

void UnloadAllForms()
{
    // Owned windows go with their owners; menus, tooltips and the tray's icon belong to Qt (the icon goes with
    // the main window's tray control: deleted here first, it would be deleted a second time there).
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (!w->isWindow() || w->parentWidget() || IsToolkitWindow(w))
            continue;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop)
            continue;
        UnloadForm(w);
    }
}

QString FormSection(const QWidget* window)
{
    const QString name = window ? window->objectName() : QString();
    const QString upper = name.toUpper();
    if (upper == QLatin1String("FRMBASEMAIN") || upper == QLatin1String("FRMREMOTEMAIN"))
        return QString::fromLatin1(Section::frmMain);
    return name;
}

const QStringList& DialogWindowNames()
{
    static const QStringList names = {
        QStringLiteral("frmAddBlockCallString"), QStringLiteral("frmAbout"),    QStringLiteral("frmAddRecipient"),
        QStringLiteral("frmNewContact"),         QStringLiteral("frmAddGroup"), QStringLiteral("frmAddStatistic"),
        QStringLiteral("frmSelectContact"),      QStringLiteral("frmAddIP"),    QStringLiteral("frmConfiguration"),
        QStringLiteral("frmAddNumber"),
    };
    return names;
}

bool IsDialogOpen()
{
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget* w : all) {
        if (isUnloaded(w) || !w->isVisible())
            continue;
        if (DialogWindowNames().contains(w->objectName()))
            return true;
    }
    return false;
}

void SetOnTop(QWidget* window, bool force)
{
    const bool globalOnTop = textToBool(GetProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("False")));
    if (window)
        KeepInSight::setOnTop(window, globalOnTop || force);
    if (globalOnTop)
        return;
    const bool popupOnTop = textToBool(GetProperty(Section::frmMiniDisplay, Key::OnTop, QStringLiteral("True")));
    if (!popupOnTop)
        return;
    static const char* const family[] = {"frmMiniDisplay", "frmCallerInfo", "frmContactPicture", "frmOtherInfo"};
    for (const char* name : family) {
        QWidget* w = FindForm(QString::fromLatin1(name));
        if (w && w->isVisible())
            KeepInSight::setOnTop(w, true);
    }
}

namespace {

const char* const kGivesBackProperty = "velquonGivesBack";

// A window shown owned by another gives the keyboard back to it when it closes, as a box gives it back to the
// window that opened it: the window manager would give it to the main window. Only a window that had the
// keyboard gives it back; it is no longer the active one by the time it is hidden, but it lost the keyboard
// as its hiding began (no longer mapped, still visible).
class GiveBackOnClose : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (watched != parent())
            return QObject::eventFilter(watched, event);
        if (event->type() == QEvent::WindowDeactivate)
            m_leftByHiding = window->isVisible() && !window->testAttribute(Qt::WA_Mapped);
        else if (event->type() == QEvent::WindowActivate)
            m_leftByHiding = false;
        else if (event->type() == QEvent::Hide && !event->spontaneous()) {
            const bool hadKeyboard = m_leftByHiding || window->isActiveWindow();
            m_leftByHiding = false;
            if (hadKeyboard && window->parentWidget())
                ModalDialog::giveBack(window->parentWidget()->window(), true);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_leftByHiding = false;
};

} // namespace

void ShowOwned(QWidget* window, QWidget* owner)
{
    if (!window)
        return;
    if (owner && owner != window && window->parentWidget() != owner)
        window->setParent(owner, window->windowFlags() | Qt::Window);
    if (!window->property(kGivesBackProperty).toBool()) {
        window->setProperty(kGivesBackProperty, true);
        window->installEventFilter(new GiveBackOnClose(window));
    }
    window->show();
}

bool MainWindowVisible() { return gMainForm && gMainForm->isWindowVisible(); }

void TaskBarPos(QWidget* window, QWidget* owner)
{
    if (!window)
        return;
    ShowOwned(window, owner);
    QScreen* screen = screenOf(window);
    if (!screen)
        return;
    // The desktop's panels are what the screen's usable area leaves out. A panel along the bottom or the
    // right pushes the window in from that edge; one at the top or left leaves it in the corner.
    const QRect all = screen->geometry();
    const QRect usable = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    const int barHeight = all.bottom() - usable.bottom();
    const int barWidth = all.right() - usable.right();
    int left = all.right() + 1 - frame.width();
    int top = all.bottom() + 1 - frame.height();
    if (barHeight > 0 && barHeight < all.height())
        top -= barHeight;
    else if (barWidth > 0 && barWidth < all.width())
        left -= barWidth;
    window->move(left, top);
}

void LimitText(QLineEdit* box, int maximum)
{
    if (!box || box->text().size() < maximum)
        return;
    const int caret = box->cursorPosition();
    box->setText(box->text().left(maximum));
    box->setCursorPosition(std::min(caret, maximum));
}

namespace {
template <typename Edit>
void limitDocument(Edit* box, int maximum)
{
    const QString text = box->toPlainText();
    if (text.size() < maximum)
        return;
    const int caret = box->textCursor().position();
    box->setPlainText(text.left(maximum));
    QTextCursor c = box->textCursor();
    c.setPosition(std::min(caret, maximum));
    box->setTextCursor(c);
}
} // namespace

void LimitText(QPlainTextEdit* box, int maximum)
{
    if (box)
        limitDocument(box, maximum);
}

void LimitText(QTextEdit* box, int maximum)
{
    if (box)
        limitDocument(box, maximum);
}

void SelectListItem(QListWidget* list, const QString& text)
{
    if (!list)
        return;
    const QString wanted = text.toUpper();
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().toUpper() == wanted) {
            list->setCurrentRow(i);
            return;
        }
    }
}

void SelectListItem(QComboBox* list, const QString& text)
{
    if (!list)
        return;
    const QString wanted = text.toUpper();
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).toUpper() == wanted) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

void ValidateNumber(QLineEdit* box, double minimum, double maximum, double fallback)
{
    if (!box)
        return;
    const QString text = ValidateNumberText(box->text(), minimum, maximum, fallback);
    if (text != box->text())
        box->setText(text);
}

void ValidateNumber(QComboBox* box, double minimum, double maximum, double fallback)
{
    if (!box)
        return;
    const QString text = ValidateNumberText(box->currentText(), minimum, maximum, fallback);
    if (text != box->currentText())
        box->setCurrentText(text);
}

void RestoreFormPosition(QWidget* window)
{
    if (!window)
        return;
    const QString section = FormSection(window);
    QScreen* screen = screenOf(window);
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    const QSize size = window->size();
    const double screenW = Twips::fromPixels(screenRect.width());
    const double screenH = Twips::fromPixels(screenRect.height());
    const double width = Twips::fromPixels(size.width());
    const double height = Twips::fromPixels(size.height());

    const int top = twipsSetting(section, Key::Top, (screenH - height) / 2);
    const int left = twipsSetting(section, Key::Left, (screenW - width) / 2);
    int w = std::max(1, twipsSetting(section, Key::Width, width));
    int h = std::max(1, twipsSetting(section, Key::Height, height));
    // No screen arrangement shows a window larger than the whole desktop; a damaged setting asking for one
    // would only make a huge window whose painting alone could exhaust memory.
    const QRect desktop = screen ? screen->virtualGeometry() : screenRect;
    w = std::min(w, std::max(1, desktop.width()));
    h = std::min(h, std::max(1, desktop.height()));
    const int state =
        textToWhole(GetProperty(section, Key::WindowState, QString::number(stateNumber(window->windowState()))), 0);

    QRect place(screenRect.left() + left, screenRect.top() + top, w, h);
    if (!placeReachable(place)) {
        // The monitor it was on is gone: centre it on the primary screen, no larger than that screen.
        QScreen* primary = QGuiApplication::primaryScreen();
        const QRect usable = primary ? primary->availableGeometry() : QRect(0, 0, 800, 600);
        w = std::min(w, usable.width());
        h = std::min(h, usable.height());
        place = QRect(usable.left() + (usable.width() - w) / 2, usable.top() + (usable.height() - h) / 2, w, h);
    }
    window->move(place.topLeft());
    window->resize(place.size());
    Qt::WindowStates states = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1)
        states |= Qt::WindowMinimized;
    else if (state == 2)
        states |= Qt::WindowMaximized;
    window->setWindowState(states);
}

void MoveFrame(QWidget* window, const QPoint& place)
{
    QWindow* handle = window ? window->windowHandle() : nullptr;
    if (!handle || !handle->handle())
        return;
    handle->setFramePosition(place);
    window->setProperty(kFrameSentProperty, place);
}

void SaveFormPosition(QWidget* window, int parts)
{
    if (!window)
        return;
    const QString section = FormSection(window);
    const Qt::WindowStates s = window->windowState();
    const bool normal = !(s & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    auto twips = [](int pixels) { return QString::number(qRound(Twips::fromPixels(pixels))); };
    // Several values, one file rewrite: windows save their places one after another when the program ends.
    SettingsBatch batch;
    if (normal) {
        const QRect screenRect = screenOf(window) ? screenOf(window)->geometry() : QRect();
        // Stored relative to the screen the window is on, as the restore reads it.
        const QPoint pos = framePlace(window) - screenRect.topLeft();
        if (parts & PlacePosition) {
            SaveProperty(section, Key::Top, twips(pos.y()));
            SaveProperty(section, Key::Left, twips(pos.x()));
        }
        if (parts & PlaceSize) {
            SaveProperty(section, Key::Height, twips(window->height()));
            SaveProperty(section, Key::Width, twips(window->width()));
        }
    }
    if (parts & PlaceState)
        SaveProperty(section, Key::WindowState, QString::number(stateNumber(s)));
}

QString CopyGridToClipboard(const QAbstractItemModel* model, int row, int rowSel, int lastColumn, bool allRows,
                            QWidget* owner)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard)
        clipboard->clear();
    if (!model || model->rowCount() == 0)
        return QString();
    int first = std::min(row, rowSel);
    int last = std::max(row, rowSel);
    if (allRows) {
        first = 0;
        last = model->rowCount() - 1;
    }
    if (first < 0 || last >= model->rowCount()) {
        SaveError(kOutOfRangeError, QStringLiteral("Subscript out of range"), QStringLiteral("CopyGridToClipboard"));
        return QString();
    }
    // The rows as they stand when the copy is asked for, read before its first step: while it yields a call
    // may put its row on top or the list be read again, and the rows' places then hold other calls.
    QStringList lines;
    lines.reserve(last - first + 1);
    for (int r = first; r <= last; ++r) {
        QString line;
        for (int c = 0; c <= lastColumn; ++c) {
            line += model->index(r, c).data(Qt::DisplayRole).toString();
            if (c < lastColumn)
                line += QLatin1Char('\t');
        }
        lines << line;
    }
    std::optional<Processing> progress;
    if (last - first > kCopyProgressRows)
        progress.emplace(last - first, QStringLiteral("Coping Data..."), owner ? owner->window() : nullptr);
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += QStringLiteral("\r\n");
        text += lines.at(i);
        // The program's end or a mode switch waits for no more steps: the rows are read, so they all go.
        if (progress && !Program::ending()) {
            progress->Increment();
            if (progress->StopProcessing() && !Program::ending())
                break;
        }
    }
    progress.reset();
    if (clipboard)
        clipboard->setText(text);
    return text;
}

QString CopyGridToClipboard(QAbstractItemView* grid, int lastColumn, bool allRows)
{
    if (!grid || !grid->model())
        return QString();
    int row = grid->currentIndex().isValid() ? grid->currentIndex().row() : 0;
    int rowSel = row;
    if (QItemSelectionModel* sel = grid->selectionModel()) {
        const QModelIndexList picked = sel->selectedIndexes();
        for (const QModelIndex& i : picked) {
            row = std::min(row, i.row());
            rowSel = std::max(rowSel, i.row());
        }
    }
    return CopyGridToClipboard(grid->model(), row, rowSel, lastColumn, allRows, grid->window());
}

void ReleaseToolTip() { gToolTip.reset(); }

QString GetWindowCaption(const QWidget* window) { return window ? window->windowTitle().left(255) : QString(); }

int SetListScrollWidth(QListWidget* list)
{
    if (!list)
        return 0;
    const QFontMetrics fm(list->font());
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(list->item(i)->text()));
    const int extent = widest + 15;
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->horizontalScrollBar()->setRange(0, std::max(0, extent - list->viewport()->width()));
    return extent;
}

void MouseLeftDown() { sendMouse(QEvent::MouseButtonPress); }

void MouseLeftUp() { sendMouse(QEvent::MouseButtonRelease); }

void SetWindowStyle(QWidget* window, int borderKind, bool clipChildren, bool sysMenu, bool maxBox, bool minBox,
                    bool taskbarButton, bool helpButton)
{
    if (!window)
        return;
    (void)clipChildren; // Qt always clips children.
    Qt::WindowFlags flags = window->windowFlags() & Qt::WindowStaysOnTopHint;
    bool fixed = false;
    bool known = true;
    switch (borderKind) {
    case BorderNone:
        flags |= Qt::Window | Qt::FramelessWindowHint;
        break;
    case BorderFixedSingle:
        flags |= Qt::Window | Qt::WindowTitleHint;
        fixed = true;
        break;
    case BorderSizable:
        flags |= Qt::Window | Qt::WindowTitleHint;
        break;
    case BorderFixedDialog:
        flags |= Qt::Dialog | Qt::WindowTitleHint;
        fixed = true;
        break;
    case BorderFixedToolWindow:
        flags |= Qt::Tool | Qt::WindowTitleHint;
        fixed = true;
        break;
    case BorderSizableToolWindow:
        flags |= Qt::Tool | Qt::WindowTitleHint;
        break;
    default:
        known = false;
        flags |= window->windowFlags() & (Qt::WindowType_Mask | Qt::FramelessWindowHint);
        break;
    }
    // A tool window has no task-bar entry; asking for one makes it an ordinary window with the same frame.
    if (taskbarButton && (flags & Qt::WindowType_Mask) == Qt::Tool)
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Window;
    flags |= Qt::CustomizeWindowHint;
    if (sysMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (maxBox)
        flags |= Qt::WindowMaximizeButtonHint;
    if (minBox)
        flags |= Qt::WindowMinimizeButtonHint;
    if (helpButton)
        flags |= Qt::WindowContextHelpButtonHint;
    const bool visible = window->isVisible();
    if (window->windowFlags() != flags)
        window->setWindowFlags(flags);
    if (known) {
        if (fixed) {
            window->setFixedSize(window->size());
        } else if (window->minimumSize() == window->maximumSize()) {
            window->setMinimumSize(0, 0);
            window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
    if (visible)
        window->show();
}
