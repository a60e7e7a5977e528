#include "core/ui/PlainMainWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QStatusBar>
#include <QTimer>

#include "core/ProgramLinks.h"
#include "core/modMain.h"
#include "platform/ui/KeepInSight.h"

PlainMainWindow::PlainMainWindow(bool client, QWidget* parent) : QMainWindow(parent), m_client(client)
{
    setObjectName(client ? QStringLiteral("frmRemoteMain") : QStringLiteral("frmBaseMain"));
    setWindowTitle(QStringLiteral("Velquon"));
    // The pop-up comes over a main window on purpose.
    KeepInSight::mayBeCovered(this);
    lstEventsView = new QListView(this);
    lstEventsView->setObjectName(QStringLiteral("lstEvents"));
    lstEventsView->setModel(&lstEvents);
    lstEventsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCentralWidget(lstEventsView);
    StatusBarPanel1 = new QLabel(this);
    StatusBarPanel1->setObjectName(QStringLiteral("StatusBarPanel1"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(StatusBarPanel1, 1);
    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    StatusTimer->setInterval(1000);
    connect(StatusTimer, &QTimer::timeout, this, &PlainMainWindow::StatusTimer_Timer);
    resize(640, 400);
}

PlainMainWindow::~PlainMainWindow() = default;

void PlainMainWindow::setStatusText(const QString& text)
{
    MainWindow::setStatusText(text);
    StatusBarPanel1->setText(text);
}

void PlainMainWindow::setCaption(const QString& caption)
{
    MainWindow::setCaption(caption);
    setWindowTitle(caption);
}

void PlainMainWindow::showWindow() { show(); }

void PlainMainWindow::Unload()
{
    blnExit = true;
    close();
}

void PlainMainWindow::showAndRaise()
{
    ++m_raiseRequests;
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void PlainMainWindow::eventAdded(int row)
{
    if (StatusTimerEnabled)
        StatusTimer->start();
    const QModelIndex index = lstEvents.index(row);
    lstEventsView->setCurrentIndex(index);
    lstEventsView->scrollTo(index);
}

void PlainMainWindow::StatusTimer_Timer() { ++intStatusTimer; }

void PlainMainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_exiting)
        return;
    // Closing this window is the end of the program (or of its mode, while the mode is being switched).
    m_exiting = true;
    blnExit = true;
    SaveLogOffTime();
    Program::shutDown();
    Program::end();
}
