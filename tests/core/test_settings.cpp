#include "core/modProperties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/stat.h>

#include "core/SettingsKeys.h"
#include "core/StoreLocks.h"
#include "core/UnwrittenFiles.h"
#include "core/modAPI.h"
#include "core/modAttributeGroup.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "platform/Clock.h"
#include "platform/DiagnosticLog.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "statistics/modStatistics.h"
#include "support/AnotherCopy.h"
#include "support/FullDisk.h"
#include "support/LinkedWay.h"
#include "support/ReadOnlyFolder.h"
#include "support/SystemRefusals.h"
#include "support/TempHome.h"

using Change = std::function<void(const QString& name)>;
Q_DECLARE_METATYPE(Change)

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The German run must really be German, or it proves nothing about decimal commas.
        if (qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de")))
            QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
    }
    // The first-run tests give the screen's size by hand; a later test reads the real one again.
    void cleanup() { setInitialScreenSizeTwips(0, 0); }
    void missingKeyGivesDefault();
    void awkwardValuesSurviveANewStore_data();
    void awkwardValuesSurviveANewStore();
    void booleansAreWrittenExactly();
    void numbersReadTheWrittenForm();
    void handEditedBareListReadsAsText();
    void pathFormsReachTheSameValue();
    void listToArray_data();
    void listToArray();
    void arrayToList();
    void addRecentItem();
    void addRecentItemKeepsTen();
    void firstRunWritesTheWholeTable();
    void secondRunChangesNothing();
    void firstRunKeepsValuesWrittenBeforeIt();
    void autoStartEntryStartsTheProgramThatWroteIt();
    void firstRunReachesTheFileBeforeItReturns();
    void batchWritesTheFileOnceAtItsEnd();
    void unwritableFileIsKeptQuietly();
    void aFileTheDiskCannotTakeStaysAsItWas_data();
    void aFileTheDiskCannotTakeStaysAsItWas();
    void aFileKeepsWhatItIsThroughItsWrites_data();
    void aFileKeepsWhatItIsThroughItsWrites();
    void damagedFileKeepsItsReadableValues();
    void binaryGarbageAfterGoodKeysIsRepairedOnFirstRead();
    void damagedFileThatCannotBePutAsideStillReadsDefaults_data();
    void damagedFileThatCannotBePutAsideStillReadsDefaults();
    void semicolonValuesSurviveTheFile();
};

void TestSettings::missingKeyGivesDefault()
{
    TempHome home;
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QStringLiteral("2"));
    SaveProperty(Section::frmMain, Key::SortCol, QString());
    // An existing empty value is not replaced by the default.
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QString());
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QString());
    DeleteKey(settingPath(Section::frmMain, Key::SortCol));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QStringLiteral("2"));
}

void TestSettings::awkwardValuesSurviveANewStore_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("list") << ";a;b;c;";
    QTest::newRow("commas") << "9600,N,8,1";
    QTest::newRow("equals") << "a=b";
    QTest::newRow("leading blank") << " starts with a blank";
    QTest::newRow("trailing blank") << "ends with a blank ";
    QTest::newRow("at sign") << "@x";
    QTest::newRow("double quotes") << "say \"hi\"";
    QTest::newRow("single quote") << "O'Brien";
    QTest::newRow("backslash") << "C:\\Sounds\\a.wav";
    QTest::newRow("sql") << "fldName Like 'A*' And fldDate > #1/1/2024#";
    QTest::newRow("hash and semicolon") << "#x;y#";
    QTest::newRow("non-ascii") << "Zoë Müller ✓";
    QTest::newRow("number-like") << "007";
    QTest::newRow("only blanks") << "   ";
}

void TestSettings::awkwardValuesSurviveANewStore()
{
    QFETCH(QString, value);
    TempHome home;
    SaveProperty(Section::frmFind, Key::CustomSQL, value);
    QCOMPARE(GetProperty(Section::frmFind, Key::CustomSQL, "default"), value);
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmFind, Key::CustomSQL, "default"), value);
}

void TestSettings::booleansAreWrittenExactly()
{
    TempHome home;
    SaveProperty(Section::frmConfiguration, Key::OnTop, boolText(true));
    SaveProperty(Section::frmConfiguration, Key::Sound, boolText(false));
    resetSettingsStore();
    QFile f(settingsFilePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray ini = f.readAll();
    QVERIFY2(ini.contains("OnTop=True\n"), ini.constData());
    QVERIFY2(ini.contains("Sound=False\n"), ini.constData());
    QVERIFY(textToBool(GetProperty(Section::frmConfiguration, Key::OnTop, "False")));
    QVERIFY(!textToBool(GetProperty(Section::frmConfiguration, Key::Sound, "True")));
    QVERIFY(textToBool(QStringLiteral("TRUE")) && textToBool(QStringLiteral("-1")));
    QVERIFY(!textToBool(QStringLiteral("false"), true));
    QVERIFY(textToBool(QStringLiteral("garbage"), true));
}

void TestSettings::numbersReadTheWrittenForm()
{
    QCOMPARE(textToNumber(QStringLiteral("7267.5")), 7267.5);
    QCOMPARE(textToNumber(QStringLiteral(" -1150 ")), -1150.0);
    // A locale's decimal comma is not the written form.
    QCOMPARE(textToNumber(QStringLiteral("7267,5"), -1), -1.0);
    QCOMPARE(textToNumber(QString(), 6), 6.0);
    // Words that a double parser would take are no numbers of ours.
    QCOMPARE(textToNumber(QStringLiteral("inf"), 6), 6.0);
    QCOMPARE(textToNumber(QStringLiteral("-INF"), 6), 6.0);
    QCOMPARE(textToNumber(QStringLiteral("nan"), 6), 6.0);
}

void TestSettings::handEditedBareListReadsAsText()
{
    TempHome home;
    QFile f(settingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[frmConfiguration]\nCommSettings=9600,N,8,1\nBlockedIPs=a,b\n");
    f.close();
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommSettings, ""), QStringLiteral("9600,N,8,1"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, ""), QStringLiteral("a,b"));
}

void TestSettings::pathFormsReachTheSameValue()
{
    TempHome home;
    WriteKey(QStringLiteral("HKCU\\Software\\Velquon\\frmMain\\ViewTime"), QStringLiteral("3"));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, "6"), QStringLiteral("3"));
    QCOMPARE(ReadKey(QStringLiteral("frmMain\\ViewTime"), "6"), QStringLiteral("3"));
}

void TestSettings::listToArray_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty") << "" << QStringList{QString()};
    QTest::newRow("delimiters only") << ";;" << QStringList{QString()};
    QTest::newRow("two") << ";a;b;" << QStringList{"a", "b"};
    QTest::newRow("gaps") << ";x;;y;" << QStringList{"x", "y"};
    QTest::newRow("no delimiters") << "solo" << QStringList{"solo"};
    QTest::newRow("recent form") << ";new;old" << QStringList{"new", "old"};
    QTest::newRow("blanks kept") << "; a ;b;" << QStringList{" a ", "b"};
}

void TestSettings::listToArray()
{
    QFETCH(QString, list);
    QFETCH(QStringList, items);
    QCOMPARE(ListToArray(list), items);
    QStringList out{"stale", "values"};
    ListToArray(list, out);
    QCOMPARE(out, items);
}

void TestSettings::arrayToList()
{
    QCOMPARE(ArrayToList({"a", "b"}), QStringLiteral(";a;b;"));
    QCOMPARE(ArrayToList({QString()}), QStringLiteral(";;"));
    QCOMPARE(ArrayToList({}), QStringLiteral(";"));
    const QStringList items{"Total Calls", "Calls in the Last Day", "x y"};
    QCOMPARE(ListToArray(ArrayToList(items)), items);
}

void TestSettings::addRecentItem()
{
    TempHome home;
    const char* s = Section::frmFind;
    const char* k = Key::NameNumber;
    // Only the first entry into an empty list gets a final ";".
    AddRecentItem(s, k, QStringLiteral("a"));
    QCOMPARE(GetProperty(s, k, "x"), QStringLiteral(";a;"));
    AddRecentItem(s, k, QStringLiteral("b"));
    QCOMPARE(GetProperty(s, k, "x"), QStringLiteral(";b;a"));

    SaveProperty(s, k, QStringLiteral(";b;A;c"));
    AddRecentItem(s, k, QStringLiteral("a"));
    QCOMPARE(GetProperty(s, k, "x"), QStringLiteral(";a;b;c"));

    // Re-adding the newest entry in other capitals replaces it.
    AddRecentItem(s, k, QStringLiteral("B"));
    QCOMPARE(GetProperty(s, k, "x"), QStringLiteral(";B;a;c"));

    // A stored empty text is an empty list too.
    SaveProperty(s, k, QString());
    AddRecentItem(s, k, QStringLiteral("z"));
    QCOMPARE(GetProperty(s, k, "x"), QStringLiteral(";z;"));
}

void TestSettings::addRecentItemKeepsTen()
{
    TempHome home;
    const char* s = Section::frmFind;
    const char* k = Key::NameNumber;
    SaveProperty(s, k, QStringLiteral(";1;2;3;4;5;6;7;8;9;10"));
    AddRecentItem(s, k, QStringLiteral("new"));
    QCOMPARE(GetProperty(s, k, ""), QStringLiteral(";new;1;2;3;4;5;6;7;8;9"));

    // An old entry in tenth place is dropped rather than moved up.
    SaveProperty(s, k, QStringLiteral(";1;2;3;4;5;6;7;8;9;10"));
    AddRecentItem(s, k, QStringLiteral("10"));
    QCOMPARE(GetProperty(s, k, ""), QStringLiteral(";10;1;2;3;4;5;6;7;8;9"));

    SaveProperty(s, k, QStringLiteral(";1;2;3;4;5;6;7;8;9;10"));
    AddRecentItem(s, k, QStringLiteral("5"));
    QCOMPARE(GetProperty(s, k, ""), QStringLiteral(";5;1;2;3;4;6;7;8;9"));

    // However often items are added, the list never passes ten and never holds two equal entries.
    for (int i = 0; i < 50; ++i)
        AddRecentItem(s, k, QString::number(i % 13) + (i % 2 ? "a" : "A"));
    const QStringList items = ListToArray(GetProperty(s, k, ""));
    QCOMPARE(items.size(), 10);
    QStringList upper;
    for (const QString& i : items)
        upper << i.toUpper();
    upper.removeDuplicates();
    QCOMPARE(upper.size(), 10);
    QCOMPARE(items.first(), QStringLiteral("10a")); // the last one added, 49
}

using Table = QMap<QString, QString>;

static Table expectedFirstRunTable(const QString& F)
{
    const QStringList rows = {
        "frmActivityLog/Height=4000",
        "frmActivityLog/Left=9900",
        "frmActivityLog/Top=6100",
        "frmActivityLog/Width=9000",
        "frmActivityLog/WindowState=0",
        "frmActivityLog/WordWrap=False",
        "frmContacts/Left=10800",
        "frmContacts/Top=6350",
        "frmContacts/AttributeGroupsFile=F/AttributeGroups.dat",
        "frmContacts/TreeView=False",
        "frmCustomizeMiniDisplay/Left=10365",
        "frmCustomizeMiniDisplay/Top=5730",
        "frmCustomizeStatistics/Left=10725",
        "frmCustomizeStatistics/Top=4830",
        "frmFind/Left=9765",
        "frmFind/Top=7125",
        "frmFind/NameNumber=",
        "frmFind/CustomStartDate=",
        "frmFind/CustomEndDate=",
        "frmFind/CustomSQL=",
        "frmFindContact/Left=11932.5",
        "frmFindContact/Top=5017.5",
        "frmFindContact/Conditions=",
        "frmMain/Ascending=True",
        "frmMain/Col0=2158",
        "frmMain/Col1=2158",
        "frmMain/Col2=2158",
        "frmMain/Col3=913",
        "frmMain/Col4=913",
        "frmMain/Height=4200",
        "frmMain/Width=8300",
        "frmMain/Left=10250",
        "frmMain/Top=6000",
        "frmMain/WindowState=0",
        "frmMain/SortCol=2",
        "frmMain/ViewTime=6",
        "frmMiniDisplay/Height=1900",
        "frmMiniDisplay/Left=10627.5",
        "frmMiniDisplay/Top=7267.5",
        "frmMiniDisplay/Width=3500",
        "frmMiniDisplay/NameNumberForeColor=14102841",
        "frmMiniDisplay/ForeColor=8418617",
        "frmMiniDisplay/BackColor=4731686",
        "frmMiniDisplay/ButtonColor=2693142",
        "frmMiniDisplay/ScreenColor=15326429",
        "frmMiniDisplay/OnTop=True",
        "frmMiniDisplay/Vibrate=True",
        "frmMiniDisplay/VibrateDuration=100",
        "frmMiniDisplay/LockSize=False",
        "frmMiniDisplay/CallerInfo=;Total Calls;Calls in the Last Day;Calls in the Last Week;"
        "Calls Between 9pm and 1am;Most Calls in a Day;Most Calls in a Week;",
        "frmMiniDisplay/LogSize=10",
        "frmMiniDisplay/PictureBackground=False",
        "frmCallerInfo/Height=1900",
        "frmCallerInfo/Left=12650",
        "frmCallerInfo/Top=7150",
        "frmCallerInfo/Width=3500",
        "frmCallerInfo/Visible=False",
        "frmContactPicture/Height=1900",
        "frmContactPicture/Left=12650",
        "frmContactPicture/Top=7150",
        "frmContactPicture/Width=3500",
        "frmContactPicture/Visible=False",
        "frmOtherInfo/Height=1900",
        "frmOtherInfo/Left=12650",
        "frmOtherInfo/Top=7150",
        "frmOtherInfo/Width=3500",
        "frmOtherInfo/Visible=False",
        "frmScheduler/Left=11160",
        "frmScheduler/Top=6150",
        "frmStatistics/Height=5000",
        "frmStatistics/Left=10400",
        "frmStatistics/Top=5600",
        "frmStatistics/Width=8000",
        "frmStatistics/WindowState=0",
        "frmStatistics/ChartStatistic=0",
        "frmStatistics/ChartType=1",
        "frmStatistics/GraphFrequency=1",
        "frmStatistics/GraphGroups=",
        "frmStatistics/GraphLegend=True",
        "frmStatistics/GraphStatistic=0",
        "frmStatistics/GraphType=3",
        "frmStatistics/TimePeriod=ANYTIME",
        "frmStatistics/SavedStats=",
        "frmStatistics/SavedGroups=",
        "frmStatistics/StatsFile=F/Statistics.dat",
        "frmConfiguration/LogOffTime=3/21/2024 2:05:07 PM",
        "frmConfiguration/CallerDBPath=F/dbCID.mdb",
        "frmConfiguration/ContactDBPath=F/dbContacts.mdb",
        "frmConfiguration/AutoStart=True",
        "frmConfiguration/Minimized=False",
        "frmConfiguration/CloseMinimize=True",
        "frmConfiguration/BlinkingIcon=True",
        "frmConfiguration/ConfirmDeletion=True",
        "frmConfiguration/MaxEventLog=100",
        "frmConfiguration/LogActivity=False",
        "frmConfiguration/Hints=True",
        "frmConfiguration/OnTop=False",
        "frmConfiguration/PopupScreen=True",
        "frmConfiguration/Sound=True",
        "frmConfiguration/Networking=0",
        "frmConfiguration/TempRemoteHosts=",
        "frmConfiguration/RemoteHost=",
        "frmConfiguration/RemotePort=270",
        "frmConfiguration/RemoteLocalPort=0",
        "frmConfiguration/LocalPort=270",
        "frmConfiguration/RestrictedNetwork=False",
        "frmConfiguration/BlockedIPs=",
        "frmConfiguration/CommPort=1",
        "frmConfiguration/CommSettings=9600,N,8,1",
        "frmConfiguration/Handshaking=0",
        "frmConfiguration/DialToneTest=True",
        "frmConfiguration/DialToneWait=20",
        "frmConfiguration/ModemString=",
        "frmConfiguration/OverrideVolume=False",
        "frmConfiguration/VolumeLevel=0",
        "frmConfiguration/VoiceRate=0",
        "frmConfiguration/VoiceStyle=Microsoft Sam",
        "frmConfiguration/DefaultSound=",
        "frmConfiguration/ImmediateSound=F/Sounds/Button.wav",
        "frmConfiguration/RingSound=",
        "frmConfiguration/BlockCallStrings=",
    };
    Table t;
    for (const QString& row : rows) {
        const int eq = int(row.indexOf(QLatin1Char('=')));
        QString value = row.mid(eq + 1);
        if (value.startsWith(QLatin1String("F/")))
            value = F + value.mid(1);
        t.insert(row.left(eq), value);
    }
    return t;
}

static Table storedTable()
{
    QSettings ini(settingsFilePath(), QSettings::IniFormat);
    Table t;
    for (const QString& key : ini.allKeys())
        t.insert(key, ini.value(key).toString());
    return t;
}

static QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestSettings::firstRunWritesTheWholeTable()
{
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    setInitialScreenSizeTwips(1920 * 15, 1080 * 15);
    InitializeSettings();
    resetSettingsStore();

    const Table expected = expectedFirstRunTable(programFolder());
    QCOMPARE(expected.size(), 121);
    const Table stored = storedTable();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(stored.value(it.key(), "<missing>") == it.value(),
                 qPrintable(it.key() + ": " + stored.value(it.key(), "<missing>")));
    QCOMPARE(stored, expected);

    // The defaults it relies on are in place: the group file and the desktop start entry.
    QVERIFY(fileBytes(home.file("AttributeGroups.dat")).startsWith("\"Default\",16711680,\"FALSE\","));
    QVERIFY(QFile::exists(autoStartEntryPath()));
}

void TestSettings::secondRunChangesNothing()
{
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    setInitialScreenSizeTwips(1920 * 15, 1080 * 15);
    InitializeSettings();
    const QByteArray once = fileBytes(settingsFilePath());
    // Running the table again over itself writes the same bytes.
    InitializeSettings();
    QCOMPARE(fileBytes(settingsFilePath()), once);

    // Once start-up has marked the settings done, a later run touches neither settings nor group file,
    // even on another day and screen, and with the user's own groups in the file.
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, boolText(true));
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("2"));
    QFile groups(home.file("AttributeGroups.dat"));
    QVERIFY(groups.open(QIODevice::WriteOnly));
    groups.write("\"Mine\",1,#FALSE#,\"\"\r\n");
    groups.close();
    const QByteArray marked = fileBytes(settingsFilePath());
    Clock::advance(86400 * 3);
    setInitialScreenSizeTwips(800 * 15, 600 * 15);
    InitializeSettings();
    QCOMPARE(fileBytes(settingsFilePath()), marked);
    QCOMPARE(fileBytes(home.file("AttributeGroups.dat")), QByteArray("\"Mine\",1,#FALSE#,\"\"\r\n"));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, ""), QStringLiteral("2"));
}

void TestSettings::firstRunKeepsValuesWrittenBeforeIt()
{
    // A settings file made by hand before the first start: a port, a short modem setting and an empty value.
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    setInitialScreenSizeTwips(1920 * 15, 1080 * 15);
    QDir().mkpath(QFileInfo(settingsFilePath()).absolutePath());
    QFile ini(settingsFilePath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[frmConfiguration]\r\nCommPort=/dev/pts/7\r\nCommSettings=9600\r\nImmediateSound=\r\n");
    ini.close();
    resetSettingsStore();
    QVERIFY(HasProperty(Section::frmConfiguration, Key::ImmediateSound));
    QVERIFY(!HasProperty(Section::frmConfiguration, Key::Handshaking));

    InitializeSettings();
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, "<missing>"), QStringLiteral("/dev/pts/7"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommSettings, "<missing>"), QStringLiteral("9600"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::ImmediateSound, "<missing>"), QString());
    // Everything else of the table is there as on any first run.
    const Table expected = expectedFirstRunTable(programFolder());
    const Table stored = storedTable();
    QCOMPARE(stored.size(), expected.size());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (it.key().endsWith(QLatin1String("/CommPort")) || it.key().endsWith(QLatin1String("/CommSettings")) ||
            it.key().endsWith(QLatin1String("/ImmediateSound")))
            continue;
        QVERIFY2(stored.value(it.key(), "<missing>") == it.value(), qPrintable(it.key()));
    }
}

void TestSettings::autoStartEntryStartsTheProgramThatWroteIt()
{
    TempHome home;
    // An entry an older start wrote: no icon, and the configured install place, where nothing may be.
    QDir().mkpath(QFileInfo(autoStartEntryPath()).absolutePath());
    QFile old(autoStartEntryPath());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("[Desktop Entry]\nType=Application\nName=Velquon\nExec=\"/usr/local/bin/velquon\"\n");
    old.close();

    SetAutoStart();
    const QString entry = QString::fromUtf8(fileBytes(autoStartEntryPath()));
    // Run from a build folder, the entry names this program, which is there.
    QCOMPARE(autoStartProgram(), QCoreApplication::applicationFilePath());
    QVERIFY(QFileInfo(autoStartProgram()).isExecutable());
    const QStringList lines = entry.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + QLatin1Char('"')));
    QVERIFY(lines.contains(QStringLiteral("Icon=velquon")));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QCOMPARE(entry, autoStartEntryText());
}

void TestSettings::firstRunReachesTheFileBeforeItReturns()
{
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    setInitialScreenSizeTwips(1920 * 15, 1080 * 15);
    InitializeSettings();
    // Read through a second reader of the file while the program's own store stays open: a process that
    // dies right after the first run must still find every value in the file.
    QCOMPARE(storedTable(), expectedFirstRunTable(programFolder()));
}

void TestSettings::batchWritesTheFileOnceAtItsEnd()
{
    TempHome home;
    SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("1"));
    const QByteArray before = fileBytes(settingsFilePath());
    {
        SettingsBatch outer;
        SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("3"));
        // A value written is seen by the next read at once.
        QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "x"), QStringLiteral("3"));
        {
            SettingsBatch inner;
            SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("9"));
            DeleteKey(settingPath(Section::frmMain, Key::SortCol));
            QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "x"), QStringLiteral("x"));
        }
        // The inner batch's end is not the end: the file is still as it was.
        QCOMPARE(fileBytes(settingsFilePath()), before);
        AddRecentItem(Section::frmFind, Key::NameNumber, QStringLiteral("a"));
        QCOMPARE(GetProperty(Section::frmFind, Key::NameNumber, ""), QStringLiteral(";a;"));
    }
    const Table t = storedTable();
    QVERIFY(!t.contains(QStringLiteral("frmMain/SortCol")));
    QCOMPARE(t.value(QStringLiteral("frmMain/ViewTime")), QStringLiteral("9"));
    QCOMPARE(t.value(QStringLiteral("frmFind/NameNumber")), QStringLiteral(";a;"));

    // Outside a batch every write reaches the file at once again.
    SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("4"));
    QCOMPARE(storedTable().value(QStringLiteral("frmMain/SortCol")), QStringLiteral("4"));
}

void TestSettings::unwritableFileIsKeptQuietly()
{
    TempHome home;
    // A folder where the settings file should be: nothing can be written there, even by root.
    QVERIFY(QDir().mkpath(settingsFilePath()));
    resetSettingsStore();
    Prompt::clearHistory();
    gErrNumber = 0;
    SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("3"));
    QCOMPARE(lastReportedTag(), QStringLiteral("modProperties_WriteKey"));
    QVERIFY(gErrNumber != 0);

    // In a batch the failure shows when the batch ends, under the same tag.
    ReportError(QStringLiteral("other"));
    {
        SettingsBatch batch;
        SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("9"));
        QCOMPARE(lastReportedTag(), QStringLiteral("other"));
    }
    QCOMPARE(lastReportedTag(), QStringLiteral("modProperties_WriteKey"));

    // Callers go on; the user is told once, in a notice that waits for no one.
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Notice);
    QVERIFY2(Prompt::history().first().text.contains(settingsFilePath() +
                                                     QStringLiteral(" cannot be used: it is a folder, not a file.")),
             qPrintable(Prompt::history().first().text));
    QVERIFY(QFileInfo(settingsFilePath()).isDir());
}

// Each of the files the program keeps whole, worked on by a step: a change named by it, which rewrites the file
// whole; "read again": the file read anew, as a start or a mode switch reads it; "turned off": the change that ends
// the program's need for the file (the autostart entry: the option turned off).
static void workOnSettings(const QString& step)
{
    if (step == QLatin1String("read again")) {
        resetSettingsStore();
        (void)GetProperty(Section::frmMain, Key::SortCol, QString());
        return;
    }
    AddRecentItem(Section::frmFind, Key::NameNumber, step);
}

static void workOnStatistics(const QString& step)
{
    if (step == QLatin1String("read again") || !gStatistics) {
        ReleaseStatistics();
        CreateDefaultStatistics();
        if (step == QLatin1String("read again"))
            return;
    }
    auto statistic = std::make_shared<clsStatistic>();
    statistic->Custom = true;
    statistic->Description = step;
    gStatistics->add(step, statistic);
    RefreshStatsFile();
}

static void workOnAttributeGroups(const QString& step)
{
    if (step == QLatin1String("read again")) {
        gAttributeGroups = KeyedCollection<clsAttributeGroup>();
        LoadAttributeGroupsFromFile(
            GetProperty(Section::frmContacts, Key::AttributeGroupsFile, defaultAttributeGroupsFile()));
        return;
    }
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = step;
    gAttributeGroups.add(step, group);
    RefreshAttributeGroupFile();
}

// The program folder's group file, the one the groups are kept in: the first step a change of the groups, every later
// one the command that puts the default groups in its place.
static void restoreDefaultGroups(const QString& step)
{
    if (step == QLatin1String("first"))
        workOnAttributeGroups(step);
    else
        CreateDefaultAttributeGroups();
}

static void workOnAutoStartEntry(const QString& step)
{
    if (step == QLatin1String("first")) {
        QDir().mkpath(QFileInfo(autoStartEntryPath()).absolutePath());
        QFile older(autoStartEntryPath());
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("[Desktop Entry]\nExec=velquon\n") > 0);
    } else if (step == QLatin1String("turned off")) {
        RemoveAutoStart();
    } else {
        SetAutoStart();
    }
}

void TestSettings::aFileTheDiskCannotTakeStaysAsItWas_data()
{
    QTest::addColumn<QString>("file");  // in the program folder
    QTest::addColumn<Change>("change"); // one that rewrites the file whole, named by its argument
    QTest::addColumn<QString>("said");  // the kept error before the system's reason (%1: the file's path)
    QTest::addColumn<QString>("tag");
    // What refuses the second change: "full disk"; "read-only" (the file without a write bit, whoever runs the
    // tests, root too); "failing sync" (the disk fails under the file system when the write is synced).
    QTest::addColumn<QString>("refusal");
    // What comes next: "change" (once the refusal is gone, a third change of the file), "another file" (once it is
    // gone, a write of the settings), "the end" (once it is gone, the program ends), "read again" (the file read
    // anew while the refusal lasts, then it is gone and a third change comes), "turned off" (the file no longer
    // wanted while the refusal lasts, then it is gone and the program ends), "the end, still refused".
    QTest::addColumn<QString>("next");
    // What the second change puts in the file; nothing for a command that is refused as a whole, which leaves the
    // file as it was for good.
    QTest::addColumn<QByteArray>("second");
    const QString settings = QStringLiteral("Unable to write the settings file %1: ");
    const QString settingsTag = QStringLiteral("modProperties_WriteKey");
    const QString statistics = QStringLiteral("The statistics file %1 cannot be written: ");
    const QString statisticsTag = QStringLiteral("modStatistics_RefreshStatsFile");
    const QString groups = QStringLiteral("The attribute group file %1 cannot be written: ");
    const QString groupsTag = QStringLiteral("modAttributeGroup_RefreshAttributeGroupFile");
    const QString entry = QStringLiteral("The autostart entry %1 cannot be written: ");
    const QString entryTag = QStringLiteral("modAPI_SetAutoStart");
    const Change onSettings = workOnSettings;
    const Change onStatistics = workOnStatistics;
    const Change onGroups = workOnAttributeGroups;
    const Change onEntry = workOnAutoStartEntry;
    const QByteArray second("second");
    const QByteArray entrySecond("Icon=velquon");
    QTest::newRow("settings") << "Velquon.ini" << onSettings << settings << settingsTag << "full disk"
                              << "change" << second;
    QTest::newRow("statistics") << "Statistics.dat" << onStatistics << statistics << statisticsTag << "full disk"
                                << "change" << second;
    QTest::newRow("attribute groups") << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
                                      << "change" << second;
    QTest::newRow("autostart entry") << "autostart/Velquon.desktop" << onEntry << entry << entryTag << "full disk"
                                     << "change" << entrySecond;
    // What the program goes on showing and using reaches its file at the next chance: the next write of any of
    // these files, and at the latest the end.
    QTest::newRow("attribute groups, then the settings")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "another file" << second;
    // The same in a copy that runs with one folder for everything, whose settings' lock is that folder's; and once
    // another's lock has taken the lock file's name, nothing of this copy's goes out there.
    QTest::newRow("attribute groups, then the settings, a running copy")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "another file, a running copy" << second;
    QTest::newRow("attribute groups, then the settings, the lock taken")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "another file, the lock taken" << QByteArray();
    QTest::newRow("settings, the end") << "Velquon.ini" << onSettings << settings << settingsTag << "full disk"
                                       << "the end" << second;
    QTest::newRow("attribute groups, the end")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "the end" << second;
    QTest::newRow("statistics, the end") << "Statistics.dat" << onStatistics << statistics << statisticsTag
                                         << "full disk"
                                         << "the end" << second;
    QTest::newRow("autostart entry, the end")
        << "autostart/Velquon.desktop" << onEntry << entry << entryTag << "full disk"
        << "the end" << entrySecond;
    // A mode switch reads the groups and the statistics anew: the change the file has not taken is what is read.
    QTest::newRow("attribute groups, read again")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "read again" << second;
    QTest::newRow("statistics, read again")
        << "Statistics.dat" << onStatistics << statistics << statisticsTag << "full disk"
        << "read again" << second;
    QTest::newRow("autostart entry, turned off")
        << "autostart/Velquon.desktop" << onEntry << entry << entryTag << "full disk"
        << "turned off" << entrySecond;
    QTest::newRow("attribute groups, let go") << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
                                              << "let go" << QByteArray();
    QTest::newRow("attribute groups, still full at the end")
        << "AttributeGroups.dat" << onGroups << groups << groupsTag << "full disk"
        << "the end, still refused" << second;
    // Refused, the default groups are not restored, and said so: the groups in use stay, and so does their file.
    QTest::newRow("the default groups, refused") << "AttributeGroups.dat" << Change(restoreDefaultGroups) << groups
                                                 << "modAttributeGroup_CreateDefaultAttributeGroups"
                                                 << "full disk"
                                                 << "another file" << QByteArray();
    QTest::newRow("settings, a read-only file") << "Velquon.ini" << onSettings << settings << settingsTag << "read-only"
                                                << "change" << second;
    QTest::newRow("settings, a failing sync")
        << "Velquon.ini" << onSettings << settings << settingsTag << "failing sync"
        << "change" << second;
}

// A full disk takes a small write and refuses it only when it is flushed: the file still holds what it held, the
// failure is kept with the system's reason, nothing is left beside the file, and the change is held: it reaches the
// file at the next chance, or the end says it is lost.
void TestSettings::aFileTheDiskCannotTakeStaysAsItWas()
{
    QFETCH(QString, file);
    QFETCH(Change, change);
    QFETCH(QString, said);
    QFETCH(QString, tag);
    QFETCH(QString, refusal);
    QFETCH(QString, next);
    QFETCH(QByteArray, second);
    TempHome home;
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    std::optional<FullDisk> disk;
    if (refusal == QLatin1String("full disk")) {
        disk.emplace(home.path());
        if (!disk->holds())
            QSKIP(qPrintable(QStringLiteral("a disk of its own cannot be mounted here: ") + disk->why()));
    }
    const QString path = home.file(file);
    const QByteArray name = QFile::encodeName(path);
    if (next.startsWith(QLatin1String("another file, ")))
        QVERIFY(runAsACopy());
    change(QStringLiteral("first"));
    const QByteArray before = fileBytes(path);
    QVERIFY(!before.isEmpty());
    int reason = ENOSPC;
    if (disk) {
        QVERIFY(disk->fill());
    } else if (refusal == QLatin1String("read-only")) {
        QVERIFY(::chmod(name.constData(), 0444) == 0);
        reason = EACCES;
    } else {
        reason = EIO;
    }
    const auto refusalGone = [&] {
        if (disk)
            disk->makeRoom();
        else if (refusal == QLatin1String("read-only"))
            QVERIFY(::chmod(name.constData(), 0644) == 0);
    };

    if (refusal == QLatin1String("failing sync")) {
        if (!runWithFailingSync([&] { change(QStringLiteral("second")); }))
            QSKIP("this system cannot make a sync fail");
    } else {
        change(QStringLiteral("second"));
    }
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(gErrDescription, said.arg(path) + QString::fromLocal8Bit(std::strerror(reason)));
    QCOMPARE(lastReportedTag(), tag);
    // Said once, however many changes meet the same refusal (a full disk leaves no room for the diagnostic log), and
    // whatever other file is written meanwhile.
    if (refusal == QLatin1String("read-only")) {
        change(QStringLiteral("second, again"));
        workOnAttributeGroups(QStringLiteral("another file written"));
        change(QStringLiteral("second, once more"));
        QCOMPARE(fileBytes(DiagnosticLog::path()).count(said.arg(path).toUtf8()), 1);
    }
    const QFileInfo info(path);
    QCOMPARE(QDir(info.absolutePath()).entryList({info.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
             QStringList());

    if (next == QLatin1String("the end, still refused")) {
        UnwrittenFiles::writeHeldAtEnd();
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(gErrDescription, said.section(QStringLiteral(" cannot be written"), 0, 0).arg(path) +
                                      QStringLiteral(" could not be written before Velquon ended (") +
                                      QString::fromLocal8Bit(std::strerror(reason)) +
                                      QStringLiteral("): the changes made to it since 3/21/2024 2:05:07 PM are lost"));
        QCOMPARE(lastReportedTag(), QStringLiteral("modMain_ShutDown"));
        // Said once, and given up: nothing is written after the end.
        refusalGone();
        QVERIFY(UnwrittenFiles::writeHeld());
        QCOMPARE(fileBytes(path), before);
        return;
    }
    if (next == QLatin1String("read again") || next == QLatin1String("turned off"))
        change(next);
    if (next == QLatin1String("let go")) { // another groups file chosen: the old one may be another copy's now
        SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, home.file(QStringLiteral("other.dat")));
        StoreLocks::holdInUse();
    }
    refusalGone();
    // Another process's lock put at the lock's name meanwhile, as a copy started then leaves it.
    std::optional<QLockFile> taken;
    if (const QByteArray lock = QFile::encodeName(SingleInstance::lockPath(settingsFilePath()));
        next.endsWith(QLatin1String("the lock taken")))
        QVERIFY(taken.emplace(QFile::decodeName(lock + "2")).tryLock(0) &&
                ::rename((lock + "2").constData(), lock.constData()) == 0);
    if (next.startsWith(QLatin1String("another file")))
        SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("3"));
    else if (next == QLatin1String("the end") || next == QLatin1String("turned off"))
        UnwrittenFiles::writeHeldAtEnd();
    else
        change(QStringLiteral("third"));
    if (next == QLatin1String("turned off")) {
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    const QByteArray after = fileBytes(path);
    if (next == QLatin1String("let go")) {
        writeHeldActivityLinesAtEnd();
        QVERIFY(fileBytes(home.file(QStringLiteral("ActivityLog.dat"))).contains(" before Velquon let go of it ("));
    }
    if (second.isEmpty()) {
        QCOMPARE(after, before);
        return;
    }
    QVERIFY(after != before);
    QVERIFY2(after.contains(second), after.constData());
    // The newest change, not an older one held before it went through.
    if (next == QLatin1String("change") && !file.startsWith(QLatin1String("autostart")))
        QVERIFY2(after.contains("third"), after.constData());
    QVERIFY(lastReportedTag() != QLatin1String("modMain_ShutDown"));
}

void TestSettings::aFileKeepsWhatItIsThroughItsWrites_data()
{
    QTest::addColumn<QString>("file");  // in the program folder
    QTest::addColumn<Change>("change"); // as above
    // What the file is before the program works on it again: "a link" (to a file elsewhere), "another user's"
    // (owned by nobody's user and group, 0600: the program runs as root, as sudo with the user's home runs it),
    // "killed writes" (what writes killed before their rename left beside it, and what else stands there).
    // "a link to another user's": the link the user's, the file another's.
    QTest::addColumn<QString>("stands");
    const Change onSettings = workOnSettings;
    const Change onStatistics = workOnStatistics;
    const Change onGroups = workOnAttributeGroups;
    const Change onEntry = workOnAutoStartEntry;
    QTest::newRow("settings, a link") << "Velquon.ini" << onSettings << "a link";
    const Change onActivityLog = [](const QString& step) { AddLastingEvent(step); };
    QTest::newRow("settings, a link to another user's file")
        << "Velquon.ini" << onSettings << "a link to another user's";
    QTest::newRow("activity log, a link to another user's file")
        << "ActivityLog.dat" << onActivityLog << "a link to another user's";
    // "... a full file": the file the link leads to is over the log's bound, and the older log's name a folder.
    QTest::newRow("activity log, a link to another user's full file")
        << "ActivityLog.dat" << onActivityLog << "a link to another user's full file";
    // "... through a linked folder": a link to "d/../x", d a link into a folder elsewhere (support/LinkedWay).
    QTest::newRow("settings, a link through a linked folder")
        << "Velquon.ini" << onSettings << "a link through a linked folder";
    QTest::newRow("activity log, another user's link through a linked folder")
        << "ActivityLog.dat" << onActivityLog << "another user's link through a linked folder";
    // VELQUON_HOME "d/../vq", d a link into a folder elsewhere: the folder is where the system takes the name.
    QTest::newRow("settings, a folder named through a linked folder")
        << "Velquon.ini" << onSettings << "a folder named through a linked folder";
    // The file's folder open to every user: run as root, nothing is written there.
    QTest::newRow("settings, a folder others may change")
        << "Velquon.ini" << onSettings << "a folder others may change";
    QTest::newRow("attribute groups, a link") << "AttributeGroups.dat" << onGroups << "a link";
    QTest::newRow("settings, another user's") << "Velquon.ini" << onSettings << "another user's";
    QTest::newRow("attribute groups, another user's") << "AttributeGroups.dat" << onGroups << "another user's";
    QTest::newRow("settings, killed writes") << "Velquon.ini" << onSettings << "killed writes";
    QTest::newRow("statistics, killed writes") << "Statistics.dat" << onStatistics << "killed writes";
    QTest::newRow("attribute groups, killed writes") << "AttributeGroups.dat" << onGroups << "killed writes";
    QTest::newRow("autostart entry, killed writes") << "autostart/Velquon.desktop" << onEntry << "killed writes";
}

// The checked replace puts the new content in the place of the file the path leads to, and leaves it what it was:
// a link stays a link, another user's file stays that user's; and a start takes away what writes of its own that
// were killed half-way left beside the file, and nothing else.
void TestSettings::aFileKeepsWhatItIsThroughItsWrites()
{
    QFETCH(QString, file);
    QFETCH(Change, change);
    QFETCH(QString, stands);
    TempHome home;
    const QString path = home.file(file);
    const QByteArray name = QFile::encodeName(path);
    if (stands == QLatin1String("a folder named through a linked folder")) {
        QVERIFY(QDir().mkpath(home.file(QStringLiteral("elsewhere/inner"))));
        QVERIFY(QFile::link(home.file(QStringLiteral("elsewhere/inner")), home.file(QStringLiteral("d"))));
        qputenv("VELQUON_HOME", QFile::encodeName(home.file(QStringLiteral("d/../vq"))));
        resetSettingsStore();
        change(QStringLiteral("second"));
        QVERIFY(fileBytes(home.file(QStringLiteral("elsewhere/vq/") + file)).contains("second"));
        QVERIFY(!QFileInfo::exists(home.file(QStringLiteral("vq"))));
        return;
    }
    change(QStringLiteral("first"));
    QVERIFY(QFileInfo(path).isFile());
    if (stands.endsWith(QLatin1String("through a linked folder"))) {
        const bool others = stands.startsWith(QLatin1String("another user's"));
        if (!makeLinkedWay(path, others))
            QSKIP("only root may give a link to another user");
        change(QStringLiteral("second"));
        QCOMPARE(fileBytes(home.file(QStringLiteral("elsewhere/x"))).contains("second"), !others);
        QVERIFY(!fileBytes(home.file(QStringLiteral("x"))).contains("second"));
        QVERIFY(QFileInfo(path).isSymLink());
        return;
    }
    const uid_t nobody = 65534;
    const QString elsewhere = home.file(QStringLiteral("elsewhere/") + QFileInfo(path).fileName());
    const bool link = stands.startsWith(QLatin1String("a link"));
    if (link) {
        QVERIFY(QDir().mkpath(QFileInfo(elsewhere).absolutePath()));
        QVERIFY(QFile::rename(path, elsewhere));
        QVERIFY(QFile::link(elsewhere, path));
    }
    const bool opened = stands == QLatin1String("a folder others may change");
    if (opened && ::chmod(QFile::encodeName(home.path()).constData(), 0777) != 0)
        QFAIL("the folder could not be opened to others");
    if (stands.contains(QLatin1String("another user's")) || opened) {
        if (::geteuid() != 0)
            QSKIP("only root may give a file to another user, and only root's writes are kept out of such a folder");
        const QByteArray owned = QFile::encodeName(link ? elsewhere : path);
        QVERIFY(opened || (::chown(owned.constData(), nobody, nobody) == 0 && ::chmod(owned.constData(), 0600) == 0));
        QVERIFY(!link || ::lchown(name.constData(), nobody - 1, nobody - 1) == 0);
    }
    if (stands.endsWith(QLatin1String("full file")))
        QVERIFY(QFile::resize(elsewhere, ActivityLogMaxBytes) && QDir().mkpath(path + QStringLiteral(".1/in")));
    std::optional<KilledWrites> killed;
    if (stands == QLatin1String("killed writes")) {
        killed.emplace(path);
        if (!killed->holds())
            QSKIP(qPrintable(killed->why()));
        for (const QString& left : killed->leftByTheKilled())
            QVERIFY2(killed->standing().contains(left), qPrintable(left));
        // What a start does with the file.
        change(QStringLiteral("read again"));
        QStringList expected = killed->notToTake();
        expected << QFileInfo(path).fileName();
        expected.sort();
        QCOMPARE(killed->standing(), expected);
        return;
    }

    change(QStringLiteral("second"));
    // Followed, the link would have root write whatever file the user names: refused, as any refused write.
    const bool foreign = (link && stands != QLatin1String("a link")) || opened;
    QCOMPARE(fileBytes(link ? elsewhere : path).contains("second"), !foreign);
    // Nor is its bound kept through it: measured, moved or emptied.
    if (stands.endsWith(QLatin1String("full file")))
        QCOMPARE(QFileInfo(elsewhere).size(), ActivityLogMaxBytes);
    if (foreign)
        return;
    struct stat info = {};
    QVERIFY(::lstat(name.constData(), &info) == 0);
    if (link) {
        QVERIFY(S_ISLNK(info.st_mode));
        QCOMPARE(QFileInfo(path).symLinkTarget(), elsewhere);
        QCOMPARE(QDir(QFileInfo(path).absolutePath())
                     .entryList({QFileInfo(path).fileName() + QStringLiteral("*")},
                                QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QFileInfo(path).fileName()});
    } else {
        QCOMPARE(info.st_uid, nobody);
        QCOMPARE(info.st_gid, gid_t(nobody));
        QCOMPARE(info.st_mode & 07777, mode_t(0600));
    }
}

void TestSettings::damagedFileKeepsItsReadableValues()
{
    TempHome home;
    // A hand edit left a section header without its "]".
    const QByteArray damaged = "[frmMain]\nSortCol=3\n[frmFind\nNameNumber=;a;\n[frmConfiguration]\nSound=False\n";
    {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    resetSettingsStore();
    Prompt::clearHistory();
    ReportError(QStringLiteral("other"));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "x"), QStringLiteral("3"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::Sound, "True"), QStringLiteral("False"));
    QCOMPARE(lastReportedTag(), QStringLiteral("modProperties_ReadKey"));
    // The user is told once, without a box to answer.
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().at(0).kind, Prompt::Kind::Notice);
    // The damaged file is kept aside as it was.
    QCOMPARE(fileBytes(settingsFilePath() + QStringLiteral(".damaged")), damaged);

    // Changes reach the file again and survive a new store.
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("9"));
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, "x"), QStringLiteral("9"));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "x"), QStringLiteral("3"));
    QCOMPARE(storedTable().value(QStringLiteral("frmMain/ViewTime")), QStringLiteral("9"));
}

// Good keys as the program writes them, then bytes of no text at all (a disk fault, a copy cut short).
static QByteArray goodKeysThenGarbage()
{
    QByteArray bytes = "[frmConfiguration]\nCommPort=/dev/ttyUSB3\nLogActivity=True\n"
                       "[frmMiniDisplay]\nCallerInfo=\";Total Calls;Calls in the Last Day;\"\n";
    bytes += "\n[\x01\xfe\n";
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i)
        bytes += char(random.bounded(256));
    return bytes;
}

void TestSettings::binaryGarbageAfterGoodKeysIsRepairedOnFirstRead()
{
    TempHome home;
    const QByteArray damaged = goodKeysThenGarbage();
    {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    {
        // The damage is real: the INI reader refuses the file once it has read it.
        QSettings check(settingsFilePath(), QSettings::IniFormat);
        check.allKeys();
        QCOMPARE(check.status(), QSettings::FormatError);
    }
    resetSettingsStore();
    Prompt::clearHistory();

    // The very first read already sees the readable values; what was lost reads as its default.
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, "1"), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogActivity, "False"), QStringLiteral("True"));
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::CallerInfo, "x"),
             QStringLiteral(";Total Calls;Calls in the Last Day;"));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QStringLiteral("2"));
    // The damaged file is kept beside the new one, byte for byte, and the user is told once.
    QCOMPARE(fileBytes(settingsFilePath() + QStringLiteral(".damaged")), damaged);
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().at(0).kind, Prompt::Kind::Notice);
    QVERIFY(Prompt::texts().at(0).contains(settingsFilePath() + QStringLiteral(".damaged")));

    // Writes reach a clean file again; reading on never tells the user a second time.
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("9"));
    for (int i = 0; i < 3; ++i)
        GetProperty(Section::frmMain, Key::ViewTime, "x");
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, "x"), QStringLiteral("9"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, "1"), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(Prompt::history().size(), 1);
    QSettings clean(settingsFilePath(), QSettings::IniFormat);
    clean.allKeys();
    QCOMPARE(clean.status(), QSettings::NoError);
}

void TestSettings::damagedFileThatCannotBePutAsideStillReadsDefaults_data()
{
    QTest::addColumn<bool>("fullDisk");
    // A folder the program may not change: the damaged file can be neither renamed nor copied.
    QTest::newRow("read-only folder") << false;
    // Put aside, but no clean file can take its place: the next start would find none.
    QTest::newRow("full disk") << true;
}

void TestSettings::damagedFileThatCannotBePutAsideStillReadsDefaults()
{
    QFETCH(bool, fullDisk);
    TempHome home;
    std::optional<FullDisk> disk;
    if (fullDisk) {
        disk.emplace(home.path());
        if (!disk->holds())
            QSKIP(qPrintable(QStringLiteral("a disk of its own cannot be mounted here: ") + disk->why()));
    }
    {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(goodKeysThenGarbage());
    }
    resetSettingsStore();
    Prompt::clearHistory();
    {
        std::optional<ReadOnlyFolder> readOnly;
        if (disk) {
            QVERIFY(disk->fill());
        } else {
            readOnly.emplace(home.path());
            QVERIFY(readOnly->holds());
        }
        QCOMPARE(GetProperty(Section::frmConfiguration, Key::CommPort, "1"), QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QStringLiteral("2"));
        QCOMPARE(Prompt::history().size(), 1);
        QVERIFY(Prompt::texts().at(0).contains(QStringLiteral("could not be put aside")));
    }
    // Changes hold for this run, and the damaged file is not overwritten with them, even once it could be.
    SaveProperty(Section::frmMain, Key::SortCol, QStringLiteral("4"));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, "2"), QStringLiteral("4"));
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(fileBytes(settingsFilePath()), goodKeysThenGarbage());
}

void TestSettings::semicolonValuesSurviveTheFile()
{
    TempHome home;
    const QString callerInfo = QStringLiteral(";Total Calls;Calls in the Last Day;Calls in the Last Week;Calls Between "
                                              "9pm and 1am;Most Calls in a Day;Most Calls in a Week;");
    const QStringList values = {callerInfo,
                                QStringLiteral(";"),
                                QStringLiteral(";;"),
                                QStringLiteral("a;b"),
                                QStringLiteral("; leading blank"),
                                QStringLiteral("x ;"),
                                QStringLiteral("\";\"")};
    for (int i = 0; i < values.size(); ++i)
        SaveProperty(Section::frmMiniDisplay, QStringLiteral("V%1").arg(i), values[i]);
    resetSettingsStore();
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(GetProperty(Section::frmMiniDisplay, QStringLiteral("V%1").arg(i), "x"), values[i]);
    // A hand edit that left such a value without its quotes keeps it too.
    {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[frmMiniDisplay]\nCallerInfo=" + callerInfo.toUtf8() + "\nLogSize=10\n");
    }
    resetSettingsStore();
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::CallerInfo, "x"), callerInfo);
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::LogSize, "x"), QStringLiteral("10"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
