#include "platform/ui/ModalDialog.h"

#include <QDialog>
#include <QList>

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
        script(dialog);
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
