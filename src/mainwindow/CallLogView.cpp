#include "mainwindow/CallLogView.h"

#include <memory>

#include "core/MainWindow.h"
#include "core/Processing.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

namespace {

constexpr qint32 MaxProgressSteps = 1000;

} // namespace

CallLogView::CallLogView(MainWindow& host, QObject* parent) : QObject(parent), m_host(host) {}

void CallLogView::reportViewError(const SqlError& e, const char* tag)
{
    SaveError(e.code(), e.resultText() + QStringLiteral(": ") + e.message(), QStringLiteral("frmBaseMain"));
    ReportError(QString::fromLatin1(tag));
    ShowError(QString());
}

void CallLogView::UpdateSQL()
{
    // Nothing is kept open between operations: the view is its query, checked here, and read by the refill.
    SqlDatabase* reader = CallerDBReader();
    if (!reader)
        return;
    try {
        reader->prepareUntrusted(m_host.strSQL);
        m_lastGoodSQL = m_host.strSQL;
    } catch (const SqlError& e) {
        reportViewError(e, "frmBaseMain_UpdateSQL");
        // A query that cannot run (a table that does not exist, bad text) leaves the call log open and the
        // view on the last query that worked.
        if (!m_lastGoodSQL.isEmpty())
            m_host.strSQL = m_lastGoodSQL;
    }
    if (windowLinks().findSetCurrentSQL && Links::findVisible())
        windowLinks().findSetCurrentSQL(m_host.strSQL);
}

void CallLogView::RefreshGrid()
{
    if (m_refilling) {
        m_refillAgain = true;
        return;
    }
    m_refilling = true;
    do {
        m_refillAgain = false;
        refill();
    } while (m_refillAgain);
    m_refilling = false;
}

void CallLogView::refill()
{
    UpdateSQL();
    Q_EMIT refillStarted();
    // The rows read now are the refill: a call that arrives while it yields adds its own row, once.
    QList<clsCaller> rows;
    if (CallerDBReader() && m_host.strSQL == m_lastGoodSQL) {
        try {
            rows = SelectCallers(m_host.strSQL);
        } catch (const SqlError& e) {
            reportViewError(e, "frmBaseMain_RefreshGrid");
        }
    }
    const qint32 n = qint32(rows.size());
    // The progress window yields to the event loop at every step. Up to MaxProgressSteps records each is
    // a step; a larger view advances it every few records, so a refill of 100,000 calls takes well under
    // a second instead of spending it all in repaints of the window.
    const qint32 perStep = std::max<qint32>(1, (n + MaxProgressSteps - 1) / MaxProgressSteps);
    std::unique_ptr<Processing> progress;
    if (n > ProgressThreshold)
        progress = std::make_unique<Processing>((n + perStep - 1) / perStep, QStringLiteral("Processing Grid Data..."),
                                                parent());
    qint32 i = 0;
    for (const clsCaller& record : rows) {
        if ((progress && progress->StopProcessing()) || m_refillAgain)
            break;
        try {
            if (progress && i % perStep == 0)
                progress->Increment();
            ++i;
            clsCaller caller = record;
            MatchCallerToContact(caller.Number.Number, caller);
            Q_EMIT callRead(caller);
        } catch (const std::exception& e) {
            // One bad record ends the refill with one report; what was read so far stays.
            SaveError(0, QString::fromUtf8(e.what()), QStringLiteral("frmBaseMain"));
            ReportError(QStringLiteral("frmBaseMain_RefreshGrid"));
            ShowError(QString());
            break;
        }
    }
    if (progress)
        progress->Unload();
    Q_EMIT refillFinished();
}

void CallLogView::ChoosePeriod(int index)
{
    if (index == ViewTime::Custom) {
        if (windowLinks().showCustomizeTime)
            windowLinks().showCustomizeTime(QStringLiteral("Main"), parent());
        return;
    }
    int period = index;
    const QString sql = ViewTimeSQL(period);
    m_host.UncheckTimeMenu();
    m_host.setViewTimeChecked(period);
    m_host.strSQL = sql;
    SaveProperty(Section::frmMain, Key::ViewTime, QString::number(period));
    RefreshGrid();
}
