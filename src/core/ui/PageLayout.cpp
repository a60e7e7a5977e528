#include "core/ui/PageLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include "core/modError.h"
#include "platform/Prompt.h"

namespace {

constexpr double TitleBottom = 1.0;
// A text is cut by at most this many characters, so a very long one cannot stall the printout.
constexpr int CancelError = kCancelSelectedError;
constexpr int PrinterError = kPrinterError;

struct PrintFailure {
    int number;
    QString description;
};

} // namespace

PageLayout::PageLayout(QList<Heading> headings)
    : m_headings(std::move(headings)), m_font(QStringLiteral("Liberation Sans"))
{
    // "Arial" 12 pt; Liberation Sans has the same metrics.
    m_font.setPointSizeF(12);
}

bool PageLayout::print(QPrinter& printer, const QString& source, const std::function<void(PageLayout&)>& body)
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
        body(*this);
        printed = painter.end();
        if (!printed)
            throw PrintFailure{PrinterError, QStringLiteral("Printer error")};
    } catch (const PrintFailure& failure) {
        SaveError(failure.number, failure.description, source);
        // The job is dropped, not finished: nothing of a failed run reaches the printer.
        if (painter.isActive()) {
            printer.abort();
            painter.end();
        }
        if (failure.number == PrinterError)
            Prompt::message(m_printerError, Prompt::OkOnly, Prompt::Exclamation);
        else if (failure.number != CancelError)
            ShowError(QString());
        printed = false;
    }
    m_painter = nullptr;
    m_printer = nullptr;
    return printed;
}

void PageLayout::PrintPageHeader()
{
    const QString title = QStringLiteral("Velquon");
    m_x = (PageWidth - textWidth(title)) / 2;
    m_y = TitleBottom - textHeight();
    printLine(title);
    printLine(QString());
    const double y = m_y;
    for (const Heading& heading : std::as_const(m_headings)) {
        m_x = heading.left;
        m_y = y;
        printLine(heading.text);
    }
}

void PageLayout::PrintText(QString text, double x, double y, double width)
{
    if (width > 0) {
        int removed = 0;
        while (!text.isEmpty() && textWidth(text) >= width && (m_maxCut <= 0 || removed < m_maxCut)) {
            text.chop(1);
            ++removed;
        }
    }
    m_x = x;
    m_y = y;
    printLine(text);
}

void PageLayout::PrintPageFooter()
{
    const QString footer = QStringLiteral("Page ") + QString::number(m_page);
    m_x = (PageWidth - textWidth(footer)) / 2;
    m_y = FooterTop;
    printLine(footer);
}

void PageLayout::printLine(const QString& text)
{
    if (!text.isEmpty()) {
        const QFontMetricsF metrics(m_font, m_printer);
        m_painter->drawText(QPointF(m_x * m_dpi, m_y * m_dpi + metrics.ascent()), text);
    }
    m_x = 0;
    m_y += textHeight();
}

void PageLayout::newPage()
{
    if (!m_printer->newPage())
        throw PrintFailure{PrinterError, QStringLiteral("Printer error")};
    ++m_page;
}

void PageLayout::breakPageIfFull()
{
    if (!pageFull())
        return;
    PrintPageFooter();
    newPage();
    PrintPageHeader();
}

double PageLayout::textWidth(const QString& text) const
{
    return QFontMetricsF(m_font, m_printer).horizontalAdvance(text) / m_dpi;
}

double PageLayout::textHeight() const { return QFontMetricsF(m_font, m_printer).height() / m_dpi; }
