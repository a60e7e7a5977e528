#pragma once

#include <QString>

class CallerIDGrid;
class QPrinter;

// What differs between the main windows' printouts.
struct CallListPrintOptions {
    // The message for a printer that cannot print.
    QString printerError = QStringLiteral("Printer error.  Possible causes are no printer installed, \r\n"
                                          "the printer is offline or the printer has a paper jam.");
    // The error report's source of a failure.
    QString errorSource = QStringLiteral("frmBaseMain_mnuFilePrint_Click");
    // A cell is cut by at most this many characters (0: until it fits).
    int maxCut = 51;

    // The client window's: its own printer-error text, and every cell cut until it fits its column, so a
    // long one never prints over the next.
    static CallListPrintOptions client();
};

// Prints the call list as the grid shows it (its order, names and formatted numbers) and copies it to the
// clipboard. The page is the shared PageLayout with one line per row, each cell cut to its column.
class CallListPrinter {
public:
    using Options = CallListPrintOptions;

    explicit CallListPrinter(CallerIDGrid* grid, Options options = Options());

    // The File menu's print command: the print dialog (through Prompt) on the given printer, then the list as
    // it stood when the command began (calls that come in while the dialog waits are not on this printout).
    // Cancel prints nothing; a printer that cannot print gets the printer-error message. False when nothing
    // was printed.
    bool PrintList(QPrinter& printer);
    // Copy All / Copy Selected: the cells of the five visible columns; returns the clipboard text.
    QString CopyAll();
    QString CopySelected();

private:
    CallerIDGrid* m_grid = nullptr;
    Options m_options;
};
