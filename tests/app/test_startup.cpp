#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "config/ConfigurationOptions.h"
#include "config/OptionLists.h"
#include "config/ui/frmOneTimeSetup.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/StoreLocks.h"
#include "core/WindowLinks.h"
#include "core/modAPI.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/PlainMainWindow.h"
#include "core/ui/cToolTip.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "statistics/modStatistics.h"
#include "support/AnotherCopy.h"
#include "support/FakeModem.h"
#include "support/ManualWaitClock.h"
#include "support/ReadOnlyFolder.h"
#include "support/SignalTexts.h"
#include "support/StandardErrorCapture.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void firstStartStandalone();
    void firstRunDialogOnceAndModal();
    void firstRunOffersAPortWrittenBeforeIt();
    void endedWhileFirstRunDialogOpen();
    void endedWhileThePortMessageWaits_data();
    void endedWhileThePortMessageWaits();
    void secondStartShowsNoSetupAndReportsTimeAway();
    void serverCaption();
    void clientModeOpensNothing();
    void asRootNothingIsWrittenInAnotherUsersFolder_data();
    void asRootNothingIsWrittenInAnotherUsersFolder();
    void unknownModeRunsStandalone();
    void timeAway_data();
    void timeAway();
    void autoStartFollowsOption();
    void databaseMessages();
    void callerDatabaseFoundInProgramFolder();
    void unopenableDatabaseIsNamedNotFound();
    void shutDownReleasesEverything();
    void closingTheWindowRunsExitSteps();
    void switchModeTwiceKeepsOneWindow_data();
    void switchModeTwiceKeepsOneWindow();
    void switchWithTheRealMainWindow();
    void modemOutOverAModeSwitchOpensOnceBack_data();
    void modemOutOverAModeSwitchOpensOnceBack();
    void heldActivityLinesLeaveWithTheProgramNotWithTheMode_data();
    void heldActivityLinesLeaveWithTheProgramNotWithTheMode();
    void secondProcessRaisesFirst();
    void realProgramStartsAndEndsOnASignal_data();
    void realProgramStartsAndEndsOnASignal();
    void pathsThatAreNoFilesHoldNothing_data();
    void pathsThatAreNoFilesHoldNothing();
    void signalEndsWithoutAskingAboutUnsavedEdits();
    void staleInstanceAfterKillDoesNotBlock();
    void theLockLivesInTheUsersOwnFolder_data();
    void theLockLivesInTheUsersOwnFolder();
    void copyThatDoesNotAnswerIsSaid();

private:
    static QList<PlainMainWindow*> mainWindows();
    static QStringList events() { return gMainForm ? gMainForm->lstEvents.stringList() : QStringList(); }
    static QString binary();
    static int openHandles(const QString& path);
    static QProcessEnvironment programEnvironment(const QString& home);
    static bool waitForInstance(const QString& home, QProcess& process, int timeoutMs);
    static QString switchMode(const QString& mode, const std::function<void()>& meanwhile = {});
    static QString storedMode();
    void presetReturningUser(const QDateTime& logOff);

    std::unique_ptr<TempHome> m_home;
};

void TestStartup::initTestCase()
{
    registerStartupWindows();
    // Start-up is tested with the plain stand-ins, whose close is always the exit; the real main windows'
    // own rules (close to tray, minimise) have tests of their own.
    mainWindowMakers().standalone = [] { return static_cast<MainWindow*>(new PlainMainWindow(false)); };
    mainWindowMakers().client = [] { return static_cast<MainWindow*>(new PlainMainWindow(true)); };
    // The first start of the process meets the machine's sound hardware; whatever it lacks (here perhaps
    // a sound card or a mixer) is reported without a modal box, so start-up never waits for an answer.
    // Those reports come once per process: later tests see only their own.
    TempHome home;
    QVERIFY(Main());
    for (const Prompt::Record& r : Prompt::history())
        QVERIFY2(r.kind != Prompt::Kind::Message, qPrintable(r.text));
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestStartup::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    // Any free port: the server's listener must not depend on port 270 being free or allowed here.
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    // The hours away are written with the user's decimal separator; the expected texts here use a full stop.
    QLocale::setDefault(QLocale::c());
}

void TestStartup::cleanup()
{
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_home.reset();
}

QList<PlainMainWindow*> TestStartup::mainWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<PlainMainWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<PlainMainWindow*>(w))
            out << m;
    return out;
}

void TestStartup::asRootNothingIsWrittenInAnotherUsersFolder_data()
{
    // Made another user's (nobody's): a folder, or a link to a folder of root's; "shared home": root's, but every user
    // may add to it; "kept environment": the data folder nobody's, and so are the temporary and runtime folders the
    // real program is started with; "umask 002": the folders the program makes itself, under that umask.
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("said"); // nothing: it starts
    const QString nobodys = QStringLiteral(" belongs to nobody, not to root. Run Velquon as nobody");
    QTest::newRow("the data folder") << "home" << nobodys;
    QTest::newRow("the data folder a link") << "home link" << nobodys;
    QTest::newRow("the autostart folder a link") << "autostart link" << nobodys;
    QTest::newRow("the data folder others may add to")
        << "shared home"
        << ": it can be changed by users other than root. Give it a folder that only root can change (VELQUON_HOME).";
    QTest::newRow("a kept environment") << "kept environment" << nobodys;
    QTest::newRow("folders of its own, umask 002") << "umask 002"
                                                   << "";
}

// Run as root on a folder another user controls, whatever its links lead to, the program does not start: it writes
// nothing (no settings, logs, databases or sounds) and makes nothing in the temporary folders, and says whose folder
// it is and what to do, on its terminal too.
void TestStartup::asRootNothingIsWrittenInAnotherUsersFolder()
{
    QFETCH(QString, theirs);
    QFETCH(QString, said);
    if (::geteuid() != 0)
        QSKIP("the rule is root's");
    QTemporaryDir root;
    const QString home = root.filePath("home");
    const QByteArray their = QFile::encodeName(theirs == "autostart link" ? home + "/autostart" : home);
    QVERIFY(QDir().mkpath(root.filePath("roots")) && QDir().mkpath(theirs == "home link" ? root.path() : home));
    QVERIFY((theirs != "home link" && theirs != "autostart link") ||
            ::symlink(QFile::encodeName(root.filePath("roots")).constData(), their.constData()) == 0);
    QVERIFY(theirs == "shared home" || theirs == "umask 002" || ::lchown(their.constData(), 65534, 65534) == 0);
    QVERIFY(theirs != "shared home" || ::chmod(their.constData(), 01777) == 0);
    const QStringList temporary{root.filePath("tmp"), root.filePath("run")};
    QString text;
    if (theirs == "kept environment") {
        const QString program = binary();
        if (program.isEmpty())
            QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
        QProcessEnvironment env = programEnvironment(home);
        for (const QString& folder : temporary)
            QVERIFY(QDir().mkpath(folder) && ::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
        env.insert(QStringLiteral("TMPDIR"), temporary.first());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), temporary.last());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        text = QString::fromLocal8Bit(process.readAllStandardError());
    } else {
        const mode_t before = ::umask(theirs == "umask 002" ? 002 : 022);
        const auto restore = qScopeGuard([before] { ::umask(before); });
        qputenv("VELQUON_HOME", QFile::encodeName(theirs == "umask 002" ? home + "/made" : home));
        const bool started = Main();
        text = Prompt::texts().join(QLatin1Char('\n'));
        if (started)
            ShutDown();
        QVERIFY2(started == said.isEmpty(), qPrintable(text));
        if (started)
            return;
    }
    QVERIFY2(text.contains(said), qPrintable(text));
    const auto held = [](const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    QCOMPARE(held(root.filePath("roots")) + held(home) + held(temporary.first()) + held(temporary.last()),
             theirs == "autostart link" ? QStringList{"autostart"} : QStringList());
}

void TestStartup::presetReturningUser(const QDateTime& logOff)
{
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LogOffTime, DateText::format(logOff));
}

void TestStartup::firstStartStandalone()
{
    QVERIFY(Main());
    QCOMPARE(gNetworkMode, int(Standalone));
    auto* window = dynamic_cast<PlainMainWindow*>(gMainForm);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Velquon"));
    QVERIFY(gServer);
    QVERIFY(!gRemoteSocket);
    const QStringList e = events();
    QCOMPARE(e.first(), QStringLiteral("Started Velquon"));
    QVERIFY(e.contains(QStringLiteral("Logged off for 0 hours")));
    QCOMPARE(window->StatusBarPanel1->text(), e.last());
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::InitializedSettings, QString()), QStringLiteral("True"));
    QVERIFY(QFile::exists(autoStartEntryPath()));
    QVERIFY(gStatistics && gStatistics->count() == 25);
    QVERIFY(gGroups && gGroups->count() == 4);
    QVERIFY(gToolTip);
    QCOMPARE(gToolTip->VisibleTime(), 30000);
    QVERIFY(gSound && gVolume);
    // The default sounds are real files the user may replace.
    const QString ring = GetProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    QVERIFY2(QFile::exists(ring), qPrintable(ring));
    QVERIFY(ring.startsWith(m_home->path() + QStringLiteral("/Sounds/")));
    const QString callerPath = m_home->file(QStringLiteral("dbCID.mdb"));
    const QString contactPath = m_home->file(QStringLiteral("dbContacts.mdb"));
    QVERIFY(QFile::exists(callerPath));
    QVERIFY(QFile::exists(contactPath));
    QVERIFY(gCallerDB && gContactDB);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()), callerPath);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()), contactPath);
    QVERIFY(e.contains(QStringLiteral("Loaded caller database ") + callerPath));
    QVERIFY(e.contains(QStringLiteral("Loaded contact database ") + contactPath));
    // Started, loaded, loaded, time away: in that order.
    QCOMPARE(e.indexOf(QStringLiteral("Loaded caller database ") + callerPath) + 1,
             e.indexOf(QStringLiteral("Loaded contact database ") + contactPath));
    QVERIFY(e.indexOf(QStringLiteral("Logged off for 0 hours")) > e.indexOf(QStringLiteral("Started Velquon")));
    // The report is a notice: start-up never waits for someone to close a box.
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Information));
    QCOMPARE(Prompt::history().first().title, QStringLiteral("Velquon"));
    QCOMPARE(Prompt::history().first().text,
             QStringLiteral("The caller and contact databases could not be found. New databases were created in ") +
                 m_home->path() + QLatin1Char('.'));
    // The first start's default groups are loaded from the program folder's file.
    QVERIFY(gAttributeGroups.count() > 0);
    // The stores tell the clients through the server start-up made.
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    SendContacts();
    QCOMPARE(texts(sent), QStringList{QStringLiteral(";CLEAR CONTACTS;")});
}

void TestStartup::firstRunDialogOnceAndModal()
{
    // Someone is there to answer: the first-run dialog really runs modal over the visible main window.
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    int shown = 0;
    bool mainWindowVisible = false;
    bool startedBeforeDialog = false;
    auto answer = [&] {
        auto* dialog = qobject_cast<frmOneTimeSetup*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ++shown;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("One Time Setup"));
        // The numbered ports, then the serial devices this machine has.
        QCOMPARE(dialog->cboPort->count(), 16 + OptionLists::serialDevices().size());
        QCOMPARE(dialog->cboPort->itemText(15), QStringLiteral("Com16"));
        mainWindowVisible = dynamic_cast<QWidget*>(gMainForm)->isVisible();
        startedBeforeDialog = events().contains(QStringLiteral("Started Velquon"));
        dialog->cboPort->setCurrentIndex(2);
        dialog->cmdOK->click();
    };
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, answer);
    poll.start(10);
    const bool started = Main();
    poll.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QVERIFY(started);
    QCOMPARE(shown, 1);
    QVERIFY(mainWindowVisible);
    QVERIFY(startedBeforeDialog);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, QString()), QStringLiteral("3"));
    // Closing it any other way keeps the port; and a second start does not ask again.
    ShutDown();
    qunsetenv("VELQUON_NONINTERACTIVE");
    poll.start(10);
    QVERIFY(Main());
    poll.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QCOMPARE(shown, 1);
    frmOneTimeSetup dialog;
    dialog.cboPort->setCurrentIndex(7);
    dialog.reject();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, QString()), QStringLiteral("3"));

    // A USB modem plugged in at the first start is offered after the numbered ports, and kept by its path.
    QTemporaryDir dev;
    QFile usb(dev.filePath(QStringLiteral("ttyACM0")));
    QVERIFY(usb.open(QIODevice::WriteOnly));
    frmOneTimeSetup withModem(nullptr, dev.path());
    QCOMPARE(withModem.cboPort->count(), 17);
    QCOMPARE(withModem.cboPort->itemText(16), usb.fileName());
    withModem.cboPort->setCurrentIndex(16);
    withModem.cmdOK->click();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, QString()), usb.fileName());
}

void TestStartup::firstRunOffersAPortWrittenBeforeIt()
{
    // The settings file was given a device path (a fake modem's terminal) before the very first start: the
    // defaults leave it alone, the first-run dialog offers it, and its OK keeps it as written.
    SaveProperty(Section::frmConfiguration, Key::CommPort, QStringLiteral("/dev/pts/77"));
    SaveProperty(Section::frmConfiguration, Key::CommSettings, QStringLiteral("9600"));
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    QString offered;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<frmOneTimeSetup*>(QApplication::activeModalWidget());
        if (!dialog || !offered.isEmpty())
            return;
        offered = dialog->cboPort->currentText();
        dialog->cmdOK->click();
    });
    poll.start(10);
    const bool started = Main();
    poll.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QVERIFY(started);
    QCOMPARE(offered, QStringLiteral("/dev/pts/77"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, QString()), QStringLiteral("/dev/pts/77"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommSettings, QString()), QStringLiteral("9600"));
    // The rest of the first-run table was written.
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::DialToneWait, QString()), QStringLiteral("20"));

    // A built-in port kept by its path is offered as its numbered entry, and OK keeps the path.
    SaveProperty(Section::frmConfiguration, Key::CommPort, QStringLiteral("/dev/ttyS1"));
    frmOneTimeSetup builtIn;
    QCOMPARE(builtIn.cboPort->currentText(), QStringLiteral("Com2"));
    builtIn.cmdOK->click();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, QString()), QStringLiteral("/dev/ttyS1"));
}

void TestStartup::endedWhileFirstRunDialogOpen()
{
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    bool ended = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!ended && qobject_cast<frmOneTimeSetup*>(QApplication::activeModalWidget())) {
            ended = true;
            Clock::advance(90);
            ExitProgram(); // what SIGTERM or the session's end does
        }
    });
    poll.start(10);
    const bool started = Main();
    poll.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QVERIFY(ended);
    QVERIFY(started);
    QVERIFY(ProgramEnded());
    QVERIFY(!gMainForm);
    QVERIFY(!gServer);
    QCOMPARE(mainWindows().size(), 0);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogOffTime, QString()), DateText::format(Clock::now()));
}

void TestStartup::endedWhileThePortMessageWaits_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("server") << int(Server);
    QTest::newRow("client") << int(Client);
}

void TestStartup::endedWhileThePortMessageWaits()
{
    // The server's port, or the client's own local port, is held by another program: start-up says so in a
    // box, and the session ends the program while the box waits. Start-up goes no further: nothing is made
    // after the exit.
    QFETCH(int, mode);
    presetReturningUser(Clock::now());
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::AnyIPv4, 0));
    SaveProperty(Section::frmConfiguration, Key::Networking, QString::number(mode));
    SaveProperty(Section::frmConfiguration, mode == Server ? Key::LocalPort : Key::RemoteLocalPort,
                 QString::number(taken.serverPort()));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    Prompt::resetScript();
    Prompt::queueMeanwhile([] { ExitProgram(); });
    QVERIFY(Main());
    QVERIFY(Prompt::texts().value(0).startsWith(QStringLiteral("The local port that you have selected is in use")));
    QVERIFY(ProgramEnded());
    QVERIFY(!gMainForm);
    QVERIFY(!gServer);
    QVERIFY(!gRemoteSocket);
    QVERIFY(!gCallerDB);
    QVERIFY(!windowLinks().showCustomizeTime);
    QVERIFY(!gStatistics);
    QCOMPARE(mainWindows().size(), 0);
}

void TestStartup::secondStartShowsNoSetupAndReportsTimeAway()
{
    QVERIFY(Main());
    Clock::advance(2 * 3600);
    ShutDown();
    // The window stored its time of closing; it was not closed here, so store it as the window would.
    SaveProperty(Section::frmConfiguration, Key::LogOffTime, DateText::format(Clock::now()));
    Clock::advance(3 * 3600 + 15 * 60);
    QVERIFY(Main());
    QVERIFY(events().contains(QStringLiteral("Logged off for 3.25 hours")));
    QCOMPARE(mainWindows().size(), 1);
}

void TestStartup::serverCaption()
{
    presetReturningUser(Clock::now());
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    QVERIFY(Main());
    QCOMPARE(gNetworkMode, int(Server));
    QCOMPARE(dynamic_cast<QWidget*>(gMainForm)->windowTitle(), QStringLiteral("Velquon (Sever)"));
    // The stored view period (one day by default) became the call list's query.
    QCOMPARE(gMainForm->strSQL, QStringLiteral("Select * From tblCID Where fldDate > #3/20/2024 2:00:00 PM#"));
    QCOMPARE(gMainForm->caption(), QStringLiteral("Velquon (Sever)"));
    QCOMPARE(events().first(), QStringLiteral("Started Velquon Server"));
    QVERIFY(gServer);
}

void TestStartup::clientModeOpensNothing()
{
    // A first start always writes standalone mode, so a client is a returning user.
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QStringLiteral("1"));
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("12"));
    QVERIFY(Main());
    QCOMPARE(gMainForm->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(gNetworkMode, int(Client));
    auto* window = dynamic_cast<PlainMainWindow*>(gMainForm);
    QVERIFY(window && window->isClient() && window->isVisible());
    QCOMPARE(events(), QStringList{QStringLiteral("Started Velquon Client")});
    QVERIFY(gRemoteSocket);
    QVERIFY(gSound && gVolume);
    QVERIFY(gRemoteCallers && gRemoteCallers->isEmpty());
    QVERIFY(!gServer);
    QVERIFY(!windowLinks().broadcast);
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("dbCID.mdb"))));
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("dbContacts.mdb"))));
    QVERIFY(!gCallerDB && !gContactDB);
    QCOMPARE(gAttributeGroups.count(), 0);
    QCOMPARE(gContacts.count(), 0);
    QVERIFY(gStatistics && gStatistics->count() == 25);
}

void TestStartup::unknownModeRunsStandalone()
{
    presetReturningUser(Clock::now());
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("7"));
    QVERIFY(Main());
    QCOMPARE(gNetworkMode, int(Standalone));
    QCOMPARE(gMainForm->caption(), QStringLiteral("Velquon"));
}

void TestStartup::timeAway_data()
{
    QTest::addColumn<QString>("logOff");
    QTest::addColumn<QString>("event");
    const QDateTime now = QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC);
    QTest::newRow("47.6 hours") << DateText::format(now.addSecs(-qint64(47.6 * 3600)))
                                << "Logged off for 1 days 23.6 hours";
    QTest::newRow("5.25 hours") << DateText::format(now.addSecs(-qint64(5.25 * 3600))) << "Logged off for 5.25 hours";
    QTest::newRow("two days") << DateText::format(now.addDays(-2)) << "Logged off for 2 days 0 hours";
    QTest::newRow("seconds") << DateText::format(now.addSecs(-20)) << "Logged off for 0.01 hours";
    QTest::newRow("not a date") << "yesterday-ish"
                                << "Logged off for 0 hours";
    QTest::newRow("empty") << ""
                           << "Logged off for 0 hours";
    QTest::newRow("german separator") << DateText::format(now.addSecs(-qint64(47.6 * 3600)))
                                      << "de:Logged off for 1 days 23,6 hours";
}

void TestStartup::timeAway()
{
    QFETCH(QString, logOff);
    QFETCH(QString, event);
    // The hours are written with the user's decimal separator.
    const bool german = event.startsWith(QLatin1String("de:"));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    if (german) {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        event = event.mid(3);
    }
    QCOMPARE(TimeAwayEvent(logOff, Clock::now()), event);
    // And through a real start.
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LogOffTime, logOff);
    QVERIFY(Main());
    QVERIFY2(events().contains(event), qPrintable(events().join(QLatin1Char('|'))));
}

void TestStartup::autoStartFollowsOption()
{
    presetReturningUser(Clock::now());
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SetAutoStart();
    QVERIFY(QFile::exists(autoStartEntryPath()));
    QVERIFY(Main());
    QVERIFY(!QFile::exists(autoStartEntryPath()));
    ShutDown();
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("TRUE"));
    QVERIFY(Main());
    QVERIFY(QFile::exists(autoStartEntryPath()));
}

void TestStartup::databaseMessages()
{
    const QString p = QStringLiteral("/home/u/.local/share/Velquon");
    QCOMPARE(DatabaseMessage(0, 0, p), QString());
    QCOMPARE(DatabaseMessage(1, 0, p),
             QStringLiteral("The caller database could not be found. A new database was created in ") + p + '.');
    QCOMPARE(DatabaseMessage(2, 0, p),
             QStringLiteral("The caller database could not be found. A database was found in ") + p + '.');
    QCOMPARE(DatabaseMessage(0, 1, p),
             QStringLiteral("The contact database could not be found. A new database was created in ") + p + '.');
    QCOMPARE(DatabaseMessage(1, 1, p),
             QStringLiteral("The caller and contact databases could not be found. New databases were created in ") + p +
                 '.');
    QCOMPARE(DatabaseMessage(2, 1, p),
             QStringLiteral("The caller and contact databases could not be found. A new contact database was "
                            "created in ") +
                 p + QStringLiteral(". A caller database was found in ") + p + '.');
    QCOMPARE(DatabaseMessage(0, 2, p),
             QStringLiteral("The contact database could not be found. A database was found in ") + p + '.');
    QCOMPARE(DatabaseMessage(1, 2, p),
             QStringLiteral("The caller and contact databases could not be found. A new Caller database was "
                            "created in ") +
                 p + QStringLiteral(". A contact database was found in ") + p + '.');
    QCOMPARE(DatabaseMessage(2, 2, p),
             QStringLiteral("The caller and contact databases could not be found. Databases were found in ") + p + '.');
    // A file in the program folder that cannot be opened is named, never reported as found.
    const QString unopenable = DatabaseMessage(3, 1, p);
    QVERIFY(!unopenable.contains(QStringLiteral("found in")));
    QCOMPARE(unopenable, QStringLiteral("The contact database could not be found. A new database was created in ") + p +
                             QStringLiteral(". The caller database ") + p +
                             QStringLiteral("/dbCID.mdb could not be opened; Velquon runs without it."));
    QCOMPARE(DatabaseMessage(0, 4, p), QStringLiteral("The contact database could not be created in ") + p +
                                           QStringLiteral("; Velquon runs without it."));
}

void TestStartup::callerDatabaseFoundInProgramFolder()
{
    // The caller database was configured elsewhere and is gone, but the program folder has one; the contact
    // database is configured and present, with one contact.
    const QString callerPath = m_home->file(QStringLiteral("dbCID.mdb"));
    QVERIFY(CreateCallerDB(callerPath));
    CloseCallerDB();
    const QString contactPath = m_home->file(QStringLiteral("book/contacts.mdb"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("book"))));
    QVERIFY(CreateContactDB(contactPath));
    clsContact ann;
    ann.Name = QStringLiteral("Ann");
    ann.Numbers.add(QStringLiteral("555-1234"), std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString()));
    QVERIFY(AddContact(ann));
    CloseContactDB();
    gContacts = KeyedCollection<clsContact>();
    presetReturningUser(Clock::now());
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, m_home->file(QStringLiteral("moved/away.mdb")));
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, contactPath);
    Prompt::clearHistory();

    QVERIFY(Main());
    QVERIFY(gCallerDB && gContactDB);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()), callerPath);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()), contactPath);
    QVERIFY(events().contains(QStringLiteral("Loaded caller database ") + callerPath));
    QVERIFY(events().contains(QStringLiteral("Loaded contact database ") + contactPath));
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The caller database could not be found. A database was "
                                                         "found in ") +
                                          m_home->path() + QLatin1Char('.')});
    QCOMPARE(gContacts.count(), 1);
    QVERIFY(gContacts.item(QStringLiteral("ann")));
    // Nothing missing on the next start: no report at all.
    ShutDown();
    QCOMPARE(gContacts.count(), 0);
    Prompt::clearHistory();
    QVERIFY(Main());
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(gContacts.count(), 1);
}

void TestStartup::unopenableDatabaseIsNamedNotFound()
{
    // The configured file is damaged and so is the program folder's: neither is used, start-up goes on.
    const QString callerPath = m_home->file(QStringLiteral("dbCID.mdb"));
    QFile junk(callerPath);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const QString configured = m_home->file(QStringLiteral("elsewhere.mdb"));
    QVERIFY(QFile::copy(callerPath, configured));
    presetReturningUser(Clock::now().addSecs(-3600));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, configured);
    QVERIFY(Main());
    QVERIFY(!gCallerDB);
    QVERIFY(dynamic_cast<QWidget*>(gMainForm)->isVisible());
    QVERIFY(events().contains(QStringLiteral("Could not load caller database ") + callerPath +
                              QStringLiteral(": file is not a database")));
    QVERIFY(!events().contains(QStringLiteral("Loaded caller database ") + callerPath));
    QVERIFY(events().contains(QStringLiteral("Logged off for 1 hours")));
    const QString report = Prompt::texts().first();
    QVERIFY2(report.contains(QStringLiteral("The caller database ") + callerPath +
                             QStringLiteral(" could not be opened (file is not a database); Velquon runs without it.")),
             qPrintable(report));
    QVERIFY(!report.contains(QStringLiteral("caller database was found")));
    QVERIFY(!report.contains(QStringLiteral("The caller database could not be found. A database was found")));
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Notice);
    QCOMPARE(lastReportedTag(), QStringLiteral("modMain_Main"));
    // The damaged file is left as it was.
    QCOMPARE(QFileInfo(callerPath).size(), 4096);
}

void TestStartup::shutDownReleasesEverything()
{
    QVERIFY(Main());
    QPointer<QWidget> window = dynamic_cast<QWidget*>(gMainForm);
    QVERIFY(gCallerDB && gContactDB);
    Prompt::clearHistory();
    ShutDown();
    QVERIFY(!gCallerDB && !gContactDB);
    QVERIFY(!gMainForm);
    QVERIFY(!gServer && !windowLinks().broadcast);
    QVERIFY(!gStatistics && !gGroups && !gCurrentStatistics && !gCurrentGroups);
    QVERIFY(!gToolTip);
    QVERIFY(!gSound && !gVolume);
    QCOMPARE(gAttributeGroups.count(), 0);
    QCOMPARE(mainWindows().size(), 0);
    QVERIFY(!window);
    // Nothing left to release: no error, no report.
    ShutDown();
    QVERIFY(Prompt::history().isEmpty());
}

void TestStartup::closingTheWindowRunsExitSteps()
{
    presetReturningUser(Clock::now().addDays(-1));
    QVERIFY(Main());
    Clock::advance(600);
    dynamic_cast<QWidget*>(gMainForm)->close();
    QVERIFY(!gMainForm);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogOffTime, QString()), DateText::format(Clock::now()));
    QCOMPARE(mainWindows().size(), 0);
}

// Switches the network mode as the options dialog's OK does: the options saved as they stand with the mode changed,
// and start-up run again for a switch into or out of client mode, meanwhile first. Gives why it was refused.
QString TestStartup::switchMode(const QString& mode, const std::function<void()>& meanwhile)
{
    OptionValues values = readOptions({}, {});
    values.Networking = mode.toInt();
    const SaveOutcome outcome = saveOptions(values);
    if (outcome.refusal.isEmpty() && outcome.clientSwitch()) {
        // What comes while the switch waits at the gate for a long task to stop.
        if (meanwhile)
            meanwhile();
        RunStartUpAgain();
        applyToProgram(outcome);
    }
    return outcome.refusal;
}

// The mode the settings file holds, which the next start runs in.
QString TestStartup::storedMode()
{
    return QSettings(settingsFilePath(), QSettings::IniFormat)
        .value(QStringLiteral("frmConfiguration/Networking"))
        .toString();
}

void TestStartup::switchModeTwiceKeepsOneWindow_data()
{
    QTest::addColumn<QString>("back");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("other"); // what another copy does while this one is a client
    QTest::newRow("standalone") << "0"
                                << "Velquon"
                                << "Started Velquon" << QString();
    QTest::newRow("server") << "1"
                            << "Velquon (Sever)"
                            << "Started Velquon Server" << QString();
    // Refused until the other copy has gone: this one goes on as a client, and its next start too.
    QTest::newRow("standalone, its call log another copy's") << "0"
                                                             << "Velquon"
                                                             << "Started Velquon"
                                                             << "holds the call log";
    // Refused at the last of the new mode's stores: the ones taken before it are given back.
    QTest::newRow("server, its groups file another copy's") << "1"
                                                            << "Velquon (Sever)"
                                                            << "Started Velquon Server"
                                                            << "holds the attribute groups file";
    // The switch took the new mode's stores before it saved the mode, and keeps them until it has run.
    QTest::newRow("standalone, another copy started on its call log while it waits") << "0"
                                                                                     << "Velquon"
                                                                                     << "Started Velquon"
                                                                                     << "starts on the call log";
}

void TestStartup::switchModeTwiceKeepsOneWindow()
{
    QFETCH(QString, back);
    QFETCH(QString, caption);
    QFETCH(QString, started);
    QFETCH(QString, other);
    // The call log in a folder of its own, whose lock follows the mode.
    const QString callerPath = m_home->file(QStringLiteral("log/dbCID.mdb"));
    const QString logLock = m_home->file(QStringLiteral("log/Velquon.lock"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("log"))) && CreateCallerDB(callerPath));
    CloseCallerDB();
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, callerPath);
    QVERIFY(Main());
    QPointer<PlainMainWindow> first = dynamic_cast<PlainMainWindow*>(gMainForm);
    QVERIFY(QFile::exists(logLock));
    const QString contactPath = m_home->file(QStringLiteral("dbContacts.mdb"));
    QCOMPARE(openHandles(callerPath), 1);
    QCOMPARE(openHandles(contactPath), 1);
    Prompt::clearHistory();
    Clock::advance(30);

    QCOMPARE(switchMode(QStringLiteral("2")), QString());
    QVERIFY(!gSwitchingMode);
    QCOMPARE(gNetworkMode, int(Client));
    QList<PlainMainWindow*> windows = mainWindows();
    QCOMPARE(windows.size(), 1);
    QVERIFY(windows.first()->isClient());
    QVERIFY(!first);
    QVERIFY(gRemoteSocket && !gServer);
    QVERIFY(!gCallerDB && !gContactDB);
    QCOMPARE(openHandles(callerPath), 0);
    QCOMPARE(openHandles(contactPath), 0);
    QVERIFY(!QFile::exists(logLock));
    QCOMPARE(events(), QStringList{QStringLiteral("Started Velquon Client")});
    // The first-run dialog is not shown again, and no report about databases appears.
    QVERIFY(Prompt::history().isEmpty());

    Clock::advance(36);
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0")); // the first start wrote 270
    if (other.startsWith(QLatin1String("holds "))) {
        const QString taken = other.mid(6);
        const QString groups = m_home->file(QStringLiteral("theirs/AttributeGroups.dat"));
        const bool log = taken == QLatin1String("the call log");
        if (!log) {
            QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("theirs"))));
            QVERIFY(QFile::copy(m_home->file(QStringLiteral("AttributeGroups.dat")), groups));
            SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, groups);
        }
        std::optional<AnotherCopy> copy(std::in_place, QFileInfo(log ? callerPath : groups).absolutePath());
        QVERIFY(copy->holds());
        QCOMPARE(switchMode(back), taken + QLatin1Char(' ') + (log ? callerPath : groups) +
                                       QStringLiteral(" is in use by another copy of Velquon (process %1)")
                                           .arg(QCoreApplication::applicationPid()));
        QCOMPARE(gNetworkMode, int(Client));
        windows = mainWindows();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->isClient());
        QVERIFY(gRemoteSocket && !gServer && !gCallerDB);
        QVERIFY(!ProgramEnded());
        QCOMPARE(storedMode(), QStringLiteral("2"));
        copy.reset();
        // No store's folder is left held: not the call log's, taken before the refused one and given back.
        QVERIFY(!QFile::exists(logLock));
    }
    // Meanwhile a store changes here too (the statistics file's New), and the locks follow the stores in use.
    std::optional<AnotherCopy> later;
    QCOMPARE(switchMode(back,
                        [&] {
                            if (other != QLatin1String("starts on the call log"))
                                return;
                            QVERIFY(NewStatsFile(m_home->file(QStringLiteral("more.dat"))));
                            later.emplace(QFileInfo(callerPath).absolutePath());
                        }),
             QString());
    QVERIFY(!later || !later->holds());
    windows = mainWindows();
    QCOMPARE(windows.size(), 1);
    QVERIFY(!windows.first()->isClient());
    QCOMPARE(windows.first()->windowTitle(), caption);
    QVERIFY(!gRemoteSocket && gServer);
    QCOMPARE(events().first(), started);
    // The databases were closed with the first window and opened once again; nothing was reported.
    QCOMPARE(openHandles(callerPath), 1);
    QCOMPARE(openHandles(contactPath), 1);
    QVERIFY(QFile::exists(logLock));
    QVERIFY(Prompt::history().isEmpty());
    // The client window stored its time of closing just now, not 36 seconds ago when the mode was switched.
    QVERIFY(events().contains(QStringLiteral("Logged off for 0 hours")));
    QCOMPARE(gAttributeGroups.count(), 3);
}

// Open file descriptors of this process on exactly that file (SQLite keeps one per connection).
int TestStartup::openHandles(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (!target.isEmpty() && QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            ++count;
    return count;
}

void TestStartup::switchWithTheRealMainWindow()
{
    registerStartupWindows();
    auto loadedMainWindows = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList names;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmBaseMain") || w->objectName() == QLatin1String("frmRemoteMain"))
                names << w->objectName();
        return names;
    };
    presetReturningUser(Clock::now());
    QVERIFY(Main());
    QCOMPARE(loadedMainWindows(), QStringList{QStringLiteral("frmBaseMain")});
    // The call list reads through a read-only connection of its own beside the store's.
    const int callerHandles = openHandles(m_home->file(QStringLiteral("dbCID.mdb")));
    const int contactHandles = openHandles(m_home->file(QStringLiteral("dbContacts.mdb")));
    QVERIFY(callerHandles >= 1 && contactHandles >= 1);
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    RunStartUpAgain();
    QCOMPARE(loadedMainWindows(), QStringList{QStringLiteral("frmRemoteMain")});
    QCOMPARE(openHandles(m_home->file(QStringLiteral("dbCID.mdb"))), 0);
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("0"));
    RunStartUpAgain();
    QCOMPARE(loadedMainWindows(), QStringList{QStringLiteral("frmBaseMain")});
    QVERIFY(!ProgramEnded());
    QCOMPARE(openHandles(m_home->file(QStringLiteral("dbCID.mdb"))), callerHandles);
    QCOMPARE(openHandles(m_home->file(QStringLiteral("dbContacts.mdb"))), contactHandles);
    mainWindowMakers().standalone = [] { return static_cast<MainWindow*>(new PlainMainWindow(false)); };
    mainWindowMakers().client = [] { return static_cast<MainWindow*>(new PlainMainWindow(true)); };
}

void TestStartup::modemOutOverAModeSwitchOpensOnceBack_data()
{
    QTest::addColumn<QString>("back"); // the mode switched to from client mode
    QTest::newRow("standalone") << "0";
    QTest::newRow("server") << "1";
}

// The modem's adapter pulled out, then the mode switched to client mode and back to one that uses the port: the
// new window's port opens by itself once the adapter is back, and until then its status line says that the port
// could not be opened, also once that event line has aged out.
void TestStartup::modemOutOverAModeSwitchOpensOnceBack()
{
    QFETCH(QString, back);
    registerStartupWindows();
    const auto plainWindowsAgain = qScopeGuard([] {
        mainWindowMakers().standalone = [] { return static_cast<MainWindow*>(new PlainMainWindow(false)); };
        mainWindowMakers().client = [] { return static_cast<MainWindow*>(new PlainMainWindow(true)); };
    });
    FakeModem modem;
    // Each port's waits for the modem's answers stand still: on the system's clock a machine that kept this
    // process away for two seconds while a command waited made the modem "not responding", and its port closed
    // for good. Static: it outlives the windows, which go at the cleanup.
    static ManualWaitClock modemWaits(0);
    presetReturningUser(Clock::now());
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.devicePath());
    QVERIFY(Main());
    const auto window = [] { return dynamic_cast<frmBaseMain*>(gMainForm); };
    const auto port = [&window] {
        return window() ? window()->findChild<ModemPort*>(QStringLiteral("Comm")) : nullptr;
    };
    // Before the event loop runs: the port opens from its timer.
    QVERIFY(port());
    port()->setWaitClock(modemWaits.reader());
    QTRY_VERIFY(port()->ModemConnected);
    if (!modem.unplugLikeUsb())
        QSKIP("this process may not hang a terminal up");
    QTRY_VERIFY(!port()->ModemConnected);

    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    RunStartUpAgain();
    QVERIFY(!port());
    SaveProperty(Section::frmConfiguration, Key::Networking, back);
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    RunStartUpAgain();
    QVERIFY(port());
    port()->setWaitClock(modemWaits.reader());
    QTRY_COMPARE(gMainForm->statusText(), QStringLiteral("Cannot open comm port"));
    for (int tick = 0; tick < 10; ++tick)
        window()->StatusTimer_Timer();
    QCOMPARE(gMainForm->statusText(), QStringLiteral("Cannot open comm port"));

    QVERIFY(modem.plugBackLikeUsb());
    QTRY_VERIFY(port()->ModemConnected);
    QVERIFY(events().contains(QStringLiteral("Comm port ") + modem.devicePath() + QStringLiteral(" opened")));
    for (int tick = 0; tick < 10; ++tick)
        window()->StatusTimer_Timer();
    QCOMPARE(gMainForm->statusText(), QString());
}

// The activity log on a full disk: what it holds stays held over a mode switch (the next mode may still write
// it) and leaves with the program, on standard error.
void TestStartup::heldActivityLinesLeaveWithTheProgramNotWithTheMode_data()
{
    QTest::addColumn<QString>("held");
    QTest::newRow("activity lines") << "activity lines";
    // The groups file refused a change, and takes it again once the exit steps come: it is written while this copy
    // still holds its folder's lock, which another copy may take the moment it is let go.
    QTest::newRow("a groups file") << "groups file";
}

void TestStartup::heldActivityLinesLeaveWithTheProgramNotWithTheMode()
{
    QFETCH(QString, held);
    if (held == QLatin1String("groups file")) {
        QVERIFY(Main());
        const QByteArray groups = QFile::encodeName(StoreFiles::attributeGroups());
        QVERIFY(::chmod(groups.constData(), 0444) == 0);
        auto group = std::make_shared<clsAttributeGroup>();
        group->Description = QStringLiteral("Held Group");
        gAttributeGroups.add(group->Description, group);
        RefreshAttributeGroupFile();
        QVERIFY(::chmod(groups.constData(), 0644) == 0);
        ShutDown();
        QFile written(StoreFiles::attributeGroups());
        QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll().contains("Held Group"));
        return;
    }
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        QSKIP("this system has no /dev/full to write to");
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    QVERIFY(Main());
    const QString log = m_home->file(QStringLiteral("ActivityLog.dat"));
    QVERIFY(QFile::remove(log));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), log));
    const QString line = QStringLiteral("held while the disk is full");
    StandardErrorCapture overTheSwitch;
    AddEvent(line);
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    RunStartUpAgain();
    QCOMPARE(gNetworkMode, int(Client));
    QVERIFY(!overTheSwitch.take().contains(line));

    StandardErrorCapture atTheEnd;
    ShutDown();
    QCOMPARE(atTheEnd.take().count(QStringLiteral(":  ") + line + QLatin1Char('\n')), 1);
}

QString TestStartup::binary()
{
    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR");
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/velquon");
}

QProcessEnvironment TestStartup::programEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELQUON_HOME"), home);
    env.insert(QStringLiteral("VELQUON_NONINTERACTIVE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// The program is up once its single-instance socket answers; a request to show itself is harmless.
bool TestStartup::waitForInstance(const QString& home, QProcess& process, int timeoutMs)
{
    const QString settingsKey = home + QStringLiteral("/Velquon.ini");
    bool up = false;
    (void)QTest::qWaitFor(
        [&] {
            if (process.state() == QProcess::NotRunning)
                return true;
            up = SingleInstance::showRunningCopy(settingsKey, 2000);
            return up;
        },
        timeoutMs);
    return up;
}

void TestStartup::secondProcessRaisesFirst()
{
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QVERIFY(Main());
    auto* window = dynamic_cast<PlainMainWindow*>(gMainForm);
    window->showMinimized();
    QFile settings(settingsFilePath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();
    const QDateTime modified = QFileInfo(settingsFilePath()).lastModified();

    // When this copy is asked to come forward; what the second copy does before asking is loading its
    // libraries, which a busy machine may slow down, so the time that counts is how long it stays after that.
    QElapsedTimer timer;
    qint64 askedAt = -1;
    SingleInstance::instance().setActivateHandler([&] {
        askedAt = timer.elapsed();
        window->showAndRaise();
    });
    // The handler refers to this function's locals: it must not outlive them.
    const auto dropHandler = qScopeGuard([] { SingleInstance::instance().setActivateHandler({}); });
    QProcess second;
    second.setProcessEnvironment(programEnvironment(m_home->path()));
    QSignalSpy finished(&second, &QProcess::finished);
    timer.start();
    second.start(program);
    // Our event loop must run so that this copy can answer.
    QVERIFY(finished.wait(30000));
    const qint64 total = timer.elapsed();
    QVERIFY(askedAt >= 0);
    // Well under the second copy's own 1.5 s wait for an answer: it did not wait for one in vain.
    QVERIFY2(total - askedAt < 1000,
             qPrintable(QStringLiteral("asked at %1 ms, ended at %2 ms").arg(askedAt).arg(total)));
    if (total >= 2000)
        qWarning("the second copy took %lld ms in all (a busy machine?)", total);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(window->raiseRequests(), 1);
    QVERIFY(!window->isMinimized());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before);
    QCOMPARE(QFileInfo(settingsFilePath()).lastModified(), modified);
}

void TestStartup::realProgramStartsAndEndsOnASignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("meanwhile"); // what the program is doing when it ends
    QTest::newRow("SIGTERM") << SIGTERM << QString();
    // Ctrl+C in the terminal it was started from, and that terminal closed.
    QTest::newRow("SIGINT") << SIGINT << QString();
    QTest::newRow("SIGHUP") << SIGHUP << QString();
    // A library that ends the process itself (Qt calls exit(1) when the X server goes away): no exit steps.
    QTest::newRow("exit() from elsewhere") << 0 << QString();
    // ... while a client's answer reads the log on a connection of its own, in one of its give-ways.
    QTest::newRow("exit() from elsewhere during a client's answer") << 0 << "answer";
    // The call list written to the program's output, a pipe whose reader has gone: the write fails, once said.
    QTest::newRow("SIGTERM after a write to a reader that has gone") << SIGTERM << "gone reader";
    // The activity log on a full disk once the program runs: the lines it holds leave on standard error, once.
    QTest::newRow("SIGTERM with the activity log on a full disk") << SIGTERM << "full disk";
    QTest::newRow("exit() from elsewhere with the activity log on a full disk") << 0 << "full disk";
    // The autostart entry refused at the start and its place free since, the settings read-only: the end writes the
    // entry, and says the settings' change is lost.
    QTest::newRow("SIGTERM with a file held") << SIGTERM << "held file";
    QTest::newRow("exit() from elsewhere with a file held") << 0 << "held file";
}

void TestStartup::realProgramStartsAndEndsOnASignal()
{
    QFETCH(int, signal);
    QFETCH(QString, meanwhile);
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QTemporaryDir home;
    const quint16 port = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }();
    {
        QSettings ini(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/InitializedSettings"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("frmConfiguration/LogOffTime"), QStringLiteral("1/2/2020 3:04:05 AM"));
        // The activity log shows how far start-up went.
        ini.setValue(QStringLiteral("frmConfiguration/LogActivity"), QStringLiteral("True"));
        if (meanwhile == QLatin1String("answer")) {
            ini.setValue(QStringLiteral("frmConfiguration/Networking"), QStringLiteral("1"));
            ini.setValue(QStringLiteral("frmConfiguration/LocalPort"), QString::number(port));
        }
        // Its place taken by a folder at the start.
        if (meanwhile == QLatin1String("held file"))
            QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("autostart/Velquon.desktop"))));
        // A modem that is not there: each opening of the port says so in event lines.
        if (meanwhile == QLatin1String("full disk"))
            ini.setValue(QStringLiteral("frmConfiguration/CommPort"), home.filePath(QStringLiteral("no-modem")));
    }
    // Read-only from the start: no write of the settings while the program runs can give the file its mode back.
    const QByteArray settingsName = QFile::encodeName(home.filePath(QStringLiteral("Velquon.ini")));
    if (meanwhile == QLatin1String("held file"))
        QVERIFY(::chmod(settingsName.constData(), 0444) == 0);
    const auto writable = qScopeGuard([&] { ::chmod(settingsName.constData(), 0644); });
    QFile commands(home.filePath(QStringLiteral("commands.txt")));
    QVERIFY(commands.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QProcessEnvironment env = programEnvironment(home.path());
    env.insert(QStringLiteral("VELQUON_TEST_COMMANDS"), commands.fileName());
    // Its output a pipe whose reader has gone before the program starts.
    int output[2] = {-1, -1};
    if (meanwhile == QLatin1String("gone reader")) {
        // A call in view, so that the list has something to write.
        QVERIFY(CreateCallerDB(home.filePath(QStringLiteral("dbCID.mdb"))));
        clsCaller call;
        call.Name = QStringLiteral("WRITTEN");
        call.Number.Number = QStringLiteral("555-0100");
        call.CallerDate = DateText::format(Clock::now());
        call.Answered = QStringLiteral("NO");
        AddCaller(call);
        CloseCallerDB();
        QSettings(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("frmMain/ViewTime"), QStringLiteral("12"));
        env.insert(QStringLiteral("VELQUON_DUMP_CALL_LIST"), QStringLiteral("/dev/stdout"));
        QVERIFY(::pipe2(output, O_CLOEXEC) == 0);
        ::close(output[0]);
    }
    const auto closeOutput = qScopeGuard([&] {
        if (output[1] >= 0)
            ::close(output[1]);
    });
    QProcess process;
    process.setProcessEnvironment(env);
    // As a terminal starts it, whatever this test's own runner ignores.
    const int goneReader = output[1];
    process.setChildProcessModifier([goneReader] {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        if (goneReader >= 0)
            ::dup2(goneReader, STDOUT_FILENO);
    });
    process.start(program);
    QVERIFY(process.waitForStarted(10000));
    QVERIFY(waitForInstance(home.path(), process, 30000));
    const QString failedWrite = QStringLiteral("The call list could not be written to /dev/stdout: ");
    QByteArray said;
    if (meanwhile == QLatin1String("gone reader")) {
        QTRY_VERIFY_WITH_TIMEOUT((said += process.readAllStandardError()).contains(failedWrite.toUtf8()), 15000);
    }
    QTcpSocket client;
    if (meanwhile == QLatin1String("answer")) {
        // A query that reads until its deadline: the exit comes in one of its give-ways.
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(client.waitForConnected(10000));
        const QString query =
            QStringLiteral("Select count(*) From (With Recursive c(x) As (Select 1 Union All Select x + 1 From c) "
                           "Select x From c)");
        client.write((QStringLiteral(";SQL;") + query + QStringLiteral(";COMPLETE;COMPLETE;")).toUtf8());
        QVERIFY(client.flush());
        const auto asked = [&] {
            QFile activity(home.filePath(QStringLiteral("ActivityLog.dat")));
            return activity.open(QIODevice::ReadOnly) && activity.readAll().contains("Requested a SQL Query");
        };
        QTRY_VERIFY_WITH_TIMEOUT(asked(), 15000);
    }

    const QString activityLog = home.filePath(QStringLiteral("ActivityLog.dat"));
    const QString notOpened = QStringLiteral("Cannot open comm port ") + home.filePath(QStringLiteral("no-modem")) +
                              QStringLiteral(". It may be in use by another application.");
    if (meanwhile == QLatin1String("full disk")) {
        if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
            QSKIP("this system has no /dev/full to write to");
        const auto logged = [](const QString& path, const QString& text) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) && QString::fromUtf8(f.readAll()).contains(text);
        };
        // The opening at start-up was written; what was written is kept aside for the checks below.
        QTRY_VERIFY_WITH_TIMEOUT(logged(activityLog, notOpened), 15000);
        QVERIFY(QFile::rename(activityLog, activityLog + QStringLiteral(".kept")));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), activityLog));
        // Open Port: its lines are held from the first, whose failure the diagnostic log tells.
        commands.write("trigger mnuOptionsRelease\n");
        QTRY_VERIFY_WITH_TIMEOUT(logged(home.filePath(QStringLiteral("Diagnostics.log")),
                                        QStringLiteral("Could not write the activity log ") + activityLog),
                                 15000);
    }

    const QString entry = home.filePath(QStringLiteral("autostart/Velquon.desktop"));
    if (meanwhile == QLatin1String("held file")) {
        const auto refused = [&] {
            QFile f(home.filePath(QStringLiteral("Diagnostics.log")));
            return f.open(QIODevice::ReadOnly) && f.readAll().contains((QStringLiteral("The autostart entry ") + entry +
                                                                        QStringLiteral(" cannot be written"))
                                                                           .toUtf8());
        };
        QTRY_VERIFY_WITH_TIMEOUT(refused(), 15000);
        QVERIFY(QDir().rmdir(entry));
    }

    const QString settingsKey = home.filePath(QStringLiteral("Velquon.ini"));
    const QString socketFile = SingleInstance::socketPath(settingsKey);
    QVERIFY(QFile::exists(SingleInstance::lockPath(settingsKey)));
    QVERIFY(QFile::exists(socketFile));
    QVERIFY(QFile::exists(home.filePath(QStringLiteral("dbCID.mdb-shm"))));
    if (signal != 0)
        ::kill(pid_t(process.processId()), signal);
    else
        commands.write("exit 3\n");
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), signal != 0 ? 0 : 3);
    if (meanwhile == QLatin1String("gone reader"))
        QCOMPARE((said + process.readAllStandardError()).count(failedWrite.toUtf8()), 1);
    if (meanwhile == QLatin1String("full disk")) {
        const QString heldLines = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(heldLines.count(notOpened), 1);
        QCOMPARE(heldLines.count(QStringLiteral(":  Cannot open comm port\n")), 1);
        QVERIFY(QFile::remove(activityLog));
        QVERIFY(QFile::rename(activityLog + QStringLiteral(".kept"), activityLog));
    }
    if (meanwhile == QLatin1String("held file")) {
        QFile written(entry);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("Icon=velquon"));
    }
    // The answer never came: the program ended inside it.
    if (meanwhile == QLatin1String("answer")) {
        client.waitForReadyRead(1000);
        const QByteArray answered = client.readAll();
        QVERIFY2(!answered.contains(";SIZE;") && !answered.contains(";ERROR;"), answered.constData());
    }
    // A clean exit leaves nothing of its own in the temporary folder, and the stores are closed.
    QVERIFY(!QFile::exists(SingleInstance::lockPath(settingsKey)));
    QVERIFY(!QFile::exists(socketFile));
    QCOMPARE(QDir(home.path()).entryList({QStringLiteral("*-wal"), QStringLiteral("*-shm")}), QStringList());

    QSettings ini(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    const auto logOff = DateText::parse(ini.value(QStringLiteral("frmConfiguration/LogOffTime")).toString());
    QVERIFY(logOff);
    Clock::reset();
    // A settings file made read-only keeps the time it held, and the end says what it could not take.
    if (meanwhile == QLatin1String("held file"))
        QCOMPARE(DateText::format(*logOff), QStringLiteral("1/2/2020 3:04:05 AM"));
    else
        QVERIFY2(qAbs(logOff->secsTo(Clock::now())) < 120, qPrintable(DateText::format(*logOff)));

    // It came up as a standalone program with its databases and its main window (the time away is reported
    // only after the window is shown).
    QFile activity(home.filePath(QStringLiteral("ActivityLog.dat")));
    QVERIFY(activity.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(activity.readAll());
    QVERIFY2(logged.contains(meanwhile == QLatin1String("answer") ? QStringLiteral(":  Started Velquon Server\"")
                                                                  : QStringLiteral(":  Started Velquon\"")),
             qPrintable(logged));
    QVERIFY(logged.contains(QStringLiteral(":  Loaded caller database ") + home.filePath(QStringLiteral("dbCID.mdb"))));
    QVERIFY(logged.contains(QStringLiteral(":  Logged off for ")));
    QVERIFY(QFile::exists(home.filePath(QStringLiteral("dbContacts.mdb"))));
    if (meanwhile == QLatin1String("held file")) {
        const QString lost = QStringLiteral(":  The settings file ") + home.filePath(QStringLiteral("Velquon.ini")) +
                             QStringLiteral(" could not be written before Velquon ended (Permission denied): the "
                                            "changes made to it since ");
        QCOMPARE(logged.count(lost), 1);
    }
}

void TestStartup::pathsThatAreNoFilesHoldNothing_data()
{
    QTest::addColumn<QString>("name");   // in the program folder
    QTest::addColumn<QString>("what");   // "pipe", "folder" or "link" (to a file that does not exist)
    QTest::addColumn<QString>("saidIn"); // the log that says it, once
    QTest::addColumn<QString>("words");  // what it says (%1: the path, %2: the program folder)
    const QString aPipe = QStringLiteral("a named pipe (FIFO), not a file");
    const QString pipe = QStringLiteral("it is ") + aPipe;
    const QString diagnostics = QStringLiteral("Diagnostics.log");
    const QString activity = QStringLiteral("ActivityLog.dat");
    QTest::newRow("settings file") << "Velquon.ini"
                                   << "pipe" << diagnostics << "%1 cannot be read: " + pipe;
    QTest::newRow("settings file, a folder")
        << "Velquon.ini"
        << "folder" << diagnostics << "%1 cannot be read: it is a folder, not a file";
    QTest::newRow("call log") << "dbCID.mdb"
                              << "pipe" << activity << "%1: " + pipe;
    QTest::newRow("contact book") << "dbContacts.mdb"
                                  << "pipe" << activity << "%1: " + pipe;
    // A call log once chosen with Change DB, since replaced: start-up goes on as without it.
    QTest::newRow("a chosen call log") << "chosen/log.mdb"
                                       << "pipe" << diagnostics << "modMain_Main: Error #14: " + pipe;
    QTest::newRow("statistics file") << "Statistics.dat"
                                     << "pipe" << activity << "%1 cannot be read: " + pipe;
    QTest::newRow("groups file") << "AttributeGroups.dat"
                                 << "pipe" << activity << "%1 cannot be read: " + pipe;
    QTest::newRow("activity log") << "ActivityLog.dat"
                                  << "pipe" << diagnostics << "%1: " + pipe;
    QTest::newRow("diagnostic log") << "Diagnostics.log"
                                    << "pipe" << QString() << QString();
    QTest::newRow("autostart entry") << "autostart/Velquon.desktop"
                                     << "pipe" << diagnostics << "%1 cannot be written: " + pipe;
    // Beside a store an earlier start made: SQLite would open these itself.
    QTest::newRow("call log's journal") << "dbCID.mdb-journal"
                                        << "pipe" << activity
                                        << "caller database %2/dbCID.mdb: %1 beside it is " + aPipe;
    QTest::newRow("contact book's journal")
        << "dbContacts.mdb-journal"
        << "pipe" << activity << "contact database %2/dbContacts.mdb: %1 beside it is " + aPipe;
    QTest::newRow("call log's write-ahead file")
        << "dbCID.mdb-wal"
        << "pipe" << activity << "caller database %2/dbCID.mdb: %1 beside it is " + aPipe;
    // The name a new log is made under is the program's own: whatever stands there is taken over.
    QTest::newRow("a new log's own name, no log") << "dbCID.mdb.new"
                                                  << "pipe" << activity << "Loaded caller database %2/dbCID.mdb";
    QTest::newRow("call log, a link to nothing")
        << "dbCID.mdb"
        << "link" << activity << "%1: it is a link to a file that does not exist";
    // SQLite opens none of a store's companions through a link: the file and why are said, what it leads to is
    // never written.
    QTest::newRow("call log's write-ahead file, a link to nothing")
        << "dbCID.mdb-wal"
        << "link" << activity << "caller database %2/dbCID.mdb: %1 beside it is a link to a file that does not exist";
    QTest::newRow("call log's shared-memory file, a link")
        << "dbCID.mdb-shm"
        << "file link" << activity << "caller database %2/dbCID.mdb: %1 beside it is a link, not a file";
    QTest::newRow("contact book's journal, a link")
        << "dbContacts.mdb-journal"
        << "file link" << activity << "contact database %2/dbContacts.mdb: %1 beside it is a link, not a file";
    QTest::newRow("a call log that is a link, a pipe beside what it leads to")
        << "dbCID.mdb"
        << "linked log" << activity
        << "caller database %1: %2/real/log.mdb-journal beside the file it links to is " + aPipe;
    // The single-copy lock and socket: what stands at their names is taken over, or said and left.
    QTest::newRow("the lock's name, a pipe") << "<lock>"
                                             << "pipe" << QString() << QString();
    QTest::newRow("the lock's name, an empty folder") << "<lock>"
                                                      << "folder" << QString() << QString();
    QTest::newRow("the lock's name, a link to a device") << "<lock>"
                                                         << "device link" << QString() << QString();
    // Nothing would keep a second copy from running beside it: the program does not start, and says why.
    QTest::newRow("the lock's name, a folder that holds a file")
        << "<lock>"
        << "full folder" << diagnostics << "Cannot lock %1: it is a folder, not a file";
    QTest::newRow("the socket's name, a pipe") << "<socket>"
                                               << "pipe" << QString() << QString();
    // The lock still keeps a second copy from running; only bringing this one forward is lost.
    QTest::newRow("the socket's name, a folder that holds a file")
        << "<socket>"
        << "full folder" << diagnostics
        << "A later start cannot bring this copy forward: %1: it is a folder, not a file";
}

// A path the program opens that holds no file (a named pipe, whose opening would wait for its other end,
// a folder) holds up nothing: start-up goes all the way, it is said once, a signal ends the program within
// seconds leaving nothing behind, and what stands there is left as it is.
void TestStartup::pathsThatAreNoFilesHoldNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, what);
    QFETCH(QString, saidIn);
    QFETCH(QString, words);
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QTemporaryDir home;
    const QString settingsKey = home.filePath(QStringLiteral("Velquon.ini"));
    const bool lock = name == QLatin1String("<lock>");
    const bool socket = name == QLatin1String("<socket>");
    const QString path = lock     ? SingleInstance::lockPath(settingsKey)
                         : socket ? SingleInstance::socketPath(settingsKey)
                                  : home.filePath(name);
    // Outside the program folder: gone with the test.
    const auto tidy = qScopeGuard([&] {
        if (lock || socket) {
            QDir(path).removeRecursively();
            QFile::remove(path);
        }
    });
    if (name != QLatin1String("Velquon.ini")) {
        QSettings ini(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/InitializedSettings"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("frmConfiguration/LogActivity"), QStringLiteral("True"));
        if (name.startsWith(QLatin1String("chosen/")))
            ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), path);
    }
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    if (name.endsWith(QLatin1String("-journal")) || name.endsWith(QLatin1String("-wal")) ||
        name.endsWith(QLatin1String("-shm"))) {
        const QString store = home.filePath(name.section(QLatin1Char('-'), 0, 0));
        QVERIFY(name.startsWith(QLatin1String("dbCID")) ? CreateCallerDB(store) : CreateContactDB(store));
        CloseCallerDB();
        CloseContactDB();
    }
    // What a link to a file leads to, which nothing may write.
    const QString victim = home.filePath(QStringLiteral("victim.txt"));
    {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("VICTIM") == 6);
    }
    const QString realLog = home.filePath(QStringLiteral("real/log.mdb"));
    if (what == QLatin1String("linked log")) {
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("real"))));
        QVERIFY(CreateCallerDB(realLog));
        CloseCallerDB();
    }
    QVERIFY(what == QLatin1String("folder") ? QDir().mkpath(path)
            : what == QLatin1String("full folder")
                ? QDir().mkpath(path) && QFile(path + QStringLiteral("/kept")).open(QIODevice::WriteOnly)
            : what == QLatin1String("link")        ? QFile::link(home.filePath(QStringLiteral("gone.mdb")), path)
            : what == QLatin1String("file link")   ? QFile::link(victim, path)
            : what == QLatin1String("device link") ? QFile::link(QStringLiteral("/dev/null"), path)
            : what == QLatin1String("linked log")
                ? QFile::link(realLog, path) &&
                      ::mkfifo(QFile::encodeName(realLog + QStringLiteral("-journal")).constData(), 0600) == 0
                : ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    const auto saidTimes = [&] {
        QFile log(home.filePath(saidIn));
        return log.open(QIODevice::ReadOnly) ? int(QString::fromUtf8(log.readAll())
                                                       .count(QString(words)
                                                                  .replace(QLatin1String("%1"), path)
                                                                  .replace(QLatin1String("%2"), home.path())))
                                             : 0;
    };

    QProcess process;
    process.setProcessEnvironment(programEnvironment(home.path()));
    process.start(program);
    QVERIFY(process.waitForStarted(10000));
    const bool refused = what == QLatin1String("full folder");
    // Without its lock the program does not start; a socket that cannot be made answers nobody: start-up has come
    // to its end once it has said so.
    const bool starts = !(lock && refused);
    const bool answers = starts && !(socket && refused);
    QVERIFY2(!answers || waitForInstance(home.path(), process, 15000), "start-up did not come to an end");
    // The statistics file is read once the modem's first opening has ended.
    if (!saidIn.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(saidTimes() > 0, 15000);
    if (starts)
        ::kill(pid_t(process.processId()), SIGTERM);
    // One that ended by itself may have done so while the event loop ran above.
    QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), starts ? 0 : 1);
    if (!starts) {
        const QStringList stores{QStringLiteral("dbCID.mdb"), QStringLiteral("dbContacts.mdb")};
        QCOMPARE(QDir(home.path()).entryList(stores, QDir::AllEntries | QDir::System), QStringList());
    }
    QCOMPARE(QFileInfo::exists(SingleInstance::lockPath(settingsKey)), lock && refused);
    QCOMPARE(QFileInfo::exists(SingleInstance::socketPath(settingsKey)), socket && refused);
    if (!saidIn.isEmpty())
        QCOMPARE(saidTimes(), 1);
    // Every store was closed: nothing of SQLite's is left beside one.
    QCOMPARE(QDir(home.path()).entryList({QStringLiteral("*-shm")}, QDir::AllEntries | QDir::System),
             name.endsWith(QLatin1String("-shm")) ? QStringList{name} : QStringList());
    QFile victimFile(victim);
    QVERIFY(victimFile.open(QIODevice::ReadOnly));
    QCOMPARE(victimFile.readAll(), QByteArray("VICTIM"));
    struct stat info = {};
    const bool there = ::lstat(QFile::encodeName(path).constData(), &info) == 0;
    // The program's own names: what stood there was taken over, and went with the program.
    if (name.endsWith(QLatin1String(".new")) || ((lock || socket) && !refused)) {
        QVERIFY(!there);
        return;
    }
    QVERIFY(there);
    QVERIFY(what == QLatin1String("folder") || refused ? S_ISDIR(info.st_mode)
            : what == QLatin1String("link")            ? S_ISLNK(info.st_mode) && !QFileInfo::exists(path)
            : what == QLatin1String("file link")       ? S_ISLNK(info.st_mode)
            : what == QLatin1String("linked log")
                ? S_ISLNK(info.st_mode) &&
                      PlainFile::kindOf(realLog + QStringLiteral("-journal")) == PlainFile::Kind::Pipe
                : S_ISFIFO(info.st_mode));
}

// A signal while the contact book holds a typed, unsaved name: nothing is asked (nobody may be there to
// answer), the exit steps run, and the activity log says what was not saved.
void TestStartup::signalEndsWithoutAskingAboutUnsavedEdits()
{
    presetReturningUser(Clock::now());
    QVERIFY(Main());
    frmContacts* book = frmContacts::showOwnedBy(dynamic_cast<QWidget*>(gMainForm));
    QTest::keyClicks(ui::findByName<QLineEdit>(book, QStringLiteral("txtName")), QStringLiteral("TYPED NOT SAVED"));
    QVERIFY(book->snapshot().changed());
    installExitHooks();
    ::raise(SIGTERM);
    QTRY_VERIFY(ProgramEnded());
    for (const Prompt::Record& r : Prompt::history())
        QVERIFY2(r.kind != Prompt::Kind::Message, qPrintable(r.text));
    QVERIFY(!gContactDB);
    QFile activity(m_home->file(QStringLiteral("ActivityLog.dat")));
    QVERIFY(activity.open(QIODevice::ReadOnly));
    // The file doubles the quotes inside its quoted field.
    const QString logged = QString::fromUtf8(activity.readAll()).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    QVERIFY2(logged.contains(
                 QStringLiteral("Ended on SIGTERM without saving the contact book's changes to \"TYPED NOT SAVED\"")),
             qPrintable(logged));
}

void TestStartup::staleInstanceAfterKillDoesNotBlock()
{
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QTemporaryDir home;
    QProcess first;
    first.setProcessEnvironment(programEnvironment(home.path()));
    first.start(program);
    QVERIFY(waitForInstance(home.path(), first, 30000));
    first.kill();
    QVERIFY(first.waitForFinished(30000));

    QProcess next;
    next.setProcessEnvironment(programEnvironment(home.path()));
    next.setProcessChannelMode(QProcess::MergedChannels);
    next.start(program);
    const bool up = waitForInstance(home.path(), next, 30000);
    QVERIFY2(up, qPrintable(QStringLiteral("the next start did not come up (state %1, exit code %2): %3")
                                .arg(int(next.state()))
                                .arg(next.exitCode())
                                .arg(QString::fromLocal8Bit(next.readAll().right(2000)))));
    QCOMPARE(next.state(), QProcess::Running);
    next.terminate();
    QVERIFY(next.waitForFinished(30000));
    QCOMPARE(next.exitCode(), 0);
}

void TestStartup::theLockLivesInTheUsersOwnFolder_data()
{
    // What XDG_RUNTIME_DIR names for the copy started here: "private", "shared", "missing", "unset", "read-only"
    // (private), "long" (private, its socket's path past what a socket's name holds).
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("secondRuntime"); // the same, or "another" private folder
    QTest::addColumn<bool>("fullFolders");      // a folder that holds a file at the lock's and the socket's names
    QTest::addColumn<bool>("socketInRuntime");  // else in the user's own folder in the temporary folder
    QTest::addColumn<bool>("raised");           // the second start brings this copy forward
    QTest::addColumn<QString>("setUp");         // what else differs, or befalls the lock before the second start
    // In the second's trail (%1: the lock, %2: this copy's process, %3: the second's data folder, %4: this one's).
    QTest::addColumn<QString>("said");
    const QString none;
    QTest::newRow("the user's own") << "private" << none << false << true << true << none << none;
    // Another user could put something at the socket's name there before this one starts.
    QTest::newRow("one others may enter") << "shared" << none << false << false << true << none << none;
    QTest::newRow("a folder that is not there") << "missing" << none << false << false << true << none << none;
    QTest::newRow("none") << "unset" << none << false << false << true << none << none;
    // Never the root folder, which Qt's temporary folder would be.
    QTest::newRow("none, nor a temporary folder")
        << "unset" << none << false << false << true << "no temporary folder" << none;
    QTest::newRow("none, a temporary folder named from where it starts")
        << "unset" << none << false << false << true << "a relative temporary folder" << none;
    // Ours, made by hand and left open to others: closed to them, and used.
    QTest::newRow("none, our folder in the temporary folder open to others")
        << "unset" << none << false << false << true << "our folder open" << none;
    // Something else at its name: the socket goes beside the lock, in the settings' folder, the user's own too.
    QTest::newRow("none, our folder's name in the temporary folder taken")
        << "unset" << none << false << false << true << "our folder taken" << none;
    // A start from another session, or by su or sudo: the lock names where this copy listens.
    QTest::newRow("two starts with different runtime folders") << "private"
                                                               << "another" << false << true << true << none << none;
    // No socket: this copy cannot be brought forward, yet the lock still keeps the second from running, which says
    // why and never tells to delete the lock of a copy that lives.
    QTest::newRow("a read-only runtime folder") << "read-only" << none << false << true << false << none
                                                << "Another copy (process %2) holds %1 and could not make its socket (";
    // No copy can hold the lock: the second start does not run either.
    QTest::newRow("folders at both names")
        << "private" << none << true << true << false << none << "Cannot lock %1: it is a folder, not a file";
    QTest::newRow("a long runtime folder") << "long" << none << false << true << true << none << none;
    // One data folder, whatever the settings: the second start would run on this copy's call log.
    const QString dataInUse = "Cannot start: the data folder %3 is in use by another copy of Velquon (process %2)";
    QTest::newRow("another settings folder, one data folder")
        << "private" << none << false << true << false << "another settings folder" << dataInUse;
    QTest::newRow("VELQUON_HOME the data folder, then a start without it")
        << "private" << none << false << true << false << "home at the data folder" << dataInUse;
    // Nothing would keep another copy out of its data folder.
    QTest::newRow("a data folder whose lock cannot be had")
        << "private" << none << false << true << false << "data lock a full folder"
        << "Cannot start: the data folder %3 cannot be kept for this copy alone: its lock %3/Velquon.lock cannot be "
           "used (it is a folder, not a file)";
    QTest::newRow("a call log in this copy's folder")
        << "private" << none << false << true << false << "call log here"
        << "Cannot start: the call log %4/dbCID.mdb is in use by another copy of Velquon (process %2)";
    // A lock file removed or replaced while this copy runs is taken back.
    QTest::newRow("the lock removed meanwhile") << "private" << none << false << true << true << "lock removed" << none;
    QTest::newRow("the lock replaced by a pipe") << "private" << none << false << true << true << "lock a pipe" << none;
    QTest::newRow("the lock replaced by a folder")
        << "private" << none << false << true << true << "lock a folder" << none;
    QTest::newRow("the lock replaced by a link") << "private" << none << false << true << true << "lock a link" << none;
    // Before this copy takes it back: a start that meets it at its socket runs no more than one that meets its lock.
    QTest::newRow("the lock removed, this copy busy")
        << "private" << none << false << true << false << "lock removed, busy"
        << "Another copy (process %2) holds %1 and does not answer";
    // The system locks a file opened only to read.
    QTest::newRow("a read-only mount") << "private" << none << false << true << true << "read-only mount" << none;
    // Its lock file names the copy before, which this one cannot write over: the system names the holder.
    QTest::newRow("a read-only mount from the start, no socket")
        << "read-only" << none << false << true << false << "read-only mount, stale lock"
        << "Another copy (process %2) holds %1 and does not answer";
    QTest::newRow("another user's lock file")
        << "private" << none << false << true << true << "another user's lock" << none;
}

// One copy per settings folder and per data folder, whatever the environment of each start: the lock sits beside
// the settings, the data folder has one of its own, and only the socket that brings the running copy forward lives
// in the runtime folder. A second start never runs beside the first: it brings it forward, or says why it cannot,
// and opens no store.
void TestStartup::theLockLivesInTheUsersOwnFolder()
{
    QFETCH(QString, runtime);
    QFETCH(QString, secondRuntime);
    QFETCH(bool, fullFolders);
    QFETCH(bool, socketInRuntime);
    QFETCH(bool, raised);
    QFETCH(QString, setUp);
    QFETCH(QString, said);
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QList<std::pair<const char*, std::optional<QByteArray>>> environment;
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "VELQUON_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        environment.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    const auto restore = qScopeGuard([&] {
        for (const auto& [name, value] : std::as_const(environment))
            value ? qputenv(name, *value) : qunsetenv(name);
    });
    QString temporary = setUp.endsWith(QLatin1String("temporary folder")) ? QStringLiteral("/tmp") : QDir::tempPath();
    QTemporaryDir folder;
    const QString path = runtime == QLatin1String("long")
                             ? folder.filePath(QStringLiteral("run-") + QString(120, QLatin1Char('r')))
                             : folder.filePath(QStringLiteral("run"));
    const QString other = folder.filePath(QStringLiteral("another"));
    QVERIFY(runtime == QLatin1String("missing") || QDir().mkdir(path));
    QVERIFY(QDir().mkdir(other) &&
            QFile::setPermissions(other, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QFile::setPermissions(path, runtime == QLatin1String("shared")
                                            ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther
                                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
            runtime == QLatin1String("missing"));
    if (runtime == QLatin1String("unset"))
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
    QProcessEnvironment env = programEnvironment(m_home->path());
    if (runtime == QLatin1String("unset"))
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    else
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), secondRuntime.isEmpty() ? path : other);
    if (setUp.endsWith(QLatin1String("temporary folder"))) {
        const QString tmpdir =
            setUp.startsWith(QLatin1String("no")) ? folder.filePath(QStringLiteral("gone")) : QStringLiteral("tmp");
        qputenv("TMPDIR", QFile::encodeName(tmpdir));
        env.insert(QStringLiteral("TMPDIR"), tmpdir);
    }
    // A temporary folder of the test's own, where our folder in it is made by hand, or its name taken.
    const QString ours = folder.filePath(QStringLiteral("tmp/velquon-%1").arg(::getuid()));
    if (setUp.startsWith(QLatin1String("our folder"))) {
        QVERIFY(QDir().mkdir(folder.filePath(QStringLiteral("tmp"))));
        temporary = QDir(folder.filePath(QStringLiteral("tmp"))).canonicalPath();
        qputenv("TMPDIR", QFile::encodeName(folder.filePath(QStringLiteral("tmp"))));
        env.insert(QStringLiteral("TMPDIR"), folder.filePath(QStringLiteral("tmp")));
        QVERIFY(setUp == QLatin1String("our folder open")
                    ? QDir().mkdir(ours) &&
                          QFile::setPermissions(ours, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ReadOther | QFile::ExeOther)
                    : QFile(ours).open(QIODevice::WriteOnly));
    }
    // Two starts on other settings folders, the data folder the same (this one's, for the first row).
    QString data = m_home->path();
    if (setUp == QLatin1String("another settings folder") || setUp == QLatin1String("home at the data folder")) {
        data = m_home->file(QStringLiteral("share/Velquon"));
        QVERIFY(QDir().mkpath(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->file(QStringLiteral("share"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->file(QStringLiteral("config"))));
        if (setUp == QLatin1String("home at the data folder"))
            qputenv("VELQUON_HOME", QFile::encodeName(data));
        else
            qunsetenv("VELQUON_HOME");
        env.remove(QStringLiteral("VELQUON_HOME"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->file(QStringLiteral("share")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"),
                   m_home->file(setUp == QLatin1String("home at the data folder") ? QStringLiteral("config")
                                                                                  : QStringLiteral("config2")));
    }
    if (setUp == QLatin1String("data lock a full folder")) {
        data = m_home->file(QStringLiteral("share2/Velquon"));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/Velquon.lock/kept")));
        env.remove(QStringLiteral("VELQUON_HOME"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->file(QStringLiteral("share2")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->file(QStringLiteral("config2")));
    }
    // The second start's settings name this copy's call log.
    if (setUp == QLatin1String("call log here")) {
        data = m_home->file(QStringLiteral("second"));
        QVERIFY(QDir().mkpath(data));
        QSettings ini(data + QStringLiteral("/Velquon.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/InitializedSettings"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), m_home->file(QStringLiteral("dbCID.mdb")));
        env.insert(QStringLiteral("VELQUON_HOME"), data);
    }
    const QString settingsKey = settingsFilePath();
    const QString lock = QFileInfo(settingsKey).absolutePath() + QStringLiteral("/Velquon.lock");
    const QString socket =
        (socketInRuntime                              ? path
         : setUp == QLatin1String("our folder taken") ? QFileInfo(lock).absolutePath()
                                                      : temporary + QStringLiteral("/velquon-%1").arg(::getuid())) +
        QLatin1Char('/') + SingleInstance::serverName(settingsKey);
    QCOMPARE(SingleInstance::lockPath(settingsKey), lock);
    QCOMPARE(SingleInstance::socketPath(settingsKey), socket);
    const auto tidy = qScopeGuard([&] { QDir(socket).removeRecursively(); });
    if (fullFolders)
        QVERIFY(QDir().mkpath(lock + QStringLiteral("/kept")) && QDir().mkpath(socket + QStringLiteral("/kept")));

    // The copy started here, unless no copy can hold the lock.
    SingleInstance& single = SingleInstance::instance();
    std::optional<ReadOnlyFolder> readOnly;
    if (runtime == QLatin1String("read-only")) {
        readOnly.emplace(path);
        // Still the user's alone, so still the folder of the socket.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(readOnly->holds());
    }
    std::optional<ReadOnlyMount> mount;
    if (setUp.startsWith(QLatin1String("read-only mount, "))) {
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("1\n") == 2);
        stale.close();
        mount.emplace(m_home->path());
        if (!mount->holds())
            QSKIP("a folder cannot be mounted read-only here");
    }
    int shown = 0;
    single.setActivateHandler([&shown] { ++shown; });
    const auto dropHandler = qScopeGuard([&single] { single.setActivateHandler({}); });
    if (!fullFolders) {
        QVERIFY(single.acquire(settingsKey));
        QVERIFY(StoreLocks::holdInUse());
        QVERIFY(QFileInfo(lock).isFile());
        QCOMPARE(QFileInfo::exists(socket), !readOnly);
        QCOMPARE(single.unreachable().startsWith(socket + QStringLiteral(": ")), bool(readOnly));
    }
    if (setUp == QLatin1String("our folder open"))
        QCOMPARE(QFile::permissions(ours) & (QFile::ReadOther | QFile::ExeOther), QFile::Permissions());
    // This copy holds the lock at its name again: its file, saying this process.
    const auto heldHere = [&lock] {
        QFile file(lock);
        return QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink() && file.open(QIODevice::ReadOnly) &&
               file.readLine().trimmed().toLongLong() == QCoreApplication::applicationPid();
    };
    if (setUp.startsWith(QLatin1String("lock "))) {
        QVERIFY(QFile::remove(lock));
        QVERIFY(setUp == QLatin1String("lock a pipe")     ? ::mkfifo(QFile::encodeName(lock).constData(), 0600) == 0
                : setUp == QLatin1String("lock a folder") ? QDir().mkdir(lock)
                : setUp == QLatin1String("lock a link")   ? QFile::link(m_home->file(QStringLiteral("elsewhere")), lock)
                                                          : true);
        if (setUp != QLatin1String("lock removed, busy"))
            QTRY_VERIFY_WITH_TIMEOUT(heldHere(), 15000);
    }
    if (setUp == QLatin1String("read-only mount")) {
        mount.emplace(m_home->path());
        if (!mount->holds())
            QSKIP("a folder cannot be mounted read-only here");
    }
    QProcess second;
    if (setUp == QLatin1String("another user's lock")) {
        if (!canStartWithoutPermissionOverride() || ::chown(QFile::encodeName(lock).constData(), 65534, 65534) != 0)
            QSKIP("a program cannot be started here without the right to override file permissions");
        second.setChildProcessModifier(withoutPermissionOverride);
    }
    second.setProcessEnvironment(env);
    QSignalSpy finished(&second, &QProcess::finished);
    second.start(program);
    // Our event loop runs, so that this copy can answer; a busy copy runs none.
    QVERIFY(setUp == QLatin1String("lock removed, busy") ? second.waitForFinished(30000) : finished.wait(30000));
    mount.reset();
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), raised ? 0 : 1);
    QCOMPARE(shown, raised ? 1 : 0);
    // It opened no store, nor wrote its first-run files.
    const QStringList stores{QStringLiteral("dbCID.mdb"), QStringLiteral("dbContacts.mdb"),
                             QStringLiteral("AttributeGroups.dat")};
    QCOMPARE(QDir(data).entryList(stores, QDir::AllEntries | QDir::System), QStringList());
    if (!said.isEmpty()) {
        // On standard error when the trail's folder is read-only.
        QFile trail(data + QStringLiteral("/Diagnostics.log"));
        const QString logged = QString::fromUtf8(second.readAllStandardError() +
                                                 (trail.open(QIODevice::ReadOnly) ? trail.readAll() : QByteArray()));
        QVERIFY2(logged.contains(QString(said)
                                     .replace(QLatin1String("%1"), lock)
                                     .replace(QLatin1String("%2"), QString::number(QCoreApplication::applicationPid()))
                                     .replace(QLatin1String("%3"), data)
                                     .replace(QLatin1String("%4"), m_home->path())),
                 qPrintable(logged));
    }
    if (fullFolders)
        return;
    single.release();
    QVERIFY(!QFileInfo::exists(lock));
    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/Velquon.lock")),
             setUp == QLatin1String("data lock a full folder"));
    QVERIFY(!QFileInfo::exists(socket));
}

// A copy that holds the lock but does not answer (hung, or stopped in a debugger) is not taken for one that
// came forward: the new start says so, in the error trail and a box, and ends with an error code.
void TestStartup::copyThatDoesNotAnswerIsSaid()
{
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    QTemporaryDir home;
    const QString settingsKey = home.filePath(QStringLiteral("Velquon.ini"));
    // This test process holds the lock, alive, and listens nowhere.
    QLockFile held(SingleInstance::lockPath(settingsKey));
    QVERIFY(held.tryLock(0));
    QProcess next;
    next.setProcessEnvironment(programEnvironment(home.path()));
    next.start(program);
    QVERIFY(next.waitForFinished(30000));
    QCOMPARE(next.exitStatus(), QProcess::NormalExit);
    QCOMPARE(next.exitCode(), 1);
    QFile trail(home.filePath(QStringLiteral("Diagnostics.log")));
    QVERIFY(trail.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(trail.readAll());
    QVERIFY2(logged.contains(SingleInstance::lockPath(settingsKey) + QStringLiteral(" and does not answer")),
             qPrintable(logged));
    // It touched nothing: no settings were written.
    QVERIFY(!QFile::exists(settingsKey));

    // The box names the holder and why it cannot be brought forward; a lock whose holder lives stays.
    QLockFile here(SingleInstance::lockPath(settingsFilePath()));
    QVERIFY(here.tryLock(0));
    QVERIFY(!Main());
    QCOMPARE(StartUpExitCode(), 1);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Velquon is already running for these settings (process %1), but "
                                                    "it cannot be brought forward: it does not answer.")
                                         .arg(QCoreApplication::applicationPid()));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
