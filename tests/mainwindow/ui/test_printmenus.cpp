#include "mainwindow/ui/frmBaseMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>

#include <memory>

#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "support/TempHome.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// The main window's print and copy commands reach the call list from every place they are offered.
class TestPrintMenus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void printIsOfferedInTheFileMenuAndOnTheToolbar();
    void copyItemsCopyTheListAndFollowTheRowCount();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    StandaloneSession m_session;
};

void TestPrintMenus::init() { QVERIFY(m_session.start()); }

void TestPrintMenus::cleanup() { m_session.stop(); }

void TestPrintMenus::printIsOfferedInTheFileMenuAndOnTheToolbar()
{
    frmBaseMain* w = window();
    const QList<QAction*> file = S::menu("mnuFile")->actions();
    const qsizetype at = file.indexOf(S::action("mnuFilePrint"));
    QVERIFY(at >= 0);
    QCOMPARE(S::action("mnuFilePrint")->text(), QStringLiteral("&Print Log..."));
    QVERIFY(file.value(at + 1) && file[at + 1]->isSeparator());
    QCOMPARE(file.value(at + 2), S::action("mnuFileExit"));

    // Headless, the print dialog is cancelled: each command asks once and prints nothing.
    TRIGGER(w, "mnuFilePrint");
    TRIGGER(w, "Toolbar1.Buttons(1)");
    QCOMPARE(Prompt::history().size(), 2);
    for (const Prompt::Record& r : Prompt::history())
        QCOMPARE(r.kind, Prompt::Kind::Print);
}

void TestPrintMenus::copyItemsCopyTheListAndFollowTheRowCount()
{
    frmBaseMain* w = window();
    const QList<QAction*> grid = S::menu("mnuGridOptions")->actions();
    QCOMPARE(grid.value(0), S::action("mnuGridOptionsCopyAll"));
    QCOMPARE(grid.value(1), S::action("mnuGridOptionsCopy"));
    QVERIFY(grid.value(2) && grid[2]->isSeparator());
    QCOMPARE(S::action("mnuGridOptionsCopyAll")->text(), QStringLiteral("Copy &All"));
    QCOMPARE(S::action("mnuGridOptionsCopy")->text(), QStringLiteral("&Copy Selected Item"));

    S::grid()->Clear();
    w->UpdateStatus();
    QVERIFY(!S::action("mnuEditCopyAll")->isEnabled());
    QVERIFY(!S::action("mnuEditCopy")->isEnabled());

    clsCaller a;
    a.ID = 1;
    a.Name = QStringLiteral("Alpha");
    a.Number.Number = QStringLiteral("555-0001");
    clsCaller b = a;
    b.ID = 2;
    b.Name = QStringLiteral("Bravo");
    S::grid()->AddItem(a);
    S::grid()->AddItem(b);
    w->UpdateStatus();
    QVERIFY(S::action("mnuEditCopyAll")->isEnabled());
    QVERIFY(S::action("mnuEditCopy")->isEnabled());

    auto rowText = [](int r) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << S::grid()->TextMatrix(r, c);
        return cells.join(QLatin1Char('\t'));
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    TRIGGER(w, "mnuEditCopyAll");
    QCOMPARE(clipboard->text(), rowText(1) + QStringLiteral("\r\n") + rowText(2));
    clipboard->clear();
    TRIGGER(w, "mnuGridOptionsCopyAll");
    QCOMPARE(clipboard->text(), rowText(1) + QStringLiteral("\r\n") + rowText(2));

    S::grid()->setRow(2);
    TRIGGER(w, "mnuEditCopy");
    QCOMPARE(clipboard->text(), rowText(2));
    S::grid()->setRow(1);
    TRIGGER(w, "mnuGridOptionsCopy");
    QCOMPARE(clipboard->text(), rowText(1));
}

QTEST_MAIN(TestPrintMenus)
#include "test_printmenus.moc"
