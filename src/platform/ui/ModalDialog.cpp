#include "platform/ui/ModalDialog.h"

#include <QApplication>
#include <QDialog>
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
    const int result = dialog.exec();
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

void queueScript(Script script) { scripts().append(std::move(script)); }
int pendingScripts() { return int(scripts().size()); }
void resetScripts() { scripts().clear(); }

} // namespace ModalDialog
