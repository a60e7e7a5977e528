#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>

#include "ContactBookFixture.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/DataFile.h"
#include "support/ResetForTests.h"

namespace {

const QString BlockWarning = QStringLiteral("This attribute group WILL BE BLOCKED from making \r\nincoming calls? Are "
                                            "you sure you want to block all \r\nof this contact's calls?");

// The next attribute-group editor gets each description in turn, pressing Save after each, then Cancel if
// it is still open; the texts of the boxes it raised are in Prompt's history.
void answerGroupEditor(const QStringList& descriptions, QString* caption = nullptr, bool* block = nullptr)
{
    ModalDialog::queueScript([=](QDialog& d) {
        if (caption)
            *caption = d.windowTitle();
        auto* text = d.findChild<QLineEdit*>(QStringLiteral("txtDescription"));
        if (block)
            d.findChild<QCheckBox*>(QStringLiteral("chkBlock"))->setChecked(*block);
        for (const QString& description : descriptions) {
            if (!d.isVisible())
                break;
            text->setText(description);
            d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
        }
        if (d.isVisible())
            d.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
}

QStringList fileGroups()
{
    QStringList out;
    const auto records = DataFile::readAll(defaultAttributeGroupsFile());
    if (records)
        for (const auto& r : *records)
            if (!r.isEmpty())
                out << r.at(0).toString();
    return out;
}

QString storedGroup(const QString& name)
{
    SqlStatement st =
        gContactDB->prepare(QStringLiteral("SELECT fldAttributeGroup FROM tblContacts WHERE fldName = ?"));
    st.bind(1, name);
    return st.step() ? st.text(0) : QStringLiteral("(no row)");
}

} // namespace

// The group commands of the contact book with a real group file, a real contact file and a client
// connected over loopback: the editor's checks, the block warning, and how an add, a rename and a removal
// reach the collection, the file, the contacts, the tree and the client.
class TestAttributeGroupCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void editorRefusesNumericAndDuplicateNames();
    void addedGroupIsFiledShownFirstAndChosen();
    void blockWarningOnlyForTheUsersChoice();
    void renameReachesFileContactsTreeAndClient();
    void editorKeepsAnOutsideSoundAndTakesTheChosenColour();
    void removalLeavesContactsWithoutAGroup();
    void clientModeCommandsChangeNothing();

private:
    QByteArray readFromClient(const QByteArray& until);
    QTreeView* tree() { return ui::findByName<QTreeView>(m_window, QStringLiteral("tvwContacts")); }
    QComboBox* groups() { return ui::findByName<QComboBox>(m_window, QStringLiteral("cboAttributeGroup")); }

    std::unique_ptr<book::Fixture> m_book;
    frmContacts* m_window = nullptr;
    clsServer* m_server = nullptr;
    QTcpSocket* m_client = nullptr;
};

void TestAttributeGroupCommands::init()
{
    m_book = std::make_unique<book::Fixture>();
    // A standalone copy serves nobody: the clients are a server's.
    gNetworkMode = Server;
    Prompt::resetScript();
    ModalDialog::resetScripts();
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    m_server = &install(gServer);
    QVERIFY(m_server->Listen());
    windowLinks().broadcast = [](const QString& text) {
        if (gServer)
            gServer->SendData(text, -1, -1);
    };
    m_book->store(book::contact(QStringLiteral("Ann"), {"555-1234"}, QStringLiteral("VIP Callers")));
    m_book->store(book::contact(QStringLiteral("Bo"), {"555-2222"}, QStringLiteral("Block Calls")));
    RefreshAttributeGroupFile();
    m_window = m_book->open();
    m_window->ShowTreeView();
    m_client = new QTcpSocket;
    m_client->connectToHost(QHostAddress::LocalHost, m_server->LocalPort());
    QVERIFY(m_client->waitForConnected(5000));
    QTRY_COMPARE(m_server->ClientCount(), 1);
    Prompt::clearHistory();
}

void TestAttributeGroupCommands::cleanup()
{
    delete m_client;
    m_client = nullptr;
    windowLinks().broadcast = nullptr;
    m_book->close();
    m_book.reset();
    m_server = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray TestAttributeGroupCommands::readFromClient(const QByteArray& until)
{
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (!(data.contains(until) && data.endsWith(";COMPLETE;COMPLETE;")) && timer.elapsed() < 5000) {
        if (m_client->bytesAvailable() == 0)
            QTest::qWait(5);
        data += m_client->readAll();
    }
    return data;
}

void TestAttributeGroupCommands::editorRefusesNumericAndDuplicateNames()
{
    QString caption;
    answerGroupEditor({QStringLiteral("2024"), QStringLiteral("vip callers"), QStringLiteral("a\"b;")}, &caption);
    TRIGGER(m_window, "cmdAddAttributeGroup");
    QCOMPARE(caption, QStringLiteral("Add Attribute Group"));
    QCOMPARE(Prompt::texts(), (QStringList{"Attribute group descriptions cannot be all numeric.",
                                           "You cannot have duplicate descriptions."}));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
    // The quote never reaches the group file.
    QVERIFY(gAttributeGroups.contains(QStringLiteral("ab")));
    QCOMPARE(fileGroups(), (QStringList{"Default", "VIP Callers", "Block Calls", "ab"}));

    // Cancel adds nothing.
    answerGroupEditor({});
    TRIGGER(m_window, "cmdAddAttributeGroup");
    QCOMPARE(gAttributeGroups.count(), 4);
}

void TestAttributeGroupCommands::addedGroupIsFiledShownFirstAndChosen()
{
    m_window->SetContact(QStringLiteral("Ann"));
    answerGroupEditor({QStringLiteral("2024 callers")});
    TRIGGER(m_window, "cmdAddAttributeGroup");
    QVERIFY(gAttributeGroups.contains(QStringLiteral("2024 callers")));
    QCOMPARE(fileGroups().last(), QStringLiteral("2024 callers"));
    QCOMPARE(m_window->views().tree.childTexts().first(), QStringLiteral("2024 callers"));
    // Chosen for the contact shown, which now counts as edited until saved.
    QCOMPARE(groups()->currentText(), QStringLiteral("2024 callers"));
    QCOMPARE(m_window->strState, QStringLiteral("editing"));
    QVERIFY(m_window->CheckChange());
    QVERIFY(m_window->SaveContact());
    QCOMPARE(storedGroup(QStringLiteral("Ann")), QStringLiteral("2024 callers"));
    const QByteArray sent = readFromClient("|2024 callers|");
    QVERIFY2(sent.startsWith(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Default|"), sent.constData());

    // A blocking group asks as it is chosen; No leaves no group.
    bool block = true;
    Prompt::clearHistory();
    Prompt::queueAnswer(Prompt::No);
    answerGroupEditor({QStringLiteral("Nuisance")}, nullptr, &block);
    TRIGGER(m_window, "cmdAddAttributeGroup");
    QCOMPARE(Prompt::texts(), QStringList{BlockWarning});
    QCOMPARE(groups()->currentText(), QStringLiteral("<none>"));
    QVERIFY(gAttributeGroups.item(QStringLiteral("Nuisance"))->Block);
}

void TestAttributeGroupCommands::blockWarningOnlyForTheUsersChoice()
{
    // Filling the form with a blocked contact, and refilling the list, ask nothing.
    m_window->SetContact(QStringLiteral("Bo"));
    QCOMPARE(groups()->currentText(), QStringLiteral("Block Calls"));
    m_window->UpdateAttributeGroupList();
    m_window->SetContact(QStringLiteral("Ann"));
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(m_window->strState, QStringLiteral("viewing"));

    Prompt::queueAnswer(Prompt::No);
    groups()->setCurrentIndex(groups()->findText(QStringLiteral("Block Calls")));
    QCOMPARE(Prompt::texts(), QStringList{BlockWarning});
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(Prompt::history().first().buttons, int(Prompt::YesNo));
    QCOMPARE(groups()->currentText(), QStringLiteral("<none>"));

    Prompt::queueAnswer(Prompt::Yes);
    groups()->setCurrentIndex(groups()->findText(QStringLiteral("Block Calls")));
    QCOMPARE(groups()->currentText(), QStringLiteral("Block Calls"));
    QCOMPARE(m_window->strState, QStringLiteral("editing"));
}

void TestAttributeGroupCommands::renameReachesFileContactsTreeAndClient()
{
    m_window->SetContact(QStringLiteral("Ann"));
    QCOMPARE(groups()->currentText(), QStringLiteral("VIP Callers"));
    QString caption;
    ModalDialog::queueScript([&caption](QDialog& d) {
        caption = d.windowTitle();
        QCOMPARE(d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->text(), QStringLiteral("VIP Callers"));
        // Onto another group's name: refused, the dialog stays.
        d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setText(QStringLiteral("default"));
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
        QVERIFY(d.isVisible());
        d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setText(QStringLiteral("Friends"));
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    });
    TRIGGER(m_window, "cmdEditAttributeGroup");
    QCOMPARE(caption, QStringLiteral("Edit Attribute Group"));
    QCOMPARE(Prompt::texts(), QStringList{"You cannot have duplicate descriptions."});

    // The file: re-keyed to the end.
    QCOMPARE(fileGroups(), (QStringList{"Default", "Block Calls", "Friends"}));
    // The contact file and the collection.
    QCOMPARE(storedGroup(QStringLiteral("Ann")), QStringLiteral("Friends"));
    QCOMPARE(gContacts.item(QStringLiteral("Ann"))->AttributeGroup, QStringLiteral("Friends"));
    QCOMPARE(storedGroup(QStringLiteral("Bo")), QStringLiteral("Block Calls"));
    // The tree.
    ContactTreeModel& model = m_window->views().tree;
    const QModelIndex friends = model.groupIndex(QStringLiteral("Friends"));
    QVERIFY(friends.isValid());
    QCOMPARE(model.childTexts(friends), QStringList{"Ann"});
    QVERIFY(!model.groupIndex(QStringLiteral("VIP Callers")).isValid());
    QCOMPARE(groups()->currentText(), QStringLiteral("Friends"));

    // The client: the groups, then the contacts with the new group name.
    const QByteArray raw = readFromClient(";CLEAR CONTACTS;");
    QVERIFY2(raw.startsWith(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;"), raw.constData());
    const QString text = QString::fromUtf8(raw);
    const qsizetype contactsAt = text.indexOf(QStringLiteral(";CLEAR CONTACTS;"));
    QStringList tokens = text.left(contactsAt).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    tokens.removeAll(QStringLiteral("COMPLETE"));
    QCOMPARE(tokens.size(), 7);
    QCOMPARE(tokens.at(0), QStringLiteral("CLEAR ATTRIBUTE GROUPS"));
    QCOMPARE(tokens.at(1), QStringLiteral("ATTRIBUTE GROUP"));
    QVERIFY(tokens.at(2).startsWith(QStringLiteral("|Default|16711680|False|")));
    QVERIFY(tokens.at(4).startsWith(QStringLiteral("|Block Calls|255|True|")));
    QVERIFY(tokens.at(6).startsWith(QStringLiteral("|Friends|65280|False|")));
    QVERIFY(text.mid(contactsAt).contains(QStringLiteral(";CONTACT;|Ann|Friends|")));
}

void TestAttributeGroupCommands::editorKeepsAnOutsideSoundAndTakesTheChosenColour()
{
    gAttributeGroups.item(QStringLiteral("Default"))->Sound = QStringLiteral("/elsewhere/bell.wav");
    m_window->SetContact(QStringLiteral("Ann"));
    Prompt::queueAnswer(Prompt::Yes);
    groups()->setCurrentIndex(groups()->findText(QStringLiteral("Default")));
    QString shownSound;
    QStringList offered;
    ModalDialog::queueScript([&](QDialog& d) {
        auto* sound = d.findChild<QComboBox*>(QStringLiteral("cboSound"));
        shownSound = sound->currentText();
        for (int i = 0; i < sound->count(); ++i)
            offered << sound->itemText(i);
        // A cancelled colour dialog keeps the colour; a chosen one replaces it.
        Prompt::queueText(QString());
        d.findChild<QPushButton*>(QStringLiteral("picColor"))->click();
        Prompt::queueText(QStringLiteral("4227327"));
        d.findChild<QPushButton*>(QStringLiteral("picColor"))->click();
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    });
    TRIGGER(m_window, "cmdEditAttributeGroup");
    QCOMPARE(shownSound, QStringLiteral("/elsewhere/bell.wav"));
    QCOMPARE(offered.value(0), QStringLiteral("Speech"));
    const auto edited = gAttributeGroups.item(QStringLiteral("Default"));
    QCOMPARE(edited->Color, 4227327);
    QCOMPARE(edited->Sound, QStringLiteral("/elsewhere/bell.wav"));
    QCOMPARE(m_window->views().tree.colour(m_window->views().tree.groupIndex(QStringLiteral("Default"))),
             std::optional<quint32>(4227327));
}

void TestAttributeGroupCommands::removalLeavesContactsWithoutAGroup()
{
    m_window->SetContact(QStringLiteral("Ann"));
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(m_window, "cmdRemoveAttributeGroup");
    QCOMPARE(Prompt::texts(), QStringList{"Are you sure you want to permanently remove this attribute group?"});
    QVERIFY(gAttributeGroups.contains(QStringLiteral("VIP Callers")));

    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(m_window, "cmdRemoveAttributeGroup");
    QVERIFY(!gAttributeGroups.contains(QStringLiteral("VIP Callers")));
    QCOMPARE(fileGroups(), (QStringList{"Default", "Block Calls"}));
    QCOMPARE(storedGroup(QStringLiteral("Ann")), QString());
    ContactTreeModel& model = m_window->views().tree;
    QVERIFY(!model.groupIndex(QStringLiteral("VIP Callers")).isValid());
    QVERIFY(model.childTexts().contains(QStringLiteral("Ann")));
    QCOMPARE(groups()->currentText(), QStringLiteral("<none>"));
    const QByteArray raw = readFromClient(";CLEAR CONTACTS;");
    QVERIFY2(raw.contains(";CLEAR CONTACTS;;CONTACT;|Ann||"), raw.constData());

    // With "<none>" chosen there is nothing to remove or edit.
    Prompt::clearHistory();
    m_window->cmdRemoveAttributeGroup_Click();
    m_window->cmdEditAttributeGroup_Click();
    QCOMPARE(Prompt::texts(), (QStringList{"You must select an attribute group to remove.",
                                           "You must select an attribute group to edit."}));
}

void TestAttributeGroupCommands::clientModeCommandsChangeNothing()
{
    m_window->SetContact(QStringLiteral("Ann"));
    gNetworkMode = Client;
    answerGroupEditor({QStringLiteral("Friends")});
    m_window->cmdAddAttributeGroup_Click();
    m_window->cmdEditAttributeGroup_Click();
    m_window->cmdRemoveAttributeGroup_Click();
    gNetworkMode = Standalone;
    QCOMPARE(ModalDialog::pendingScripts(), 1);
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(fileGroups(), (QStringList{"Default", "VIP Callers", "Block Calls"}));
    ModalDialog::resetScripts();
}

QTEST_MAIN(TestAttributeGroupCommands)
#include "test_attributegroupcommands.moc"
