#include "popup/ui/frmCallerInfo.h"

#include <QPointer>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmWaiting.h"
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

frmCallerInfo::frmCallerInfo() : PopupTextWindow("frmCallerInfo", QStringLiteral("Caller Information"), "txtCallerInfo")
{
}

void frmCallerInfo::SetCallerInfo()
{
    MiniDisplay& list = miniDisplay();
    setText(QString());
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
    setText(list.GenerateCallerInfo(list.CurrentCaller, info));
}
