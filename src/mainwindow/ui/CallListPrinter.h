#pragma once

#include <QFont>
#include <QString>

class CallerIDGrid;
class QPainter;
class QPrinter;

// Prints the call list as the grid shows it (its order, names and formatted numbers) and copies it to the
// clipboard. The page is laid out in inches on a letter-wide page, whatever paper is chosen: the title
// "Velquon", an empty line, the headings, one line per row with each cell cut to its column, and a footer
// "Page n" at 10 inches; a page is full once the print position reaches 9.75 inches.
class CallListPrinter {
public:
    explicit CallListPrinter(CallerIDGrid* grid);

    // The File menu's print command: the print dialog (through Prompt) on the given printer, then the list.
    // Cancel prints nothing; a printer that cannot print gets the printer-error message. False when nothing
    // was printed.
    bool PrintList(QPrinter& printer);
    // Copy All / Copy Selected: the cells of the five visible columns; returns the clipboard text.
    QString CopyAll();
    QString CopySelected();

private:
    void PrintPageHeader();
    void PrintRecord(QString text, double left, double top, double width);
    void PrintPageFooter();
    // Prints a line with its top at the print position and moves the position one line down.
    void printLine(const QString& text);
    double textWidth(const QString& text) const;
    double textHeight() const;
    bool newPage();

    CallerIDGrid* m_grid = nullptr;
    QPrinter* m_printer = nullptr;
    QPainter* m_painter = nullptr;
    QFont m_font;
    double m_dpi = 0.0;
    double m_x = 0.0; // print position, inches from the page's top-left corner
    double m_y = 0.0;
    int m_page = 1;
};
