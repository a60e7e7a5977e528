#include "core/clsAttributeGroup.h"
#include "core/modAttributeGroup.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"

class TestAttributeGroups : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void textFormOfAnEmptyGroup();
    void buildReadsLeadingNumbersAndTruthValues();
    void buildReadsSpacedHalfAndHugeColours();
    void buildStopsAtTheFirstBadField();
    void negativeAndLargeColours();
    void defaultFileAndLoad();
    void rewriteWritesTrueFlagsAndLoadsBackTheSame();
    void duplicateDescriptionKeepsTheFirst();
    void groupsAlreadyLoadedWin();
    void quotesInFieldsDoNotBreakTheFile();
    void badLinesAreSkippedAndSaidOnce();
    void manyGroupsLoadWhole();
    void aHugeLineIsSkippedWithoutBeingHeld();
    void readsColourAndBlockInEveryWritten();
    void missingFileLoadsAndSendsNothing();
    void rewriteFollowsTheSetting();
    void failedRewriteKeepsTheOldFile();
    void sendsTheExactText();
    void clientModeTouchesNothing();
    void lookups();

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<clsServer> m_server;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestAttributeGroups::init()
{
    m_home = std::make_unique<TempHome>();
    m_server = std::make_unique<clsServer>();
    windowLinks().broadcast = [server = m_server.get()](const QString& text) { server->SendData(text, -1, -1); };
    m_sent = std::make_unique<QSignalSpy>(m_server.get(), &clsServer::dataSent);
}

void TestAttributeGroups::cleanup()
{
    m_sent.reset();
    m_home.reset();
    m_server.reset();
}

static QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

static void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

static QStringList descriptions()
{
    QStringList out;
    for (const auto& e : gAttributeGroups)
        out << e.item->Description;
    return out;
}

void TestAttributeGroups::textFormOfAnEmptyGroup()
{
    const clsAttributeGroup empty;
    QCOMPARE(empty.PrintSend(), QStringLiteral("||0|False||"));
    clsAttributeGroup back;
    back.Build(empty.PrintSend());
    QVERIFY(!back.BadData());
    QCOMPARE(back.Description, QString());
    QCOMPARE(back.Color, 0);
    QCOMPARE(back.Block, false);
    QCOMPARE(back.Sound, QString());

    clsAttributeGroup vip;
    vip.Description = QStringLiteral("VIP Callers");
    vip.Color = 65280;
    vip.Sound = QStringLiteral("Speech");
    QCOMPARE(vip.PrintSend(), QStringLiteral("|VIP Callers|65280|False|Speech|"));
    vip.Block = true;
    clsAttributeGroup vipBack;
    vipBack.Build(vip.PrintSend());
    QCOMPARE(vipBack.PrintSend(), QStringLiteral("|VIP Callers|65280|True|Speech|"));
}

void TestAttributeGroups::buildReadsLeadingNumbersAndTruthValues()
{
    struct Case {
        const char* text;
        qint32 colour;
        bool block;
    };
    const Case cases[] = {
        {"|A|12ab|true|x.wav|", 12, true},
        {"|A| 1 2 |FALSE|x.wav|", 12, false},
        {"|A|2.5|0|x.wav|", 2, false},
        {"|A|3.5|-1|x.wav|", 4, true},
        {"|A|1e3|7|x.wav|", 1000, true},
        {"|A|abc|TrUe|x.wav|", 0, true},
        {"|A||false|x.wav|extra|fields", 0, false},
        {"|A|-12.5x|False|x.wav|", -12, false},
    };
    for (const Case& c : cases) {
        clsAttributeGroup g;
        g.Build(QString::fromLatin1(c.text));
        QVERIFY2(!g.BadData(), c.text);
        QCOMPARE(g.Description, QStringLiteral("A"));
        QCOMPARE(g.Color, c.colour);
        QCOMPARE(g.Block, c.block);
        QCOMPARE(g.Sound, QStringLiteral("x.wav"));
    }
}

void TestAttributeGroups::buildReadsSpacedHalfAndHugeColours()
{
    // Blanks inside the number are ignored; a half goes to the even neighbour; a number is a truth value.
    clsAttributeGroup spaced;
    spaced.Build(QStringLiteral("|A| 2 5 |0|s|"));
    QVERIFY(!spaced.BadData());
    QCOMPARE(spaced.Color, 25);
    QCOMPARE(spaced.Block, false);
    clsAttributeGroup half;
    half.Build(QStringLiteral("|A|2.5|1|s|"));
    QVERIFY(!half.BadData());
    QCOMPARE(half.Color, 2);
    QCOMPARE(half.Block, true);
    QCOMPARE(half.Sound, QStringLiteral("s"));
    clsAttributeGroup huge;
    huge.Build(QStringLiteral("|A|99999999999|False|s|"));
    QVERIFY(huge.BadData());
}

void TestAttributeGroups::buildStopsAtTheFirstBadField()
{
    clsAttributeGroup g;
    g.Sound = QStringLiteral("old.wav");
    g.Build(QStringLiteral("|A|5|"));
    QVERIFY(g.BadData());
    QCOMPARE(g.Description, QStringLiteral("A"));
    QCOMPARE(g.Color, 5);
    QCOMPARE(g.Sound, QStringLiteral("old.wav"));

    clsAttributeGroup word;
    word.Build(QStringLiteral("|B|1|yes|s|"));
    QVERIFY(word.BadData());
    QCOMPARE(word.Sound, QString());

    clsAttributeGroup nan;
    nan.Build(QStringLiteral("|N|1|nan|s|"));
    QVERIFY(nan.BadData());

    clsAttributeGroup huge;
    huge.Build(QStringLiteral("|C|99999999999|True|s|"));
    QVERIFY(huge.BadData());
    QCOMPARE(huge.Description, QStringLiteral("C"));
    QCOMPARE(huge.Block, false);

    // Once bad, always bad.
    huge.Build(QStringLiteral("|D|1|True|s|"));
    QVERIFY(huge.BadData());
    QVERIFY(Prompt::history().isEmpty());
}

void TestAttributeGroups::negativeAndLargeColours()
{
    clsAttributeGroup g;
    g.Color = -1;
    QCOMPARE(g.PrintSend(), QStringLiteral("||-1|False||"));
    clsAttributeGroup back;
    back.Build(g.PrintSend());
    QCOMPARE(back.Color, -1);
    back.Build(QStringLiteral("|x|2147483647|False||"));
    QCOMPARE(back.Color, 2147483647);
    QVERIFY(!back.BadData());
}

void TestAttributeGroups::defaultFileAndLoad()
{
    CreateDefaultAttributeGroups();
    const QString F = m_home->path();
    const QByteArray expected = "\"Default\",16711680,\"FALSE\",\"" + F.toUtf8() +
                                "/Sounds/Xylophone.wav\"\r\n"
                                "\"VIP Callers\",65280,\"FALSE\",\"" +
                                F.toUtf8() +
                                "/Sounds/Snaredrumroll.wav\"\r\n"
                                "\"Block Calls\",255,\"TRUE\",\"" +
                                F.toUtf8() + "/Sounds/Alarm.wav\"\r\n";
    QCOMPARE(fileBytes(m_home->file("AttributeGroups.dat")), expected);
    // Creating the defaults neither fills nor sends the collection.
    QVERIFY(gAttributeGroups.isEmpty());
    QVERIFY(m_sent->isEmpty());

    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    QCOMPARE(descriptions(), (QStringList{"Default", "VIP Callers", "Block Calls"}));
    const auto block = GetAttributeGroup(QStringLiteral("block calls"));
    QCOMPARE(block->Block, true);
    QCOMPARE(block->Color, 255);
    QCOMPARE(block->Sound, F + "/Sounds/Alarm.wav");
    QCOMPARE(GetAttributeGroup(QStringLiteral("Default"))->Block, false);
    QCOMPARE(GetAttributeGroup(QStringLiteral("Default"))->Color, 16711680);
    QCOMPARE(m_sent->size(), 1);

    // Creating the defaults again replaces whatever the file held.
    writeFile(defaultAttributeGroupsFile(), "\"Mine\",1,#TRUE#,\"\"\r\n");
    CreateDefaultAttributeGroups();
    QCOMPARE(fileBytes(defaultAttributeGroupsFile()), expected);
}

void TestAttributeGroups::rewriteWritesTrueFlagsAndLoadsBackTheSame()
{
    CreateDefaultAttributeGroups();
    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    const QStringList before = [] {
        QStringList out;
        for (const auto& e : gAttributeGroups)
            out << e.item->PrintSend();
        return out;
    }();
    m_sent->clear();
    RefreshAttributeGroupFile();
    const QByteArray bytes = fileBytes(defaultAttributeGroupsFile());
    QVERIFY(bytes.contains("\"Block Calls\",255,#TRUE#,"));
    QVERIFY(bytes.contains("\"Default\",16711680,#FALSE#,"));
    QCOMPARE(bytes.count("\r\n"), 3);
    QCOMPARE(m_sent->size(), 1);

    gAttributeGroups = {};
    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    QStringList after;
    for (const auto& e : gAttributeGroups)
        after << e.item->PrintSend();
    QCOMPARE(after, before);
    // A rewrite of an unchanged collection writes the same bytes.
    RefreshAttributeGroupFile();
    QCOMPARE(fileBytes(defaultAttributeGroupsFile()), bytes);
}

void TestAttributeGroups::duplicateDescriptionKeepsTheFirst()
{
    writeFile(m_home->file("g.dat"), "\"Default\",1,#FALSE#,\"first.wav\"\r\n"
                                     "\"Other\",2,#FALSE#,\"\"\r\n"
                                     "\"DEFAULT\",3,#TRUE#,\"second.wav\"\r\n");
    LoadAttributeGroupsFromFile(m_home->file("g.dat"));
    QCOMPARE(descriptions(), (QStringList{"Default", "Other"}));
    QCOMPARE(GetAttributeGroup(QStringLiteral("default"))->Sound, QStringLiteral("first.wav"));
    QCOMPARE(GetAttributeGroup(QStringLiteral("default"))->Color, 1);
}

void TestAttributeGroups::groupsAlreadyLoadedWin()
{
    auto mine = std::make_shared<clsAttributeGroup>();
    mine->Description = QStringLiteral("VIP Callers");
    mine->Color = 42;
    gAttributeGroups.add(mine->Description, mine);
    CreateDefaultAttributeGroups();
    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    QCOMPARE(descriptions(), (QStringList{"VIP Callers", "Default", "Block Calls"}));
    QCOMPARE(GetAttributeGroup(QStringLiteral("VIP Callers"))->Color, 42);
}

void TestAttributeGroups::quotesInFieldsDoNotBreakTheFile()
{
    SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, m_home->file("q.dat"));
    const QList<QStringList> groups = {
        {"The \"Boss\"", "/snd/say \"hi\", then, bye.wav"},
        {"Comma, group", "Speech"},
        {"After", ""},
    };
    for (const QStringList& g : groups) {
        auto group = std::make_shared<clsAttributeGroup>();
        group->Description = g[0];
        group->Sound = g[1];
        group->Color = 7;
        gAttributeGroups.add(group->Description, group);
    }
    RefreshAttributeGroupFile();
    gAttributeGroups = {};
    LoadAttributeGroupsFromFile(m_home->file("q.dat"));
    QCOMPARE(gAttributeGroups.count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(gAttributeGroups.at(i)->Description, groups[i][0]);
        QCOMPARE(gAttributeGroups.at(i)->Sound, groups[i][1]);
        QCOMPARE(gAttributeGroups.at(i)->Color, 7);
    }
}

void TestAttributeGroups::badLinesAreSkippedAndSaidOnce()
{
    MainWindow window;
    gMainForm = &window;
    const QByteArray original = "\"One\",1,#FALSE#,\"\"\r\n"
                                "\"Two\",2,\"maybe\",\"\"\r\n"
                                "\"Short\",2\r\n"
                                "\"Huge\",1e40,#FALSE#,\"\"\r\n"
                                "\"Three\",3,#FALSE#,\"\"\r\n";
    writeFile(m_home->file("AttributeGroups.dat"), original);
    LoadAttributeGroupsFromFile(m_home->file("AttributeGroups.dat"));
    // The lines after a bad one are read as usual, and what was read is sent.
    QCOMPARE(descriptions(), (QStringList{"One", "Three"}));
    QCOMPARE(m_sent->size(), 1);
    QVERIFY(m_sent->at(0).at(0).toString().contains("|Three|"));
    const QStringList said = window.lstEvents.stringList();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.at(0).startsWith("3 line(s) of the attribute group file " + m_home->file("AttributeGroups.dat") +
                                   " could not be read and were skipped (the first is line 2)"),
             qPrintable(said.at(0)));
    QVERIFY(Prompt::history().isEmpty());

    // A rewrite keeps every group that was read; the file as it was stays beside it.
    RefreshAttributeGroupFile();
    gAttributeGroups = {};
    LoadAttributeGroupsFromFile(m_home->file("AttributeGroups.dat"));
    QCOMPARE(descriptions(), (QStringList{"One", "Three"}));
    QCOMPARE(fileBytes(m_home->file("AttributeGroups.dat.damaged")), original);
    QCOMPARE(window.lstEvents.stringList().size(), 1);
    gMainForm = nullptr;
}

void TestAttributeGroups::manyGroupsLoadWhole()
{
    // Ten thousand groups, a few of them again under another case: every other one is there, in file order.
    QByteArray bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += QStringLiteral("\"Group %1\",%1,#FALSE#,\"\"\r\n").arg(i).toUtf8();
    bytes += "\"GROUP 17\",1,#TRUE#,\"\"\r\n\"group 9999\",2,#TRUE#,\"\"\r\n";
    writeFile(m_home->file("many.dat"), bytes);
    LoadAttributeGroupsFromFile(m_home->file("many.dat"));
    QCOMPARE(gAttributeGroups.count(), 10000);
    QCOMPARE(gAttributeGroups.at(0)->Description, QStringLiteral("Group 0"));
    QCOMPARE(gAttributeGroups.at(9999)->Description, QStringLiteral("Group 9999"));
    QCOMPARE(GetAttributeGroup("group 17")->Color, 17);
    QVERIFY(!GetAttributeGroup("GROUP 17")->Block);
    // Loading the file again adds nothing: the groups already there win.
    LoadAttributeGroupsFromFile(m_home->file("many.dat"));
    QCOMPARE(gAttributeGroups.count(), 10000);
}

// A line of many megabytes (a damaged or hostile file) is no group name: it is skipped as it is read, said
// with the others, and the groups around it load.
void TestAttributeGroups::aHugeLineIsSkippedWithoutBeingHeld()
{
    MainWindow window;
    gMainForm = &window;
    const QByteArray huge = "\"" + QByteArray(8 * 1024 * 1024, 'x') + "\",1,#FALSE#,\"\"\r\n";
    writeFile(m_home->file("AttributeGroups.dat"), "\"One\",1,#FALSE#,\"\"\r\n" + huge + "\"Two\",2,#FALSE#,\"\"\r\n");
    LoadAttributeGroupsFromFile(m_home->file("AttributeGroups.dat"));
    QCOMPARE(descriptions(), (QStringList{"One", "Two"}));
    const QStringList said = window.lstEvents.stringList();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.at(0).startsWith("1 line(s) of the attribute group file " + m_home->file("AttributeGroups.dat") +
                                   " could not be read and were skipped (the first is line 2)"),
             qPrintable(said.at(0)));
    gMainForm = nullptr;
}

void TestAttributeGroups::readsColourAndBlockInEveryWritten()
{
    // Hand-written and older files: quoted words, LF line ends, a colour with trailing text, no colour at
    // all, and a blank last line.
    writeFile(m_home->file("mixed.dat"), "\"A\",12ab,\"TRUE\",\"a.wav\"\n"
                                         "\"B\",,\"false\",\"b.wav\"\r\n"
                                         "\"C\",\"255\",#TRUE#,\"c.wav\"\r\n"
                                         "\"D\",2.5,0,\"d.wav\"\r\n"
                                         "\r\n");
    LoadAttributeGroupsFromFile(m_home->file("mixed.dat"));
    QCOMPARE(descriptions(), (QStringList{"A", "B", "C", "D"}));
    const qint32 colours[] = {12, 0, 255, 2};
    const bool blocks[] = {true, false, true, false};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(gAttributeGroups.at(i)->Color, colours[i]);
        QCOMPARE(gAttributeGroups.at(i)->Block, blocks[i]);
    }
    QCOMPARE(gAttributeGroups.at(3)->Sound, QStringLiteral("d.wav"));
    QCOMPARE(m_sent->size(), 1);
}

void TestAttributeGroups::missingFileLoadsAndSendsNothing()
{
    LoadAttributeGroupsFromFile(m_home->file("nowhere.dat"));
    QVERIFY(gAttributeGroups.isEmpty());
    QVERIFY(m_sent->isEmpty());
    QVERIFY(!QFile::exists(m_home->file("nowhere.dat")));
}

void TestAttributeGroups::rewriteFollowsTheSetting()
{
    CreateDefaultAttributeGroups();
    const QByteArray defaults = fileBytes(defaultAttributeGroupsFile());
    SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, m_home->file("elsewhere.dat"));
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = QStringLiteral("Only");
    gAttributeGroups.add(g->Description, g);
    RefreshAttributeGroupFile();
    QCOMPARE(fileBytes(m_home->file("elsewhere.dat")), QByteArray("\"Only\",0,#FALSE#,\"\"\r\n"));
    QCOMPARE(fileBytes(defaultAttributeGroupsFile()), defaults);
}

void TestAttributeGroups::failedRewriteKeepsTheOldFile()
{
    SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, m_home->file("no/such/folder/g.dat"));
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = QStringLiteral("X");
    gAttributeGroups.add(g->Description, g);
    RefreshAttributeGroupFile();
    QCOMPARE(lastReportedTag(), QStringLiteral("modAttributeGroup_RefreshAttributeGroupFile"));
    QVERIFY(m_sent->isEmpty());
    QVERIFY(Prompt::history().isEmpty());
}

void TestAttributeGroups::sendsTheExactText()
{
    auto a = std::make_shared<clsAttributeGroup>();
    a->Description = QStringLiteral("Default");
    a->Color = 16711680;
    a->Sound = QStringLiteral("/s/x.wav");
    auto b = std::make_shared<clsAttributeGroup>();
    b->Description = QStringLiteral("Block Calls");
    b->Color = 255;
    b->Block = true;
    b->Sound = QStringLiteral("Speech");
    gAttributeGroups.add(a->Description, a);
    gAttributeGroups.add(b->Description, b);
    SendAttributeGroups();
    QCOMPARE(texts(*m_sent), QStringList{";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Default|16711680|False|/s/x.wav|"
                                         ";ATTRIBUTE GROUP;|Block Calls|255|True|Speech|"});

    gAttributeGroups = {};
    SendAttributeGroups();
    QCOMPARE(texts(*m_sent).last(), QStringLiteral(";CLEAR ATTRIBUTE GROUPS;"));

    // Without a server there is nobody to send to, and nothing fails.
    windowLinks().broadcast = nullptr;
    SendAttributeGroups();
    QCOMPARE(m_sent->size(), 2);
}

void TestAttributeGroups::clientModeTouchesNothing()
{
    CreateDefaultAttributeGroups();
    const QByteArray before = fileBytes(defaultAttributeGroupsFile());
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = QStringLiteral("From server");
    gAttributeGroups.add(g->Description, g);

    gNetworkMode = Client;
    writeFile(m_home->file("other.dat"), "\"Other\",1,#FALSE#,\"\"\r\n");
    LoadAttributeGroupsFromFile(m_home->file("other.dat"));
    RefreshAttributeGroupFile();
    QFile::remove(defaultAttributeGroupsFile());
    CreateDefaultAttributeGroups();
    QVERIFY(!QFile::exists(defaultAttributeGroupsFile()));
    writeFile(defaultAttributeGroupsFile(), before);
    RefreshAttributeGroupFile();
    SendAttributeGroups();

    QCOMPARE(descriptions(), QStringList{"From server"});
    QCOMPARE(fileBytes(defaultAttributeGroupsFile()), before);
    QVERIFY(m_sent->isEmpty());
    // The client's own copy still answers look-ups.
    QVERIFY(CheckDuplicateAttributeGroup(QStringLiteral("FROM SERVER")));
    QCOMPARE(GetAttributeGroup(QStringLiteral("from server")), g);
}

void TestAttributeGroups::lookups()
{
    CreateDefaultAttributeGroups();
    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    QVERIFY(CheckDuplicateAttributeGroup(QStringLiteral("vip callers")));
    QVERIFY(!CheckDuplicateAttributeGroup(QStringLiteral("VIP")));
    QVERIFY(!CheckDuplicateAttributeGroup(QString()));
    // The Kelvin sign is a "k" to the collection's key though not in capitals: still a duplicate.
    auto k = std::make_shared<clsAttributeGroup>();
    k->Description = QStringLiteral("kin");
    QVERIFY(gAttributeGroups.add(k->Description, k));
    QVERIFY(CheckDuplicateAttributeGroup(QString(QChar(0x212A)) + QStringLiteral("IN")));
    QVERIFY(!gAttributeGroups.add(QString(QChar(0x212A)) + QStringLiteral("IN"), k));

    gErrNumber = 0;
    const auto missing = GetAttributeGroup(QStringLiteral("<none>"));
    QVERIFY(missing != nullptr);
    QCOMPARE(missing->Description, QString());
    QCOMPARE(missing->Color, 0);
    QCOMPARE(missing->Block, false);
    QVERIFY(gErrNumber != 0);
    QVERIFY(Prompt::history().isEmpty());
    // A fresh empty group each time: changing one cannot leak into the next look-up.
    missing->Block = true;
    QCOMPARE(GetAttributeGroup(QString())->Block, false);
}

QTEST_GUILESS_MAIN(TestAttributeGroups)
#include "test_attributegroups.moc"
