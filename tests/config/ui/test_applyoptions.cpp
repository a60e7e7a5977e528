#include "config/ui/frmConfiguration.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSerialPort>
#include <QSettings>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "support/ui/ByName.h"

#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "config/ui/frmActivityLog.h"
#include "config/ui/frmFind.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modAPI.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "support/FakeModem.h"
#include "support/ui/ModalScript.h"
#include "support/ui/StandaloneSession.h"

namespace {

bool click(const QObject* root, const QString& name)
{
    auto* b = root ? root->findChild<QAbstractButton*>(name) : nullptr;
    if (!b || !b->isEnabled())
        return false;
    b->click();
    return true;
}

template <typename T>
T* named(const QObject* root, const QString& name)
{
    return root ? root->findChild<T*>(name) : nullptr;
}

QString onDisk(const TempHome& home, const char* key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(QStringLiteral("frmConfiguration/") + QLatin1String(key), QStringLiteral("<none>")).toString();
}

// A port nobody listens on, well above the privileged ones.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The status bar's panel texts, left to right.
QStringList panels(frmBaseMain* w)
{
    QStringList out;
    for (int i = 1; i <= 4; ++i) {
        if (auto* p = w->findChild<QLabel*>(QStringLiteral("StatusBar1.Panels(%1)").arg(i)))
            out << p->text();
    }
    return out;
}

QTabBar* tabs(const QObject* d) { return ui::findByName<QTabBar>(d, QStringLiteral("tbsOptions")); }

QStringList tabCaptions(const QObject* d)
{
    QStringList out;
    for (int i = 0; i < tabs(d)->count(); ++i)
        out << tabs(d)->tabText(i);
    return out;
}

void choosePage(const QObject* d, const QString& caption)
{
    for (int i = 0; i < tabs(d)->count(); ++i) {
        if (tabs(d)->tabText(i) == caption)
            tabs(d)->setCurrentIndex(i);
    }
}

} // namespace

// Apply and OK of the options dialog over the whole running program: the mode switch in every direction,
// the modem port on a pseudo-terminal, the server on loopback, the block list on the next call.
class TestApplyOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void modeSwitchesKeepEverySetting();
    void onlyAChangedModemSettingReopensThePort();
    void aBlockStringBlocksTheNextCall();
    void standaloneDropsClientsAndServerRemarksThem();
    void startWithTheDesktop();
    void clientReconnectsOnlyOnARealChange();
    void hintsReachEveryOpenWindow();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    // Opens the port on the fake modem the way start-up's timer does.
    void openPort();

    StandaloneSession m_session;
    std::unique_ptr<FakeModem> m_modem;
};

void TestApplyOptions::init()
{
    QVERIFY(m_session.start());
    m_modem = std::make_unique<FakeModem>();
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    Prompt::resetScript();
}

void TestApplyOptions::cleanup()
{
    m_session.stop();
    m_modem.reset();
}

void TestApplyOptions::openPort()
{
    StandaloneSession::port()->PortOpenTimer_Timer();
    QVERIFY(StandaloneSession::port()->ModemConnected);
    m_modem->clearReceived();
}

void TestApplyOptions::modeSwitchesKeepEverySetting()
{
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";10.0.0.9 B;"));
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, QStringLiteral(";PRIVATE NUMBER;"));
    const quint16 port = freePort();
    QPointer<frmBaseMain> standalone = window();
    QVERIFY(panels(standalone).size() == 3);

    ModalScript script;
    // Standalone to server with Apply: the window stays and becomes the server's.
    script.expect(QStringLiteral("frmConfiguration"), [&](QDialog* d) {
        QVERIFY(click(d, "optNetworking(1)"));
        choosePage(d, QStringLiteral("Network"));
        named<QLineEdit>(d, "txtLocalPort")->setText(QString::number(port));
        QVERIFY(click(d, "cmdApply"));
        QVERIFY(d->isVisible());
        QCOMPARE(gNetworkMode, int(Server));
        QCOMPARE(window(), standalone.data());
        QCOMPARE(standalone->windowTitle(), QStringLiteral("Velquon (Sever)"));
        QCOMPARE(panels(standalone).size(), 4);
        QCOMPARE(panels(standalone).at(2), QStringLiteral("0 Clients Connected"));
        QVERIFY(gServer->isListening());
        QCOMPARE(gServer->LocalPort(), port);
        // A client copy on this machine connects.
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(client.waitForConnected(5000));
        QTRY_COMPARE(gServer->ClientCount(), 1);
        QCOMPARE(panels(standalone).at(2), QStringLiteral("1 Clients Connected"));
        QCOMPARE(ui::findByName<QListWidget>(standalone.data(), QStringLiteral("lstClients"))->item(0)->text(),
                 QStringLiteral("127.0.0.1"));
        client.abort();
        QTRY_COMPARE(gServer->ClientCount(), 0);

        // Server to client with Apply: the dialog ends, and comes back over the client's window.
        choosePage(d, QStringLiteral("General"));
        QVERIFY(click(d, "optNetworking(2)"));
        choosePage(d, QStringLiteral("Network"));
        named<QComboBox>(d, "cmbRemoteHost")->setEditText(QStringLiteral("127.0.0.1"));
        named<QLineEdit>(d, "txtRemotePort")->setText(QString::number(port));
        QVERIFY(click(d, "cmdApply"));
        QVERIFY(!d->isVisible());
        // Not yet: the window that owns the dialog is replaced only once its modal loop has returned.
        QCOMPARE(window(), standalone.data());
    });
    script.expect(QStringLiteral("frmConfiguration"), [&](QDialog* d) {
        QCOMPARE(gNetworkMode, int(Client));
        auto* client = dynamic_cast<frmRemoteMain*>(gMainForm);
        QVERIFY(client);
        QCOMPARE(client->windowTitle(), QStringLiteral("Velquon (Client)"));
        // The dialog came back over the client's window, whose Options menu opens it too.
        QCOMPARE(d->parentWidget(), static_cast<QWidget*>(client));
        QVERIFY(ui::isReachable(client, QStringLiteral("mnuOptionsConfiguration")));
        QVERIFY(!gServer);
        QVERIFY(gRemoteSocket);
        QCOMPARE(tabCaptions(d), (QStringList{"General", "Network", "Sound"}));
        // Back on the page where Apply was pressed, the client's.
        QCOMPARE(tabs(d)->tabText(tabs(d)->currentIndex()), QStringLiteral("Network"));
        QVERIFY(named<QWidget>(d, "picOptions(6)")->isVisible());
        QVERIFY(named<QRadioButton>(d, "optNetworking(2)")->isChecked());
        // The client's status: five lines, the last without a line break.
        const QString status = named<QPlainTextEdit>(d, "txtStatus")->toPlainText();
        QVERIFY(status.startsWith(QStringLiteral("Remote Host:  127.0.0.1\n")));
        QCOMPARE(status.count(QLatin1Char('\n')), 4);
        QVERIFY(status.contains(QStringLiteral("Remote Port:  ") + QString::number(port)));
        QCOMPARE(onDisk(m_session.home(), Key::Networking), QStringLiteral("2"));
        // Client back to standalone with OK: the dialog stays closed.
        choosePage(d, QStringLiteral("General"));
        QVERIFY(click(d, "optNetworking(0)"));
        QVERIFY(click(d, "cmdOK"));
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QTRY_VERIFY_WITH_TIMEOUT(script.done() && dynamic_cast<frmBaseMain*>(gMainForm), 20000);
    QCOMPARE(script.seen(), (QStringList{"frmConfiguration", "frmConfiguration"}));
    QCOMPARE(script.unexpected(), QStringList());
    QTRY_VERIFY(!standalone); // the first window is gone, deleted from the event loop

    QCOMPARE(gNetworkMode, int(Standalone));
    QVERIFY(gServer);
    QVERIFY(!gRemoteSocket);
    QCOMPARE(window()->windowTitle(), QStringLiteral("Velquon"));
    QCOMPARE(panels(window()).size(), 3);
    QVERIFY(!FindForm(QStringLiteral("frmConfiguration")));
    QCOMPARE(onDisk(m_session.home(), Key::Networking), QStringLiteral("0"));
    // Nothing was lost on the way.
    QCOMPARE(onDisk(m_session.home(), Key::BlockedIPs), QStringLiteral(";10.0.0.9 B;"));
    QCOMPARE(onDisk(m_session.home(), Key::BlockCallStrings), QStringLiteral(";PRIVATE NUMBER;"));
    QCOMPARE(onDisk(m_session.home(), Key::LocalPort), QString::number(port));
    QCOMPARE(onDisk(m_session.home(), Key::RemoteHost), QStringLiteral("127.0.0.1"));
    QCOMPARE(onDisk(m_session.home(), Key::CommPort), m_modem->slavePath());
    QVERIFY(!gSwitchingMode);
}

void TestApplyOptions::onlyAChangedModemSettingReopensThePort()
{
    openPort();
    frmConfiguration* d = new frmConfiguration(window());
    d->show();
    // The pseudo-terminal is no serial device of this machine, but it is the port in use: it is shown.
    QCOMPARE(named<QComboBox>(d, "cboPort")->currentText(), m_modem->slavePath());
    // Nothing changed: the port stays open and the modem hears nothing.
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(StandaloneSession::port()->PortOpen());
    QVERIFY(!StandaloneSession::port()->PortOpenTimer.isActive());
    QCOMPARE(onDisk(m_session.home(), Key::CommPort), m_modem->slavePath());
    QCOMPARE(onDisk(m_session.home(), Key::CommSettings), QStringLiteral("9600,N,8,1"));
    // A dial-tone probe as the marker: it is answered only once everything sent before it has arrived.
    QCOMPARE(StandaloneSession::port()->CheckDialTone(), 1);
    QCOMPARE(m_modem->commands(), (QStringList{QStringLiteral("ATDT;"), QStringLiteral("ATH0")}));
    m_modem->clearReceived();

    // The speed alone: the port closes, and the timer's tick opens it again with the new speed.
    tabs(d)->setCurrentIndex(3);
    named<QComboBox>(d, "cboSpeed")->setCurrentText(QStringLiteral("19200"));
    QVERIFY(click(d, "cmdOK"));
    QCOMPARE(onDisk(m_session.home(), Key::CommSettings), QStringLiteral("19200,N,8,1"));
    QVERIFY(!StandaloneSession::port()->PortOpen());
    QVERIFY(StandaloneSession::port()->PortOpenTimer.isActive());
    StandaloneSession::port()->PortOpenTimer_Timer();
    QVERIFY(StandaloneSession::port()->PortOpen());
    QCOMPARE(StandaloneSession::port()->serial().baudRate(), 19200);
    QVERIFY(m_modem->commands().contains(QStringLiteral("ATZ")));
    delete d;
}

void TestApplyOptions::aBlockStringBlocksTheNextCall()
{
    openPort();
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        choosePage(d, QStringLiteral("Call Blocking"));
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QVERIFY(click(d, "cmdOK"));
    });
    script.expect(QStringLiteral("frmAddBlockCallString"), [](QDialog* a) {
        auto* box = named<QComboBox>(a, "cboBlockCallString");
        QTest::keyClicks(box->lineEdit(), QStringLiteral("555 123 4567"));
        QVERIFY(click(a, "cmdOK"));
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QCOMPARE(onDisk(m_session.home(), Key::BlockCallStrings), QStringLiteral(";(555) 123-4567;"));

    // The next call from that number is picked up and put down, without a restart.
    m_modem->injectLine(QStringLiteral("RING"));
    QTRY_VERIFY(StandaloneSession::calls()->CurrentCaller);
    m_modem->injectLine(QStringLiteral("NMBR = 5551234567"));
    QTRY_VERIFY_WITH_TIMEOUT(m_modem->count(QStringLiteral("ATH0")) >= 1, 5000);
    QCOMPARE(m_modem->count(QStringLiteral("ATH1")), 1);
    QTRY_COMPARE(StandaloneSession::calls()->CurrentCaller->Answered, QStringLiteral("BLOCKED"));
}

void TestApplyOptions::standaloneDropsClientsAndServerRemarksThem()
{
    const quint16 port = freePort();
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(port));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    gNetworkMode = Server;
    window()->NetworkModeChanged();
    QVERIFY(gServer->Listen());
    QTcpSocket first;
    QTcpSocket second;
    first.connectToHost(QHostAddress::LocalHost, port);
    second.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(first.waitForConnected(5000) && second.waitForConnected(5000));
    QTRY_COMPARE(gServer->ClientCount(), 2);

    // The address is restricted in the dialog's list: Apply marks its rows at once.
    frmConfiguration* d = new frmConfiguration(window());
    d->show();
    named<QListWidget>(d, "lstBlockedIP")->addItem(QStringLiteral("127.0.0.1 R"));
    QVERIFY(click(d, "cmdApply"));
    QCOMPARE(ui::findByName<QListWidget>(window(), QStringLiteral("lstClients"))->item(0)->text(),
             QStringLiteral("127.0.0.1 R"));
    QCOMPARE(ui::findByName<QListWidget>(window(), QStringLiteral("lstClients"))->item(1)->text(),
             QStringLiteral("127.0.0.1 R"));
    QCOMPARE(ui::findByName<QListWidget>(window(), QStringLiteral("lstClients"))->count(), 5);
    // Blocked: both are told and dropped.
    named<QListWidget>(d, "lstBlockedIP")->clear();
    named<QListWidget>(d, "lstBlockedIP")->addItem(QStringLiteral("127.0.0.1 B"));
    QVERIFY(click(d, "cmdApply"));
    QTRY_VERIFY(first.bytesAvailable() > 0 || first.state() != QAbstractSocket::ConnectedState);
    QVERIFY(first.readAll().startsWith("BLOCKED"));
    QTRY_COMPARE(gServer->ClientCount(), 0);

    // Standalone: every client still there is dropped, the caption and status bar follow.
    named<QListWidget>(d, "lstBlockedIP")->clear();
    QVERIFY(click(d, "cmdApply"));
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(third.waitForConnected(5000));
    QTRY_COMPARE(gServer->ClientCount(), 1);
    tabs(d)->setCurrentIndex(0);
    QVERIFY(click(d, "optNetworking(0)"));
    QVERIFY(click(d, "cmdApply"));
    QCOMPARE(gServer->ClientCount(), 0);
    QCOMPARE(window()->windowTitle(), QStringLiteral("Velquon"));
    QCOMPARE(panels(window()).size(), 3);
    QVERIFY(ui::findByName<QListWidget>(window(), QStringLiteral("lstClients"))->isHidden());
    QTRY_VERIFY(third.state() != QAbstractSocket::ConnectedState);
    delete d;
}

void TestApplyOptions::startWithTheDesktop()
{
    QVERIFY(!QFile::exists(autoStartEntryPath()));
    frmConfiguration* d = new frmConfiguration(window());
    d->show();
    named<QCheckBox>(d, "chkAutoStart")->setChecked(true);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(QFile::exists(autoStartEntryPath()));
    named<QCheckBox>(d, "chkAutoStart")->setChecked(false);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(!QFile::exists(autoStartEntryPath()));
    delete d;
}

void TestApplyOptions::clientReconnectsOnlyOnARealChange()
{
    // A server to talk to, on this machine.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.serverPort()));
    SaveProperty(Section::frmConfiguration, Key::RemoteLocalPort, QString::number(freePort()));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    RunStartUpAgain();
    QCOMPARE(gNetworkMode, int(Client));
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket* first = server.nextPendingConnection();
    QTRY_VERIFY(gRemoteSocket->Connected());

    // With a fixed local port, Apply without a change keeps the connection (a new one could not bind).
    frmConfiguration* d = new frmConfiguration(dynamic_cast<QWidget*>(gMainForm));
    d->show();
    const QString status = named<QPlainTextEdit>(d, "txtStatus")->toPlainText();
    QVERIFY(click(d, "cmdApply"));
    // A send as the marker: it comes through the first connection only if the client still uses it.
    gRemoteSocket->SendData(QStringLiteral(";MARKER;"));
    QByteArray heard;
    QTRY_VERIFY((heard += first->readAll()).contains(";MARKER;"));
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(first->state(), QAbstractSocket::ConnectedState);
    QVERIFY(gRemoteSocket->Connected());
    QCOMPARE(named<QPlainTextEdit>(d, "txtStatus")->toPlainText(), status);

    // Another port: a new connection, and the status says so.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost, 0));
    tabs(d)->setCurrentIndex(1);
    named<QLineEdit>(d, "txtRemotePort")->setText(QString::number(other.serverPort()));
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(other.waitForNewConnection(5000));
    QVERIFY(named<QPlainTextEdit>(d, "txtStatus")
                ->toPlainText()
                .contains(QStringLiteral("Remote Port:  ") + QString::number(other.serverPort())));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::TempRemoteHosts, QString()), QStringLiteral(";127.0.0.1;"));
    delete d;
}

void TestApplyOptions::hintsReachEveryOpenWindow()
{
    // Hints were off while the search, the activity log and the contact book opened: none has tips.
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    ReleaseToolTip();
    QList<QPointer<QWidget>> open;
    for (QWidget* w :
         std::initializer_list<QWidget*>{frmFind::instance(), frmActivityLog::instance(), frmContacts::instance()}) {
        w->show();
        open << w;
    }

    frmConfiguration* d = new frmConfiguration(window());
    d->show();
    named<QCheckBox>(d, "chkHints")->setChecked(true);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(gToolTip);
    for (const QPointer<QWidget>& w : open) {
        QVERIFY(w);
        QVERIFY2(gToolTip->hasTool(w), qPrintable(w->objectName()));
    }
    // And off again: the tips go with the service.
    named<QCheckBox>(d, "chkHints")->setChecked(false);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(!gToolTip);
    delete d;
    for (const QPointer<QWidget>& w : open) {
        if (w)
            w->close();
    }
}

QTEST_MAIN(TestApplyOptions)
#include "test_applyoptions.moc"
