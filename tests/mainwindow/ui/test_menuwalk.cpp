#include "mainwindow/ui/frmBaseMain.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ShellIcon.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// Catches the links and files the desktop is asked to open.
class DesktopCatcher : public QObject {
    Q_OBJECT
public:
    int opened = 0;
public Q_SLOTS:
    void open(const QUrl&) { ++opened; }
};

// Every menu item and toolbar button of the standalone main window does something a user can see: it shows
// a window, writes a setting, asks or tells something, changes the list, the clipboard or the view, or opens
// something on the desktop. One that is not built yet is disabled; none is enabled and inert.
class TestMenuWalk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void everyEnabledCommandDoesSomething();
    void noShortcutIsTakenTwice();
    void exitAndCloseEndTheProgram();

private:
    void prepare();
    // What a user could see change, as one text per thing.
    QStringList observable() const;
    static bool notBuilt(const QAction* action);

    StandaloneSession m_session;
    DesktopCatcher m_desktop;
    int m_listReads = 0;
    int m_modalDialogs = 0;
    QStringList m_modalNames;
};

void TestMenuWalk::init()
{
    QVERIFY(m_session.start());
    // A port that is not there: opening it fails and says so, and nothing waits for a modem.
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_session.home().file(QStringLiteral("no-modem")));
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_desktop, "open");
    for (int i = 0; i < 4; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = QStringLiteral("555-010%1").arg(i);
        c.CallerDate = DateText::format(QDateTime(QDate(2024, 3, 20), QTime(9 + i, 0), Qt::UTC));
        c.Rings = 2;
        c.Answered = QStringLiteral("NO");
        AddCaller(c);
    }
    m_listReads = 0;
    connect(S::grid()->model(), &QAbstractItemModel::modelReset, this, [this] { ++m_listReads; });
    connect(S::grid()->model(), &QAbstractItemModel::rowsInserted, this, [this] { ++m_listReads; });
}

void TestMenuWalk::cleanup()
{
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    m_session.stop();
}

bool TestMenuWalk::notBuilt(const QAction* action)
{
    if (!CommandState::isBuilt(action))
        return true;
    for (const QObject* p = action->parent(); p; p = p->parent())
        if (const auto* menu = qobject_cast<const QMenu*>(p); menu && !CommandState::isBuilt(menu->menuAction()))
            return true;
    return false;
}

// The same starting point for every command: the window shown, the whole log listed with its first call
// selected, no other window open, the columns not at their defaults, nothing on the clipboard.
void TestMenuWalk::prepare()
{
    frmBaseMain* w = S::window();
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != w && top->isVisible() && top->isWindow())
            top->close();
    for (QWidget* child : w->findChildren<QWidget*>())
        if (child->isWindow() && child->isVisible())
            child->close();
    w->showAndRaise();
    if (SelectCallers(QStringLiteral("Select * From tblCID")).size() < 2) {
        clsCaller c;
        c.Name = QStringLiteral("REFILL");
        c.Number.Number = QStringLiteral("555-0199");
        c.CallerDate = DateText::format(QDateTime(QDate(2024, 3, 20), QTime(20, 0), Qt::UTC));
        AddCaller(c);
        AddCaller(c);
    }
    const QString problem = ui::tryTrigger(w, QStringLiteral("mnuViewTime(12)"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    S::grid()->setRow(1);
    S::grid()->setColWidth(0, 777);
    QApplication::clipboard()->clear();
    Prompt::resetScript();
    // Questions are answered No: a command is seen asking, nothing is deleted.
    for (int i = 0; i < 4; ++i)
        Prompt::queueAnswer(Prompt::No);
}

QStringList TestMenuWalk::observable() const
{
    frmBaseMain* w = S::window();
    QStringList seen;
    QStringList windows;
    for (QWidget* top : QApplication::allWidgets())
        if (top->isWindow() && top->isVisible() && top->windowType() != Qt::ToolTip)
            windows << top->objectName();
    windows.sort();
    seen << QStringLiteral("windows: ") + windows.join(QLatin1Char(','));
    QFile ini(settingsFilePath());
    seen << QStringLiteral("settings: ") +
                QString::fromUtf8(ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray());
    seen << QStringLiteral("prompts: %1").arg(Prompt::history().size());
    seen << QStringLiteral("modal dialogs: %1").arg(m_modalDialogs);
    seen << QStringLiteral("clipboard: ") + QApplication::clipboard()->text();
    seen << QStringLiteral("view: ") + w->strSQL;
    seen << QStringLiteral("list reads: %1, rows: %2").arg(m_listReads).arg(S::grid()->Rows());
    seen << QStringLiteral("widths: %1").arg(S::grid()->ColWidth(0));
    seen << QStringLiteral("events: %1 %2").arg(w->lstEvents.rowCount()).arg(w->statusText());
    seen << QStringLiteral("desktop: %1").arg(m_desktop.opened);
    seen << QStringLiteral("editing: %1").arg(S::grid()->isEditing());
    seen << QStringLiteral("minimised: %1").arg(bool(w->windowState() & Qt::WindowMinimized));
    seen << QStringLiteral("log: %1").arg(SelectCallers(QStringLiteral("Select * From tblCID")).size());
    QStringList checks;
    for (QAction* a : w->findChildren<QAction*>())
        if (a->isCheckable())
            checks << a->objectName() + (a->isChecked() ? QStringLiteral("+") : QStringLiteral("-"));
    checks.sort();
    seen << QStringLiteral("checks: ") + checks.join(QLatin1Char(' '));
    return seen;
}

void TestMenuWalk::everyEnabledCommandDoesSomething()
{
    frmBaseMain* w = S::window();
    // Modal dialogs really run (someone is there to answer); each is recorded and closed.
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [this] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            ++m_modalDialogs;
            m_modalNames << dialog->objectName();
            dialog->reject();
        }
    });
    answer.start(10);

    // Every command of the menu bar, the pop-up menus and the toolbar, as they stand before any window opens.
    QList<QPointer<QAction>> commands;
    const QStringList endings = {QStringLiteral("mnuFileExit"), QStringLiteral("mnuPopupMenuClose")};
    for (QAction* a : w->findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu() || a->objectName().isEmpty() || endings.contains(a->objectName()))
            continue;
        commands << a;
    }
    QVERIFY(commands.size() > 50);
    QStringList inert, disabled, walked;
    for (const QPointer<QAction>& a : std::as_const(commands)) {
        QVERIFY(a);
        const QString name = a->objectName();
        prepare();
        if (name == QLatin1String("mnuPopupMenuRestore")) {
            // Restore is offered while the window is minimised, when the tray icon is touched.
            w->setWindowState(w->windowState() | Qt::WindowMinimized);
            Q_EMIT S::shell()->MouseMove();
        }
        if (!ui::reachable(a)) {
            if (!notBuilt(a))
                disabled << name;
            continue;
        }
        const QStringList before = observable();
        const QString problem = ui::tryTrigger(w, name);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCoreApplication::processEvents();
        if (observable() == before)
            inert << name;
        walked << name;
        if (S::grid()->isEditing())
            S::grid()->HideEdit();
    }
    answer.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QVERIFY2(inert.isEmpty(), qPrintable(QStringLiteral("enabled but inert: ") + inert.join(QStringLiteral(", "))));
    QVERIFY2(disabled.isEmpty(),
             qPrintable(QStringLiteral("disabled though built: ") + disabled.join(QStringLiteral(", "))));
    // The commands of this window's own issues were walked, not skipped.
    for (const char* name :
         {"mnuWindow(0)", "mnuWindow(3)", "Toolbar1.Buttons(8)", "mnuHelpContents", "mnuHelpAbout", "mnuEditOriginal",
          "mnuGridOptionsSearchName", "mnuGridOptionsSearchNumber", "mnuGridOptionsSearchContact",
          "mnuGridOptionsViewOriginal", "mnuGridOptionsDelete", "Toolbar1.Buttons(14)", "mnuPopupMenuRestore"})
        QVERIFY2(walked.contains(QLatin1String(name)), name);
    QVERIFY(m_modalNames.contains(QStringLiteral("frmAbout")));
}

void TestMenuWalk::noShortcutIsTakenTwice()
{
    // Two commands of one window on one key: Qt runs neither.
    QHash<QKeySequence, QString> taken;
    for (QAction* a : S::window()->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        QVERIFY2(!taken.contains(a->shortcut()),
                 qPrintable(a->objectName() + QStringLiteral(" and ") + taken.value(a->shortcut())));
        taken.insert(a->shortcut(), a->objectName());
    }
    QVERIFY(taken.size() >= 13);
}

void TestMenuWalk::exitAndCloseEndTheProgram()
{
    // E&xit and the tray menu's &Close are the program's end: each in a program of its own.
    for (const char* name : {"mnuFileExit", "mnuPopupMenuClose"}) {
        if (!S::window())
            QVERIFY(m_session.start());
        QPointer<frmBaseMain> w = S::window();
        TRIGGER(w.data(), name);
        QVERIFY2(!gMainForm, name);
        m_session.stop();
    }
}

QTEST_MAIN(TestMenuWalk)
#include "test_menuwalk.moc"
