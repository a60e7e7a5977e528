#include "popup/ui/frmOtherInfo.h"

#include <QPointer>

#include "core/SettingsKeys.h"
#include "platform/Colour.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupWindows.h"

namespace {
QPointer<frmOtherInfo> g_instance;
}

frmOtherInfo* frmOtherInfo::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmOtherInfo;
    return g_instance;
}

frmOtherInfo::frmOtherInfo() : PopupDetailWindow("frmOtherInfo", QStringLiteral("Other Information"))
{
    txtOtherInfo = new QPlainTextEdit(this);
    txtOtherInfo->setObjectName(QStringLiteral("txtOtherInfo"));
    txtOtherInfo->setReadOnly(true);
    txtOtherInfo->setFont(QFont(QStringLiteral("Liberation Sans")));
    dragBy(txtOtherInfo->viewport());
    load();
}

void frmOtherInfo::layoutContent(double ws, double hs)
{
    txtOtherInfo->setGeometry(rect());
    QFont f = txtOtherInfo->font();
    f.setPointSizeF(ws * hs + 8);
    txtOtherInfo->setFont(f);
}

void frmOtherInfo::UpdateAppearance()
{
    setForeground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8464686")));
    setBackground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686")));
    setBackground(txtOtherInfo, Colour::fromBgr(MiniDisplay::colourSetting(Key::ScreenColor, "15326429")));
    setForeground(txtOtherInfo, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8418617")));
}

void frmOtherInfo::SetOtherInfo()
{
    txtOtherInfo->setPlainText(miniDisplay().CurrentContact.OtherInfo);
    if (txtOtherInfo->toPlainText().isEmpty())
        txtOtherInfo->setPlainText(QStringLiteral("<other information not available>"));
}
