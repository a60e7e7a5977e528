#include "statswindow/ui/frmStatistics.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>

#include "core/Globals.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "statistics/GraphBuckets.h"
#include "statistics/StatisticsProtocol.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/ClientRequest.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/StatsGridPage.h"
#include "statswindow/ui/StatsWindowConstants.h"

// The statistics window of a client: it computes nothing, sends its requests to the server, waits frozen, and
// fills itself from the replies.

using namespace StatsWindow;

namespace {

// A request of that kind is still awaited: its waiting note is open.
bool awaiting(const char* kind)
{
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting"))) {
        if (Tag(w).compare(QLatin1String(kind), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool connectedToServer() { return gRemoteSocket && gRemoteSocket->State() == SocketState::Connected; }

} // namespace

void frmStatistics::clientGenerate()
{
    // One grid request at a time: the reply to the pending one fills the grid as it was laid out for it, and
    // then the newest view is asked for.
    if (awaiting(kStatsKind)) {
        m_statsAgain = true;
        return;
    }
    m_statsAgain = false;
    SetupGrid();
    QList<clsStatistic> statistics;
    if (gCurrentStatistics) {
        for (const auto& e : *gCurrentStatistics)
            statistics << *e.item;
    }
    QList<clsGroup> groups;
    if (gCurrentGroups) {
        for (const auto& e : *gCurrentGroups)
            groups << *e.item;
    }
    const ClientGridRequest request = AssembleGridRequest(statistics, groups, strTimePeriod);
    m_sentColumns = request.columns;
    m_sentGroups = request.groups;
    StatsGridModel* grid = m_grid->model();
    if (request.refused) {
        AddEvent(CannotTravelEvent());
        for (int r = 1; r < grid->Rows(); ++r) {
            for (int c = 1; c < grid->Cols() - 1; ++c) {
                if (!request.asks(r, c))
                    grid->setTextMatrix(r, c, StatisticCellText(kStatBadSql));
            }
        }
    }
    if (!request.message.isEmpty() && connectedToServer()) {
        ShowWaiting(QLatin1String(kStatsKind), this);
        Freeze(true);
        gRemoteSocket->SendData(request.message);
    }
    m_grid->sort();
}

void frmStatistics::clientGraph()
{
    m_graph->view()->chart()->setTitle(graphTitle());
    if (awaiting(kGraphKind)) {
        m_graphAgain = true;
        return;
    }
    m_graphAgain = false;
    const GraphRange range = ClientGraphRange(checkedTimeItem(), Clock::now(), customRange());
    const QStringList names = selectedGraphGroups();
    if (!connectedToServer())
        return;
    m_graphSeries = names;
    ShowWaiting(QLatin1String(kGraphKind), this);
    Freeze(true);
    gRemoteSocket->SendData(ClientGraphRequest(m_graph->statisticList()->currentText(),
                                               GraphUnitCode(cboGraphFrequency->currentIndex()), range.start, range.end,
                                               names));
}

void frmStatistics::StatisticReply(const QString& field)
{
    UnloadWaitingForms(QLatin1String(kStatsKind));
    frmStatistics* w = instance(false);
    if (!w)
        return;
    if (w->isVisible())
        w->applyStatisticReply(field);
    if (w->m_statsAgain && w->isLoaded())
        w->GenerateStatistics();
    if (!w->blnWaiting)
        w->Freeze(false);
}

void frmStatistics::GraphReply(const QString& field)
{
    UnloadWaitingForms(QLatin1String(kGraphKind));
    frmStatistics* w = instance(false);
    if (!w)
        return;
    if (w->isVisible())
        w->applyGraphReply(field);
    if (w->m_graphAgain && w->isLoaded())
        w->Graph();
    if (!w->blnWaiting)
        w->Freeze(false);
}

void frmStatistics::StatisticsGivenUp(const QString& kind)
{
    frmStatistics* w = instance(false);
    if (!w)
        return;
    if (kind.compare(QLatin1String(kStatsKind), Qt::CaseInsensitive) == 0) {
        w->markUncomputedCells();
        if (w->m_statsAgain && w->isLoaded())
            w->GenerateStatistics();
    } else {
        // The graph asked for was not drawn: none shows rather than the one before under the new title.
        w->showNoGraph();
        if (w->m_graphAgain && w->isLoaded())
            w->Graph();
    }
}

void frmStatistics::setWaiting(bool waiting)
{
    blnWaiting = waiting;
    if (waiting || !m_frozen)
        return;
    // A grid request that ended with no reply (a refusal, the connection's end) left cells without figures.
    markUncomputedCells();
    Freeze(false);
}

void frmStatistics::applyStatisticReply(const QString& field)
{
    StatsGridModel* grid = m_grid->model();
    const PlacedReply placed = PlaceStatisticReply(DecodeStatisticReply(field), m_sentColumns, m_sentGroups);
    for (const PlacedCell& cell : placed.cells) {
        for (int r = 1; r < grid->Rows(); ++r) {
            if (grid->TextMatrix(r, StatsGridModel::GroupColumn) == cell.group) {
                grid->setTextMatrix(r, cell.column, cell.text);
                break;
            }
        }
    }
    // A short reply (the run was stopped or cancelled on the server) holds only the figures computed.
    markUncomputedCells();
    QStringList filled;
    for (int c : placed.filledColumns)
        filled << grid->TextMatrix(StatsGridModel::HeadingRow, c);
    fillChartStatistics(filled);
    m_grid->sort();
}

void frmStatistics::applyGraphReply(const QString& field)
{
    const GraphTable table = DecodeGraphReply(field);
    SetArray(table);
    if (table.isEmpty())
        m_graphSeries.clear();
    drawGraph();
}
