#include "popup/ui/frmOtherInfo.h"

#include <QPlainTextEdit>
#include <QPointer>

#include "popup/MiniDisplay.h"

namespace {
QPointer<frmOtherInfo> g_instance;
}

frmOtherInfo* frmOtherInfo::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmOtherInfo;
    return g_instance;
}

frmOtherInfo::frmOtherInfo() : PopupTextWindow("frmOtherInfo", QStringLiteral("Other Information"), "txtOtherInfo") {}

void frmOtherInfo::SetOtherInfo()
{
    textBox()->setPlainText(miniDisplay().CurrentContact.OtherInfo);
    if (textBox()->toPlainText().isEmpty())
        textBox()->setPlainText(QStringLiteral("<other information not available>"));
}
