#include "popup/ui/frmCallerInfo.h"

#include <QPointer>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmWaiting.h"
#include "platform/Colour.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupWindows.h"

namespace {
QPointer<frmCallerInfo> g_instance;
}

frmCallerInfo* frmCallerInfo::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmCallerInfo;
    return g_instance;
}

frmCallerInfo::frmCallerInfo() : PopupDetailWindow("frmCallerInfo", QStringLiteral("Caller Information"))
{
    txtCallerInfo = new QPlainTextEdit(this);
    txtCallerInfo->setObjectName(QStringLiteral("txtCallerInfo"));
    txtCallerInfo->setReadOnly(true);
    txtCallerInfo->setFont(QFont(QStringLiteral("Liberation Sans")));
    dragBy(txtCallerInfo->viewport());
    load();
}

void frmCallerInfo::layoutContent(double ws, double hs)
{
    txtCallerInfo->setGeometry(rect());
    QFont f = txtCallerInfo->font();
    f.setPointSizeF(ws * hs + 8);
    txtCallerInfo->setFont(f);
}

void frmCallerInfo::UpdateAppearance()
{
    setForeground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8464686")));
    setBackground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686")));
    setBackground(txtCallerInfo, Colour::fromBgr(MiniDisplay::colourSetting(Key::ScreenColor, "15326429")));
    setForeground(txtCallerInfo, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8418617")));
}

void frmCallerInfo::SetCallerInfo()
{
    MiniDisplay& list = miniDisplay();
    txtCallerInfo->clear();
    const QString info = GetProperty(Section::frmMiniDisplay, Key::CallerInfo,
                                     QStringLiteral(";Total Calls;Calls in the Last Day;Calls in the Last Week;"
                                                    "Calls Between 9pm and 1am;Most Calls in a Day;"
                                                    "Most Calls in a Week;"));
    if (isClientMode()) {
        // The server's reply fills the box; the waiting note stands until it comes.
        ShowWaiting(QStringLiteral("MINI DISPLAY STATS"), this);
        QString pipes = info;
        pipes.replace(QLatin1Char(';'), QLatin1Char('|'));
        list.SendData(QStringLiteral(";MINI DISPLAY STATS;") + list.CurrentCaller.PrintSend() + QLatin1Char(';') +
                      pipes + QLatin1Char(';'));
        return;
    }
    txtCallerInfo->setPlainText(list.GenerateCallerInfo(list.CurrentCaller, info));
}
