#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "contacts/ContactFiles.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "support/AnotherCopy.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempHome.h"

using namespace ContactFiles;

namespace {

void store(const QString& name, const QString& number, const QString& group = QString())
{
    clsContact c;
    c.Name = name;
    c.AttributeGroup = group;
    c.AddNumber(std::make_shared<clsNumber>(number, QString()));
    QVERIFY2(AddContact(c), qPrintable(name));
}

QStringList contactNames()
{
    QStringList out;
    for (const auto& e : gContacts)
        out << e.item->Name;
    return out;
}

QStringList groupNames()
{
    QStringList out;
    for (const auto& e : gAttributeGroups)
        out << e.item->Description;
    return out;
}

QString setting(const char* section, const char* key)
{
    return GetProperty(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("(unset)"));
}

// The message boxes asked, in order (the file dialogs left out).
QStringList messages()
{
    QStringList out;
    for (const Prompt::Record& r : Prompt::history())
        if (r.kind == Prompt::Kind::Message)
            out << r.text;
    return out;
}

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

} // namespace

// The contact book's file commands on real files: the retry boxes and their texts, what a cancel keeps,
// the settings and event lines, the reloads and what the clients are sent.
class TestContactFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void newDatabaseRetriesOnAnExistingFileAndSwitches();
    void changeDatabaseRefusesMissingLoadedAndForeignFiles();
    void newGroupFileEmptiesTheGroupsEverywhere();
    void changeGroupFileLoadsItsGroups();
    void restoreWritesTheDefaultsAskingOnlyWhenTheFileExists();
    void clientModeChangesNothing();
    void aRefusedFileLeavesNoLockOnItsFolder_data();
    void aRefusedFileLeavesNoLockOnItsFolder();

private:
    std::unique_ptr<TempHome> m_home;
    QStringList m_sent;
    QString m_db;
};

void TestContactFiles::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Standalone;
    m_db = m_home->file(QStringLiteral("dbContacts.mdb"));
    QVERIFY(CreateContactDB(m_db));
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, m_db);
    CreateDefaultAttributeGroups();
    LoadAttributeGroupsFromFile(defaultAttributeGroupsFile());
    store(QStringLiteral("Ann"), QStringLiteral("555-1234"), QStringLiteral("VIP Callers"));
    m_sent.clear();
    windowLinks().broadcast = [this](const QString& text) { m_sent << text; };
    Prompt::resetScript();
}

void TestContactFiles::cleanup()
{
    windowLinks().broadcast = nullptr;
    Prompt::resetScript();
    m_home.reset();
}

void TestContactFiles::newDatabaseRetriesOnAnExistingFileAndSwitches()
{
    // The file in use exists: the box, and Cancel ends with nothing changed.
    Prompt::queueText(m_db);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!NewDatabase());
    QCOMPARE(messages(), QStringList{"This file name already exits. Choose another file name."});
    QCOMPARE(Prompt::history().at(0).kind, Prompt::Kind::SaveFile);
    QCOMPARE(Prompt::history().at(1).icon, int(Prompt::Critical));
    QCOMPARE(Prompt::history().at(1).buttons, int(Prompt::OkCancel));
    QCOMPARE(gContactDB->path(), m_db);
    QCOMPARE(contactNames(), QStringList{"Ann"});

    // OK asks again; cancelling the dialog then ends the command as well.
    Prompt::clearHistory();
    Prompt::queueText(m_db);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(QString());
    QVERIFY(!NewDatabase());
    QCOMPARE(Prompt::history().size(), 3);
    QCOMPARE(setting(Section::frmConfiguration, Key::ContactDBPath), m_db);

    const QString fresh = m_home->file(QStringLiteral("other.mdb"));
    Prompt::queueText(fresh);
    QVERIFY(NewDatabase());
    QCOMPARE(setting(Section::frmConfiguration, Key::ContactDBPath), fresh);
    QCOMPARE(gContactDB->path(), fresh);
    QVERIFY(gContacts.isEmpty());
    QCOMPARE(m_sent.last(), QStringLiteral(";CLEAR CONTACTS;"));
    // Stored into the new file, not the old one.
    store(QStringLiteral("Bob"), QStringLiteral("555-0000"));
    SqlDatabase old(m_db, SqlDatabase::Mode::ReadOnly);
    SqlStatement st = old.prepare(QStringLiteral("SELECT count(*) FROM tblContacts"));
    QVERIFY(st.step());
    QCOMPARE(st.int64(0), 1);
}

void TestContactFiles::changeDatabaseRefusesMissingLoadedAndForeignFiles()
{
    const QString missing = m_home->file(QStringLiteral("gone.mdb"));
    const QString foreign = m_home->file(QStringLiteral("notes.mdb"));
    {
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database at all");
    }
    const QString otherTables = m_home->file(QStringLiteral("calls.mdb"));
    {
        SqlDatabase db(otherTables, SqlDatabase::Mode::ReadWriteCreate);
        db.exec(QStringLiteral("CREATE TABLE tblCID (ID INTEGER)"));
    }
    Prompt::queueText(missing);
    Prompt::queueAnswer(Prompt::Ok);
    // The file in use, spelt another way.
    const QString sameFile = m_home->path() + QStringLiteral("/./dbContacts.mdb");
    Prompt::queueText(sameFile);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(foreign);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(otherTables);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!ChangeDatabase());
    QCOMPARE(messages(), (QStringList{missing + " is not a valid database file. Choose another file.",
                                      sameFile + " is already loaded. Choose another file.",
                                      foreign + " is not a valid database file. Choose another file.",
                                      otherTables + " is not a valid database file. Choose another file."}));
    QCOMPARE(setting(Section::frmConfiguration, Key::ContactDBPath), m_db);
    QCOMPARE(gContactDB->path(), m_db);

    // A real contact file is taken.
    const QString second = m_home->file(QStringLiteral("second.mdb"));
    QVERIFY(CreateContactDB(second));
    store(QStringLiteral("Zed"), QStringLiteral("555-7777"));
    QVERIFY(FindContactDB()); // back on the first file
    UpdateContactCollection();
    QCOMPARE(contactNames(), QStringList{"Ann"});
    Prompt::queueText(second);
    QVERIFY(ChangeDatabase());
    QCOMPARE(setting(Section::frmConfiguration, Key::ContactDBPath), second);
    QCOMPARE(gContactDB->path(), second);
    QCOMPARE(contactNames(), QStringList{"Zed"});
}

void TestContactFiles::newGroupFileEmptiesTheGroupsEverywhere()
{
    const QString existing = defaultAttributeGroupsFile();
    const QString fresh = m_home->file(QStringLiteral("Groups2.dat"));
    Prompt::queueText(existing);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(fresh);
    QVERIFY(NewGroupFile());
    QCOMPARE(messages(), QStringList{"This file name already exits. Choose another file name."});
    QCOMPARE(bytes(fresh), QByteArray("\r\n"));
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), fresh);
    QVERIFY(gAttributeGroups.isEmpty());
    // Ann keeps her stored group but shows none.
    QCOMPARE(gContacts.item(QStringLiteral("Ann"))->AttributeGroup, QString());
    // The clients drop the old groups and get the reloaded book.
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.at(0), QStringLiteral(";CLEAR ATTRIBUTE GROUPS;"));
    QVERIFY(m_sent.at(1).startsWith(QStringLiteral(";CLEAR CONTACTS;;CONTACT;|Ann||")));
}

void TestContactFiles::changeGroupFileLoadsItsGroups()
{
    const QString mine = m_home->file(QStringLiteral("mine.dat"));
    {
        QFile f(mine);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"VIP Callers\",99,#FALSE#,\"Speech\"\r\n\"Family\",5,#TRUE#,\"Speech\"\r\n");
    }
    const QString missing = m_home->file(QStringLiteral("none.dat"));
    const QString current = defaultAttributeGroupsFile();
    // A folder would be named as the file and passed over at every start.
    const QString folder = m_home->file(QStringLiteral("folder.dat"));
    QVERIFY(QDir().mkpath(folder));
    Prompt::queueText(missing);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(current);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(folder);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(mine);
    QVERIFY(ChangeGroupFile());
    QCOMPARE(messages(),
             (QStringList{missing + " is not a valid attribute group data file.", current + " is already loaded.",
                          folder + " is not a valid attribute group data file."}));
    QCOMPARE(groupNames(), (QStringList{"VIP Callers", "Family"}));
    QCOMPARE(gAttributeGroups.item(QStringLiteral("VIP Callers"))->Color, 99);
    QCOMPARE(gContacts.item(QStringLiteral("Ann"))->AttributeGroup, QStringLiteral("VIP Callers"));
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), mine);
    QVERIFY(m_sent.first().startsWith(QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP Callers|99|")));

    // Cancel at the first dialog: nothing changes.
    m_sent.clear();
    Prompt::queueText(QString());
    QVERIFY(!ChangeGroupFile());
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), mine);
    QVERIFY(m_sent.isEmpty());

    // Another copy's folder: no group file is made or taken there.
    const QString theirs = m_home->file(QStringLiteral("theirs/groups.dat"));
    QVERIFY(QDir().mkpath(m_home->file(QStringLiteral("theirs"))) && QFile::copy(mine, theirs));
    const AnotherCopy other(m_home->file(QStringLiteral("theirs")));
    QVERIFY(other.holds());
    Prompt::queueText(theirs);
    QVERIFY(!ChangeGroupFile());
    Prompt::queueText(m_home->file(QStringLiteral("theirs/new.dat")));
    QVERIFY(!NewGroupFile());
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("theirs/new.dat"))));
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), mine);
}

void TestContactFiles::restoreWritesTheDefaultsAskingOnlyWhenTheFileExists()
{
    const QString path = defaultAttributeGroupsFile();
    // Present: asked; Cancel keeps the file and the groups.
    SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, m_home->file(QStringLiteral("elsewhere.dat")));
    gAttributeGroups.remove(QStringLiteral("Default"));
    QFile::remove(path);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"Mine\",1,#FALSE#,\"Speech\"\r\n");
    }
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!RestoreDefaultGroups());
    QCOMPARE(messages(), QStringList{"Warning this will overwrite " + path + "."});
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(bytes(path), QByteArray("\"Mine\",1,#FALSE#,\"Speech\"\r\n"));
    QCOMPARE(groupNames(), (QStringList{"VIP Callers", "Block Calls"}));
    // OK, but the file cannot be written: the file, the groups and the setting stay as they were.
    Prompt::queueAnswer(Prompt::Ok);
    {
        ReadOnlyFile readOnly(path);
        QVERIFY(!RestoreDefaultGroups());
    }
    QCOMPARE(bytes(path), QByteArray("\"Mine\",1,#FALSE#,\"Speech\"\r\n"));
    QCOMPARE(groupNames(), (QStringList{"VIP Callers", "Block Calls"}));
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), m_home->file(QStringLiteral("elsewhere.dat")));

    // Missing: written without a question and made the file in use.
    QFile::remove(path);
    Prompt::clearHistory();
    QVERIFY(RestoreDefaultGroups());
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(groupNames(), (QStringList{"Default", "VIP Callers", "Block Calls"}));
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), path);
    QVERIFY(bytes(path).startsWith("\"Default\",16711680,"));
    QCOMPARE(gContacts.item(QStringLiteral("Ann"))->AttributeGroup, QStringLiteral("VIP Callers"));
}

void TestContactFiles::clientModeChangesNothing()
{
    gNetworkMode = Client;
    Prompt::queueText(m_home->file(QStringLiteral("x.mdb")));
    QVERIFY(!NewDatabase());
    QVERIFY(!ChangeDatabase());
    QVERIFY(!NewGroupFile());
    QVERIFY(!ChangeGroupFile());
    QVERIFY(!RestoreDefaultGroups());
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("x.mdb"))));
    gNetworkMode = Standalone;
}

void TestContactFiles::aRefusedFileLeavesNoLockOnItsFolder_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("chosen"); // in a folder of its own
    QTest::addColumn<QString>("said");   // %1: the file chosen, %2: its folder
    // The file cannot be made: a link into a folder that is not there.
    QTest::newRow("a new groups file, a link to nowhere") << "New group file"
                                                          << "groups.dat"
                                                          << "Path/File access error: No such file or directory";
    QTest::newRow("a new contact book, a file that is there")
        << "New DB"
        << "book.mdb"
        << "This file name already exits. Choose another file name.";
    // Run as root: a folder another user controls, or one every user may add to, is refused as it is chosen, before
    // anything is written there.
    QTest::newRow("a new groups file, a folder of another user's")
        << "New group file"
        << "another user's"
        << "%1.dat cannot be used: the folder %2 on the way to it belongs to nobody, not to root";
    QTest::newRow("a new groups file, a folder others may add to")
        << "New group file"
        << "others may add to"
        << "%1.dat cannot be used: the folder %2 that holds it can be changed by users other than root";
}

// A file refused in a folder of its own leaves no lock there, so a copy that uses that folder is not kept out by
// this one; the file in use and its setting stay.
void TestContactFiles::aRefusedFileLeavesNoLockOnItsFolder()
{
    QFETCH(QString, command);
    QFETCH(QString, chosen);
    QFETCH(QString, said);
    QVERIFY(runAsACopy());
    const QString folder = m_home->file(QStringLiteral("chosen"));
    const QString path = folder + QLatin1Char('/') + chosen;
    QVERIFY(QDir().mkpath(folder));
    if (chosen == QLatin1String("another user's") || chosen == QLatin1String("others may add to")) {
        if (::geteuid() != 0)
            QSKIP("only root's writes are kept out of a folder another user controls");
        QVERIFY(chosen == QLatin1String("others may add to")
                    ? ::chmod(QFile::encodeName(folder).constData(), 01777) == 0
                    : ::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    } else if (command == QLatin1String("New group file")) {
        QVERIFY(QFile::link(folder + QStringLiteral("/gone/groups.dat"), path));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("kept") == 4);
    }
    const QString groups = setting(Section::frmContacts, Key::AttributeGroupsFile);
    Prompt::queueText(path);
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(command == QLatin1String("New DB") ? !NewDatabase() : !NewGroupFile());
    QCOMPARE(messages().size(), 1);
    said.replace(QLatin1String("%1"), path).replace(QLatin1String("%2"), folder);
    QVERIFY2(messages().first().contains(said), qPrintable(messages().first()));
    QCOMPARE(setting(Section::frmConfiguration, Key::ContactDBPath), m_db);
    QCOMPARE(gContactDB->path(), m_db);
    QCOMPARE(setting(Section::frmContacts, Key::AttributeGroupsFile), groups);
    QVERIFY(!QFile::exists(folder + QStringLiteral("/Velquon.lock")));
    QCOMPARE(QFile::exists(path), command == QLatin1String("New DB"));
}

QTEST_MAIN(TestContactFiles)
#include "test_contactfiles.moc"
