#include "core/modMain.h"

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"

namespace {
QString g_lastLogDate;
}

void resetActivityLogState() { g_lastLogDate.clear(); }

void AddEvent(const QString& text)
{
    MainWindow* w = gMainForm;
    if (w) {
        w->StatusTimerEnabled = true;
        w->intStatusTimer = 0;
        w->setStatusText(text);
        QStringListModel& list = w->lstEvents;
        if (list.rowCount() > 0 && list.index(0).data().toString().isEmpty())
            list.removeRows(0, 1);
        const int max = int(textToNumber(GetProperty(Section::frmConfiguration, Key::MaxEventLog, "100"), 100));
        if (list.rowCount() >= max && list.rowCount() > 0)
            list.removeRows(0, 1);
        const int row = list.rowCount();
        list.insertRows(row, 1);
        list.setData(list.index(row), text);
        w->lstEventsSelected = row;
        w->eventAdded(row);
    }
    LogActivity(text);
}

void LogActivity(const QString& text)
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::LogActivity, "False")))
        return;
    const QString path = programFolder() + QStringLiteral("/ActivityLog.dat");
    const QDateTime now = Clock::now();
    const QString today = DateText::shortDate(now.date());
    QStringList lines;
    if (g_lastLogDate.isEmpty() || g_lastLogDate != today) {
        lines << QString();
    }
    // The whole record is one quoted field, so a quote inside the event text cannot break the file.
    lines << DataFile::formatField(DateText::format(now) + QStringLiteral(":  ") + text);
    if (DataFile::appendLines(path, lines))
        g_lastLogDate = today;
}
