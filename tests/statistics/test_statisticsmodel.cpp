#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/DataFile.h"
#include "statistics/modStatistics.h"
#include "support/AnotherCopy.h"
#include "support/TempHome.h"

namespace {

std::shared_ptr<clsContact> makeContact(const QString& name, const QStringList& numbers)
{
    auto c = std::make_shared<clsContact>();
    c->Name = name;
    for (const QString& n : numbers)
        c->AddNumber(std::make_shared<clsNumber>(n, QString()));
    return c;
}

void setContacts(const QList<std::shared_ptr<clsContact>>& contacts)
{
    gContacts = KeyedCollection<clsContact>();
    for (const auto& c : contacts)
        gContacts.add(c->Name, c);
}

template <typename T>
QStringList descriptions(const KeyedCollection<T>* collection)
{
    QStringList out;
    for (const auto& e : *collection)
        out << e.item->Description;
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
}

const QStringList kSpecialGroups = {"All Callers", "NOT RECEIVED", "PRIVATE NUMBER", "UNKNOWN NUMBER"};

} // namespace

class TestStatisticsModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void builtInsInTableOrder();
    void lookUpsIgnoreCaseAndNeverFail();
    void contactConditionsQuoteAnyNumber();
    void startUpAddsOneGroupPerContactAfterTheFileItems();
    void clientModeWaitsForTheServersContacts();
    void contactReloadsKeepGroupsInStep();
    void contactNameTakenByACaseVariantGetsNoGroup();
    void reloadOfContactsRunsTheUpdateThroughTheHook();

    void fileRoundTripKeepsEveryText();
    void fileWithoutUserItemsIsEmpty();
    void badLinesLoseOnlyThemselves();
    void longLinesAndManyItems();
    void duplicatesInTheFileAreDropped();
    void failedRewriteKeepsTheOldFile();
    void clearCustomStatsEmptiesEveryCollectionOfUserItems();
    void newAndChangeSwitchFiles();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatisticsModel::init()
{
    m_home = std::make_unique<TempHome>();
    SaveProperty(Section::frmStatistics, Key::StatsFile, m_home->file("Statistics.dat"));
    SaveError(0, QString());
    ReportError(QString());
}

void TestStatisticsModel::cleanup() { m_home.reset(); }

void TestStatisticsModel::builtInsInTableOrder()
{
    CreateDefaultStatistics();
    QCOMPARE(gStatistics->count(), 25);
    const QStringList expected = {"Total Calls",
                                  "Total Calls Answered",
                                  "Total Calls Not Answered",
                                  "Calls Between 9pm and 1am",
                                  "Blocked Calls",
                                  "Most Rings",
                                  "Average Rings",
                                  "Most Calls in a Hour",
                                  "Most Calls in 2 Hours",
                                  "Most Calls in 3 Hours",
                                  "Most Calls in 6 Hours",
                                  "Most Calls in 12 Hours",
                                  "Most Calls in a Day",
                                  "Most Calls in a Week",
                                  "Most Calls in a Month",
                                  "Most Calls in a Year",
                                  "Average Calls Per Hour",
                                  "Average Calls Per Day",
                                  "Average Calls Per Week",
                                  "Average Calls Per Month",
                                  "Average Calls Per Year",
                                  "Calls in the Last Day",
                                  "Calls in the Last Week",
                                  "Calls in the Last Month",
                                  "Calls in the Last Year"};
    QCOMPARE(descriptions(gStatistics.get()), expected);

    QStringList defaults;
    for (const auto& e : *gStatistics) {
        const clsStatistic& s = *e.item;
        QVERIFY(!s.Custom);
        if (s.Default)
            defaults << s.Description;
        if (e.key.startsWith(QLatin1String("Total")) || e.key.contains(QLatin1String("9pm")) ||
            e.key == QLatin1String("Blocked Calls")) {
            QCOMPARE(s.Style, QStringLiteral("NONE"));
        } else {
            QCOMPARE(s.Style, s.Description.toUpper());
            QVERIFY(s.Statistic.isEmpty());
        }
    }
    QCOMPARE(defaults, (QStringList{"Total Calls", "Total Calls Answered", "Total Calls Not Answered",
                                    "Calls Between 9pm and 1am", "Most Calls in a Hour", "Most Calls in a Day",
                                    "Most Calls in a Week", "Most Calls in a Month", "Average Calls Per Day",
                                    "Average Calls Per Week", "Average Calls Per Month"}));
    QCOMPARE(GetStatistic("Most Calls in a Hour", gStatistics.get())->Style, QStringLiteral("MOST CALLS IN A HOUR"));
    QCOMPARE(GetStatistic("Total Calls Answered", gStatistics.get())->Statistic,
             QStringLiteral("fldAnswered Like 'YES'"));
    QCOMPARE(GetStatistic("Total Calls Not Answered", gStatistics.get())->Statistic,
             QStringLiteral("fldAnswered Like 'NO'"));
    QCOMPARE(GetStatistic("Blocked Calls", gStatistics.get())->Statistic, QStringLiteral("fldAnswered Like 'BLOCKED'"));
    QCOMPARE(GetStatistic("Calls Between 9pm and 1am", gStatistics.get())->Statistic,
             QStringLiteral("(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' or fldDate Like "
                            "'*/*/*11:*:*PM' or fldDate Like '*/*/*12:*:*AM' or fldDate Like '*/*/* 1:*:*AM')"));

    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups);
    for (const auto& e : *gGroups) {
        QVERIFY(e.item->Default);
        QVERIFY(!e.item->Custom);
        QVERIFY(!e.item->Saved);
    }
    QVERIFY(GetGroup("All Callers", gGroups.get())->Group.isEmpty());
    QCOMPARE(GetGroup("PRIVATE NUMBER", gGroups.get())->Group,
             QStringLiteral("(fldName Like '*PRIVATE NUMBER*' or fldNumber Like '*PRIVATE NUMBER*')"));
    QCOMPARE(gCurrentStatistics->count(), 0);
    QCOMPARE(gCurrentGroups->count(), 0);
}

void TestStatisticsModel::lookUpsIgnoreCaseAndNeverFail()
{
    CreateDefaultStatistics();
    const auto total = GetStatistic("total calls", gStatistics.get());
    QCOMPARE(total.get(), gStatistics->item("Total Calls").get());

    // Shown and master collections share the item.
    gCurrentGroups->add("All Callers", gGroups->item("All Callers"));
    GetGroup("all callers", gCurrentGroups.get())->Group = "fldRings > 1";
    QCOMPARE(GetGroup("All Callers", gGroups.get())->Group, QStringLiteral("fldRings > 1"));

    QVERIFY(GetGroup("PRIVATE NUMBER", gCurrentGroups.get())->Description.isEmpty());
    QVERIFY(GetStatistic("No Such", gStatistics.get())->Description.isEmpty());
    QVERIFY(GetStatistic("Total Calls", nullptr)->Description.isEmpty());
    QCOMPARE(gErrNumber, 0);

    QVERIFY(CheckDuplicateGroup("all callers"));
    QVERIFY(!CheckDuplicateStatistic("PRIVATE NUMBER"));
    QVERIFY(CheckDuplicateStatistic("MOST RINGS"));
    QVERIFY(!CheckDuplicateGroup("Most Rings"));
}

void TestStatisticsModel::contactConditionsQuoteAnyNumber()
{
    QCOMPARE(ContactCondition(*makeContact("John", {"555-1234", "(555) 987-1234"})),
             QStringLiteral("(fldNumber like '*555-1234*' or fldNumber like '*(555) 987-1234*')"));
    QCOMPARE(ContactCondition(*makeContact("One", {"555-1234"})), QStringLiteral("(fldNumber like '*555-1234*')"));
    QVERIFY(ContactCondition(*makeContact("None", {})).isEmpty());
    // A quote cannot end the text early, and pattern characters match only themselves.
    QCOMPARE(NumberCondition("O'Hara*1#[2]?"), QStringLiteral("fldNumber like '*O''Hara[*]1[#][[]2][?]*'"));
}

void TestStatisticsModel::startUpAddsOneGroupPerContactAfterTheFileItems()
{
    writeFile(m_home->file("Statistics.dat"), "\"Group\",\"Work\",\"fldNumber Like '*555*'\"\r\n");
    setContacts(
        {makeContact("John Smith", {"555-1234"}), makeContact("Nobody", {}), makeContact("private number", {"999"})});
    CreateDefaultStatistics();
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList({"Work", "John Smith", "Nobody"}));
    const auto john = GetGroup("John Smith", gGroups.get());
    QVERIFY(john->Default);
    QVERIFY(!john->Custom);
    QCOMPARE(john->Group, QStringLiteral("(fldNumber like '*555-1234*')"));
    QVERIFY(GetGroup("Nobody", gGroups.get())->Group.isEmpty());
    // The built-in group keeps its place and takes the contact's condition only on a reload.
    QCOMPARE(GetGroup("PRIVATE NUMBER", gGroups.get())->Group,
             QStringLiteral("(fldName Like '*PRIVATE NUMBER*' or fldNumber Like '*PRIVATE NUMBER*')"));
}

void TestStatisticsModel::clientModeWaitsForTheServersContacts()
{
    gNetworkMode = Client;
    setContacts({makeContact("John Smith", {"555-1234"})});
    CreateDefaultStatistics();
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups);
    UpdateContactGroups();
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList{"John Smith"});
}

void TestStatisticsModel::contactReloadsKeepGroupsInStep()
{
    writeFile(m_home->file("Statistics.dat"), "\"Group\",\"Jane Doe\",\"fldName Like 'J*'\"\r\n"
                                              "\"Group\",\"Mine\",\"fldRings > 2\"\r\n");
    setContacts({makeContact("John Smith", {"555-1234"}), makeContact("Old Name", {"555-0000"})});
    CreateDefaultStatistics();
    for (const char* g : {"John Smith", "Old Name", "All Callers", "Mine"})
        gCurrentGroups->add(QString::fromLatin1(g), gGroups->item(QString::fromLatin1(g)));

    int refreshed = 0;
    windowLinks().customizeStatisticsGroupsChanged = [&] { ++refreshed; };

    // John gets a second number, Old Name is renamed, Jane Doe is new and owns the user-made group's name.
    setContacts({makeContact("John Smith", {"555-1234", "555-9999"}), makeContact("New Name", {"555-0000"}),
                 makeContact("Jane Doe", {"555-7777"})});
    UpdateContactGroups();
    QCOMPARE(refreshed, 1);
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList({"Jane Doe", "Mine", "John Smith", "New Name"}));
    QCOMPARE(descriptions(gCurrentGroups.get()), (QStringList{"John Smith", "All Callers", "Mine"}));
    QCOMPARE(GetGroup("John Smith", gCurrentGroups.get())->Group,
             QStringLiteral("(fldNumber like '*555-1234*' or fldNumber like '*555-9999*')"));
    const auto jane = GetGroup("Jane Doe", gGroups.get());
    QVERIFY(jane->Custom);
    QCOMPARE(jane->Group, QStringLiteral("(fldNumber like '*555-7777*')"));

    // The last contact goes: only user-made and special groups stay.
    setContacts({});
    UpdateContactGroups();
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList({"Jane Doe", "Mine"}));
    QCOMPARE(descriptions(gCurrentGroups.get()), (QStringList{"All Callers", "Mine"}));
    for (const auto& e : *gGroups)
        QVERIFY(!e.item->Saved);
}

void TestStatisticsModel::contactNameTakenByACaseVariantGetsNoGroup()
{
    writeFile(m_home->file("Statistics.dat"), "\"Group\",\"John Smith\",\"fldRings > 2\"\r\n");
    CreateDefaultStatistics();
    setContacts({makeContact("john smith", {"555-1234"}), makeContact("PRIVATE NUMBER", {})});
    UpdateContactGroups();
    QCOMPARE(GetGroup("John Smith", gGroups.get())->Group, QStringLiteral("fldRings > 2"));
    QCOMPARE(gGroups->count(), 5);
    QCOMPARE(gErrNumber, kDuplicateKeyError);
    QCOMPARE(lastReportedTag(), QStringLiteral("modStatistics_UpdateContactGroups"));
    // A contact named exactly like a built-in group gives it its condition; the built-in stays.
    QVERIFY(GetGroup("PRIVATE NUMBER", gGroups.get())->Group.isEmpty());
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList{"John Smith"});
}

void TestStatisticsModel::reloadOfContactsRunsTheUpdateThroughTheHook()
{
    CreateDefaultStatistics();
    QVERIFY(windowLinks().updateContactGroups);
    setContacts({makeContact("Ann", {"555-1111"})});
    windowLinks().updateContactGroups();
    QVERIFY(gGroups->contains("Ann"));
    ReleaseStatistics();
    QVERIFY(!windowLinks().updateContactGroups);
}

void TestStatisticsModel::fileRoundTripKeepsEveryText()
{
    CreateDefaultStatistics();
    const QList<QStringList> stats = {{"Long Calls", "fldRings > 5", "NONE"},
                                      {"Some Rings", "fldRings In (1,2,3)", "AVERAGE RINGS"},
                                      {"Say \"hi\"", "fldName Like '*\"*'", ""},
                                      {"Ünïcode, 'quoted'", "", "MOST CALLS IN A DAY"}};
    for (const auto& s : stats) {
        auto st = std::make_shared<clsStatistic>();
        st->Custom = true;
        st->Description = s[0];
        st->Statistic = s[1];
        st->Style = s[2];
        gStatistics->add(st->Description, st);
    }
    auto g = std::make_shared<clsGroup>();
    g->Custom = true;
    g->Description = "Work";
    g->Group = "fldNumber Like '555*'";
    gGroups->add(g->Description, g);
    QVERIFY(RefreshStatsFile());
    QVERIFY(readFile(m_home->file("Statistics.dat"))
                .startsWith("\"Statistic\",\"Long Calls\",\"fldRings > 5\",\"NONE\"\r\n"
                            "\"Statistic\",\"Some Rings\",\"fldRings In (1,2,3)\",\"AVERAGE RINGS\"\r\n"));
    QVERIFY(readFile(m_home->file("Statistics.dat")).endsWith("\"Group\",\"Work\",\"fldNumber Like '555*'\"\r\n"));

    ReleaseStatistics();
    CreateDefaultStatistics();
    QCOMPARE(gStatistics->count(), 29);
    for (int i = 0; i < stats.size(); ++i) {
        const auto st = gStatistics->at(25 + i);
        QCOMPARE((QStringList{st->Description, st->Statistic, st->Style}), stats[i]);
        QVERIFY(st->Custom);
        QVERIFY(!st->Default);
    }
    const auto work = GetGroup("Work", gGroups.get());
    QCOMPARE(work->Group, QStringLiteral("fldNumber Like '555*'"));
    QVERIFY(work->Custom);
    QVERIFY(!work->Default);
    QCOMPARE(gCurrentStatistics->count(), 0);
}

void TestStatisticsModel::fileWithoutUserItemsIsEmpty()
{
    writeFile(m_home->file("Statistics.dat"), "\"Group\",\"Work\",\"\"\r\n");
    CreateDefaultStatistics();
    QVERIFY(gGroups->contains("Work"));
    gGroups->remove("Work");
    QVERIFY(RefreshStatsFile());
    QCOMPARE(readFile(m_home->file("Statistics.dat")), QByteArray());

    // A file of one empty line, and no file at all, give no items and no error.
    writeFile(m_home->file("Statistics.dat"), "\r\n");
    CreateDefaultStatistics();
    QCOMPARE(gGroups->count(), 4);
    QFile::remove(m_home->file("Statistics.dat"));
    CreateDefaultStatistics();
    QCOMPARE(gStatistics->count(), 25);
    QCOMPARE(gErrNumber, 0);
}

void TestStatisticsModel::badLinesLoseOnlyThemselves()
{
    writeFile(m_home->file("Statistics.dat"),
              "\"statistic\",\"Lower\",\"\",\"NONE\"\r\n"         // tag in the wrong case: passed over
              "\"junk\",\"Group\",\"Found\",\"fldRings = 1\"\r\n" // a tag later in the line still counts
              "\"Statistic\",\"Short\",\"fldRings > 1\"\r\n"      // cut short
              "\r\n"
              "garbage without quotes\r\n"
              "\"Statistic\",\"After\",\"fldRings > 3\",\"NONE\",\"Group\",\"Two In One\",\"\"\r\n"
              "\"Group\",\"Unterminated\r\n"
              "\"Statistic\",\"Last\",\"fldRings > 4\"");
    MainWindow window;
    gMainForm = &window;
    const QByteArray original = fileBytes(m_home->file("Statistics.dat"));
    CreateDefaultStatistics();
    QCOMPARE(descriptions(gStatistics.get()).mid(25), QStringList{"After"});
    QCOMPARE(descriptions(gGroups.get()).mid(4), (QStringList{"Found", "Two In One"}));
    QCOMPARE(GetGroup("Found", gGroups.get())->Group, QStringLiteral("fldRings = 1"));
    QCOMPARE(gErrNumber, kPastEndOfFileError);
    QCOMPARE(lastReportedTag(), QStringLiteral("modStatistics_LoadStatisticsFromFile"));
    // What was passed over is said once, and the file as it was is kept: the next rewrite leaves it out.
    const QStringList said = window.lstEvents.stringList();
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.at(0), "6 line(s) of the statistics file " + m_home->file("Statistics.dat") +
                             " could not be read and were skipped (the first is line 1); the file as it was is "
                             "kept as " +
                             m_home->file("Statistics.dat.damaged"));
    QCOMPARE(fileBytes(m_home->file("Statistics.dat.damaged")), original);
    gMainForm = nullptr;
}

// A line far longer than any the program writes (a damaged file, a hostile one) costs that line only, and
// is never held whole; thousands of items load at once.
void TestStatisticsModel::longLinesAndManyItems()
{
    MainWindow window;
    gMainForm = &window;
    QByteArray bytes = "\"Statistic\",\"First\",\"\",\"NONE\"\r\n\"Group\",\"" +
                       QByteArray(DataFile::MaxLineBytes * 3, 'x') + "\",\"\"\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += QStringLiteral("\"Statistic\",\"Mine %1\",\"fldRings > %1\",\"NONE\"\r\n").arg(i).toUtf8();
    bytes += "\"Statistic\",\"MINE 17\",\"\",\"NONE\"\r\n";
    writeFile(m_home->file("Statistics.dat"), bytes);
    CreateDefaultStatistics();
    QCOMPARE(gStatistics->count(), 25 + 1 + 20000);
    QCOMPARE(GetStatistic("mine 17", gStatistics.get())->Statistic, QStringLiteral("fldRings > 17"));
    QCOMPARE(gGroups->count(), 4);
    const QStringList said = window.lstEvents.stringList();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.at(0).startsWith("1 line(s) of the statistics file " + m_home->file("Statistics.dat") +
                                   " could not be read and were skipped (the first is line 2)"),
             qPrintable(said.at(0)));
    gMainForm = nullptr;
}

void TestStatisticsModel::duplicatesInTheFileAreDropped()
{
    writeFile(m_home->file("Statistics.dat"), "\"Statistic\",\"total calls\",\"fldRings > 1\",\"NONE\"\r\n"
                                              "\"Group\",\"Work\",\"fldRings = 1\"\r\n"
                                              "\"Group\",\"WORK\",\"fldRings = 2\"\r\n"
                                              "\"Statistic\",\"Work\",\"\",\"NONE\"\r\n");
    CreateDefaultStatistics();
    QVERIFY(!GetStatistic("Total Calls", gStatistics.get())->Custom);
    QVERIFY(GetStatistic("Total Calls", gStatistics.get())->Statistic.isEmpty());
    QCOMPARE(GetGroup("work", gGroups.get())->Group, QStringLiteral("fldRings = 1"));
    QCOMPARE(gGroups->count(), 5);
    // Statistics and groups are separate name spaces.
    QVERIFY(GetStatistic("Work", gStatistics.get())->Custom);
}

void TestStatisticsModel::failedRewriteKeepsTheOldFile()
{
    CreateDefaultStatistics();
    auto st = std::make_shared<clsStatistic>();
    st->Custom = true;
    st->Description = "Mine";
    gStatistics->add(st->Description, st);
    SaveProperty(Section::frmStatistics, Key::StatsFile, m_home->file("no/such/folder/Statistics.dat"));
    QVERIFY(!RefreshStatsFile());
    QCOMPARE(lastReportedTag(), QStringLiteral("modStatistics_RefreshStatsFile"));
    QVERIFY(gStatistics->contains("Mine"));

    // A folder where the file should be: the rewrite fails and leaves it.
    QVERIFY(QDir(m_home->path()).mkpath("Taken.dat"));
    SaveProperty(Section::frmStatistics, Key::StatsFile, m_home->file("Taken.dat"));
    QVERIFY(!RefreshStatsFile());
    QVERIFY(QFileInfo(m_home->file("Taken.dat")).isDir());
}

void TestStatisticsModel::clearCustomStatsEmptiesEveryCollectionOfUserItems()
{
    writeFile(m_home->file("Statistics.dat"), "\"Statistic\",\"Mine\",\"\",\"NONE\"\r\n"
                                              "\"Group\",\"Work\",\"\"\r\n");
    setContacts({makeContact("Ann", {"1"})});
    CreateDefaultStatistics();
    gCurrentStatistics->add("Mine", gStatistics->item("Mine"));
    gCurrentStatistics->add("Total Calls", gStatistics->item("Total Calls"));
    gCurrentGroups->add("Work", gGroups->item("Work"));
    gCurrentGroups->add("Ann", gGroups->item("Ann"));
    ClearCustomStats();
    QCOMPARE(gStatistics->count(), 25);
    QCOMPARE(descriptions(gGroups.get()), kSpecialGroups + QStringList{"Ann"});
    QCOMPARE(descriptions(gCurrentStatistics.get()), QStringList{"Total Calls"});
    QCOMPARE(descriptions(gCurrentGroups.get()), QStringList{"Ann"});
}

void TestStatisticsModel::newAndChangeSwitchFiles()
{
    const QString oldFile = m_home->file("Statistics.dat");
    const QByteArray oldData = "\"Statistic\",\"Mine\",\"fldRings > 1\",\"NONE\"\r\n";
    writeFile(oldFile, oldData);
    CreateDefaultStatistics();
    QVERIFY(gStatistics->contains("Mine"));

    const QString newFile = m_home->file("Other.dat");
    QVERIFY(NewStatsFile(newFile));
    QCOMPARE(readFile(newFile), QByteArray("\r\n"));
    QCOMPARE(StatsFilePath(), newFile);
    QVERIFY(!gStatistics->contains("Mine"));
    QCOMPARE(readFile(oldFile), oldData);
    // An existing file is never overwritten by New.
    QVERIFY(!NewStatsFile(oldFile));
    QCOMPARE(readFile(oldFile), oldData);
    QCOMPARE(StatsFilePath(), newFile);

    QVERIFY(!ChangeStatsFile(m_home->file("Missing.dat")));
    QCOMPARE(StatsFilePath(), newFile);
    QVERIFY(ChangeStatsFile(oldFile));
    QCOMPARE(StatsFilePath(), oldFile);
    QCOMPARE(GetStatistic("Mine", gStatistics.get())->Statistic, QStringLiteral("fldRings > 1"));
    QCOMPARE(gStatistics->count(), 26);

    // Another copy's folder: no file is made or taken there, and the file in use stays.
    const QString theirs = m_home->file("theirs/Statistics.dat");
    QVERIFY(QDir().mkpath(m_home->file("theirs")));
    QVERIFY(QFile::copy(oldFile, theirs));
    const AnotherCopy other(m_home->file("theirs"));
    QVERIFY(other.holds());
    QVERIFY(!NewStatsFile(m_home->file("theirs/New.dat")));
    QVERIFY(!QFile::exists(m_home->file("theirs/New.dat")));
    QVERIFY(!ChangeStatsFile(theirs));
    QCOMPARE(StatsFilePath(), oldFile);
}

QTEST_GUILESS_MAIN(TestStatisticsModel)
#include "test_statisticsmodel.moc"
