#include "statswindow/ui/StatsWindowHints.h"

#include <QWidget>

#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"

namespace {

const struct {
    const char* control;
    const char* text;
} kHints[] = {
    {"msfStatistics",
     "This displays the results of the statistics calculated for each group. Clicking the column heading will sort "
     "the grid by that column. To change the statistics and groups click on the customize statistics menu under "
     "edit(or ctrl+U) and add or remove any group or statistic you like. You can also create custom groups and "
     "statistics in the customize statistics form."},
    {"mscChart", "This is a graphical display of the information in the statistics grid."},
    {"fraChartOptions",
     "Here you can adjust various options of the chart above. Click the title of this frame to expand and contract "
     "it."},
    {"cboChartStatistic",
     "This is the statistic display in the chart above. All the statistics in this list are in the grid. To add or "
     "remove statistics from this list you must add or remove them in the customize statistics form."},
    {"cboChartType", "This is the type of chart to be displayed above."},
    {"cmdChartZoomIn", "Click here to zoom in on the chart above."},
    {"cmdChartZoomOut", "Click here to zoom out on the chart above."},
    {"mscGraph",
     "This is a graphical display of the statistic selected in the options below. The statistic is graphed for each "
     "increment of time select below. For example a statistic of Total Calls and a frequency of Weekly will display "
     "a graph of the total calls of each week by each of the groups checked below."},
    {"fraGraphOptions",
     "Here you can adjust various options of the graph above. Click the title of this frame to expand and contract "
     "it."},
    {"cboGraphFrequency", "This allows you to select how often the statistic to be graphed is calculated."},
    {"cboGraphStatistic",
     "This is the statistic display in the graph above. These statistics are calculated for the groups check in the "
     "list on the right. Changes will not take place until the refresh graph button is clicked."},
    {"cboGraphType", "This is the type of graph to be displayed above."},
    {"cmdGraphZoomIn", "Click here to zoom in on the graph above."},
    {"cmdGraphZoomOut", "Click here to zoom out on the graph above."},
    {"cmdRefreshGraph",
     "This refreshs the graph above if a change is made to the statistic, groups or frequency of the graph."},
    {"lstGraphGroup",
     "Groups in this list will be displayed in the graph above. Changes will not take place until the refresh graph "
     "button is clicked."},
    {"cmdSelectAll", "This selects all the groups in the list above."},
    {"cmdUnselectAll", "This unselects all the groups in the list above."},
    {"chkGraphLegend", "Checking this box will display a legend for the graph above."},
};

} // namespace

void AddStatsWindowHints(QWidget* window)
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    for (const auto& h : kHints) {
        if (auto* w = window->findChild<QWidget*>(QLatin1String(h.control)))
            gToolTip->SetToolTipObj(w, QString::fromLatin1(h.text));
    }
}
