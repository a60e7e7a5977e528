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
        const QPointer<QDialog> shown(&dialog);
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        script(dialog);
        // What the script did may have let the dialog go with its owner (the program ended meanwhile).
        if (!shown)
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
