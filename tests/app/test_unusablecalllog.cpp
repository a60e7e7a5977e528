// A call log the program cannot use is kept as it is, and the start-up report says why, whatever is wrong
// with it: bytes of no database, a file cut short, a folder in its place, another program's database, or a
// program folder that cannot be written at all. A log with no table yet is made whole instead.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

#include <functional>
#include <memory>
#include <optional>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "support/FullDisk.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempHome.h"

using Damage = std::function<void(const TempHome&)>;
Q_DECLARE_METATYPE(Damage)

class TestUnusableCallLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void cleanup()
    {
        if (gMainForm)
            ShutDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void startUpReportNamesTheCause_data();
    void startUpReportNamesTheCause();
    void logWithoutATableIsMadeWhole_data();
    void logWithoutATableIsMadeWhole();
    void readOnlyProgramFolderNamesTheCause();
    void filesThatCannotServeAreNotLoaded();
};

void TestUnusableCallLog::startUpReportNamesTheCause_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("cause"); // %1: the program folder
    // What the program folder is once the damage is done: "read-only", "full disk", or a full disk with that many
    // KB free ("full disk 16")
    QTest::addColumn<QString>("folder");
    QTest::newRow("random bytes") << Damage([](const TempHome& home) {
        QFile f(home.file("dbCID.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QRandomGenerator random(3);
        for (int i = 0; i < 8192; ++i)
            f.putChar(char(random.bounded(256)));
    }) << "file is not a database" << QString();
    QTest::newRow("cut short") << Damage([](const TempHome& home) {
        const QString path = home.file("dbCID.mdb");
        QVERIFY(CreateCallerDB(path));
        for (int i = 0; i < 3000; ++i) {
            clsCaller c;
            c.Name = QStringLiteral("CALLER %1").arg(i);
            c.Number.Number = QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0'));
            c.CallerDate = DateText::format(Clock::now());
            c.Answered = QStringLiteral("N/A");
            AddCaller(c);
        }
        CloseCallerDB();
        QFile::remove(path + "-wal");
        QFile::remove(path + "-shm");
        QFile f(path);
        QVERIFY(f.size() > 64 * 1024);
        QVERIFY(f.resize(f.size() / 4 * 3 / 4096 * 4096));
    }) << "malformed" << QString();
    QTest::newRow("a folder") << Damage([](const TempHome& home) { QVERIFY(QDir(home.path()).mkdir("dbCID.mdb")); })
                              << "it is a folder, not a file" << QString();
    // Its own journal, which a call log's would have changed in the file's header.
    QTest::newRow("another program's database") << Damage([](const TempHome& home) {
        SqlDatabase other(home.file("dbCID.mdb"), SqlDatabase::Mode::ReadWriteCreate);
        other.exec(QStringLiteral("PRAGMA journal_mode=DELETE; CREATE TABLE tblOther (x)"));
    }) << "tblCID" << QString();
    // Good stores that their folder or their disk keeps from being opened: SQLite says only "unable to open database
    // file" or "disk I/O error".
    const Damage stores = [](const TempHome& home) {
        QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
        QVERIFY(CreateContactDB(home.file("dbContacts.mdb")));
        CloseCallerDB();
        CloseContactDB();
    };
    QTest::newRow("its folder read-only") << stores << "its folder %1 cannot be written (Permission denied)"
                                          << "read-only";
    QTest::newRow("a full disk") << stores << "the disk holding %1 is full"
                                 << "full disk";
    QTest::newRow("a full disk, no stores yet") << Damage([](const TempHome&) {}) << "the disk holding %1 is full"
                                                << "full disk";
    // Room for a new store's file, not for its tables; room for its tables in the write-ahead file, not in the
    // file itself.
    QTest::newRow("16 KB free, no stores yet") << Damage([](const TempHome&) {}) << "the disk holding %1 is full"
                                               << "full disk 16";
    QTest::newRow("64 KB free, no stores yet") << Damage([](const TempHome&) {}) << "the disk holding %1 is full"
                                               << "full disk 64";
}

void TestUnusableCallLog::startUpReportNamesTheCause()
{
    QFETCH(Damage, damage);
    QFETCH(QString, cause);
    QFETCH(QString, folder);
    TempHome home;
    std::optional<FullDisk> disk;
    if (folder.startsWith(QLatin1String("full disk"))) {
        disk.emplace(home.path());
        if (!disk->holds())
            QSKIP(qPrintable(QStringLiteral("a disk of its own cannot be mounted here: ") + disk->why()));
    }
    cause.replace(QLatin1String("%1"), home.path());
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    damage(home);
    const QString path = home.file("dbCID.mdb");
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = QFileInfo(path).isFile() ? [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }()
                                                        : QByteArray();
    const auto settings = [] {
        QFile f(settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray settingsBefore = settings();
    Prompt::clearHistory();
    // Outside the tests the settings, and the lock beside them, have a folder of their own: the lock is had before
    // the program folder turns unusable.
    QVERIFY(SingleInstance::instance().acquire(settingsFilePath()));
    std::optional<ReadOnlyFolder> readOnly;
    if (folder == QLatin1String("read-only")) {
        readOnly.emplace(home.path());
        QVERIFY(readOnly->holds());
    }
    if (disk)
        QVERIFY(disk->fill(folder.section(QLatin1Char(' '), 2).toLongLong() * 1024));

    QVERIFY(Main());
    QVERIFY(!gCallerDB);
    const QStringList events = gMainForm->lstEvents.stringList();
    const QString line = QStringLiteral("Could not load caller database ") + path + QStringLiteral(": ");
    const QStringList said = events.filter(line);
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.first().contains(cause), qPrintable(said.first()));
    const QString report = Prompt::texts().join(QLatin1Char('\n'));
    QVERIFY2(report.contains(existed ? QStringLiteral("The caller database ") + path +
                                           QStringLiteral(" could not be opened (")
                                     : QStringLiteral("The caller database could not be created in ") + home.path() +
                                           QStringLiteral(" (")),
             qPrintable(report));
    QVERIFY2(report.contains(cause), qPrintable(report));
    // The file is left exactly as it was, and nothing was made beside it, nor beside a contact book not loaded.
    if (!before.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == before);
    }
    // Nor are the settings changed where nothing can be written, and a change that cannot be written is said once
    // the window shows it.
    if (folder == QLatin1String("read-only") || folder == QLatin1String("full disk")) {
        QCOMPARE(settings(), settingsBefore);
        SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("1"));
        SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("2"));
        const QString unwritten = QStringLiteral("Unable to write the settings file ") + settingsFilePath();
        QCOMPARE(gMainForm->lstEvents.stringList().filter(unwritten).size(), 1);
    }
    QStringList stores{path};
    if (!gContactDB)
        stores << home.file("dbContacts.mdb");
    for (const QString& store : std::as_const(stores))
        for (const char* beside : {"-wal", "-shm"})
            QVERIFY2(!QFileInfo::exists(store + beside), qPrintable(store + beside));
}

void TestUnusableCallLog::logWithoutATableIsMadeWhole_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::newRow("zero bytes") << Damage([](const TempHome& home) {
        QFile f(home.file("dbCID.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    });
    QTest::newRow("a bare header") << Damage([](const TempHome& home) {
        SqlDatabase bare(home.file("dbCID.mdb"), SqlDatabase::Mode::ReadWriteCreate);
        bare.exec(QStringLiteral("PRAGMA user_version = 7"));
    });
    // A first start that ends while it makes its files (here: the disk is full) leaves nothing under their
    // names, so the next start makes them anew.
    QTest::newRow("making cut short") << Damage([](const TempHome& home) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit low = saved;
        low.rlim_cur = 1024;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &low) == 0);
        const auto restore = qScopeGuard([&saved] { setrlimit(RLIMIT_FSIZE, &saved); });
        QVERIFY_THROWS_EXCEPTION(SqlError, CreateCallerDB(home.file("dbCID.mdb")));
        QVERIFY_THROWS_EXCEPTION(SqlError, CreateContactDB(home.file("dbContacts.mdb")));
        QCOMPARE(QDir(home.path()).entryList({"db*"}, QDir::AllEntries | QDir::System), QStringList());
    });
    // The name a new log is made under, held by a folder that cannot simply go: another name is used.
    QTest::newRow("a full folder at the new log's name")
        << Damage([](const TempHome& home) { QVERIFY(QDir(home.path()).mkpath("dbCID.mdb.new/kept")); });
    // Another log's latest writes, left behind when that log was removed, are no part of the new one.
    QTest::newRow("a write-ahead file left without its log") << Damage([](const TempHome& home) {
        SqlDatabase other(home.file("other.mdb"), SqlDatabase::Mode::ReadWriteCreate);
        other.exec(QStringLiteral("CREATE TABLE tblOther (x); INSERT INTO tblOther VALUES (1)"));
        QVERIFY(QFile::copy(home.file("other.mdb-wal"), home.file("dbCID.mdb-wal")));
    });
}

// A call log with no table at all is one still to be made: it is made whole and stores the next call.
void TestUnusableCallLog::logWithoutATableIsMadeWhole()
{
    QFETCH(Damage, damage);
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    damage(home);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(Main());
    QVERIFY(gCallerDB && gContactDB);
    const QString path = home.file("dbCID.mdb");
    QVERIFY2(gMainForm->lstEvents.stringList().contains(QStringLiteral("Loaded caller database ") + path),
             qPrintable(gMainForm->lstEvents.stringList().join(QLatin1Char('\n'))));
    clsCaller call;
    call.Name = QStringLiteral("NEXT CALL");
    call.Number.Number = QStringLiteral("555-0199");
    call.CallerDate = DateText::format(Clock::now());
    call.Answered = QStringLiteral("N/A");
    AddCaller(call);
    QVERIFY(call.ID > 0);
    QCOMPARE(SelectCallers(QStringLiteral("Select * From tblCID")).size(), 1);
}

void TestUnusableCallLog::readOnlyProgramFolderNamesTheCause()
{
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    Prompt::clearHistory();
    // Outside the tests the settings, and the lock beside them, have a folder of their own (~/.config/Velquon): the
    // lock is had before the program folder turns read-only.
    QVERIFY(SingleInstance::instance().acquire(settingsFilePath()));
    {
        ReadOnlyFolder readOnly(home.path());
        QVERIFY(readOnly.holds());
        QVERIFY(Main());
        QVERIFY(!gCallerDB);
        // New DB there says why in the system's words too, never "unable to open database file".
        QString refused;
        try {
            CreateCallerDB(home.file("dbCID.mdb"));
        } catch (const SqlError& e) {
            refused = e.message();
        }
        QVERIFY2(refused.endsWith(QStringLiteral(": Permission denied")), qPrintable(refused));
        QVERIFY(!gCallerDB);
    }
    const QStringList said = gMainForm->lstEvents.stringList().filter("Could not load caller database ");
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.first().endsWith(": Permission denied"), qPrintable(said.first()));
    const QString report = Prompt::texts().join(QLatin1Char('\n'));
    QVERIFY2(report.contains(QStringLiteral("The caller database could not be created in ") + home.path() +
                             QStringLiteral(" (Permission denied); Velquon runs without it.")),
             qPrintable(report));
}

// A call log that cannot be written, and contact files that hold no contact book (an empty file, another
// program's database), are said as not loaded, with why: taken as loaded, the log would fail at the first
// call and the book at the first contact.
void TestUnusableCallLog::filesThatCannotServeAreNotLoaded()
{
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    const QString log = home.file("dbCID.mdb");
    QVERIFY(CreateCallerDB(log));
    CloseCallerDB();
    QFile empty(home.file("dbContacts.mdb"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    {
        ReadOnlyFile readOnly(log);
        QVERIFY(Main());
        QVERIFY(!gCallerDB);
        QVERIFY(!gContactDB);
    }
    const QStringList events = gMainForm->lstEvents.stringList();
    QVERIFY2(events.contains(QStringLiteral("Could not load caller database ") + log +
                             QStringLiteral(": the file cannot be written (it is read-only)")),
             qPrintable(events.join(QLatin1Char('\n'))));
    QVERIFY(events.contains(QStringLiteral("Could not load contact database ") + home.file("dbContacts.mdb") +
                            QStringLiteral(": the file has no table tblContacts, tblNumbers")));
    QVERIFY(events.filter(QStringLiteral("Loaded ")).isEmpty());
    ShutDown();

    // Another program's database in its place, and a log that can be written: the log loads under its own path.
    QFile::remove(home.file("dbContacts.mdb"));
    {
        SqlDatabase other(home.file("dbContacts.mdb"), SqlDatabase::Mode::ReadWriteCreate);
        other.exec(QStringLiteral("CREATE TABLE tblContacts (fldName TEXT)"));
    }
    QVERIFY(Main());
    QVERIFY(gCallerDB && !gContactDB);
    const QStringList again = gMainForm->lstEvents.stringList();
    QVERIFY(again.contains(QStringLiteral("Loaded caller database ") + log));
    QVERIFY(again.contains(QStringLiteral("Could not load contact database ") + home.file("dbContacts.mdb") +
                           QStringLiteral(": the file has no table tblNumbers")));
}

QTEST_MAIN(TestUnusableCallLog)
#include "test_unusablecalllog.moc"
