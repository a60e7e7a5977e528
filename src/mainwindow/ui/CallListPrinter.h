#pragma once

#include <QString>

class CallerIDGrid;
class QPrinter;

// Prints the call list as the grid shows it (its order, names and formatted numbers) and copies it to the
// clipboard. The page is the shared PageLayout with one line per row, each cell cut to its column.
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
    CallerIDGrid* m_grid = nullptr;
};
