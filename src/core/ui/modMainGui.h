#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QAbstractItemView;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPoint;
class QTextEdit;
class QWidget;

// The shared window and list functions that work on widgets (the others are in core/modMain.h).
// Windows are found by their objectName, which is the form name ("frmMiniDisplay", "frmWaiting" ...).
// The client's waiting notes (ShowWaiting, UnloadWaitingForms) are in network/ui/frmWaiting.h.

// A window's Tag (marks such as "V" for windows hidden with the main window, or a waiting note's kind).
QString Tag(const QWidget* window);
void SetTag(QWidget* window, const QString& tag);

// The first loaded top-level window of that name (case ignored), or nullptr.
QWidget* FindForm(const QString& name);
// Every loaded top-level window of that name (case ignored), skipping those already unloaded.
QList<QWidget*> FindForms(const QString& name);
// Every loaded window (top-level or owned), skipping menus, tips and those already unloaded.
QList<QWidget*> LoadedForms();
// A top-level widget that Qt makes for itself and owns, never one of the program's windows: the icon of an
// XEmbed tray is one (a StatusNotifier tray has none). Unloading or hiding it would take the tray icon away.
bool IsToolkitWindow(const QWidget* window);
// Marks a window unloaded and deletes it once control is back in the event loop; FindForm skips it.
void UnloadForm(QWidget* window);
// Unloads every loaded top-level window (shut-down); owned windows go with their owners.
void UnloadAllForms();
// The settings section of a window's placement: "frmMain" for both main windows, else the window's name.
QString FormSection(const QWidget* window);

// Modal dialogs whose being open keeps pop-ups, progress and waiting notes away, in test order.
const QStringList& DialogWindowNames();
// True while one of those dialogs is loaded and visible.
bool IsDialogOpen();

// Top-most when the option OnTop is on or force is set; then puts back on top every visible window of
// the pop-up family that keeps its own on-top setting while the global one is off. Window flags are only
// changed when the state really changes; a shown window keeps its native window (it is told through it), so
// this may run anywhere, inside a click of the window itself too.
void SetOnTop(QWidget* window, bool force);

// Shows a window modeless, owned by owner (kept above it), unless it is already owned by it.
void ShowOwned(QWidget* window, QWidget* owner);
// Shows the window owned by owner, in the screen corner beside the desktop's panel (the task bar).
void TaskBarPos(QWidget* window, QWidget* owner);
// True when the loaded main window is on screen.
bool MainWindowVisible();

// Cuts the text to maximum characters, keeping the caret where it was.
void LimitText(QLineEdit* box, int maximum);
void LimitText(QPlainTextEdit* box, int maximum);
void LimitText(QTextEdit* box, int maximum);

// Selects the first item equal to text (case ignored).
void SelectListItem(QListWidget* list, const QString& text);
void SelectListItem(QComboBox* list, const QString& text);

// Forces the box's text to a number in [minimum, maximum]; text that is not a number becomes fallback.
void ValidateNumber(QLineEdit* box, double minimum, double maximum, double fallback);
void ValidateNumber(QComboBox* box, double minimum, double maximum, double fallback);

// Applies the stored Top, Left, Width, Height (twips) and WindowState of the window's section; what is
// not stored keeps the current size and state, and the place defaults to the centre of the screen. A
// stored place that is on no screen any more (a monitor was removed) is brought back onto the primary one.
void RestoreFormPosition(QWidget* window);
// What a window stores of its placement. Top and Left, Height and Width are written only in the normal
// state, so a window closed minimised or maximised keeps its last normal placement.
enum FormPlacement { PlacePosition = 1, PlaceSize = 2, PlaceState = 4, PlaceAll = 7 };
void SaveFormPosition(QWidget* window, int parts = PlaceAll);
// Moves a shown window's frame to place (pixels) through its native window, every time: the window system may not
// have answered an earlier move yet, and a move to where Qt last heard the window was would be taken for none.
// Until the window system answers, SaveFormPosition takes the frame to be at place.
void MoveFrame(QWidget* window, const QPoint& place);

// Rows of a grid as clipboard text: cells separated by TAB, rows by CR LF, no CR LF after the last row.
// Rows are model rows (the grid's header is not one); a range of more than 50 row steps shows the progress
// window "Coping Data..." and can be stopped there. Returns the text put on the clipboard.
QString CopyGridToClipboard(const QAbstractItemModel* model, int row, int rowSel, int lastColumn, bool allRows,
                            QWidget* owner = nullptr);
// The same for a view: its selected rows (from the first to the last), or every row.
QString CopyGridToClipboard(QAbstractItemView* grid, int lastColumn, bool allRows);

// Releases the shared tooltip object (the options dialog creates a new one when hints stay on).
void ReleaseToolTip();

// The window's title.
QString GetWindowCaption(const QWidget* window);

// Gives the list a horizontal scroll range wide enough for its widest item; returns that width in pixels.
int SetListScrollWidth(QListWidget* list);

// A left-button press / release at the cursor's position, delivered to the widget under it.
void MouseLeftDown();
void MouseLeftUp();

// Border kinds of SetWindowStyle.
enum BorderKind {
    BorderNone = 0,
    BorderFixedSingle = 1,
    BorderSizable = 2,
    BorderFixedDialog = 3,
    BorderFixedToolWindow = 4,
    BorderSizableToolWindow = 5
};
// Rewrites the window's frame: border kind, title-bar buttons, task-bar entry. Fixed kinds keep the
// current size; the window is shown again when it was visible.
void SetWindowStyle(QWidget* window, int borderKind, bool clipChildren, bool sysMenu, bool maxBox, bool minBox,
                    bool taskbarButton, bool helpButton);
