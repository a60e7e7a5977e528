#include "app/StartUp.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "capture/modSoundFiles.h"
#include "config/ui/frmOneTimeSetup.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/StoreLocks.h"
#include "core/UnwrittenFiles.h"
#include "core/WindowLinks.h"
#include "core/modAPI.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/PlainFile.h"
#include "platform/ProcessEnd.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/TerminationSignal.h"
#include "platform/ui/ModalDialog.h"
#include "popup/ui/frmMiniDisplay.h"
#include "statistics/modStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"

namespace {

// True once ShutDown has run since the last start-up (and before the first one): the exit steps are done.
bool g_shutDownDone = true;
bool g_exiting = false;
// Start-up gave way to a copy that holds the settings' lock but did not answer, or could not have the lock.
bool g_notStarted = false;

// The contact book, then the call log. Nothing open, or already gone: no matter.
void closeStores()
{
    try {
        CloseContactDB();
    } catch (const std::exception&) {
    }
    try {
        CloseCallerDB();
    } catch (const std::exception&) {
    }
}

// The statistics and groups. A standalone or server program opens its modem first: a statistics file of
// any size must not keep calls from being heard, so the file's items follow once the port's first opening
// has ended.
void createStatistics()
{
    auto* window = dynamic_cast<QObject*>(gMainForm);
    auto* port = window && gNetworkMode != Client ? window->findChild<ModemPort*>(QStringLiteral("Comm")) : nullptr;
    if (!port) {
        CreateDefaultStatistics();
        return;
    }
    CreateDefaultStatisticsWithoutFile();
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(port, &ModemPort::openAttemptEnded, port, [once] {
        QObject::disconnect(*once);
        // From the event loop, once the opening's own handler has returned.
        QTimer::singleShot(0, QCoreApplication::instance(), [] { LoadDeferredStatistics(); });
    });
}

// The running copy lives but cannot be brought forward: its lock stays, and so does the reason in the user's words.
void refuseForSilentCopy(const SingleInstance& single)
{
    g_notStarted = true;
    const QString lock = SingleInstance::lockPath(settingsFilePath());
    const QString process =
        single.runningCopy() > 0 ? QStringLiteral(" (process %1)").arg(single.runningCopy()) : QString();
    SaveError(0,
              QStringLiteral("Another copy") + process + QStringLiteral(" holds ") + lock + QStringLiteral(" and ") +
                  single.whyNotBroughtForward(),
              QStringLiteral("modMain"));
    ReportError(QStringLiteral("modMain_Main"));
    Prompt::message(QStringLiteral("Velquon is already running for these settings") + process +
                        QStringLiteral(", but it cannot be brought forward: it ") + single.whyNotBroughtForward() +
                        QLatin1Char('.'),
                    Prompt::OkOnly, Prompt::Exclamation);
}

// Another copy, started on other settings, uses a store these settings point to (or the data folder): this one
// does not start, and says which store and which copy.
void refuseForHeldStore(const QString& why)
{
    g_notStarted = true;
    SaveError(0, QStringLiteral("Cannot start: ") + why, QStringLiteral("modMain"));
    ReportError(QStringLiteral("modMain_Main"));
    Prompt::message(QStringLiteral("Velquon cannot start: ") + why + QLatin1Char('.'), Prompt::OkOnly,
                    Prompt::Exclamation);
    SingleInstance::instance().release();
}

// Without the lock nothing would keep another copy from running on the same settings and stores beside this
// one: this one does not start.
void refuseWithoutLock(const QString& why)
{
    g_notStarted = true;
    const QString lock = SingleInstance::lockPath(settingsFilePath());
    SaveError(0, QStringLiteral("Cannot lock ") + lock + QStringLiteral(": ") + why, QStringLiteral("modMain"));
    ReportError(QStringLiteral("modMain_Main"));
    Prompt::message(QStringLiteral("Velquon cannot start: it could not make sure that it is the only copy using these "
                                   "settings, because its lock file ") +
                        lock + QStringLiteral(" cannot be used (") + why + QStringLiteral(")."),
                    Prompt::OkOnly, Prompt::Exclamation);
}

// Run as root, the program writes only where no other user can steer what it writes (platform/PlainFile). Its own
// folders are looked at before anything is written: one that fails ends the start having written nothing (no
// settings, logs, databases or sounds), with one message that says whose it is and what to do.
bool refuseForOthersFolders()
{
    if (::geteuid() != 0)
        return false;
    for (const QString& folder : ownFolders()) {
        const PlainFile::Way way = PlainFile::wayTo(folder);
        if (way.refusal.isEmpty())
            continue;
        g_notStarted = true;
        const QString remedy = way.blockerOwner != 0
                                   ? QStringLiteral("Run Velquon as ") + PlainFile::ownerName(way.blockerOwner) +
                                         QStringLiteral(", or give it a folder of root's (VELQUON_HOME).")
                                   : QStringLiteral("Give it a folder that only root can change (VELQUON_HOME).");
        const QString text = QStringLiteral("Velquon cannot start as root with its files in ") + folder +
                             QStringLiteral(": ") + way.refusal + QStringLiteral(". ") + remedy;
        // Started without a desktop, the box may reach nobody: the terminal hears it too.
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        Prompt::message(text, Prompt::OkOnly, Prompt::Exclamation);
        return true;
    }
    return false;
}

bool g_programEnded = false;
// The signal the program is ending on (0: none). Nobody may be there to answer, so the exit steps ask
// nothing and say in the activity log what they did not save.
int g_endSignal = 0;

const QString kProduct = QStringLiteral("Velquon");

// A start-up step that failed is kept and reported to the hook, and start-up goes on.
void keepStartupError(int number, const QString& description, const QString& source)
{
    SaveError(number, description, source);
    ReportError(QStringLiteral("modMain_Main"));
}

// Runs find or create; a file that exists but cannot be opened (or made) counts as not opened, and error
// says why.
template <typename Step>
bool databaseStep(Step step, QString& error)
{
    try {
        return step();
    } catch (const SqlError& e) {
        keepStartupError(e.code(), e.message(), QStringLiteral("SQLite"));
        error = e.message();
    } catch (const std::exception& e) {
        keepStartupError(-1, QString::fromLocal8Bit(e.what()), QStringLiteral("Velquon"));
        error = QString::fromLocal8Bit(e.what());
    }
    return false;
}

// Why a database file could not be used, as far as the system can say it better than the database. Only
// looked at and opened the one way that never waits on a pipe in the file's place.
QString fileCause(const QString& path, const QString& databaseError)
{
    const PlainFile::Kind kind = PlainFile::kindOf(path);
    if (const QString why = PlainFile::notAFile(kind); !why.isEmpty())
        return why;
    if (const QString why = PlainFile::whyLeadsNowhere(path); !why.isEmpty())
        return why;
    QFile f(path);
    QString why;
    if (kind != PlainFile::Kind::Missing && !PlainFile::openToRead(f, path, &why))
        return why;
    return databaseError;
}

// Why nothing could be made in a folder; empty when a file can be made there.
QString folderCause(const QString& folder)
{
    QFile probe(folder + QStringLiteral("/.velquon-write-test"));
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        probe.close();
        probe.remove();
        return QString();
    }
    return probe.errorString();
}

// Opens the configured database, else the program folder's one, else creates it there. The result is the
// database status of the start-up report; for 3 and 4, cause says what stood in the way.
template <typename Find, typename Create>
int openStartupDatabase(const char* pathKey, const QString& fileName, Find find, Create create, QString& cause)
{
    QString error;
    if (databaseStep(find, error))
        return 0;
    const QString path = programFolder() + QLatin1Char('/') + fileName;
    SaveProperty(Section::frmConfiguration, pathKey, path);
    if (QFileInfo::exists(path)) {
        if (databaseStep(find, error))
            return 2;
        cause = fileCause(path, error);
        return 3;
    }
    if (databaseStep([&] { return create(path); }, error))
        return 1;
    cause = folderCause(programFolder());
    if (cause.isEmpty())
        cause = fileCause(path, error);
    // Made nothing and met no error: something took the name since it was looked at.
    if (cause.isEmpty())
        cause = QStringLiteral("another file took its name meanwhile");
    return 4;
}

void runOneTimeSetup()
{
    // The main window owns the dialog; if the program is ended while it is open, both go together.
    QPointer<frmOneTimeSetup> dialog = new frmOneTimeSetup(dynamic_cast<QWidget*>(gMainForm));
    execDialog(*dialog);
    delete dialog.data();
}

} // namespace

// ---------------------------------------------------------------- start-up

bool Main()
{
    const MainWindowMakers& makers = mainWindowMakers();

    // Another copy for the same settings: it comes forward, this one ends without touching anything. So does this
    // one when it cannot hold the lock.
    SingleInstance& single = SingleInstance::instance();
    g_notStarted = false;
    if (refuseForOthersFolders())
        return false;
    if (!single.acquire(settingsFilePath())) {
        if (!single.refusal().isEmpty())
            refuseWithoutLock(single.refusal());
        else if (!single.runningCopyAnswered())
            refuseForSilentCopy(single);
        return false;
    }
    // Before anything is written in the data folder; the stores once the mode is known.
    if (QString why; !StoreLocks::holdBeforeSettings(&why)) {
        refuseForHeldStore(why);
        return false;
    }
    // What stood at the socket's name and stays there: this copy runs, guarded, but a later start cannot bring it
    // forward. Said once, not again at each start-up a mode switch runs.
    static QString saidUnreachable;
    if (const QString unreachable = single.unreachable(); !unreachable.isEmpty() && unreachable != saidUnreachable) {
        saidUnreachable = unreachable;
        keepStartupError(0, QStringLiteral("A later start cannot bring this copy forward: ") + unreachable,
                         QStringLiteral("modMain"));
    }
    single.setActivateHandler([] {
        if (gMainForm)
            gMainForm->showAndRaise();
    });
    g_shutDownDone = false;
    g_programEnded = false;
    g_endSignal = 0;

    // What start-up has to tell (no mixer, new databases) opens once the main window is shown, above it, one
    // notice at a time; a box opened before the window would end up behind it.
    struct NoticesAfterStart {
        NoticesAfterStart() { Prompt::holdNotices(); }
        ~NoticesAfterStart() { Prompt::releaseNotices(); }
        NoticesAfterStart(const NoticesAfterStart&) = delete;
        NoticesAfterStart& operator=(const NoticesAfterStart&) = delete;
    } noticesAfterStart;

    gToolTip = std::make_unique<cToolTip>();
    gToolTip->setVisibleTime(30000);

    InitializeSettings();

    // Anything but server or client runs standalone.
    const int mode = textToWhole(GetProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("0")), 0);
    gNetworkMode = (mode == Server || mode == Client) ? mode : Standalone;
    // The stores the settings point to; the locks follow the mode: a client keeps no call log or contact book.
    if (QString why; !StoreLocks::holdInUse(&why)) {
        refuseForHeldStore(why);
        ShutDown();
        return false;
    }

    if (textToBool(GetProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("True"))))
        SetAutoStart();
    else
        RemoveAutoStart();

    // Start-up runs again after a change of mode; what a previous run made and ShutDown did not release
    // is replaced, never leaked or doubled.
    gSound = std::make_unique<clsSound>();
    gVolume = std::make_unique<clsVolume>();
    // The default sound settings point into the program folder's "Sounds" folder.
    InstallBundledSounds();

    if (gNetworkMode == Client) {
        gMainForm = makers.client ? makers.client() : nullptr;
        gRemoteCallers = std::make_unique<RemoteCallerCollection>();
        gContacts = KeyedCollection<clsContact>();
        gRemoteSocket = std::make_unique<clsRemoteSocket>();
        // A local port in use is said in a box while the connection is made; the session may end the
        // program while it waits. Start-up then goes no further.
        if (g_shutDownDone) {
            gRemoteSocket.reset();
            return true;
        }
        AddEvent(QStringLiteral("Started ") + kProduct + QStringLiteral(" Client"));
        if (gMainForm)
            gMainForm->showWindow();
    } else {
        QString callerCause;
        QString contactCause;
        const int callerStatus = openStartupDatabase(Key::CallerDBPath, QStringLiteral("dbCID.mdb"), FindCallerDB,
                                                     CreateCallerDB, callerCause);
        const int contactStatus = openStartupDatabase(Key::ContactDBPath, QStringLiteral("dbContacts.mdb"),
                                                      FindContactDB, CreateContactDB, contactCause);

        gMainForm = makers.standalone ? makers.standalone() : nullptr;
        gServer = std::make_unique<clsServer>();
        windowLinks().broadcast = [](const QString& text) {
            if (gServer)
                gServer->SendData(text, -1, -1);
        };
        if (gMainForm)
            gMainForm->setCaption(gNetworkMode == Server ? kProduct + QStringLiteral(" (Sever)") : kProduct);
        AddEvent(QStringLiteral("Started ") + kProduct +
                 (gNetworkMode == Server ? QStringLiteral(" Server") : QString()));
        gServer->Listen();
        // A port that cannot be had is said in a box; the session may end the program while it waits.
        if (g_shutDownDone)
            return true;
        if (gMainForm)
            gMainForm->showWindow();

        if (GetProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("False")) !=
            QLatin1String("True")) {
            SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
            runOneTimeSetup();
            // The session may have ended the program while the dialog was open.
            if (g_shutDownDone)
                return true;
        }

        // A database that could not be opened is not announced as loaded, and the reason is said with it.
        // The file in use, also when it was found at its default place and no setting names it.
        const QString callerPath = callerStatus <= 2 && gCallerDB
                                       ? gCallerDB->path()
                                       : GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString());
        AddEvent(callerStatus <= 2 ? QStringLiteral("Loaded caller database ") + callerPath
                                   : QStringLiteral("Could not load caller database ") + callerPath +
                                         QStringLiteral(": ") + callerCause);
        const QString contactPath = contactStatus <= 2 && gContactDB
                                        ? gContactDB->path()
                                        : GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString());
        AddEvent(contactStatus <= 2 ? QStringLiteral("Loaded contact database ") + contactPath
                                    : QStringLiteral("Could not load contact database ") + contactPath +
                                          QStringLiteral(": ") + contactCause);

        const QDateTime now = Clock::now();
        AddEvent(TimeAwayEvent(GetProperty(Section::frmConfiguration, Key::LogOffTime, DateText::format(now)), now));

        if (gMainForm)
            gMainForm->EnablePortOpenTimer();

        // Not a modal box: start-up must not wait for someone to answer (no display, no one at the desk).
        const QString report = DatabaseMessage(callerStatus, contactStatus, programFolder(), callerCause, contactCause);
        if (!report.isEmpty())
            Prompt::notice(report, Prompt::Information);
    }

    createStatistics();
    // Either main window's View "Custom..." opens the custom period dialog through this.
    windowLinks().showCustomizeTime = frmCustomizeTime::showFor;

    if (GetProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("False")) !=
        QLatin1String("True"))
        SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));

    if (gNetworkMode != Client)
        LoadAttributeGroupsFromFile(StoreFiles::attributeGroups());

    int viewTime = textToWhole(GetProperty(Section::frmMain, Key::ViewTime, QStringLiteral("6")), 6);
    SetViewTime(viewTime);

    if (gNetworkMode != Client)
        UpdateContactCollection();

    return true;
}

// ---------------------------------------------------------------- shut-down

void ShutDown()
{
    g_shutDownDone = true;

    // First the call road of the window going, while the call log is still open: what comes next (the contact
    // book's question, the new mode's road) must meet none of its timers or waits, nor its ringing state.
    if (gMainForm)
        gMainForm->EndCallRoad();

    // The contact book asks about unsaved edits while its file is still open; not when a signal ends the program.
    frmContacts::unloadAtShutDown(g_endSignal != 0 ? terminationSignalName(g_endSignal) : QString());

    closeStores();

    gRemoteSocket.reset();
    windowLinks().broadcast = nullptr;
    windowLinks().showCustomizeTime = nullptr;
    gServer.reset();
    gSound.reset();
    gVolume.reset();
    gRemoteCallers.reset();
    gContacts = KeyedCollection<clsContact>();
    ReleaseStatistics();
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();

    ReleaseToolTip();
    // A call that rang belongs to the call road of the window going (a client's copy of its server's call
    // among them): the mode that starts next has heard no call yet.
    gRinging = false;
    MainWindow* mainWindow = gMainForm;
    gMainForm = nullptr;
    // A window is deleted once control is back in the event loop: ShutDown may run inside its own close.
    if (!dynamic_cast<QWidget*>(mainWindow))
        delete mainWindow;
    // The pop-up family keeps its placement (and which detail windows were open) for the next start.
    frmMiniDisplay::unloadForExit();
    UnloadAllForms();
    // What the files and the activity log could not take leaves with the program, not with the mode: the next mode
    // may still write it there. The files' last try is made here, while this copy still holds the locks of their
    // folders (EndProgram lets go of them): once it has, another copy may have taken them. What still cannot be
    // written is said first, so that the activity log's lines take it along.
    if (!gSwitchingMode) {
        UnwrittenFiles::writeHeldAtEnd();
        writeHeldActivityLinesAtEnd();
    }
}

void EndProgram()
{
    if (gSwitchingMode)
        return;
    g_programEnded = true;
    // Everything is closed: the lock and the socket go now, not only once the event loop has wound down.
    SingleInstance::instance().release();
    QCoreApplication::quit();
}

bool ProgramEnded() { return g_programEnded; }

int StartUpExitCode() { return g_notStarted ? 1 : 0; }

void ExitProgram()
{
    if (g_exiting)
        return;
    g_exiting = true;
    if (gMainForm) {
        gMainForm->blnExit = true;
        gMainForm->Unload();
    }
    // A main window without exit steps of its own (or none at all) leaves them to us.
    if (!g_shutDownDone) {
        SaveLogOffTime();
        ShutDown();
    }
    g_exiting = false;
    EndProgram();
}

void RunStartUpAgain()
{
    gSwitchingMode = true;
    if (gMainForm) {
        gMainForm->blnExit = true;
        gMainForm->Unload();
    }
    if (!g_shutDownDone) {
        SaveLogOffTime();
        ShutDown();
    }
    const bool started = Main();
    gSwitchingMode = false;
    // The new mode's stores were another copy's after all (a switch takes them before it saves the mode; a mode
    // saved by other means is not checked): said, and the program, left without a window, ends.
    if (!started)
        EndProgram();
}

namespace {

std::thread::id g_mainThread;
// closeOnAnyExit has been registered again once start-up went through.
bool g_closerAfterStart = false;
bool g_closedOnExit = false;

// The process ends through exit() without the exit steps (Qt's own exit(1) once the X server has gone):
// the stores are closed, so nothing is left beside them, and the lock and the socket go. Only the main thread
// may close the stores (another thread's exit finds them in use there); the settings file is written only
// from this handler's second registration, whose clean-up comes after what writing the file uses: exit()
// runs its handlers in the reverse order of their registration.
void closeAtExit()
{
    if (g_closedOnExit)
        return;
    g_closedOnExit = true;
    if (!g_shutDownDone)
        endingFromElsewhere();
    if (!g_shutDownDone && std::this_thread::get_id() == g_mainThread) {
        g_shutDownDone = true;
        if (g_closerAfterStart)
            SaveLogOffTime();
        // The readers of their own too (a client's answer, a statistics read, a refill), each held where the
        // exit() came from and never given back: one left open keeps the write-ahead files beside the log.
        SqlDatabase::closeEveryConnection();
        closeStores();
    }
    // Also after the exit steps: a task they ended over may have said what it left undone since. Only on the
    // thread that keeps the lines and the files. The files the disk would not take are written here at the latest
    // when the program ends without its exit steps, which made the last try themselves; what still cannot be
    // written is said first, so that the activity log's lines take it along.
    if (std::this_thread::get_id() == g_mainThread) {
        UnwrittenFiles::writeHeldAtEnd();
        writeHeldActivityLinesAtEnd();
    }
    SingleInstance::instance().removeFilesAtExit();
}

} // namespace

void closeOnAnyExit(bool startUpDone)
{
    if (!startUpDone)
        g_mainThread = std::this_thread::get_id();
    if (g_closerAfterStart)
        return;
    g_closerAfterStart = startUpDone;
    std::atexit(closeAtExit);
}

void installExitHooks()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The session is ending: whatever happens next, the time of leaving and the databases are safe.
        QObject::connect(app, &QGuiApplication::commitDataRequest, app,
                         [](QSessionManager&) { Program::requestEnd(ExitProgram); });
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] {
            if (!g_shutDownDone) {
                SaveLogOffTime();
                ShutDown();
            }
        });
    }
    // A long task running meanwhile stops at its next step; the exit steps follow once it has returned. A signal
    // that comes while an end still waits for a task is the user insisting: the end goes on at once.
    installTerminationHandler([] {
        if (g_endSignal == 0)
            g_endSignal = lastTerminationSignal();
        if (Program::endWaits())
            Program::endNow();
        else
            Program::requestEnd(ExitProgram);
    });
}
