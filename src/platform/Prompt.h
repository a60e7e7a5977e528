#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPrinter;

// Every message box, question and file/colour dialog of the program goes through Prompt, so tests can
// script the answers and read the texts, and nothing headless ever blocks.
//
// Order of resolution for each request: an answer queued by a test (Prompt::queueAnswer / queueText),
// else the default when VELQUON_NONINTERACTIVE=1 or no interactive backend is installed, else the
// interactive backend (the widget one, installed by the GUI at start-up). Every request is recorded.
namespace Prompt {

// Icon numbers and button sets keep the values the program's messages are written with.
enum Icon { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum Buttons { OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

enum class Kind { Message, Notice, OpenFile, SaveFile, Color, Input, Print };

struct Record {
    Kind kind = Kind::Message;
    QString title;
    QString text;
    int buttons = OkOnly;
    int icon = NoIcon;
    QString result; // the answer number as text, the chosen path, or the colour
};

const QString& productName(); // "Velquon": the title of every box

class Backend {
public:
    virtual ~Backend() = default;
    virtual Answer message(const QString& title, const QString& text, Buttons buttons, Icon icon,
                           int defaultButton) = 0;
    // Shown without a modal loop; returns at once.
    virtual void notice(const QString& title, const QString& text, Icon icon) = 0;
    virtual QString openFile(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& path, const QString& filter) = 0;
    virtual std::optional<quint32> chooseColor(quint32 bgr) = 0;
    // A one-line text question; empty text means cancelled.
    virtual QString input(const QString& title, const QString& prompt, const QString& defaultText)
    {
        (void)title, (void)prompt;
        return defaultText;
    }
    // The print dialog: the user picks the printer and its settings on the given printer; false = cancelled.
    virtual bool print(QPrinter* printer)
    {
        (void)printer;
        return false;
    }
    // Closes every box and dialog open now as cancelled, and drops the notices that wait.
    virtual void closeOpen() {}
};

// The interactive backend (owned by the caller); nullptr removes it.
void setBackend(Backend* backend);

// A modal message. defaultButton is 0 for the first button of the set, 1 for the second, ...
Answer message(const QString& text, Buttons buttons = OkOnly, Icon icon = NoIcon, int defaultButton = 0,
               const QString& title = QString());
// A report that must never block (start-up on a machine without sound or display, socket and serial slots).
void notice(const QString& text, Icon icon = Information, const QString& title = QString());
// Notices asked while held are recorded at once but shown only when the last hold is released, in order: start-up
// holds them until the main window is shown, so none opens before the window it belongs to.
void holdNotices();
void releaseNotices();
// Empty text means cancelled.
QString openFile(const QString& title, const QString& folder, const QString& filter);
// A file name given without an ending, typed or queued by a test, gets that of the filter's first pattern
// (".dat" for "*.dat"; none for "*" or "*.*"); a name with an ending of its own keeps it.
QString saveFile(const QString& title, const QString& path, const QString& filter);
// A file filter as the file dialogs read it: "Name (patterns)" with ";;" between filters. The program's own
// filters may be written in the older "text|pattern|text|pattern" form, whose patterns are separated by ";";
// a filter already in the dialogs' form comes back as it is.
QString dialogFilter(const QString& filter);
// BGR colour, or nothing when cancelled.
std::optional<quint32> chooseColor(quint32 bgr);
// An input box: the typed text, or empty when cancelled. Tests answer with queueText; unanswered and
// non-interactive requests take the default text.
QString input(const QString& prompt, const QString& defaultText = QString(), const QString& title = QString());
// The print dialog for the given printer; false means cancelled. Tests answer with queueAnswer (Ok prints
// on the printer as the test set it up, Cancel cancels); unanswered and non-interactive requests cancel,
// so nothing headless ever reaches a real printer.
bool print(QPrinter* printer);

// The program is to end, and nobody may be there to answer. closeOpen closes every box and dialog open now as
// cancelled (the command that asked then does nothing), so none holds the end, or a long task the end waits for,
// for as long as it is left open. While closed, every box and dialog asked is answered as cancelled at once,
// without being shown, and notices are only recorded; setting it closes what is open.
void closeOpen();
void setClosed(bool closed);
bool closed();

// --- test scripting ---
void queueAnswer(Answer answer);
// Runs once, when the next box or dialog of any kind is asked and before it is answered: what a real box's
// event loop dispatches while it waits on the user (a client's request, a server's push, a timer).
void queueMeanwhile(std::function<void()> meanwhile);
void queueText(const QString& text); // for file dialogs and input boxes ("" = cancel) and colours (decimal BGR)
const QList<Record>& history();
QStringList texts(); // the texts of every recorded request, in order
void clearHistory();
void resetScript(); // drops queued answers and history

} // namespace Prompt
