#include "mainwindow/ui/ShellIcon.h"

#include <QSignalSpy>
#include <QTest>

#include "mainwindow/ui/ProgramIcons.h"

class TestShellIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mouseMessagesBecomeEvents();
    void singleClickGivesADelayedClickDoubleClickDoesNot();
    void tipIsCutToItsField();
    void iconIsAddedOnceAndRemoved();
    void programIconsDiffer();
};

void TestShellIcon::mouseMessagesBecomeEvents()
{
    ShellIcon icon;
    QSignalSpy move(&icon, &ShellIcon::MouseMove);
    QSignalSpy down(&icon, &ShellIcon::MouseDown);
    QSignalSpy up(&icon, &ShellIcon::MouseUp);
    QSignalSpy dbl(&icon, &ShellIcon::DblClick);
    QSignalSpy click(&icon, &ShellIcon::Click);
    icon.dispatch(ShellIcon::MouseMoved);
    QCOMPARE(move.count(), 1);
    icon.dispatch(ShellIcon::RightDown);
    icon.dispatch(ShellIcon::RightUp);
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).toInt(), 2);
    QCOMPARE(up.at(0).at(0).toInt(), 2);
    QCOMPARE(click.count(), 1);
    QCOMPARE(click.at(0).at(0).toInt(), 2);
    QVERIFY(!icon.delayedClickPending()); // only the left button schedules one
    icon.dispatch(ShellIcon::RightDoubleClick);
    QCOMPARE(dbl.at(0).at(0).toInt(), 2);
    icon.dispatch(519); // not a mouse message of the icon
    icon.dispatch(0);
    QCOMPARE(move.count() + down.count() + up.count() + dbl.count() + click.count(), 5);
}

void TestShellIcon::singleClickGivesADelayedClickDoubleClickDoesNot()
{
    ShellIcon icon;
    QSignalSpy click(&icon, &ShellIcon::Click);
    QSignalSpy delayed(&icon, &ShellIcon::DelayedClick);
    QSignalSpy dbl(&icon, &ShellIcon::DblClick);
    icon.dispatch(ShellIcon::LeftDown);
    icon.dispatch(ShellIcon::LeftUp);
    QCOMPARE(click.count(), 1);
    QCOMPARE(click.at(0).at(0).toInt(), 1);
    QVERIFY(icon.delayedClickPending());
    icon.tmrMenu_Timer();
    QCOMPARE(delayed.count(), 1);
    QCOMPARE(delayed.at(0).at(0).toInt(), 1);
    QVERIFY(!icon.delayedClickPending());
    // A double click: its second release cancels the pending delayed click.
    icon.dispatch(ShellIcon::LeftDown);
    icon.dispatch(ShellIcon::LeftUp);
    icon.dispatch(ShellIcon::LeftDoubleClick);
    icon.dispatch(ShellIcon::LeftUp);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(dbl.at(0).at(0).toInt(), 1);
    QVERIFY(!icon.delayedClickPending());
    QCOMPARE(delayed.count(), 1);
}

void TestShellIcon::tipIsCutToItsField()
{
    ShellIcon icon;
    icon.setToolTipText(QStringLiteral("Velquon"));
    QCOMPARE(icon.ToolTipText(), QStringLiteral("Velquon"));
    const QString longTip(80, QLatin1Char('x'));
    icon.setToolTipText(longTip);
    QCOMPARE(icon.ToolTipText().size(), 63);
    QCOMPARE(icon.ToolTipText(), longTip.left(63));
}

void TestShellIcon::iconIsAddedOnceAndRemoved()
{
    ShellIcon icon;
    QVERIFY(!icon.Visible());
    QVERIFY(!icon.added());
    icon.setIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    icon.setVisible(true);
    icon.setVisible(true);
    QVERIFY(icon.added());
    QVERIFY(icon.Visible());
    icon.setVisible(false);
    QVERIFY(!icon.added());
    QVERIFY(!icon.Visible());
}

void TestShellIcon::programIconsDiffer()
{
    const QImage red = ProgramIcons::icon(QStringLiteral("ricon")).pixmap(32).toImage();
    const QImage green = ProgramIcons::icon(QStringLiteral("gicon")).pixmap(32).toImage();
    const QImage yellow = ProgramIcons::icon(QStringLiteral("yicon")).pixmap(32).toImage();
    QVERIFY(!red.isNull());
    QVERIFY(red != green && green != yellow && red != yellow);
    // The disc's colour: red, green and yellow at the edge of the handset.
    const QColor r = red.pixelColor(6, 16), g = green.pixelColor(6, 16);
    QVERIFY(r.red() > r.green());
    QVERIFY(g.green() > g.red());
}

QTEST_MAIN(TestShellIcon)
#include "test_shellicon.moc"
