#include "app/StartupWindows.h"

#include "app/StartUp.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/ui/PlainMainWindow.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/ui/frmBaseMain.h"
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
    // The client's own main window is not built yet: the plain one keeps its events and its exit.
    makers.client = [] { return static_cast<MainWindow*>(new PlainMainWindow(true)); };
    frmProcessing::install();
    ProgramLinks& links = programLinks();
    links.shutDown = ShutDown;
    links.endProgram = EndProgram;
    links.runStartUpAgain = RunStartUpAgain;
    frmMiniDisplay::install();
}
