#include "platform/ui/WidgetPrompt.h"

#include "platform/Colour.h"
#include "platform/ui/KeepInSight.h"
#include "platform/ui/ModalDialog.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QQueue>
#include <QTimer>

namespace {

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Critical:
        return QMessageBox::Critical;
    case Prompt::Question:
        return QMessageBox::Question;
    case Prompt::Exclamation:
        return QMessageBox::Warning;
    case Prompt::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

std::function<QWidget*()>& ownerWindow()
{
    static std::function<QWidget*()> owner;
    return owner;
}

// The window a box is asked over: the active one, or the modal dialog, or the one given the keyboard back last,
// or the owner window.
QWidget* nearestWindow()
{
    QWidget* active = QApplication::activeWindow();
    // While a modal dialog is up a box goes over it (or over a window of its own): the window active may still
    // be one the dialog blocks, as long as the window manager has not made the dialog active yet.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        for (QWidget* w = active; w; w = w->parentWidget())
            if (w == modal)
                return active;
        return modal;
    }
    // A box asked right after another one closed belongs where that one did, though the window system has not
    // made that window active again yet.
    if (QWidget* back = ModalDialog::givenBackTo())
        return back;
    if (active)
        return active;
    QWidget* owner = ownerWindow() ? ownerWindow()() : nullptr;
    return owner && owner->isVisible() && !owner->isMinimized() ? owner : nullptr;
}

// A box made with no parent is stacked as a window of its own, and a window shown later (the main window at
// start-up) covers it; one with a parent is kept above it. Never a window that stays in sight: the box would
// stand over it.
QWidget* parentWindow() { return KeepInSight::ownerFor(nearestWindow()); }

struct PendingNotice {
    QString title;
    QString text;
    Prompt::Icon icon;
    // The window that was active when it was asked: the notice belongs there, also when it opens later.
    QPointer<QWidget> owner;
};

struct Notices {
    QQueue<PendingNotice> waiting;
    QPointer<QMessageBox> open;
    int modalBoxes = 0;
    bool scheduled = false;
    // Every box and dialog running modal now, the innermost last.
    QList<QPointer<QDialog>> modal;
    // Counts the program's ends that closed what was open: a box open across one was closed by it.
    quint64 closings = 0;
};

Notices& notices()
{
    static Notices n;
    return n;
}

void showNextNotice();

// From the event loop, so the box that just closed has gone and a box asked meanwhile comes first.
void scheduleNextNotice()
{
    Notices& n = notices();
    if (n.scheduled || n.waiting.isEmpty())
        return;
    n.scheduled = true;
    QTimer::singleShot(0, qApp, [] {
        notices().scheduled = false;
        showNextNotice();
    });
}

void showNextNotice()
{
    Notices& n = notices();
    if (n.open || n.waiting.isEmpty())
        return;
    // A message box waits for the user: the notice follows it.
    if (n.modalBoxes > 0)
        return;
    const PendingNotice next = n.waiting.dequeue();
    QWidget* owner = next.owner && next.owner->isVisible() ? next.owner.data() : parentWindow();
    auto* box =
        new QMessageBox(boxIcon(next.icon), next.title, next.text, QMessageBox::Ok, KeepInSight::ownerFor(owner));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    n.open = box;
    QObject::connect(box, &QObject::destroyed, qApp, [] { scheduleNextNotice(); });
    box->show();
}

// Every box and dialog below is made on the heap and watched: its parent is the window that is active now,
// and that window may be deleted while the box waits (the program ends); the box then goes with it and counts
// as cancelled, never deleted a second time. The program's end closes it as cancelled too. Closed, it gives the
// keyboard back to that window.
template <typename Dialog>
int runModal(const QPointer<Dialog>& dialog)
{
    Notices& n = notices();
    const QPointer<QWidget> opener = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    const QPointer<QDialog> running(dialog.data());
    const quint64 closings = n.closings;
    n.modal.append(running);
    const int result = ModalDialog::wait(*dialog);
    n.modal.removeAll(running);
    n.modal.removeAll(QPointer<QDialog>());
    ModalDialog::giveBack(opener);
    return dialog && n.closings == closings ? result : QDialog::Rejected;
}

// A box asked while a notice is open waits for it, so two boxes never stand over each other: the notice becomes
// the modal step the box waits on, and nothing else is chosen meanwhile. False when the program's end closed it:
// the box is then not asked either.
bool answerOpenNotice()
{
    Notices& n = notices();
    const QPointer<QMessageBox> notice = n.open;
    if (!notice)
        return true;
    const quint64 closings = n.closings;
    // Made modal only as it is shown again.
    notice->hide();
    runModal(notice);
    return n.closings == closings;
}

template <typename Dialog>
void release(const QPointer<Dialog>& dialog)
{
    delete dialog.data();
}

// A desktop's own dialogs may be GTK's, which answer only while GLib's event loop runs the program.
bool nativeDialogsWork()
{
    const QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    return loop && loop->inherits("QEventDispatcherGlib");
}

QFileDialog::Options fileDialogOptions()
{
    return nativeDialogsWork() ? QFileDialog::Options() : QFileDialog::DontUseNativeDialog;
}

} // namespace

Prompt::Answer WidgetPrompt::message(const QString& title, const QString& text, Prompt::Buttons buttons,
                                     Prompt::Icon icon, int defaultButton)
{
    struct Choice {
        QMessageBox::StandardButton button;
        Prompt::Answer answer;
    };
    static const QList<QList<Choice>> sets = {
        {{QMessageBox::Ok, Prompt::Ok}},
        {{QMessageBox::Ok, Prompt::Ok}, {QMessageBox::Cancel, Prompt::Cancel}},
        {{QMessageBox::Abort, Prompt::Abort},
         {QMessageBox::Retry, Prompt::Retry},
         {QMessageBox::Ignore, Prompt::Ignore}},
        {{QMessageBox::Yes, Prompt::Yes}, {QMessageBox::No, Prompt::No}, {QMessageBox::Cancel, Prompt::Cancel}},
        {{QMessageBox::Yes, Prompt::Yes}, {QMessageBox::No, Prompt::No}},
        {{QMessageBox::Retry, Prompt::Retry}, {QMessageBox::Cancel, Prompt::Cancel}},
    };
    const auto& set = sets.value(buttons, sets[0]);
    if (!answerOpenNotice())
        return buttons == Prompt::OkOnly ? Prompt::Ok : set.last().answer;
    const QPointer<QMessageBox> box =
        new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, parentWindow());
    for (const Choice& c : set)
        box->addButton(c.button);
    box->setDefaultButton(set.value(defaultButton, set.first()).button);
    ++notices().modalBoxes;
    const int r = runModal(box);
    --notices().modalBoxes;
    release(box);
    scheduleNextNotice();
    for (const Choice& c : set)
        if (c.button == r)
            return c.answer;
    // Escape, the close box, or the box gone with its window: the set's cancel-like answer.
    return buttons == Prompt::OkOnly ? Prompt::Ok : set.last().answer;
}

void WidgetPrompt::setOwnerWindow(std::function<QWidget*()> owner) { ownerWindow() = std::move(owner); }

void WidgetPrompt::notice(const QString& title, const QString& text, Prompt::Icon icon)
{
    notices().waiting.enqueue({title, text, icon, parentWindow()});
    showNextNotice();
}

void WidgetPrompt::closeOpen()
{
    Notices& n = notices();
    ++n.closings;
    n.waiting.clear();
    // The innermost first: each returns to the one below it.
    const QList<QPointer<QDialog>> open = n.modal;
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        if (*it)
            (*it)->done(QDialog::Rejected);
    if (QMessageBox* notice = n.open; notice && !open.contains(notice)) {
        n.open.clear();
        notice->hide();
        notice->deleteLater();
    }
    ModalDialog::closeOpen();
}

QString WidgetPrompt::openFile(const QString& title, const QString& folder, const QString& filter)
{
    const QPointer<QFileDialog> dialog = new QFileDialog(parentWindow(), title, folder, Prompt::dialogFilter(filter));
    dialog->setOptions(fileDialogOptions());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    QString chosen;
    if (runModal(dialog) == QDialog::Accepted)
        chosen = dialog->selectedFiles().value(0);
    release(dialog);
    return chosen;
}

QString WidgetPrompt::saveFile(const QString& title, const QString& path, const QString& filter)
{
    const QPointer<QFileDialog> dialog = new QFileDialog(parentWindow(), title, path, Prompt::dialogFilter(filter));
    dialog->setOptions(fileDialogOptions());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QString chosen;
    if (runModal(dialog) == QDialog::Accepted)
        chosen = dialog->selectedFiles().value(0);
    release(dialog);
    return chosen;
}

std::optional<quint32> WidgetPrompt::chooseColor(quint32 bgr)
{
    const QPointer<QColorDialog> dialog = new QColorDialog(Colour::fromBgr(bgr), parentWindow());
    dialog->setOptions(nativeDialogsWork() ? QColorDialog::ColorDialogOptions() : QColorDialog::DontUseNativeDialog);
    std::optional<quint32> chosen;
    if (runModal(dialog) == QDialog::Accepted && dialog->selectedColor().isValid())
        chosen = Colour::toBgr(dialog->selectedColor());
    release(dialog);
    return chosen;
}

QString WidgetPrompt::input(const QString& title, const QString& prompt, const QString& defaultText)
{
    const QPointer<QInputDialog> dialog = new QInputDialog(parentWindow());
    dialog->setWindowTitle(title);
    dialog->setLabelText(prompt);
    dialog->setTextValue(defaultText);
    QString text;
    if (runModal(dialog) == QDialog::Accepted)
        text = dialog->textValue();
    release(dialog);
    return text;
}

bool WidgetPrompt::print(QPrinter* printer)
{
    if (!printer)
        return false;
    const QPointer<QPrintDialog> dialog = new QPrintDialog(printer, parentWindow());
    const bool accepted = runModal(dialog) == QDialog::Accepted;
    release(dialog);
    return accepted;
}
