#include <QComboBox>
#include <QImage>
#include <QTabBar>
#include <QTest>

#include "app/StartupWindows.h"
#include "config/ui/frmFind.h"
#include "config/ui/frmOneTimeSetup.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ui/Screenshot.h"
#include "support/ui/StandaloneSession.h"

// Pictures of the windows a new user meets first, taken on a real display and saved under build/screenshots/
// for a person to look at; each is checked to show its parts where they belong.
class TestScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup() { m_session.stop(); }
    void theFirstRunDialog();
    void thePopupsScreens();
    void findsCustomSqlPage();
    void theCallListAtAThousandPixels();
    void aGraphOfOneDay();

private:
    // The part of the window that w covers, in the window's pixels.
    static QRect placeIn(const QWidget* window, const QWidget* w)
    {
        return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    }

    StandaloneSession m_session;
};

void TestScreenshots::init()
{
    QVERIFY(m_session.start());
    // A contact with other information, and a day of calls from it and from strangers.
    clsContact john;
    john.Name = QStringLiteral("John Smith");
    john.OtherInfo = QStringLiteral("Plumber. Calls about the boiler on Mondays.");
    john.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 123-4567"), QString()));
    QVERIFY(AddContact(john));
    UpdateContactCollection();
    const QDateTime now = Clock::now();
    for (int i = 0; i < 40; ++i) {
        clsCaller c;
        c.Name = i % 3 == 0 ? QStringLiteral("JOHN SMITH") : QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = i % 3 == 0 ? QStringLiteral("(555) 123-4567") : QStringLiteral("(555) 010-%1").arg(1000 + i);
        c.CallerDate = DateText::format(now.addSecs(-qint64(i) * 600));
        c.Rings = 1 + i % 5;
        c.Answered = i % 2 ? QStringLiteral("YES") : QStringLiteral("NO");
        AddCaller(c);
    }
    StandaloneSession::window()->RefreshGrid();
}

void TestScreenshots::theFirstRunDialog()
{
    QWidget* main = StandaloneSession::window();
    auto* setup = new frmOneTimeSetup(main);
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup->show();
    QVERIFY(QTest::qWaitForWindowExposed(setup));
    auto* info = ui::findByName<QWidget>(setup, QStringLiteral("lblInfo"));
    QVERIFY(info);
    QCOMPARE(Screenshot::save(setup, QStringLiteral("first-run.png"), {info}), QString());
    setup->close();
}

void TestScreenshots::thePopupsScreens()
{
    miniDisplay().Show();
    auto* popup = qobject_cast<QWidget*>(frmMiniDisplay::instance());
    QVERIFY(popup);
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QTRY_VERIFY(!miniDisplay().Callers.isEmpty());
    auto* down = ui::findByName<QWidget>(popup, QStringLiteral("lblNavigate(3)"));
    QVERIFY(down);
    auto* windowButton = ui::findByName<QWidget>(popup, QStringLiteral("picWindow"));
    QVERIFY(windowButton);
    // The newest call is John's: his statistics (screen 1) and his other information (screen 3).
    for (int screen : {1, 3}) {
        while (miniDisplay().CurrentScreen < screen)
            QTest::mouseClick(down, Qt::LeftButton, Qt::NoModifier, down->rect().center());
        QCOMPARE(miniDisplay().CurrentScreen, screen);
        const char* name = screen == 1 ? "txtCallerInfo" : "txtOtherInfo";
        auto* text = ui::findByName<QWidget>(popup, QLatin1String(name));
        QVERIFY(text && text->isVisible());
        const QString shot = QStringLiteral("popup-screen%1.png").arg(screen);
        QCOMPARE(Screenshot::save(popup, shot, {text}), QString());
        // The own-window button stands where the layout puts it, at the text's top right corner, and the text
        // leaves room for it: no line runs under the button.
        QVERIFY(windowButton->isVisible());
        const QRect button = placeIn(popup, windowButton);
        const QRect box = placeIn(popup, text);
        QVERIFY(box.contains(button.center()));
        auto* lines = ui::findByName<QWidget>(text, QStringLiteral("qt_scrollarea_viewport"));
        QVERIFY(lines);
        QVERIFY2(placeIn(popup, lines).right() < button.left(),
                 qPrintable(QStringLiteral("%1: the text reaches %2, the button starts at %3")
                                .arg(shot)
                                .arg(placeIn(popup, lines).right())
                                .arg(button.left())));
    }
}

void TestScreenshots::findsCustomSqlPage()
{
    frmFind* find = frmFind::instance();
    find->show();
    QVERIFY(QTest::qWaitForWindowExposed(find));
    ui::findByName<QTabBar>(find, QStringLiteral("tbsFind"))->setCurrentIndex(3);
    QCoreApplication::processEvents();
    QList<QWidget*> parts;
    for (const char* name :
         {"txtCustomSQL", "cmdClearCustomSQL", "txtCurrentSQL", "cmdCopyPasteCustomSQL", "cmdNavigateSQL(0)"}) {
        auto* w = ui::findByName<QWidget>(find, QLatin1String(name));
        QVERIFY2(w, name);
        parts << w;
        // Each box and button is as tall as it needs to be to show its text.
        QVERIFY2(w->height() >= w->sizeHint().height(), qPrintable(QStringLiteral("%1: %2 px of %3")
                                                                       .arg(QLatin1String(name))
                                                                       .arg(w->height())
                                                                       .arg(w->sizeHint().height())));
    }
    QCOMPARE(Screenshot::save(find, QStringLiteral("find-custom-sql.png"), parts), QString());
    find->close();
}

void TestScreenshots::theCallListAtAThousandPixels()
{
    frmBaseMain* main = StandaloneSession::window();
    main->resize(1000, 600);
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QTRY_COMPARE(main->width(), 1000);
    QCoreApplication::processEvents();
    CallerIDGrid* grid = StandaloneSession::grid();
    QTRY_VERIFY(grid->Rows() > 1);
    QCOMPARE(Screenshot::save(main, QStringLiteral("calllist-1000.png"), {grid}), QString());
}

void TestScreenshots::aGraphOfOneDay()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(StandaloneSession::window());
    w->resize(980, 620);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TRIGGER(w, "mnuTime(0)"); // any time: the log holds this one day
    ui::findByName<QTabBar>(w, QStringLiteral("tbsStats"))->setCurrentIndex(2);
    TRIGGER(w, "cmdSelectAll");
    ui::findByName<QComboBox>(w, QStringLiteral("cboGraphFrequency"))->setCurrentIndex(1); // daily
    TRIGGER(w, "cmdRefreshGraph");
    QCoreApplication::processEvents();
    QCOMPARE(Screenshot::save(w, QStringLiteral("graph-one-day.png")), QString());
    // The day shows as a point of the first group's colour; before, the graph drew nothing at all.
    const QImage shot(Screenshot::folder() + QStringLiteral("/graph-one-day.png"));
    int firstGroup = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            firstGroup += shot.pixelColor(x, y) == QColor(0, 90, 180) ? 1 : 0;
    QVERIFY2(firstGroup >= 20, qPrintable(QString::number(firstGroup)));
    w->close();
}

QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
