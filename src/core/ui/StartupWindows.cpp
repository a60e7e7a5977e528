#include "core/ui/StartupWindows.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "config/ui/frmOneTimeSetup.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/WindowFactory.h"
#include "core/ui/PlainMainWindow.h"
#include "core/ui/cToolTip.h"
#include "core/ui/frmProcessing.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/ui/ModalDialog.h"
#include "popup/ui/frmMiniDisplay.h"

namespace {

void unloadAllWindows()
{
    // Owned windows go with their owners; menus and tooltips belong to Qt.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (!w->isWindow() || w->parentWidget())
            continue;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop)
            continue;
        UnloadForm(w);
    }
}

void runOneTimeSetup()
{
    // The main window owns the dialog; if the program is ended while it is open, both go together.
    QPointer<frmOneTimeSetup> dialog = new frmOneTimeSetup(dynamic_cast<QWidget*>(gMainForm));
    execDialog(*dialog);
    delete dialog.data();
}

} // namespace

void registerStartupWindows()
{
    WindowFactory& f = windowFactory();
    f.createBaseMain = [] { return static_cast<MainWindow*>(new frmBaseMain); };
    f.createRemoteMain = [] { return static_cast<MainWindow*>(new PlainMainWindow(true)); };
    f.runOneTimeSetup = runOneTimeSetup;
    f.unloadAllWindows = unloadAllWindows;
    f.createProgressWindow = [] { return static_cast<ProgressWindow*>(new frmProcessing); };
    f.isDialogOpen = IsDialogOpen;
    f.createToolTip = [] {
        delete gToolTip;
        gToolTip = new cToolTip;
        gToolTip->setVisibleTime(30000);
    };
    f.releaseToolTip = ReleaseToolTip;
    frmMiniDisplay::install();
}
