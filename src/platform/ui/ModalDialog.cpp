#include "platform/ui/ModalDialog.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <utility>

#include "platform/Prompt.h"

namespace {
QList<ModalDialog::Script>& scripts()
{
    static QList<ModalDialog::Script> queue;
    return queue;
}

struct GivenBack {
    QPointer<QWidget> window;
    quint64 turn = 0;
};

GivenBack& givenBack()
{
    static GivenBack g;
    return g;
}

QList<QPointer<QDialog>>& running()
{
    static QList<QPointer<QDialog>> dialogs;
    return dialogs;
}

// Where the keyboard went when it last left the program's windows. Qt says that no window of ours has it both
// once the user gave it to another program and as a box that had it closes (its window may go without a word):
// only in the first case did it leave a window that was still shown.
struct KeyboardTrail {
    QPointer<QWindow> last;
    bool toAnotherProgram = false;
};

KeyboardTrail& keyboardTrail()
{
    static KeyboardTrail trail;
    return trail;
}

// Set while the program hides its windows for the tray: a dialog's wait goes on through that hide.
bool g_hidingWithProgram = false;

// Ends a modal wait when its dialog is hidden other than with the program: exec() ends at every hide. A hide the
// window system reports (the user minimised the box) is none.
class EndAtHide : public QObject {
public:
    explicit EndAtHide(std::function<void()> quit) : m_quit(std::move(quit)) {}
    bool ended = false;

    void end()
    {
        ended = true;
        m_quit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous() && !g_hidingWithProgram)
            end();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_quit;
};

} // namespace

int execDialog(QDialog& dialog)
{
    if (Prompt::closed())
        return QDialog::Rejected;
    if (!scripts().isEmpty()) {
        const ModalDialog::Script script = scripts().takeFirst();
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        // What the script sets off may delete the dialog (its owner goes), as a real modal loop allows.
        const QPointer<QDialog> guard(&dialog);
        script(dialog);
        if (!guard)
            return QDialog::Rejected;
        if (dialog.isVisible())
            dialog.close();
        return dialog.result();
    }
    if (qEnvironmentVariable("VELQUON_NONINTERACTIVE") == QLatin1String("1"))
        return QDialog::Rejected;
    const QPointer<QWidget> opener = ModalDialog::openerOf(&dialog);
    const QPointer<QDialog> self(&dialog);
    running().append(self);
    const int result = ModalDialog::wait(dialog);
    running().removeAll(self);
    running().removeAll(QPointer<QDialog>());
    ModalDialog::giveBack(opener);
    return result;
}

namespace ModalDialog {

void followKeyboard()
{
    static bool following = false;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (following || !app)
        return;
    following = true;
    QObject::connect(app, &QGuiApplication::focusWindowChanged, app, [](QWindow* now) {
        KeyboardTrail& t = keyboardTrail();
        t.toAnotherProgram = !now && t.last && t.last->isVisible();
        if (now)
            t.last = now;
    });
}

bool keyboardWithAnotherProgram() { return !QGuiApplication::focusWindow() && keyboardTrail().toAnotherProgram; }

QWidget* openerOf(const QWidget* box)
{
    followKeyboard();
    if (QWidget* back = givenBackTo())
        return back;
    // A dialog opened from a modal one belongs to it, whatever window the window manager still has as active.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != box)
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && active != box && active->isVisible())
        return active;
    return box && box->parentWidget() ? box->parentWidget()->window() : nullptr;
}

void giveBack(QWidget* opener, bool closedWithKeyboard)
{
    if (!opener || !opener->isVisible() || opener->isMinimized())
        return;
    // The user gave the keyboard to another program while the box was open: it stays there.
    if (!closedWithKeyboard && keyboardWithAnotherProgram())
        return;
    QWindow* focus = QGuiApplication::focusWindow();
    QWindow* handle = opener->windowHandle();
    if (focus && handle && focus != handle && !focus->isVisible()) {
        // Qt still counts the closed window as the one with the keyboard. Asked now, the activation would go
        // to the window system around the window manager, which then gives the keyboard to a window of its
        // choice once the closed one is gone, and may do so after us. Asked once the keyboard has left, it
        // goes through the window manager, after its own choice. Only that first change, the answer to the
        // closing, is put right: a box of the opener that took the keyboard meanwhile keeps it, and so does
        // another program.
        const QPointer<QWidget> back(opener);
        auto* once = new QObject(qApp);
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, once, [once, back](QWindow* now) {
            once->deleteLater();
            QObject::disconnect(qApp, &QGuiApplication::focusWindowChanged, once, nullptr);
            if (!back || !back->isVisible() || back->isMinimized() || !back->windowHandle() ||
                keyboardWithAnotherProgram())
                return;
            if (now && (now == back->windowHandle() || back->windowHandle()->isAncestorOf(now)))
                return;
            back->activateWindow();
        });
    } else {
        opener->activateWindow();
    }
    GivenBack& g = givenBack();
    g.window = opener;
    const quint64 turn = ++g.turn;
    QTimer::singleShot(0, qApp, [turn] {
        if (givenBack().turn == turn)
            givenBack().window = nullptr;
    });
}

QWidget* givenBackTo()
{
    followKeyboard();
    QWidget* w = givenBack().window;
    return w && w->isVisible() ? w : nullptr;
}

void closeOpen()
{
    // The innermost first: each returns to the one below it.
    const QList<QPointer<QDialog>> open = running();
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        if (*it)
            (*it)->done(QDialog::Rejected);
}

int wait(QDialog& dialog)
{
    // As exec(): modal while it waits, the result cleared first, and a dialog that deletes itself on close is
    // deleted once its result is read.
    const bool deleteOnClose = dialog.testAttribute(Qt::WA_DeleteOnClose);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    const bool wasModal = dialog.testAttribute(Qt::WA_ShowModal);
    dialog.setAttribute(Qt::WA_ShowModal, true);
    dialog.setResult(QDialog::Rejected);
    const QPointer<QDialog> self(&dialog);
    QEventLoop answered;
    EndAtHide watch([&answered] { answered.quit(); });
    QObject::connect(&dialog, &QDialog::finished, &watch, [&watch] { watch.end(); });
    QObject::connect(&dialog, &QObject::destroyed, &watch, [&watch] { watch.end(); });
    dialog.installEventFilter(&watch);
    dialog.show();
    // Answered or gone as it showed: no loop would be told to end.
    if (!watch.ended)
        answered.exec(QEventLoop::DialogExec);
    if (!self)
        return QDialog::Rejected;
    dialog.removeEventFilter(&watch);
    dialog.setAttribute(Qt::WA_ShowModal, wasModal);
    const int result = dialog.result();
    if (deleteOnClose)
        delete &dialog;
    return result;
}

void hideWithProgram(QWidget* window)
{
    g_hidingWithProgram = true;
    window->hide();
    g_hidingWithProgram = false;
}

void queueScript(Script script) { scripts().append(std::move(script)); }
int pendingScripts() { return int(scripts().size()); }
void resetScripts() { scripts().clear(); }

} // namespace ModalDialog
