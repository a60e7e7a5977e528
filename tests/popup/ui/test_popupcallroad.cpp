#include <QApplication>
#include <QDialog>
#include <QTest>

#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/FakeModem.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"
#include "support/ui/NamedText.h"

namespace {

// Stands in for the standalone main window's part of the road: it blocks through the call handler, as the
// real one does, and keeps the check marks the pop-up sets.
class RoadWindow : public MainWindow {
public:
    CallHandler* calls = nullptr;
    QList<QPair<int, bool>> windowMenu;
    void BlockCall() override { calls->BlockCall(); }
    void CheckWindowMenuItem(int index, bool checked) override { windowMenu.append({index, checked}); }
};

} // namespace

class TestPopupCallRoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void aCallReachesThePopup();
    void anOpenDialogKeepsThePopupAway();
    void optionOffKeepsThePopupAway();
    void blockFromThePopupHangsUpOnce();

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<RoadWindow> m_window;
    std::unique_ptr<FakeModem> m_modem;
    std::unique_ptr<ModemPort> m_port;
    std::unique_ptr<CallHandler> m_calls;
};

void TestPopupCallRoad::initTestCase() { registerStartupWindows(); }

void TestPopupCallRoad::init()
{
    m_home = std::make_unique<TempHome>();
    m_window = std::make_unique<RoadWindow>();
    install(gServer);
    m_modem = std::make_unique<FakeModem>();
    gMainForm = m_window.get();
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, "");
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, "");
    SaveProperty(Section::frmMiniDisplay, Key::Vibrate, "False");
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    m_port = std::make_unique<ModemPort>(m_window.get());
    m_calls = std::make_unique<CallHandler>(m_port.get());
    m_calls->RingTimer.setInterval(3600 * 1000);
    m_calls->AnswerTimer.setInterval(3600 * 1000);
    m_window->calls = m_calls.get();
    miniDisplay().connectCallRoad(m_calls.get());
    m_port->OpenPort(true);
    QVERIFY(m_port->ModemConnected);
    m_modem->clearReceived();
}

void TestPopupCallRoad::cleanup()
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

void TestPopupCallRoad::aCallReachesThePopup()
{
    auto contact = std::make_shared<clsContact>();
    contact->Name = QStringLiteral("John Smith");
    contact->OtherInfo = QStringLiteral("Plays the oboe");
    contact->AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 123-4567"), QStringLiteral("Home")));
    gContacts.add(contact->Name, contact);

    QVERIFY(!frmMiniDisplay::instance(false));
    m_modem->injectLine("RING");
    QTRY_VERIFY(frmMiniDisplay::instance(false) && frmMiniDisplay::instance(false)->isVisible());
    frmMiniDisplay* w = frmMiniDisplay::instance(false);
    QCOMPARE(m_window->windowMenu.first(), qMakePair(int(MainWindow::WindowMenuMiniDisplay), true));
    QTRY_COMPARE(ui::textOf(w, QStringLiteral("lblRings")), QStringLiteral("1 Rings"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("NOT RECEIVED"));
    for (const QString& line : FakeModem::callLines("5551234567", "SMITH JOHN"))
        m_modem->injectLine(line);
    QTRY_COMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QStringLiteral("(555) 123-4567"));
    m_modem->injectLine("RING");
    QTRY_COMPARE(ui::textOf(w, QStringLiteral("lblRings")), QStringLiteral("2 Rings"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblPosition")), QStringLiteral("1/1"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("John Smith (Home)"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("N/A"));
    QCOMPARE(miniDisplay().Callers.size(), 1);
    QVERIFY(miniDisplay().IncomingCallTimer.isActive());
    miniDisplay().IncomingCallTimer_Timer();
    QCOMPARE(w->windowTitle(), QStringLiteral("Incoming Call"));
    QVERIFY(ui::findByName<QLabel>(w, QStringLiteral("lblBlock"))->isVisible());

    // The caller's contact is what screen 3 shows.
    QCOMPARE(miniDisplay().CurrentContact.Name, QStringLiteral("John Smith"));
    miniDisplay().CurrentScreen = MiniDisplay::OtherInfoScreen;
    miniDisplay().SetOtherInfo();
    QCOMPARE(ui::textOf(w, QStringLiteral("txtOtherInfo")), QStringLiteral("Plays the oboe"));

    // Closing the pop-up takes the check mark off the main window's menu item.
    w->close();
    QCOMPARE(m_window->windowMenu.last(), qMakePair(int(MainWindow::WindowMenuMiniDisplay), false));
}

void TestPopupCallRoad::anOpenDialogKeepsThePopupAway()
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmNewContact"));
    dialog.show();
    m_modem->injectLine("RING");
    QTRY_COMPARE(m_window->lstEvents.rowCount(), 1);
    QVERIFY(!frmMiniDisplay::instance(false));
    QVERIFY(m_window->windowMenu.isEmpty());
}

void TestPopupCallRoad::optionOffKeepsThePopupAway()
{
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, "False");
    m_modem->injectLine("RING");
    QTRY_COMPARE(m_window->lstEvents.rowCount(), 1);
    QVERIFY(!frmMiniDisplay::instance(false));
}

void TestPopupCallRoad::blockFromThePopupHangsUpOnce()
{
    m_modem->injectLine("RING");
    QTRY_VERIFY(frmMiniDisplay::instance(false) && frmMiniDisplay::instance(false)->isVisible());
    frmMiniDisplay* w = frmMiniDisplay::instance(false);
    m_modem->injectLine("NMBR = 5559876543");
    QTRY_COMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QStringLiteral("(555) 987-6543"));
    m_modem->clearReceived();

    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(ui::clickOn(w, QStringLiteral("lblBlock")));
    QTRY_VERIFY(!m_port->isBusy());
    QTRY_COMPARE(m_modem->received(), QByteArray("\rATH1\r\rATH0\r"));
    QTRY_COMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("Blocked"));
    // Asking again does not pick the line up a second time. A dial-tone probe as the marker: it is answered
    // only once everything sent before it has arrived.
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(ui::clickOn(w, QStringLiteral("lblBlock")));
    QCOMPARE(m_port->CheckDialTone(), 1);
    QCOMPARE(m_modem->received(), QByteArray("\rATH1\r\rATH0\r\rATDT;\r\rATH0\r"));
}

QTEST_MAIN(TestPopupCallRoad)
#include "test_popupcallroad.moc"
