#include "platform/ui/WidgetPrompt.h"

#include "platform/Colour.h"

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

QWidget* parentWindow() { return QApplication::activeWindow(); }

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

// Runs a dialog made on the heap over the active window. The box's event loop runs everything else: its
// window may be deleted meanwhile, and the dialog with it, as that window's child. The dialog is then gone
// and counts as cancelled; a dialog on the stack would be deleted a second time on the way out.
int runOwned(QDialog* made)
{
    QPointer<QDialog> dialog(made);
    const int result = dialog->exec();
    if (!dialog)
        return QDialog::Rejected;
    delete dialog.data();
    return result;
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
    auto* box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, parentWindow());
    for (const Choice& c : set)
        box->addButton(c.button);
    box->setDefaultButton(set.value(defaultButton, set.first()).button);
    const int r = runOwned(box);
    for (const Choice& c : set)
        if (c.button == r)
            return c.answer;
    // Escape or the close box: the set's cancel-like answer.
    return buttons == Prompt::OkOnly ? Prompt::Ok : set.last().answer;
}

void WidgetPrompt::notice(const QString& title, const QString& text, Prompt::Icon icon)
{
    auto* box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::Ok, parentWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

namespace {

QString chooseFile(const QString& title, const QString& where, const QString& filter, bool save)
{
    QPointer<QFileDialog> dialog = new QFileDialog(parentWindow(), title, where, filter);
    dialog->setOptions(fileDialogOptions());
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted || !dialog) {
        delete dialog.data();
        return QString();
    }
    const QString chosen = dialog->selectedFiles().value(0);
    delete dialog.data();
    return chosen;
}

} // namespace

QString WidgetPrompt::openFile(const QString& title, const QString& folder, const QString& filter)
{
    return chooseFile(title, folder, filter, false);
}

QString WidgetPrompt::saveFile(const QString& title, const QString& path, const QString& filter)
{
    return chooseFile(title, path, filter, true);
}

std::optional<quint32> WidgetPrompt::chooseColor(quint32 bgr)
{
    QPointer<QColorDialog> dialog = new QColorDialog(Colour::fromBgr(bgr), parentWindow());
    dialog->setOptions(nativeDialogsWork() ? QColorDialog::ColorDialogOptions() : QColorDialog::DontUseNativeDialog);
    if (dialog->exec() != QDialog::Accepted || !dialog) {
        delete dialog.data();
        return std::nullopt;
    }
    const QColor c = dialog->selectedColor();
    delete dialog.data();
    if (!c.isValid())
        return std::nullopt;
    return Colour::toBgr(c);
}

QString WidgetPrompt::input(const QString& title, const QString& prompt, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWindow(), title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

bool WidgetPrompt::print(QPrinter* printer)
{
    if (!printer)
        return false;
    return runOwned(new QPrintDialog(printer, parentWindow())) == QDialog::Accepted;
}
