#include "mainwindow/ui/CallListPrinter.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <vector>

#include <QPrinter>

#include "core/ui/PageLayout.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"

namespace {

struct Column {
    const char* heading;
    double left;
    double width;
};
constexpr Column Columns[] = {
    {"Name", 0.5, 2.3},      {"Number", 2.945, 1.23},    {"Date/Time", 4.325, 1.87},
    {"Rings", 6.3417, 0.53}, {"Answered", 7.0137, 0.84},
};

} // namespace

CallListPrintOptions CallListPrintOptions::client()
{
    CallListPrintOptions options;
    options.printerError = QStringLiteral("Printer error. Possible causes are no printer installed, \r\n"
                                          "the printer is offline or the printer has a paper jam.");
    options.errorSource = QStringLiteral("frmRemoteMain_mnuFilePrint_Click");
    options.maxCut = 0;
    return options;
}

CallListPrinter::CallListPrinter(CallerIDGrid* grid, Options options) : m_grid(grid), m_options(std::move(options)) {}

bool CallListPrinter::PrintList(QPrinter& printer)
{
    QList<PageLayout::Heading> headings;
    for (const Column& column : Columns)
        headings.append({QString::fromLatin1(column.heading), column.left});
    PageLayout page(headings);
    page.setPrinterErrorText(m_options.printerError);
    page.setMaxCut(m_options.maxCut);
    // The list as it stands when the user asks to print it: the print dialog lets calls come in and the list
    // be read again (or the window go) while it waits, and the printout is of the list the user chose.
    std::vector<std::array<QString, std::size(Columns)>> rows;
    if (m_grid) {
        rows.reserve(size_t(std::max(0, m_grid->Rows() - 1)));
        for (int r = 1; r < m_grid->Rows(); ++r) {
            auto& cells = rows.emplace_back();
            for (int c = 0; c < int(std::size(Columns)); ++c)
                cells[size_t(c)] = m_grid->TextMatrix(r, c);
        }
    }
    return page.print(printer, m_options.errorSource, [&rows](PageLayout& p) {
        p.PrintPageHeader();
        for (size_t r = 0; r < rows.size(); ++r) {
            if (p.pageFull()) {
                p.newPage();
                p.PrintPageHeader();
            }
            const double y = p.y();
            for (size_t c = 0; c < std::size(Columns); ++c)
                p.PrintText(rows[r][c], Columns[c].left, y, Columns[c].width);
            if (p.pageFull() || r + 1 == rows.size())
                p.PrintPageFooter();
        }
    });
}

QString CallListPrinter::CopyAll()
{
    if (!m_grid)
        return QString();
    return CopyGridToClipboard(m_grid->model(), 0, 0, m_grid->Cols() - 3, true, m_grid);
}

QString CallListPrinter::CopySelected()
{
    if (!m_grid)
        return QString();
    // Grid rows count the heading row; the model's rows are the data rows.
    return CopyGridToClipboard(m_grid->model(), m_grid->Row() - 1, m_grid->RowSel() - 1, m_grid->Cols() - 3, false,
                               m_grid);
}
