#include "platform/ui/ModalDialog.h"

#include <QDialog>

int execDialog(QDialog& dialog)
{
    if (qEnvironmentVariable("VELQUON_NONINTERACTIVE") == QLatin1String("1"))
        return QDialog::Rejected;
    return dialog.exec();
}
