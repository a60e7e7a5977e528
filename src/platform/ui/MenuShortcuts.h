#pragma once

class QMainWindow;
class QWidget;

// Text boxes claim some key combinations before a window's menus see them (Ctrl+A selects all the text).
// Where a window's menu item carries such a combination, the item is what the user asked for: the boxes
// of that window let the combination through to the enabled item that carries it, and keep it otherwise.
namespace MenuShortcuts {

// Makes every text box inside window (line edits, plain and rich text boxes, editable lists) give way to
// the window's menu and toolbar shortcuts. Boxes made later are not covered.
void giveWayToMenus(QWidget* window);

// Keeps the shortcuts of window's menu bar to window: they act while the focus is in it (or in a menu opened
// from it), never while another window has the focus. Qt lets a window's shortcuts work in the tool windows
// it owns too, and a key that both know then does nothing in either. Items made later are not covered.
void keepToWindow(QMainWindow* window);

} // namespace MenuShortcuts
