#include "platform/ui/ModalDialog.h"

#include <QDialog>
#include <QList>
#include <QPointer>

namespace {
QList<ModalDialog::Script>& scripts()
{
    static QList<ModalDialog::Script> queue;
    return queue;
}
} // namespace

int execDialog(QDialog& dialog)
{
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
    return dialog.exec();
}

namespace ModalDialog {

void queueScript(Script script) { scripts().append(std::move(script)); }
int pendingScripts() { return int(scripts().size()); }
void resetScripts() { scripts().clear(); }

} // namespace ModalDialog
