#pragma once

#include <QFont>
#include <QList>
#include <QString>

#include <functional>

class QPainter;
class QPrinter;

// The page both printed lists share (the call list and the contact book): laid out in inches on a
// letter-wide page, whatever paper is chosen, in "Arial" 12 pt. A page has the title "Velquon", an empty
// line and the column headings at its top, and the footer "Page n" at 10 inches; a page is full once the
// print position reaches 9.75 inches. Texts are cut to their column, never wrapped.
//
// print() runs the print dialog (through Prompt) and the caller's body, which places the lines with the
// calls below. A printer that cannot print gets the printer-error message, any other failure the error
// report; a failed job is dropped, never half sent.
class PageLayout {
public:
    struct Heading {
        QString text;
        double left;
    };
    static constexpr double PageWidth = 8.5;
    static constexpr double PageFull = 9.75;
    static constexpr double FooterTop = 10.0;

    explicit PageLayout(QList<Heading> headings);

    // The message for a printer that cannot print, and how many characters PrintText cuts a text by at most
    // (0: until it fits).
    void setPrinterErrorText(const QString& text) { m_printerError = text; }
    void setMaxCut(int characters) { m_maxCut = characters; }

    // The print dialog on the printer, then the body on a painter begun on it; source names the command
    // in the error report. False when nothing was printed (cancelled or failed).
    bool print(QPrinter& printer, const QString& source, const std::function<void(PageLayout&)>& body);

    // --- for the body ---
    // The title and headings at the top of the page; the body starts on the line after the headings.
    void PrintPageHeader();
    // "Page n" at the bottom of the page.
    void PrintPageFooter();
    // One text at (x, y), first cut (by at most the maximum cut, 51 characters unless set) until its printed
    // width is below width (0: not cut); the print position moves to the next line.
    void PrintText(QString text, double x, double y, double width);
    // Prints a line at the print position and moves it one line down.
    void printLine(const QString& text);
    // A new page; a printer that refuses one fails the print.
    void newPage();
    // When the page is full: its footer, a new page and its header.
    void breakPageIfFull();
    bool pageFull() const { return m_y >= PageFull; }
    double y() const { return m_y; }
    int page() const { return m_page; }

    double textWidth(const QString& text) const;
    double textHeight() const;

private:
    QList<Heading> m_headings;
    QString m_printerError = QStringLiteral("Printer error.  Possible causes are no printer installed, \r\n"
                                            "the printer is offline or the printer has a paper jam.");
    int m_maxCut = 51;
    QPrinter* m_printer = nullptr;
    QPainter* m_painter = nullptr;
    QFont m_font;
    double m_dpi = 0.0;
    double m_x = 0.0; // print position, inches from the page's top-left corner
    double m_y = 0.0;
    int m_page = 1;
};
