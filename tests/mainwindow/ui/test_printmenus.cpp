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
    const QList<QAction*> file = w->mnuFile->actions();
    const qsizetype at = file.indexOf(w->mnuFilePrint);
    QVERIFY(at >= 0);
    QCOMPARE(w->mnuFilePrint->text(), QStringLiteral("&Print Log..."));
    QVERIFY(file.value(at + 1) && file[at + 1]->isSeparator());
    QCOMPARE(file.value(at + 2), w->mnuFileExit);

    // Headless, the print dialog is cancelled: each command asks once and prints nothing.
    w->mnuFilePrint->trigger();
    w->ToolbarButtons[1]->trigger();
    QCOMPARE(Prompt::history().size(), 2);
    for (const Prompt::Record& r : Prompt::history())
        QCOMPARE(r.kind, Prompt::Kind::Print);
}

void TestPrintMenus::copyItemsCopyTheListAndFollowTheRowCount()
{
    frmBaseMain* w = window();
    const QList<QAction*> grid = w->mnuGridOptions->actions();
    QCOMPARE(grid.value(0), w->mnuGridOptionsCopyAll);
    QCOMPARE(grid.value(1), w->mnuGridOptionsCopy);
    QVERIFY(grid.value(2) && grid[2]->isSeparator());
    QCOMPARE(w->mnuGridOptionsCopyAll->text(), QStringLiteral("Copy &All"));
    QCOMPARE(w->mnuGridOptionsCopy->text(), QStringLiteral("&Copy Selected Item"));

    w->Grid->Clear();
    w->UpdateStatus();
    QVERIFY(!w->mnuEditCopyAll->isEnabled());
    QVERIFY(!w->mnuEditCopy->isEnabled());

    clsCaller a;
    a.ID = 1;
    a.Name = QStringLiteral("Alpha");
    a.Number.Number = QStringLiteral("555-0001");
    clsCaller b = a;
    b.ID = 2;
    b.Name = QStringLiteral("Bravo");
    w->Grid->AddItem(a);
    w->Grid->AddItem(b);
    w->UpdateStatus();
    QVERIFY(w->mnuEditCopyAll->isEnabled());
    QVERIFY(w->mnuEditCopy->isEnabled());

    auto rowText = [w](int r) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << w->Grid->TextMatrix(r, c);
        return cells.join(QLatin1Char('\t'));
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    w->mnuEditCopyAll->trigger();
    QCOMPARE(clipboard->text(), rowText(1) + QStringLiteral("\r\n") + rowText(2));
    clipboard->clear();
    w->mnuGridOptionsCopyAll->trigger();
    QCOMPARE(clipboard->text(), rowText(1) + QStringLiteral("\r\n") + rowText(2));

    w->Grid->setRow(2);
    w->mnuEditCopy->trigger();
    QCOMPARE(clipboard->text(), rowText(2));
    w->Grid->setRow(1);
    w->mnuGridOptionsCopy->trigger();
    QCOMPARE(clipboard->text(), rowText(1));
}

QTEST_MAIN(TestPrintMenus)
#include "test_printmenus.moc"
