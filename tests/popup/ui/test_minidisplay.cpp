#include "support/PipeWatch.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/NamedText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRandomGenerator>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Colour.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/PopupLayout.h"
#include "popup/PopupVibrator.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/PopupWindows.h"
#include "popup/ui/frmCallerInfo.h"
#include "popup/ui/frmContactPicture.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "popup/ui/frmOtherInfo.h"
#include "support/ui/Screenshot.h"

namespace {

// Records what the pop-up asks of the main window.
class RecordingMainWindow : public MainWindow {
public:
    int blockCalls = 0;
    int stopBlinking = 0;
    QList<QPair<int, bool>> windowMenu;
    void BlockCall() override { ++blockCalls; }
    void StopBlinking() override { ++stopBlinking; }
    void CheckWindowMenuItem(int index, bool checked) override { windowMenu.append({index, checked}); }
    void reset()
    {
        blockCalls = 0;
        stopBlinking = 0;
        windowMenu.clear();
    }
};

clsCaller call(qint32 id, const QString& name, const QString& number, qint32 rings = 2,
               const QString& answered = QStringLiteral("N/A"))
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = QStringLiteral("3/21/2024 2:05:07 PM");
    c.Rings = rings;
    c.Answered = answered;
    return c;
}

// The mouse moving over a control with no button held.
void hoverOver(QWidget* widget)
{
    const QPointF local = QRectF(widget->rect()).center();
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// The pop-up's parts, found by the names the program gives them.
template <typename T>
T* part(const QObject* root, const char* name)
{
    return ui::findByName<T>(root, QLatin1String(name));
}

// A menu item by name: a command, or the item that opens a submenu (the submenu carries the name).
QAction* menuItem(const QObject* root, const char* name)
{
    if (auto* menu = root->findChild<QMenu*>(QLatin1String(name)))
        return menu->menuAction();
    return ui::findByName<QAction>(root, QLatin1String(name));
}

// A click on one of the four arrow labels (MiniDisplay::Arrow).
bool clickArrow(const QWidget* popup, int arrow)
{
    return ui::clickOn(popup, QStringLiteral("lblNavigate(%1)").arg(arrow));
}

void setPopup(const char* key, const QString& value)
{
    SaveProperty(QString::fromLatin1(Section::frmMiniDisplay), QString::fromLatin1(key), value);
}

} // namespace

class TestMiniDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void aCallShowsItsRecord();
    void theListKeepsLogSizeNewestFirst();
    void aRepeatedCallMovesToTheTop();
    void anEmptyListShowsNothing();
    void loadDataTakesTheNewestCalls();
    void loadDataStopsWhenAsked();
    void loadDataInClientModeAsksTheServer();
    void navigationBeepsAtBothEnds();
    void screensSkipOpenDetailWindows();
    void layoutFollowsTheTable_data();
    void layoutFollowsTheTable();
    void sizesAreClamped();
    void doubleClickTogglesWide();
    void coloursComeFromTheSettings();
    void hoverColourStaysAboveBlack();
    void vibrateWithNoDurationMovesOnceAndBack();
    void vibrateStaysInRangeAndEndsHome();
    void vibrateFollowsADrag();
    void blockQuestionBlocksTheRingingCall();
    void incomingCallTimerBlinksTheCaption();
    void detailWindowsReopenOnFirstShow();
    void rightClickOpensTheMenuOnlyWhereItShould();
    void pictureScreens();
    void pictureOfAPipeIsNotRead();
    void lockSizeToggles();
    void onTopCheckBoxKeepsTheFamilyOnTop();
    void draggingByALabelMovesTheWindow();
    void screenshots();
    void controlsCarryTheirNames();
    void goesWhileShakingWithTheFocusInside();

private:
    frmMiniDisplay* open();
    void fillLog(int calls);
    std::unique_ptr<TempHome> m_home;
    RecordingMainWindow m_main;
    // The pop-up's requests to the server (client mode).
    std::unique_ptr<QSignalSpy> m_requests;
};

void TestMiniDisplay::init()
{
    m_home = std::make_unique<TempHome>();
    Twips::setLogicalDpi(96);
    m_main.reset();
    gMainForm = &m_main;
    m_requests = std::make_unique<QSignalSpy>(&miniDisplay(), &MiniDisplay::requestSent);
}

void TestMiniDisplay::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_requests.reset();
    m_home.reset();
}

frmMiniDisplay* TestMiniDisplay::open()
{
    frmMiniDisplay* w = frmMiniDisplay::instance();
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qWarning("the pop-up was not exposed");
    return w;
}

void TestMiniDisplay::aCallShowsItsRecord()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    list.UpdateForm(call(7, QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567")));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("1/1"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("JOHN SMITH"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QStringLiteral("(555) 123-4567"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblRings")), QStringLiteral("2 Rings"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("N/A"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblTime")), QStringLiteral("3/21/2024 2:05:07 PM"));
    QVERIFY(menuItem(w, "mnuPopupViewOriginal")->isEnabled());
    QVERIFY(menuItem(w, "mnuPopupViewStats")->isEnabled());
    QCOMPARE(list.CurrentCaller.ID, 7);

    // The answered states read as words; the record is replaced in place by an edit.
    list.UpdateCaller(
        7, call(7, QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567"), 3, QStringLiteral("yes")));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("Answered"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblRings")), QStringLiteral("3 Rings"));
    list.UpdateCaller(7, call(7, QStringLiteral("J"), QStringLiteral("1"), 3, QStringLiteral("BLOCKED")));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("Blocked"));
    list.UpdateCaller(7, call(7, QStringLiteral("J"), QStringLiteral("1"), 3, QStringLiteral("No")));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("Not Answered"));

    // The position and answered labels keep to the right-hand corners of the screen area.
    const QRect screen = part<QWidget>(w, "picScreen")->rect();
    QVERIFY(qAbs(part<QLabel>(w, "lblPosition")->geometry().right() + 1 + Twips::toPixels(50) - screen.width()) <= 1);
    QVERIFY(qAbs(part<QLabel>(w, "lblAnswered")->geometry().right() + 1 + Twips::toPixels(50) - screen.width()) <= 1);
    QVERIFY(qAbs(part<QLabel>(w, "lblAnswered")->geometry().bottom() + 1 + Twips::toPixels(50) - screen.height()) <= 1);
}

void TestMiniDisplay::theListKeepsLogSizeNewestFirst()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    setPopup(Key::LogSize, QStringLiteral("10"));
    for (int id = 1; id <= 11; ++id)
        list.UpdateForm(call(id, QStringLiteral("CALLER %1").arg(id), QStringLiteral("555-000%1").arg(id)));
    QCOMPARE(list.Callers.size(), 10);
    QCOMPARE(list.Callers.first().ID, 11);
    QCOMPARE(list.Callers.last().ID, 2);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(list.Callers.at(i).ID, 11 - i);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("1/10"));

    // A fractional size is used as a whole number and the list never grows past it.
    setPopup(Key::LogSize, QStringLiteral("10.5"));
    for (int id = 12; id <= 30; ++id)
        list.UpdateForm(call(id, QStringLiteral("C"), QStringLiteral("1")));
    QCOMPARE(list.Callers.size(), 10);
    // A smaller limit brings a longer list down at the next call.
    setPopup(Key::LogSize, QStringLiteral("3"));
    list.UpdateForm(call(31, QStringLiteral("C"), QStringLiteral("1")));
    QCOMPARE(list.Callers.size(), 3);
    QCOMPARE(list.Callers.at(0).ID, 31);
    QCOMPARE(list.Callers.at(2).ID, 29);
    // Junk reads as the default size.
    setPopup(Key::LogSize, QStringLiteral("abc"));
    QCOMPARE(MiniDisplay::logSize(), 10);
    list.UpdateForm(call(32, QStringLiteral("C"), QStringLiteral("1")));
    QCOMPARE(list.Callers.size(), 4);
    setPopup(Key::LogSize, QStringLiteral("50000"));
    QCOMPARE(MiniDisplay::logSize(), 32767);
    setPopup(Key::LogSize, QStringLiteral("0"));
    QCOMPARE(MiniDisplay::logSize(), 1);
}

void TestMiniDisplay::aRepeatedCallMovesToTheTop()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    for (int id = 1; id <= 4; ++id)
        list.UpdateForm(call(id, QStringLiteral("C%1").arg(id), QStringLiteral("1")));
    list.Position = 3;
    list.RefreshPosition();
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("3/4"));
    // The call at the top again: replaced there, count unchanged, back to position 1.
    list.UpdateForm(call(4, QStringLiteral("NEW NAME"), QStringLiteral("1")));
    QCOMPARE(list.Callers.size(), 4);
    QCOMPARE(list.Position, 1);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("NEW NAME"));
    // A call listed lower down moves to the top.
    list.UpdateForm(call(2, QStringLiteral("MOVED"), QStringLiteral("1")));
    QCOMPARE(list.Callers.size(), 4);
    QCOMPARE(list.Callers.at(0).Name, QStringLiteral("MOVED"));
    QCOMPARE(list.Callers.at(1).ID, 4);
    QCOMPARE(list.Callers.at(3).ID, 1);
    // An edit keeps the record at its own place and the position where it was.
    list.Position = 4;
    list.RefreshPosition();
    list.UpdateCaller(3, call(3, QStringLiteral("EDITED"), QStringLiteral("1")));
    QCOMPARE(list.Callers.at(2).Name, QStringLiteral("EDITED"));
    QCOMPARE(list.Position, 4);
}

void TestMiniDisplay::fillLog(int calls)
{
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    for (int i = 1; i <= calls; ++i) {
        clsCaller c =
            call(0, QStringLiteral("CALLER %1").arg(i), QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0')), i % 5,
                 i % 2 ? QStringLiteral("YES") : QStringLiteral("NO"));
        c.CallerDate = DateText::format(start.addSecs(i * 600));
        AddCaller(c);
        QCOMPARE(c.ID, i);
    }
}

void TestMiniDisplay::loadDataTakesTheNewestCalls()
{
    fillLog(150);
    setPopup(Key::LogSize, QStringLiteral("120"));
    // The first show fills the list; watch for the progress window while it does.
    bool progressSeen = false;
    QString progressCaption;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QWidget* p = FindForm(QStringLiteral("frmProcessing")); p && p->isVisible()) {
            progressSeen = true;
            progressCaption = p->windowTitle();
        }
    });
    watch.start(0);
    frmMiniDisplay* w = open();
    watch.stop();
    MiniDisplay& list = w->list();
    QCOMPARE(list.Callers.size(), 120);
    for (int i = 0; i < 120; ++i)
        QCOMPARE(list.Callers.at(i).ID, 150 - i);
    QVERIFY(progressSeen);
    QCOMPARE(progressCaption, QStringLiteral("Processing Mini Display Data..."));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("1/120"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("CALLER 150"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QStringLiteral("555-0150"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("Not Answered"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblTime")), QStringLiteral("3/2/2024 9:00:00 AM"));
    QTRY_VERIFY(!FindForm(QStringLiteral("frmProcessing")) || !FindForm(QStringLiteral("frmProcessing"))->isVisible());

    // 100 rows are not more than 100: no progress window.
    setPopup(Key::LogSize, QStringLiteral("100"));
    progressSeen = false;
    watch.start(0);
    list.LoadData();
    watch.stop();
    QCOMPARE(list.Callers.size(), 100);
    QCOMPARE(list.Callers.last().ID, 51);
    QVERIFY(!progressSeen);

    // A short list; the position is kept where it was, within the new count.
    setPopup(Key::LogSize, QStringLiteral("10.4"));
    list.Position = 30;
    progressSeen = false;
    watch.start(0);
    list.LoadData();
    watch.stop();
    QCOMPARE(list.Callers.size(), 10);
    QCOMPARE(list.Callers.first().ID, 150);
    QCOMPARE(list.Callers.last().ID, 141);
    QCOMPARE(list.Position, 10);
    QVERIFY(!progressSeen);

    // A log shorter than the list size gives all of it.
    setPopup(Key::LogSize, QStringLiteral("500"));
    list.LoadData();
    QCOMPARE(list.Callers.size(), 150);
    QCOMPARE(list.Callers.last().ID, 1);
}

void TestMiniDisplay::loadDataStopsWhenAsked()
{
    fillLog(150);
    setPopup(Key::LogSize, QStringLiteral("150"));
    QTimer stop;
    connect(&stop, &QTimer::timeout, this, [&] {
        if (QWidget* p = FindForm(QStringLiteral("frmProcessing")); p && p->isVisible()) {
            if (auto* button = p->findChild<QAbstractButton*>(QStringLiteral("cmdStop")))
                button->click();
        }
    });
    stop.start(0);
    frmMiniDisplay* w = open();
    stop.stop();
    QVERIFY(w->list().Callers.size() < 150);
    QVERIFY(!w->list().Callers.isEmpty());
    QCOMPARE(w->list().Callers.first().ID, 150);
}

void TestMiniDisplay::loadDataInClientModeAsksTheServer()
{
    gNetworkMode = Client;
    setPopup(Key::LogSize, QStringLiteral("25"));
    frmMiniDisplay* w = open();
    QVERIFY(w->list().Callers.isEmpty());
    QCOMPARE(texts(*m_requests), QStringList{QStringLiteral(";MINI DISPLAY;25;")});
}

void TestMiniDisplay::anEmptyListShowsNothing()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    list.UpdateForm(call(5, QStringLiteral("DELETED CALL"), QStringLiteral("555-1234")));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("DELETED CALL"));
    // The log was cleared: the list is reloaded empty and nothing of the old call stays on show.
    list.LoadData();
    QCOMPARE(list.Callers.size(), 0);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("0/0"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QString());
    QCOMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QString());
    QCOMPARE(ui::textOf(w, QStringLiteral("lblRings")), QString());
    QCOMPARE(list.CurrentCaller.ID, 0);
    QVERIFY(list.CurrentCaller.Name.isEmpty());
    for (QAction* a :
         {menuItem(w, "mnuPopupAdd"), menuItem(w, "mnuPopupCreateNew"), menuItem(w, "mnuPopupAddToCurrent"),
          menuItem(w, "mnuPopupSearch"), menuItem(w, "mnuPopupSearchName"), menuItem(w, "mnuPopupSearchNumber"),
          menuItem(w, "mnuPopupSearchContact"), menuItem(w, "mnuPopupViewOriginal"), menuItem(w, "mnuPopupViewStats")})
        QVERIFY(!a->isEnabled());
    QVERIFY(menuItem(w, "mnuPopupLockSize")->isEnabled());
    // The customisation dialog has nothing to do with the callers listed.
    QVERIFY(menuItem(w, "mnuPopupCustomize")->isEnabled());
    const int beeps = w->beepCount();
    QVERIFY(clickArrow(w, MiniDisplay::Left));
    QVERIFY(clickArrow(w, MiniDisplay::Right));
    QCOMPARE(w->beepCount(), beeps + 2);
}

void TestMiniDisplay::navigationBeepsAtBothEnds()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    for (int id = 1; id <= 3; ++id)
        list.UpdateForm(call(id, QStringLiteral("C%1").arg(id), QStringLiteral("1")));
    const int start = w->beepCount();
    QVERIFY(clickArrow(w, MiniDisplay::Left)); // already the newest
    QCOMPARE(w->beepCount(), start + 1);
    QVERIFY(clickArrow(w, MiniDisplay::Right));
    QVERIFY(clickArrow(w, MiniDisplay::Right));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("3/3"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("C1"));
    QCOMPARE(w->beepCount(), start + 1);
    QVERIFY(clickArrow(w, MiniDisplay::Right)); // the oldest
    QCOMPARE(w->beepCount(), start + 2);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("3/3"));
    QVERIFY(clickArrow(w, MiniDisplay::Left));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("2/3"));
    QCOMPARE(m_main.stopBlinking, 5);

    // A real click on the left arrow label goes the same way.
    QTest::mouseClick(part<QLabel>(w, "lblNavigate(0)"), Qt::LeftButton);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("1/3"));
}

void TestMiniDisplay::screensSkipOpenDetailWindows()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    list.UpdateForm(call(1, QStringLiteral("C1"), QStringLiteral("1")));
    const int beeps = w->beepCount();
    QVERIFY(clickArrow(w, MiniDisplay::Up)); // screen 0 has nothing above
    QCOMPARE(w->beepCount(), beeps + 1);

    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 1);
    QVERIFY(part<QPlainTextEdit>(w, "txtCallerInfo")->isVisible());
    QVERIFY(!part<QLabel>(w, "lblName")->isVisible());
    QCOMPARE(ui::textOf(w, QStringLiteral("txtCallerInfo")), QStringLiteral("Caller Info: C1"));
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 2);
    QVERIFY(part<QLabel>(w, "lblNoPic")->isVisible());
    QCOMPARE(ui::textOf(w, QStringLiteral("lblNoPic")), QStringLiteral("No Picture"));
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 3);
    QCOMPARE(ui::textOf(w, QStringLiteral("txtOtherInfo")), QStringLiteral("<other information not available>"));
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(w->beepCount(), beeps + 2);

    // The window button moves screen 3 into its own window; the pop-up goes to the next free screen.
    QVERIFY(ui::clickOn(w, QStringLiteral("lblWindow(0)")));
    QVERIFY(frmOtherInfo::instance(false) && frmOtherInfo::instance(false)->isVisible());
    QCOMPARE(ui::textOf(frmOtherInfo::instance(false), QStringLiteral("txtOtherInfo")),
             QStringLiteral("<other information not available>"));
    QCOMPARE(list.CurrentScreen, 2);
    QVERIFY(clickArrow(w, MiniDisplay::Down)); // 3 is in its own window now
    QCOMPARE(list.CurrentScreen, 2);
    QCOMPARE(w->beepCount(), beeps + 3);
    // Another caller: back to screen 0.
    list.UpdateForm(call(2, QStringLiteral("C2"), QStringLiteral("2")));
    QCOMPARE(list.CurrentScreen, 0);
    QVERIFY(part<QLabel>(w, "lblName")->isVisible());

    // In client mode there is no picture screen: 1 goes down to 3 (when free) and 3 up to 1.
    frmOtherInfo::instance(false)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    gNetworkMode = Client;
    list.RefreshPosition();
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 1);
    QCOMPARE(m_requests->size(), 1);
    QCOMPARE(texts(*m_requests).last(), QStringLiteral(";MINI DISPLAY STATS;") + list.CurrentCaller.PrintSend() +
                                            QStringLiteral(";|Total Calls|Calls in the Last Day|Calls in the Last "
                                                           "Week|Calls Between 9pm and 1am|Most Calls in a Day|Most "
                                                           "Calls in a Week|;"));
    QCOMPARE(ui::textOf(w, QStringLiteral("txtCallerInfo")), QString());
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 3);
    QVERIFY(clickArrow(w, MiniDisplay::Up));
    QCOMPARE(list.CurrentScreen, 1);
}

void TestMiniDisplay::layoutFollowsTheTable_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("minimum") << 3500 << 1900;
    QTest::newRow("middle") << 5250 << 3000;
    QTest::newRow("maximum height") << 9000 << 4500;
    QTest::newRow("wide") << 18030 << 4500; // the scaled name would be taller than half the screen area
}

void TestMiniDisplay::layoutFollowsTheTable()
{
    QFETCH(int, width);
    QFETCH(int, height);
    frmMiniDisplay* w = open();
    w->list().UpdateForm(call(1, QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567")));
    w->resizeTwips(width, height);
    const QSize expected(int(std::ceil(width / 15.0 - 1e-9)), int(std::ceil(height / 15.0 - 1e-9)));
    QTRY_COMPARE(w->frameGeometry().size(), expected);

    // Fonts from the window's size, in points.
    const double ws = Twips::fromPixels(w->frameGeometry().width()) / 3500;
    const double hs = Twips::fromPixels(w->frameGeometry().height()) / 1900;
    QVERIFY(qAbs(part<QLabel>(w, "lblNavigate(0)")->font().pointSizeF() - 2 * (ws * hs + 9)) < 0.01);
    const double name = part<QLabel>(w, "lblName")->font().pointSizeF();
    QVERIFY(width > 9000 ? name < 2 * (ws * hs * hs + 4) : qAbs(name - 2 * (ws * hs * hs + 4)) < 0.01);
    QCOMPARE(part<QLabel>(w, "lblNumber")->font().pointSizeF(), name);
    for (QWidget* c : std::initializer_list<QWidget*>{
             part<QLabel>(w, "lblTime"), part<QLabel>(w, "lblPosition"), part<QLabel>(w, "lblRings"),
             part<QLabel>(w, "lblAnswered"), part<QPlainTextEdit>(w, "txtCallerInfo"),
             part<QPlainTextEdit>(w, "txtOtherInfo"), part<QLabel>(w, "lblNoPic")})
        QVERIFY2(qAbs(c->font().pointSizeF() - (ws * hs + 8)) < 0.01, qPrintable(c->objectName()));
    if (width == 3500) {
        QVERIFY(qAbs(part<QLabel>(w, "lblNavigate(0)")->font().pointSizeF() - 20) < 0.1);
        QVERIFY(qAbs(part<QLabel>(w, "lblName")->font().pointSizeF() - 10) < 0.1);
        QVERIFY(qAbs(part<QLabel>(w, "lblTime")->font().pointSizeF() - 9) < 0.1);
    }

    // Positions, in pixels, against the table with the sizes the controls took.
    const auto px = [](double twips) { return twips / Twips::perPixel(); };
    const auto near = [](double a, double b) { return qAbs(a - b) <= 1.01; };
    const double sw = w->width();
    const double sh = w->height();
    const QRect nav2 = part<QLabel>(w, "lblNavigate(2)")->geometry();
    const QRect screen = part<QWidget>(w, "picScreen")->geometry();
    QVERIFY(near(screen.x(), px(100)));
    QVERIFY(near(screen.y(), px(100)));
    QVERIFY(near(screen.width(), sw - px(100) - nav2.width() - px(100)));
    QVERIFY(near(screen.height(), sh - px(100) - nav2.height() - px(100)));
    const double pw = screen.width();
    const double ph = screen.height();
    QVERIFY(near(part<QLabel>(w, "lblTime")->x(), px(50)));
    QCOMPARE(part<QLabel>(w, "lblTime")->y(), 0);
    QVERIFY(near(part<QLabel>(w, "lblRings")->y(), ph - part<QLabel>(w, "lblRings")->height() - px(50)));
    QVERIFY(near(part<QLabel>(w, "lblName")->y(), (ph - 2 * part<QLabel>(w, "lblName")->height()) / 2 - px(25)));
    QVERIFY(near(part<QLabel>(w, "lblNumber")->y(), (ph - 0.5 * part<QLabel>(w, "lblNumber")->height()) / 2 + px(25)));
    QCOMPARE(part<QLabel>(w, "lblName")->width(), screen.width());
    // Every line stays clear of the others: the time and the count above the name, the rings under the number.
    for (const char* line : {"lblTime", "lblPosition"})
        QVERIFY2(part<QLabel>(w, "lblName")->y() >= part<QLabel>(w, line)->geometry().bottom() + 1, line);
    for (const char* line : {"lblRings", "lblAnswered"})
        QVERIFY2(part<QLabel>(w, "lblNumber")->geometry().bottom() < part<QLabel>(w, line)->y(), line);
    QVERIFY(near(part<QPlainTextEdit>(w, "txtCallerInfo")->width(), pw - px(90)));
    QVERIFY(near(part<QPlainTextEdit>(w, "txtCallerInfo")->height(), ph - px(20)));
    QCOMPARE(part<QLabel>(w, "imgContactImage")->geometry(), QRect(0, 0, screen.width(), screen.height()));
    QVERIFY(near(part<QLabel>(w, "lblNoPic")->x(), (pw - part<QLabel>(w, "lblNoPic")->width()) / 2));
    const QRect nav0 = part<QLabel>(w, "lblNavigate(0)")->geometry();
    const QRect nav1 = part<QLabel>(w, "lblNavigate(1)")->geometry();
    QVERIFY(near(nav0.x(), screen.x() + pw / 3));
    QVERIFY(near(nav0.y(), sh - nav0.height() - px(50)));
    QVERIFY(near(nav1.x(), screen.x() + pw * 2 / 3 - nav1.width()));
    QVERIFY(near(nav2.x(), sw - nav2.width() - px(50)));
    QVERIFY(near(nav2.y(), screen.y() + ph / 9));
    const QRect nav3 = part<QLabel>(w, "lblNavigate(3)")->geometry();
    QVERIFY(near(nav3.y(), screen.y() + ph * 8 / 9 - nav3.height()));
    const QRect block = part<QLabel>(w, "lblBlock")->geometry();
    QVERIFY(near(block.width(), sw / 3));
    QVERIFY(near(block.x(), sw - block.width() - px(100)));
    QVERIFY(near(block.y(), nav0.y() + (nav0.height() - block.height()) / 2.0));
    QVERIFY(near(part<QCheckBox>(w, "chkOnTop")->x(), px(100)));
    QVERIFY(near(part<QCheckBox>(w, "chkOnTop")->y(),
                 nav0.y() + (nav0.height() - part<QCheckBox>(w, "chkOnTop")->height()) / 2.0));
    QVERIFY(near(part<QWidget>(w, "picWindow")->x(), pw - part<QWidget>(w, "picWindow")->width() - px(300)));
    QVERIFY(near(part<QLabel>(w, "lblWindow(1)")->x(), pw - part<QLabel>(w, "lblWindow(1)")->width() - px(50)));
}

void TestMiniDisplay::sizesAreClamped()
{
    frmMiniDisplay* w = open();
    const auto outer = [w] { return w->frameGeometry().size(); };
    w->resizeTwips(3000, 1500);
    QTRY_COMPARE(outer(), QSize(234, 127)); // 3500 x 1900 twips, rounded up to whole pixels
    w->resizeTwips(5000, 5000);
    QTRY_COMPARE(outer(), QSize(Twips::toPixels(5000), Twips::toPixels(4500)));
    w->resizeTwips(20000, 2000);
    QTRY_COMPARE(outer(), QSize(Twips::toPixels(20000), Twips::toPixels(2000)));
}

void TestMiniDisplay::doubleClickTogglesWide()
{
    frmMiniDisplay* w = open();
    w->moveTwips(3000, 1200);
    w->resizeTwips(3500, 1900);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200, 80));
    QTRY_COMPARE(w->frameGeometry().width(), 234);
    QTest::mouseDClick(part<QLabel>(w, "lblName"), Qt::LeftButton);
    QTRY_COMPARE(w->frameGeometry().width(), w->screen()->geometry().width());
    QCOMPARE(w->frameGeometry().height(), Twips::toPixels(4500));
    QCOMPARE(w->frameGeometry().x(), 0);
    QCOMPARE(w->frameGeometry().y(), 80);
    QTest::mouseDClick(part<QLabel>(w, "lblName"), Qt::LeftButton);
    QTRY_COMPARE(w->frameGeometry().width(), 234);
    QCOMPARE(w->frameGeometry().topLeft(), QPoint(200, 80));

    // A locked size only stops the blinking.
    setPopup(Key::LockSize, QStringLiteral("True"));
    const int blinks = m_main.stopBlinking;
    QTest::mouseDClick(part<QLabel>(w, "lblName"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(w->frameGeometry().width(), 234);
    QCOMPARE(m_main.stopBlinking, blinks + 1);
}

void TestMiniDisplay::coloursComeFromTheSettings()
{
    setPopup(Key::ScreenColor, QStringLiteral("255"));              // red
    setPopup(Key::ForeColor, QStringLiteral("65280"));              // green
    setPopup(Key::NameNumberForeColor, QStringLiteral("16711680")); // blue
    setPopup(Key::ButtonColor, QStringLiteral("65535"));            // yellow
    setPopup(Key::BackColor, QStringLiteral("12345678"));
    frmMiniDisplay* w = open();
    const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255), yellow(255, 255, 0);
    const QColor back(0x4E, 0x61, 0xBC); // 12345678 is 0xBC614E, red in the low byte

    for (QWidget* c : std::initializer_list<QWidget*>{
             part<QWidget>(w, "picScreen"), part<QLabel>(w, "lblName"), part<QLabel>(w, "lblNumber"),
             part<QLabel>(w, "lblTime"), part<QLabel>(w, "lblPosition"), part<QLabel>(w, "lblRings"),
             part<QLabel>(w, "lblAnswered"), part<QPlainTextEdit>(w, "txtCallerInfo"),
             part<QPlainTextEdit>(w, "txtOtherInfo"), part<QWidget>(w, "picWindow"), part<QLabel>(w, "lblNoPic")})
        QVERIFY2(background(c) == red, qPrintable(c->objectName()));
    for (QWidget* c : std::initializer_list<QWidget*>{
             part<QLabel>(w, "lblTime"), part<QLabel>(w, "lblPosition"), part<QLabel>(w, "lblRings"),
             part<QLabel>(w, "lblAnswered"), part<QPlainTextEdit>(w, "txtCallerInfo"),
             part<QPlainTextEdit>(w, "txtOtherInfo"), part<QLabel>(w, "lblNoPic")})
        QVERIFY2(foreground(c) == green, qPrintable(c->objectName()));
    QCOMPARE(foreground(part<QLabel>(w, "lblName")), blue);
    QCOMPARE(foreground(part<QLabel>(w, "lblNumber")), blue);
    for (QWidget* c : std::initializer_list<QWidget*>{
             part<QLabel>(w, "lblWindow(0)"), part<QLabel>(w, "lblWindow(1)"), part<QLabel>(w, "lblBlock"),
             part<QCheckBox>(w, "chkOnTop"), part<QLabel>(w, "lblNavigate(0)"), part<QLabel>(w, "lblNavigate(1)"),
             part<QLabel>(w, "lblNavigate(2)"), part<QLabel>(w, "lblNavigate(3)")})
        QCOMPARE(foreground(c), yellow);
    QCOMPARE(background(w), back);
    for (QWidget* c : std::initializer_list<QWidget*>{part<QLabel>(w, "lblWindow(0)"), part<QLabel>(w, "lblWindow(1)"),
                                                      part<QLabel>(w, "lblBlock"), part<QCheckBox>(w, "chkOnTop")})
        QCOMPARE(background(c), back);
    // The window's own text colour has its own default.
    QCOMPARE(foreground(w), green);

    // Not a number: black. A change shows at the next UpdateAppearance.
    setPopup(Key::ScreenColor, QStringLiteral("teal"));
    w->UpdateAppearance();
    QCOMPARE(background(part<QLabel>(w, "lblName")), QColor(0, 0, 0));

    // Hover: the arrow takes ButtonColor less 100; moving over the name label gives it back at once.
    const QColor hover(255 - 100, 255, 0);
    QCursor::setPos(w->frameGeometry().center());
    // Nothing lit, nothing watched: an idle pop-up runs no timer.
    QVERIFY(!part<QTimer>(w, "ButtonTimer")->isActive());
    hoverOver(part<QLabel>(w, "lblNavigate(1)"));
    QVERIFY(part<QTimer>(w, "ButtonTimer")->isActive());
    QCOMPARE(foreground(part<QLabel>(w, "lblNavigate(1)")), hover);
    QCOMPARE(foreground(part<QLabel>(w, "lblNavigate(0)")), yellow);
    w->ButtonTimer_Timer(); // the mouse is still inside the window
    QCOMPARE(foreground(part<QLabel>(w, "lblNavigate(1)")), hover);
    hoverOver(part<QLabel>(w, "lblName"));
    QCOMPARE(foreground(part<QLabel>(w, "lblNavigate(1)")), yellow);
    // Leaving the window: the button timer gives the colour back.
    hoverOver(part<QCheckBox>(w, "chkOnTop"));
    QCOMPARE(foreground(part<QCheckBox>(w, "chkOnTop")), hover);
    QCursor::setPos(w->frameGeometry().bottomRight() + QPoint(50, 50));
    w->ButtonTimer_Timer();
    QCOMPARE(foreground(part<QCheckBox>(w, "chkOnTop")), yellow);
    QCOMPARE(part<QTimer>(w, "ButtonTimer")->interval(), 100);
    QVERIFY(!part<QTimer>(w, "ButtonTimer")->isActive());
}

void TestMiniDisplay::hoverColourStaysAboveBlack()
{
    QCOMPARE(MiniDisplay::hoverColour(2693142), 2693042u);
    QCOMPARE(MiniDisplay::hoverColour(50), 0u);
    QCOMPARE(MiniDisplay::hoverColour(0), 0u);
}

void TestMiniDisplay::vibrateWithNoDurationMovesOnceAndBack()
{
    frmMiniDisplay* w = open();
    w->moveTwips(3000, 3000);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200, 200));
    setPopup(Key::VibrateDuration, QStringLiteral("0"));
    w->vibrator()->setRandomSource([] { return 0.999; }); // +100 twips both ways
    w->Vibrate();
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200 + Twips::toPixels(100), 200 + Twips::toPixels(100)));
    QVERIFY(w->vibrator()->isRunning());
    w->vibrator()->tick();
    QVERIFY(!w->vibrator()->isRunning());
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200, 200));

    // Switched off, or hidden: nothing moves.
    setPopup(Key::Vibrate, QStringLiteral("False"));
    w->Vibrate();
    QVERIFY(!w->vibrator()->isRunning());
    setPopup(Key::Vibrate, QStringLiteral("True"));
    w->hide();
    w->Vibrate();
    QVERIFY(!w->vibrator()->isRunning());
}

void TestMiniDisplay::vibrateStaysInRangeAndEndsHome()
{
    frmMiniDisplay* w = open();
    w->moveTwips(4500, 3000);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(300, 200));
    setPopup(Key::VibrateDuration, QStringLiteral("40"));
    QRandomGenerator fixedRandom(20240321);
    w->vibrator()->setRandomSource([&fixedRandom] { return fixedRandom.generateDouble(); });
    const QPoint home = w->frameGeometry().topLeft();
    int moves = 0;
    const int limit = Twips::toPixels(100);
    QSet<int> xs;
    w->Vibrate();
    while (w->vibrator()->isRunning()) {
        ++moves;
        QCoreApplication::processEvents();
        const QPoint p = w->frameGeometry().topLeft();
        QVERIFY(qAbs(p.x() - home.x()) <= limit);
        QVERIFY(qAbs(p.y() - home.y()) <= limit);
        xs.insert(p.x());
        w->vibrator()->tick();
        QVERIFY(moves < 100);
    }
    QCOMPARE(moves, 41);    // VibrateDuration + 1 moves, then home
    QVERIFY(xs.size() > 5); // it really shook
    QTRY_COMPARE(w->frameGeometry().topLeft(), home);

    // The timer paces it without a wait loop: the event loop runs it to the end by itself.
    setPopup(Key::VibrateDuration, QStringLiteral("3"));
    w->Vibrate();
    QTRY_VERIFY(!w->vibrator()->isRunning());
    QTRY_COMPARE(w->frameGeometry().topLeft(), home);

    // Closing the window ends the shaking.
    setPopup(Key::VibrateDuration, QStringLiteral("100"));
    w->Vibrate();
    QPointer<PopupVibrator> v = w->vibrator();
    QVERIFY(v->isRunning());
    w->close();
    QVERIFY(!v || !v->isRunning());
}

void TestMiniDisplay::vibrateFollowsADrag()
{
    frmMiniDisplay* w = open();
    w->moveTwips(3000, 3000);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200, 200));
    setPopup(Key::VibrateDuration, QStringLiteral("5"));
    w->vibrator()->setRandomSource([] { return 0.5; }); // a zero move
    w->Vibrate();
    w->vibrator()->tick();
    w->moveTwips(9000, 6000); // dragged away meanwhile
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(600, 400));
    while (w->vibrator()->isRunning())
        w->vibrator()->tick();
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(600, 400));
}

void TestMiniDisplay::blockQuestionBlocksTheRingingCall()
{
    frmMiniDisplay* w = open();
    gRinging = true;
    w->list().UpdateForm(call(1, QStringLiteral("PEST"), QStringLiteral("555-0000")));
    w->list().IncomingCallTimer_Timer();
    QVERIFY(part<QLabel>(w, "lblBlock")->isVisible());

    Prompt::queueAnswer(Prompt::No);
    QVERIFY(ui::clickOn(w, QStringLiteral("lblBlock")));
    QCOMPARE(m_main.blockCalls, 0);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("Are you sure you want to block this call?"));
    QCOMPARE(Prompt::history().last().buttons, int(Prompt::YesNo));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));

    Prompt::queueAnswer(Prompt::Yes);
    QTest::mouseClick(part<QLabel>(w, "lblBlock"), Qt::LeftButton);
    QCOMPARE(m_main.blockCalls, 1);

    // A client asks its server instead.
    gNetworkMode = Client;
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(ui::clickOn(w, QStringLiteral("lblBlock")));
    QCOMPARE(m_main.blockCalls, 1);
    QCOMPARE(texts(*m_requests).last(), QStringLiteral(";BLOCK CALL;"));
}

void TestMiniDisplay::incomingCallTimerBlinksTheCaption()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    gRinging = true;
    list.UpdateForm(call(1, QStringLiteral("C"), QStringLiteral("1")));
    QVERIFY(list.IncomingCallTimer.isActive());
    QCOMPARE(list.IncomingCallTimer.interval(), 400);
    list.IncomingCallTimer_Timer();
    QCOMPARE(w->windowTitle(), QStringLiteral("Incoming Call"));
    list.IncomingCallTimer_Timer();
    QCOMPARE(w->windowTitle(), QString());
    list.IncomingCallTimer_Timer();
    QCOMPARE(w->windowTitle(), QStringLiteral("Incoming Call"));
    gRinging = false;
    list.IncomingCallTimer_Timer();
    QCOMPARE(w->windowTitle(), QString());
    QVERIFY(!part<QLabel>(w, "lblBlock")->isVisible());
    QVERIFY(!list.IncomingCallTimer.isActive());
}

void TestMiniDisplay::detailWindowsReopenOnFirstShow()
{
    SaveProperty(Section::frmCallerInfo, Key::Visible, "True");
    SaveProperty(Section::frmOtherInfo, Key::Visible, "True");
    SaveProperty(Section::frmContactPicture, Key::Visible, "False");
    frmMiniDisplay* w = open();
    QVERIFY(frmCallerInfo::instance(false) && frmCallerInfo::instance(false)->isVisible());
    QVERIFY(frmOtherInfo::instance(false) && frmOtherInfo::instance(false)->isVisible());
    QVERIFY(!frmContactPicture::instance(false));
    QVERIFY(qAbs(part<QPlainTextEdit>(frmCallerInfo::instance(false), "txtCallerInfo")->font().pointSizeF() - 9.0) <
            0.1);

    // Closed by its user, a window is forgotten; closed along with the pop-up, it is remembered.
    frmOtherInfo::instance(false)->close();
    QCOMPARE(GetProperty(Section::frmOtherInfo, Key::Visible, "?"), QStringLiteral("False"));
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmCallerInfo::instance(false));
    QCOMPARE(GetProperty(Section::frmCallerInfo, Key::Visible, "?"), QStringLiteral("True"));
    QVERIFY(!GetProperty(Section::frmMiniDisplay, Key::Width, "").isEmpty());

    w = open();
    QVERIFY(frmCallerInfo::instance(false) && frmCallerInfo::instance(false)->isVisible());
    QVERIFY(!frmOtherInfo::instance(false));
    // Its screen is taken: the down arrow skips it.
    w->list().UpdateForm(call(1, QStringLiteral("C"), QStringLiteral("1")));
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(w->list().CurrentScreen, 2);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A client never opens the picture window this way.
    SaveProperty(Section::frmContactPicture, Key::Visible, "True");
    gNetworkMode = Client;
    open();
    QVERIFY(!frmContactPicture::instance(false));
}

void TestMiniDisplay::rightClickOpensTheMenuOnlyWhereItShould()
{
    frmMiniDisplay* w = open();
    w->list().UpdateForm(call(1, QStringLiteral("C"), QStringLiteral("1")));
    for (QWidget* c : std::initializer_list<QWidget*>{part<QLabel>(w, "lblNoPic"), part<QLabel>(w, "lblWindow(1)"),
                                                      part<QPlainTextEdit>(w, "txtCallerInfo")->viewport()}) {
        QTest::mousePress(c, Qt::RightButton);
        QVERIFY2(!part<QMenu>(w, "mnuPopup")->isVisible(), qPrintable(c->objectName()));
    }
    for (QWidget* c : std::initializer_list<QWidget*>{part<QLabel>(w, "lblName"), part<QLabel>(w, "lblRings"),
                                                      part<QCheckBox>(w, "chkOnTop"), part<QLabel>(w, "lblNavigate(2)"),
                                                      part<QWidget>(w, "picScreen")}) {
        QTest::mousePress(c, Qt::RightButton);
        QVERIFY2(part<QMenu>(w, "mnuPopup")->isVisible(), qPrintable(c->objectName()));
        part<QMenu>(w, "mnuPopup")->hide();
    }
}

void TestMiniDisplay::pictureScreens()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString file = m_home->file(QStringLiteral("face.png"));
    QVERIFY(image.save(file));
    auto contact = std::make_shared<clsContact>();
    contact->Name = QStringLiteral("JANE");
    contact->ImageFile = file;
    gContacts.add(contact->Name, contact);

    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    clsCaller c = call(1, QStringLiteral("J DOE"), QStringLiteral("1"));
    c.ContactName = QStringLiteral("jane");
    list.UpdateForm(c);
    QCOMPARE(list.CurrentContact.Name, QStringLiteral("JANE"));
    QVERIFY(!part<QLabel>(w, "imgContactImage")->isVisible()); // no picture behind the labels by default
    setPopup(Key::PictureBackground, QStringLiteral("True"));
    list.SetScreen();
    QVERIFY(part<QLabel>(w, "imgContactImage")->isVisible());
    QVERIFY(!part<QLabel>(w, "imgContactImage")->pixmap().isNull());
    QVERIFY(part<QLabel>(w, "lblName")->isVisible());

    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QVERIFY(clickArrow(w, MiniDisplay::Down));
    QCOMPARE(list.CurrentScreen, 2);
    QVERIFY(part<QLabel>(w, "lblWindow(1)")->isVisible());
    QVERIFY(!part<QLabel>(w, "imgContactImage")->pixmap().isNull());
    // The window button moves the picture out; the pop-up goes on to the other information.
    QVERIFY(ui::clickOn(w, QStringLiteral("lblWindow(1)")));
    QVERIFY(frmContactPicture::instance(false)->isVisible());
    QVERIFY(!part<QLabel>(frmContactPicture::instance(false), "imgContactImage")->pixmap().isNull());
    QCOMPARE(list.CurrentScreen, 3);
}

// A client's contact record can name any path as its picture; a pipe would block the pop-up (or its
// picture window) for good.
void TestMiniDisplay::pictureOfAPipeIsNotRead()
{
    const QString fifo = m_home->file(QStringLiteral("face.fifo"));
    const PipeWatch pipe(fifo);
    QVERIFY(pipe.made());
    auto contact = std::make_shared<clsContact>();
    contact->Name = QStringLiteral("PIPE");
    contact->ImageFile = fifo;
    gContacts.add(contact->Name, contact);
    setPopup(Key::PictureBackground, QStringLiteral("True"));
    SaveProperty(Section::frmContactPicture, Key::Visible, QStringLiteral("True"));

    frmMiniDisplay* w = open();
    QVERIFY(frmContactPicture::instance(false) && frmContactPicture::instance(false)->isVisible());
    clsCaller c = call(1, QStringLiteral("P IPE"), QStringLiteral("1"));
    c.ContactName = QStringLiteral("PIPE");
    w->list().UpdateForm(c);
    QCOMPARE(w->list().CurrentContact.Name, QStringLiteral("PIPE"));
    QVERIFY(part<QLabel>(w, "imgContactImage")->pixmap().isNull());
    QVERIFY(!pipe.opened());
}

void TestMiniDisplay::lockSizeToggles()
{
    frmMiniDisplay* w = open();
    QVERIFY(!menuItem(w, "mnuPopupLockSize")->isChecked());
    TRIGGER(w, "mnuPopupLockSize");
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::LockSize, ""), QStringLiteral("True"));
    QVERIFY(menuItem(w, "mnuPopupLockSize")->isChecked());
    QCOMPARE(w->minimumSize(), w->maximumSize());
    TRIGGER(w, "mnuPopupLockSize");
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::LockSize, ""), QStringLiteral("False"));
    QVERIFY(w->minimumSize() != w->maximumSize());
    QVERIFY(w->windowFlags() & Qt::Tool);
}

void TestMiniDisplay::onTopCheckBoxKeepsTheFamilyOnTop()
{
    SaveProperty(Section::frmOtherInfo, Key::Visible, "True");
    frmMiniDisplay* w = open();
    QVERIFY(part<QCheckBox>(w, "chkOnTop")->isChecked()); // the pop-up's own switch is on at first
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(frmOtherInfo::instance(false)->windowFlags() & Qt::WindowStaysOnTopHint);
    const int blinks = m_main.stopBlinking;
    QTest::mouseClick(part<QCheckBox>(w, "chkOnTop"), Qt::LeftButton);
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::OnTop, ""), QStringLiteral("False"));
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!(frmOtherInfo::instance(false)->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w->isVisible());
    QVERIFY(frmOtherInfo::instance(false)->isVisible());
    QCOMPARE(m_main.stopBlinking, blinks + 1);
    // The program-wide option keeps it on top whatever the pop-up's switch says.
    SaveProperty(Section::frmConfiguration, Key::OnTop, "True");
    w->resizeTwips(4000, 2000);
    QTRY_VERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
}

void TestMiniDisplay::draggingByALabelMovesTheWindow()
{
    frmMiniDisplay* w = open();
    w->moveTwips(1500, 1500);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(100, 100));
    const QPointF local(5, 5);
    const QPointF global = part<QLabel>(w, "lblTime")->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(part<QLabel>(w, "lblTime"), &press);
    const int blinks = m_main.stopBlinking;
    QMouseEvent move(QEvent::MouseMove, local + QPointF(30, 20), global + QPointF(30, 20), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(part<QLabel>(w, "lblTime"), &move);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(130, 120));
    QCOMPARE(m_main.stopBlinking, blinks + 1);
    // Without a button held the mouse only passes over.
    QMouseEvent hoverMove(QEvent::MouseMove, local, global + QPointF(90, 90), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
    QApplication::sendEvent(part<QLabel>(w, "lblTime"), &hoverMove);
    QCoreApplication::processEvents();
    QCOMPARE(w->frameGeometry().topLeft(), QPoint(130, 120));
}

void TestMiniDisplay::screenshots()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    list.UpdateForm(call(1, QStringLiteral("MARY JONES"), QStringLiteral("(555) 987-6543"), 1));
    list.UpdateForm(call(2, QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567"), 2));
    gRinging = true;
    list.IncomingCallTimer_Timer();
    for (const auto& [width, height, name] :
         {std::tuple{3500, 1900, "popup-small.png"}, std::tuple{7000, 3800, "popup-large.png"}}) {
        w->resizeTwips(width, height);
        QTRY_VERIFY(qAbs(w->frameGeometry().width() - Twips::toPixels(width)) <= 1 &&
                    qAbs(w->frameGeometry().height() - Twips::toPixels(height)) <= 1);
        // The caller's name and number show at either size.
        QCOMPARE(Screenshot::save(w, QLatin1String(name), {part<QLabel>(w, "lblName"), part<QLabel>(w, "lblNumber")}),
                 QString());
    }
}

void TestMiniDisplay::controlsCarryTheirNames()
{
    frmMiniDisplay* w = open();
    for (const char* name : {"picScreen", "lblName", "lblNumber", "lblTime", "lblPosition", "lblRings", "lblAnswered",
                             "imgContactImage", "lblNoPic", "picWindow", "lblWindow(0)", "lblWindow(1)",
                             "lblNavigate(0)", "lblNavigate(1)", "lblNavigate(2)", "lblNavigate(3)", "lblBlock"})
        QVERIFY2(ui::findByName<QWidget>(w, QLatin1String(name)), name);
    // Each name leads to the control doing that control's work.
    QCOMPARE(ui::textOf(w, QStringLiteral("chkOnTop")), QStringLiteral("On Top"));
    QVERIFY(ui::findByName<QCheckBox>(w, QStringLiteral("chkOnTop")));
    for (const char* name : {"txtCallerInfo", "txtOtherInfo"}) {
        const auto* box = ui::findByName<QPlainTextEdit>(w, QLatin1String(name));
        QVERIFY2(box && box->isReadOnly(), name);
    }
    QVERIFY(ui::findByName<QTimer>(w, QStringLiteral("ButtonTimer")));
    QCOMPARE(ui::findByName<QTimer>(w, QStringLiteral("ButtonTimer"))->interval(), 100);
    QVERIFY(ui::findByName<QMenu>(w, QStringLiteral("mnuPopup")));
    QCOMPARE(ui::findByName<QMenu>(w, QStringLiteral("mnuPopup"))->title(), QStringLiteral("Popup"));
    for (const char* name : {"mnuPopupLockSize", "mnuPopupHyphen1", "mnuPopupCreateNew", "mnuPopupAddToCurrent",
                             "mnuPopupHyphen2", "mnuPopupSearchName", "mnuPopupSearchNumber", "mnuPopupSearchContact",
                             "mnuPopupViewStats", "mnuPopupViewOriginal", "mnuPopupHyphen3", "mnuPopupCustomize"})
        QVERIFY2(ui::findByName<QAction>(w, QLatin1String(name)), name);
    for (const char* name : {"mnuPopupAdd", "mnuPopupSearch"})
        QVERIFY2(ui::findByName<QMenu>(w, QLatin1String(name)), name);
    // With a caller listed, every command is reachable.
    w->list().UpdateForm(call(7, QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567")));
    for (const char* name : {"mnuPopupSearchName", "mnuPopupViewOriginal", "mnuPopupViewStats", "mnuPopupLockSize",
                             "mnuPopupCreateNew", "mnuPopupAddToCurrent", "mnuPopupCustomize"})
        QVERIFY2(ui::isReachable(w, QLatin1String(name)), name);

    // The detail windows and the logged-record window.
    // The detail windows: the one text box or picture each shows, by its name.
    for (QWidget* window : std::initializer_list<QWidget*>{frmCallerInfo::instance(), frmOtherInfo::instance()}) {
        const QList<QPlainTextEdit*> boxes = window->findChildren<QPlainTextEdit*>();
        QCOMPARE(boxes.size(), 1);
        const QString name =
            window == frmCallerInfo::instance() ? QStringLiteral("txtCallerInfo") : QStringLiteral("txtOtherInfo");
        QCOMPARE(ui::findByName<QPlainTextEdit>(window, name), boxes.first());
    }
    QVERIFY(ui::findByName<QLabel>(frmContactPicture::instance(), QStringLiteral("imgContactImage")));
    QCOMPARE(ui::textOf(frmContactPicture::instance(), QStringLiteral("lblNoPic")), QStringLiteral("No Picture"));
    LoggedRecord record;
    record.Name = QStringLiteral("JOHN SMITH");
    QPointer<frmOriginalCallerIDInfo> logged = frmOriginalCallerIDInfo::instance();
    logged->showRecord(record, QString());
    const QStringList captions = {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("label3"),
                                  QStringLiteral("Label4"), QStringLiteral("Label6")};
    const QStringList texts = {QStringLiteral("Name:"), QStringLiteral("Number:"), QStringLiteral("Time:"),
                               QStringLiteral("Rings:"), QStringLiteral("Answered:")};
    for (int i = 0; i < captions.size(); ++i)
        QCOMPARE(ui::findByName<QLabel>(logged, captions[i])->text(), texts[i]);
    QCOMPARE(ui::findByName<QLabel>(logged, QStringLiteral("lblName"))->text(), QStringLiteral("JOHN SMITH"));
    QVERIFY(logged->isVisible());
    TRIGGER(logged, "cmdOK");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!logged);
}

void TestMiniDisplay::goesWhileShakingWithTheFocusInside()
{
    // The pop-up goes while it shakes, its hover timer runs and its check box has the focus: nothing its
    // controls report on the way out may reach a part of the window that is gone (the sanitizer build
    // checks this).
    frmMiniDisplay* w = open();
    w->activateWindow();
    part<QCheckBox>(w, "chkOnTop")->setFocus();
    QTRY_VERIFY(part<QCheckBox>(w, "chkOnTop")->hasFocus());
    w->Vibrate();
    hoverOver(part<QLabel>(w, "lblBlock"));
    QVERIFY(part<QTimer>(w, "ButtonTimer")->isActive());
    QPointer<frmMiniDisplay> guard = w;
    delete w;
    QVERIFY(!guard);
    QVERIFY(!frmMiniDisplay::instance(false));
}

QTEST_MAIN(TestMiniDisplay)
#include "test_minidisplay.moc"
