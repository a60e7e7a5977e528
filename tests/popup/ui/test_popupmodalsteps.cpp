#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "support/FakeModem.h"
#include "support/ModalChange.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

namespace {

// The standalone main window's part of the call road: it blocks through the call handler, as the real one does.
class RoadWindow : public MainWindow {
public:
    CallHandler* calls = nullptr;
    void BlockCall() override { calls->BlockCall(); }
};

qint32 logCall(const QString& name, const QString& number, const QDateTime& when)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = 2;
    c.Answered = QStringLiteral("NO");
    AddCaller(c);
    return c.ID;
}

void leftClick(QWidget* w)
{
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

} // namespace

// The pop-up's commands whose answer waits on the user (or whose list is read behind a progress window) on a
// standalone program with a modem: what they act on when a call arrives, the call ends or the log is pruned
// meanwhile, and the logged record they show.
class TestPopupModalSteps : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void theLoggedRecordIsFoundByItsID();
    void blockActsOnlyOnTheCallThatRang();
    void aListReadBehindTheProgressWindowStaysTrue();

private:
    frmMiniDisplay* popup() const { return frmMiniDisplay::instance(false); }
    QString popupText(const char* name) const { return ui::findByName<QLabel>(popup(), QLatin1String(name))->text(); }
    void ring(const QString& number);

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<RoadWindow> m_window;
    std::unique_ptr<FakeModem> m_modem;
    std::unique_ptr<ModemPort> m_port;
    std::unique_ptr<CallHandler> m_calls;
};

void TestPopupModalSteps::init()
{
    m_home = std::make_unique<TempHome>();
    m_window = std::make_unique<RoadWindow>();
    install(gServer);
    m_modem = std::make_unique<FakeModem>();
    gMainForm = m_window.get();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, "");
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, "");
    SaveProperty(Section::frmMiniDisplay, Key::Vibrate, "False");
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    m_port = std::make_unique<ModemPort>(m_window.get());
    m_calls = std::make_unique<CallHandler>(m_port.get());
    // The test ends the ringing itself.
    m_calls->RingTimer.setInterval(3600 * 1000);
    m_calls->AnswerTimer.setInterval(3600 * 1000);
    m_window->calls = m_calls.get();
    miniDisplay().connectCallRoad(m_calls.get());
    m_port->OpenPort(true);
    QVERIFY(m_port->ModemConnected);
    m_modem->clearReceived();
}

void TestPopupModalSteps::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_calls.reset();
    m_port.reset();
    m_modem.reset();
    m_home.reset();
    m_window.reset();
}

void TestPopupModalSteps::ring(const QString& number)
{
    m_modem->injectLine("RING");
    m_modem->injectLine(QStringLiteral("NMBR = ") + number);
}

void TestPopupModalSteps::theLoggedRecordIsFoundByItsID()
{
    // Two calls in one second; the pop-up lists the later one first.
    const QDateTime second = Clock::now().addSecs(-600);
    logCall(QStringLiteral("FIRST"), QStringLiteral("555-0001"), second);
    logCall(QStringLiteral("SECOND"), QStringLiteral("555-0002"), second);
    const qint32 gone = logCall(QStringLiteral("GONE"), QStringLiteral("555-0003"), Clock::now().addSecs(-60));
    miniDisplay().Show();
    QVERIFY(popup());
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/3"));

    QCOMPARE(popupText("lblName"), QStringLiteral("GONE"));
    leftClick(ui::findByName<QLabel>(popup(), "lblNavigate(1)"));
    QCOMPARE(popupText("lblName"), QStringLiteral("SECOND"));
    TRIGGER(popup(), "mnuPopupViewOriginal");
    frmOriginalCallerIDInfo* shown = frmOriginalCallerIDInfo::instance(false);
    QVERIFY(shown && shown->isVisible());
    QCOMPARE(ui::findByName<QLabel>(shown, "lblName")->text(), QStringLiteral("SECOND"));
    QCOMPARE(ui::findByName<QLabel>(shown, "lblNumber")->text(), QStringLiteral("555-0002"));
    leftClick(ui::findByName<QLabel>(popup(), "lblNavigate(1)"));
    TRIGGER(popup(), "mnuPopupViewOriginal");
    QCOMPARE(ui::findByName<QLabel>(shown, "lblName")->text(), QStringLiteral("FIRST"));
    TRIGGER(shown, "cmdOK");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));

    // A call gone from the log still opens the window, as the main window's command does: with what it showed
    // last (a window loaded afresh shows nothing).
    leftClick(ui::findByName<QLabel>(popup(), "lblNavigate(0)"));
    leftClick(ui::findByName<QLabel>(popup(), "lblNavigate(0)"));
    QCOMPARE(popupText("lblName"), QStringLiteral("GONE"));
    QVERIFY(DeleteCaller(gone));
    TRIGGER(popup(), "mnuPopupViewOriginal");
    shown = frmOriginalCallerIDInfo::instance(false);
    QVERIFY(shown && shown->isVisible());
    QCOMPARE(ui::findByName<QLabel>(shown, "lblName")->text(), QString());
    QCOMPARE(shown->Tag, QStringLiteral("MINI DISPLAY"));
}

void TestPopupModalSteps::blockActsOnlyOnTheCallThatRang()
{
    ring(QStringLiteral("5551110001"));
    QTRY_VERIFY(popup() && popup()->isVisible());
    QTRY_COMPARE(popupText("lblNumber"), QStringLiteral("(555) 111-0001"));
    m_modem->clearReceived();

    // While the question waits the call stops ringing and another one comes in.
    Prompt::queueMeanwhile([this] {
        for (int tick = 0; tick < 8; ++tick)
            m_calls->RingTimer_Timer();
        QVERIFY(!gRinging);
        ring(QStringLiteral("5552220002"));
        QVERIFY(ModalChange::spinUntil([this] { return popupText("lblNumber") == QLatin1String("(555) 222-0002"); }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    popup()->lblBlock_Click();
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("The call from \"NOT RECEIVED\" ended while this window waited; nothing was changed."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    // Nothing was picked up: a dial-tone probe is answered only after all that was sent before it.
    QCOMPARE(m_port->CheckDialTone(), 1);
    QVERIFY2(!m_modem->received().contains("ATH1"), m_modem->received().constData());
    QCOMPARE(popupText("lblAnswered"), QStringLiteral("N/A"));
    QCOMPARE(SelectCallers(QStringLiteral("Select * From tblCID Where fldAnswered = 'BLOCKED'")).size(), 0);

    // The call still ringing when the answer comes is blocked; one more ring meanwhile changes nothing.
    m_modem->clearReceived();
    Prompt::queueMeanwhile([this] {
        m_modem->injectLine("RING");
        QVERIFY(ModalChange::spinUntil([this] { return popupText("lblRings") == QLatin1String("2 Rings"); }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    popup()->lblBlock_Click();
    QTRY_VERIFY(!m_port->isBusy());
    QTRY_VERIFY(m_modem->received().contains("ATH1"));
    QTRY_COMPARE(popupText("lblAnswered"), QStringLiteral("Blocked"));
    const QList<clsCaller> blocked =
        SelectCallers(QStringLiteral("Select * From tblCID Where fldAnswered = 'BLOCKED'"));
    QCOMPARE(blocked.size(), 1);
    QCOMPARE(blocked.first().Number.Number, QStringLiteral("(555) 222-0002"));
}

void TestPopupModalSteps::aListReadBehindTheProgressWindowStaysTrue()
{
    for (int i = 1; i <= 150; ++i)
        logCall(QStringLiteral("CALLER %1").arg(i), QStringLiteral("555-%1").arg(1000 + i),
                Clock::now().addSecs(-3600 + i));
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("150"));
    miniDisplay().Show();
    QVERIFY(popup());

    // While the list is read again behind its progress window, the log is pruned (and the pop-up's list read
    // anew, as the log's maintenance does) and a call comes in.
    bool fired = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        QWidget* progress = FindForm(QStringLiteral("frmProcessing"));
        if (fired || !progress || !progress->isVisible())
            return;
        fired = true;
        DeleteCallers({150, 149});
        miniDisplay().LoadData();
        ring(QStringLiteral("5553330003"));
        QVERIFY(ModalChange::spinUntil([this] { return popupText("lblNumber") == QLatin1String("(555) 333-0003"); }));
    });
    watch.start(0);
    miniDisplay().LoadData();
    watch.stop();
    QVERIFY(fired);

    QSet<qint32> ids;
    for (const clsCaller& c : std::as_const(miniDisplay().Callers))
        ids << c.ID;
    QCOMPARE(ids.size(), miniDisplay().Callers.size());
    QVERIFY(!ids.contains(150));
    QVERIFY(!ids.contains(149));
    // The 148 calls left and the new one, each once.
    QCOMPARE(miniDisplay().Callers.size(), 149);
    QCOMPARE(miniDisplay().Callers.first().Number.Number, QStringLiteral("(555) 333-0003"));
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/149"));
    QCOMPARE(popupText("lblNumber"), QStringLiteral("(555) 333-0003"));
}

QTEST_MAIN(TestPopupModalSteps)
#include "test_popupmodalsteps.moc"
