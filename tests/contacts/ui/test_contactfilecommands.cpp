#include <QFile>

#include "ContactBookFixture.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"

namespace {

QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

// The File menu's contact-file and group-file commands as the contact book runs them: what the window shows
// afterwards, and that a cancel leaves it as it was.
class TestContactFileCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void newDatabaseDropsTheFormAndEmptiesTheViews();
    void groupFileCommandsRefillTheGroupList();
    void clientModeHidesTheCommands();
    void aLongTaskKeepsTheFilesInUse();

private:
    std::unique_ptr<book::Fixture> m_book;
    frmContacts* m_window = nullptr;
};

void TestContactFileCommands::init()
{
    m_book = std::make_unique<book::Fixture>();
    Prompt::resetScript();
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, m_book->path);
    RefreshAttributeGroupFile();
    m_book->store(book::contact(QStringLiteral("Ann"), {"555-1234"}, QStringLiteral("VIP Callers")));
    m_window = m_book->open();
}

void TestContactFileCommands::cleanup()
{
    m_book->close();
    m_book.reset();
}

void TestContactFileCommands::newDatabaseDropsTheFormAndEmptiesTheViews()
{
    m_window->SetContact(QStringLiteral("Ann"));
    m_window->txtName->setText(QStringLiteral("Ann edited"));
    QVERIFY(m_window->CheckChange());

    // Cancelled: the edits and the file stay.
    Prompt::queueText(QString());
    TRIGGER(m_window, "mnuFileNew");
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Ann edited"));
    QCOMPARE(gContactDB->path(), m_book->path);

    const QString fresh = m_book->home->file(QStringLiteral("fresh.mdb"));
    Prompt::clearHistory();
    Prompt::queueText(fresh);
    TRIGGER(m_window, "mnuFileNew");
    // No save question: the edits belonged to the other file.
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(gContactDB->path(), fresh);
    QCOMPARE(m_window->txtName->text(), QString());
    QCOMPARE(m_window->views().list.rowCount(), 0);
    QVERIFY(!m_window->views().tree.contactIndex(QStringLiteral("Ann")).isValid());
    QCOMPARE(book::panel(m_window, "contacts"), QStringLiteral("0 Contacts"));
    QVERIFY(!m_window->CheckChange());

    // Back to the first file through Change DB.
    Prompt::queueText(m_book->path);
    TRIGGER(m_window, "mnuFileChange");
    QCOMPARE(gContactDB->path(), m_book->path);
    QCOMPARE(m_window->views().list.rowCount(), 1);
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Ann"));
}

void TestContactFileCommands::groupFileCommandsRefillTheGroupList()
{
    auto* groups = ui::findByName<QComboBox>(m_window, QStringLiteral("cboAttributeGroup"));
    QCOMPARE(items(groups), (QStringList{"<none>", "Default", "VIP Callers", "Block Calls"}));

    Prompt::queueText(m_book->home->file(QStringLiteral("empty.dat")));
    TRIGGER(m_window, "mnuFileNewAttributeGroupFile");
    QCOMPARE(items(groups), QStringList{"<none>"});
    // Ann has no group left: at the root of the tree, which holds no group node.
    QCOMPARE(m_window->views().tree.childTexts(), QStringList{"Ann"});

    // Restore: the program folder's file is missing, so nothing is asked.
    QFile::remove(defaultAttributeGroupsFile());
    Prompt::clearHistory();
    TRIGGER(m_window, "mnuFileRestore");
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(items(groups), (QStringList{"<none>", "Default", "VIP Callers", "Block Calls"}));
    const QModelIndex vip = m_window->views().tree.groupIndex(QStringLiteral("VIP Callers"));
    QCOMPARE(m_window->views().tree.childTexts(vip), QStringList{"Ann"});

    // Restore again: the file exists now, Cancel keeps everything.
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(m_window, "mnuFileRestore");
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
}

void TestContactFileCommands::clientModeHidesTheCommands()
{
    m_book->close();
    gNetworkMode = Client;
    m_window = m_book->open();
    for (const char* name : {"mnuFileNew", "mnuFileChange", "mnuFileNewAttributeGroupFile",
                             "mnuFileChangeAttributeGroupFile", "mnuFileRestore"})
        QVERIFY2(!ui::findByName<QAction>(m_window, QLatin1String(name))->isVisible(), name);
    QVERIFY(ui::isReachable(m_window, QStringLiteral("mnuPrint")));
    QVERIFY(ui::isReachable(m_window, QStringLiteral("mnuEditFind")));
    m_book->close();
    gNetworkMode = Standalone;
}

void TestContactFileCommands::aLongTaskKeepsTheFilesInUse()
{
    // A refill matching calls to contacts, or a statistics run over the groups, lets the event loop run: the
    // book's files are not replaced under it, and the user is told why.
    const QString groups = GetProperty(Section::frmContacts, Key::AttributeGroupsFile, QString());
    const LongTask task(QStringLiteral("Processing Grid Data..."));
    for (const char* name : {"mnuFileNew", "mnuFileChange", "mnuFileNewAttributeGroupFile",
                             "mnuFileChangeAttributeGroupFile", "mnuFileRestore"}) {
        Prompt::resetScript();
        Prompt::queueText(m_book->home->file(QStringLiteral("other.mdb")));
        TRIGGER(m_window, name);
        QCOMPARE(Prompt::history().size(), 1);
        QVERIFY2(Prompt::history().first().text.startsWith(
                     QStringLiteral("\"Processing Grid Data...\" is still running: the ")),
                 name);
    }
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()), m_book->path);
    QCOMPARE(GetProperty(Section::frmContacts, Key::AttributeGroupsFile, QString()), groups);
}

QTEST_MAIN(TestContactFileCommands)
#include "test_contactfilecommands.moc"
