#include "mainwindow/ui/CallListPrinter.h"

#include <iterator>

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include "core/modError.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "platform/Prompt.h"

namespace {

constexpr double PageWidth = 8.5;
constexpr double PageFull = 9.75;
constexpr double FooterTop = 10.0;
constexpr double TitleBottom = 1.0;
// A cell is cut by at most this many characters, so a very long text cannot stall the printout.
constexpr int MaxCut = 51;
constexpr int CancelError = 32755;
constexpr int PrinterError = 482;

struct Column {
    const char* heading;
    double left;
    double width;
};
constexpr Column Columns[] = {
    {"Name", 0.5, 2.3},      {"Number", 2.945, 1.23},    {"Date/Time", 4.325, 1.87},
    {"Rings", 6.3417, 0.53}, {"Answered", 7.0137, 0.84},
};

struct PrintFailure {
    int number;
    QString description;
};

} // namespace

CallListPrinter::CallListPrinter(CallerIDGrid* grid) : m_grid(grid), m_font(QStringLiteral("Liberation Sans"))
{
    // "Arial" 12 pt; Liberation Sans has the same metrics.
    m_font.setPointSizeF(12);
}

bool CallListPrinter::PrintList(QPrinter& printer)
{
    QPainter painter;
    m_printer = &printer;
    m_painter = &painter;
    m_page = 1;
    bool printed = false;
    try {
        if (!Prompt::print(&printer))
            throw PrintFailure{CancelError, QStringLiteral("Cancel was selected.")};
        // Positions are measured from the paper's corner, as the layout was drawn for.
        printer.setFullPage(true);
        if (!painter.begin(&printer))
            throw PrintFailure{PrinterError, QStringLiteral("Printer error")};
        m_dpi = printer.resolution();
        painter.setFont(m_font);
        PrintPageHeader();
        const int rows = m_grid ? m_grid->Rows() : 1;
        for (int r = 1; r < rows; ++r) {
            if (m_y >= PageFull) {
                if (!newPage())
                    throw PrintFailure{PrinterError, QStringLiteral("Printer error")};
                PrintPageHeader();
            }
            const double y = m_y;
            for (int c = 0; c < int(std::size(Columns)); ++c)
                PrintRecord(m_grid->TextMatrix(r, c), Columns[c].left, y, Columns[c].width);
            if (m_y >= PageFull || r == rows - 1)
                PrintPageFooter();
        }
        printed = painter.end();
        if (!printed)
            throw PrintFailure{PrinterError, QStringLiteral("Printer error")};
    } catch (const PrintFailure& failure) {
        SaveError(failure.number, failure.description, QStringLiteral("frmBaseMain_mnuFilePrint_Click"));
        // The job is dropped, not finished: nothing of a failed run reaches the printer.
        if (painter.isActive()) {
            printer.abort();
            painter.end();
        }
        if (failure.number == PrinterError)
            Prompt::message(QStringLiteral("Printer error.  Possible causes are no printer installed, \r\n") +
                                QStringLiteral("the printer is offline or the printer has a paper jam."),
                            Prompt::OkOnly, Prompt::Exclamation);
        else if (failure.number != CancelError)
            ShowError(QString());
        printed = false;
    }
    m_painter = nullptr;
    m_printer = nullptr;
    return printed;
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

void CallListPrinter::PrintPageHeader()
{
    const QString title = QStringLiteral("Velquon");
    m_x = (PageWidth - textWidth(title)) / 2;
    m_y = TitleBottom - textHeight();
    printLine(title);
    printLine(QString());
    const double y = m_y;
    for (const Column& column : Columns) {
        m_x = column.left;
        m_y = y;
        printLine(QString::fromLatin1(column.heading));
    }
}

void CallListPrinter::PrintRecord(QString text, double left, double top, double width)
{
    if (width > 0) {
        int removed = 0;
        while (!text.isEmpty() && textWidth(text) >= width && removed < MaxCut) {
            text.chop(1);
            ++removed;
        }
    }
    m_x = left;
    m_y = top;
    printLine(text);
}

void CallListPrinter::PrintPageFooter()
{
    const QString footer = QStringLiteral("Page ") + QString::number(m_page);
    m_x = (PageWidth - textWidth(footer)) / 2;
    m_y = FooterTop;
    printLine(footer);
}

void CallListPrinter::printLine(const QString& text)
{
    if (!text.isEmpty()) {
        const QFontMetricsF metrics(m_font, m_printer);
        m_painter->drawText(QPointF(m_x * m_dpi, m_y * m_dpi + metrics.ascent()), text);
    }
    m_x = 0;
    m_y += textHeight();
}

double CallListPrinter::textWidth(const QString& text) const
{
    return QFontMetricsF(m_font, m_printer).horizontalAdvance(text) / m_dpi;
}

double CallListPrinter::textHeight() const { return QFontMetricsF(m_font, m_printer).height() / m_dpi; }

bool CallListPrinter::newPage()
{
    if (!m_printer->newPage())
        return false;
    ++m_page;
    return true;
}
