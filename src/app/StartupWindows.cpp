#include "app/StartupWindows.h"

#include <QApplication>

#include "app/StartUp.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "network/ui/frmWaiting.h"
#include "platform/ui/ModalDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "popup/ui/frmMiniDisplay.h"

MainWindowMakers& mainWindowMakers()
{
    static MainWindowMakers makers;
    return makers;
}

void registerStartupWindows()
{
    MainWindowMakers& makers = mainWindowMakers();
    makers.standalone = [] { return static_cast<MainWindow*>(new frmBaseMain); };
    makers.client = [] { return static_cast<MainWindow*>(new frmRemoteMain); };
    frmProcessing::install();
    frmWaiting::install();
    ProgramLinks& links = programLinks();
    links.shutDown = ShutDown;
    links.endProgram = EndProgram;
    links.exitProgram = ExitProgram;
    links.runStartUpAgain = RunStartUpAgain;
    frmMiniDisplay::install();
    // Windows without an icon of their own (boxes, Find, About, the pop-up) show the program's, not the
    // desktop's generic one.
    QApplication::setWindowIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    // A box asked while no window of the program is active belongs to the main window.
    WidgetPrompt::setOwnerWindow([]() -> QWidget* { return dynamic_cast<QWidget*>(gMainForm); });
    // From the first window on, so the program knows when the user has given the keyboard to another program.
    ModalDialog::followKeyboard();
}
