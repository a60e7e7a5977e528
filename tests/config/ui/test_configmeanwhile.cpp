#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QTabBar>
#include <QTcpServer>
#include <QTest>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "config/ui/frmConfiguration.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"
#include "support/ModalChange.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

void end()
{
    ModalChange::endProgram([] { ShutDown(); });
}

QStringList items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

// The options dialog, the search window and the activity log while one of their boxes or dialogs waits on
// the user: an entry of a list goes, or the program ends. Nothing of a window that went is touched, and a
// list entry is found again by its text.
class TestConfigMeanwhile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void editingAnEntryTheListNoLongerHolds();
    void theProgramEndingWhileTheOptionsWait_data();
    void theProgramEndingWhileTheOptionsWait();
    void theProgramEndingWhileTheSearchSaysNo();
    void theProgramEndingWhileTheActivityLogAsks();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    // The options dialog over the main window, shown without a modal loop: its buttons are clicked. The
    // page of that tab is in view.
    frmConfiguration* openOptions(int tab = 0);
    static void click(const QObject* root, const char* name);

    StandaloneSession m_session;
    QPointer<frmConfiguration> m_dialog;
};

void TestConfigMeanwhile::init()
{
    QVERIFY(m_session.start());
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, QStringLiteral(";555-1234;(800) 555-0000;"));
    Prompt::resetScript();
    ModalDialog::resetScripts();
}

void TestConfigMeanwhile::cleanup()
{
    delete m_dialog.data();
    ModalDialog::resetScripts();
    m_session.stop();
}

frmConfiguration* TestConfigMeanwhile::openOptions(int tab)
{
    m_dialog = new frmConfiguration(window());
    m_dialog->show();
    ui::findByName<QTabBar>(m_dialog.data(), QStringLiteral("tbsOptions"))->setCurrentIndex(tab);
    return m_dialog;
}

void TestConfigMeanwhile::click(const QObject* root, const char* name)
{
    auto* button = ui::findByName<QAbstractButton>(root, QString::fromLatin1(name));
    QVERIFY(button && button->isEnabled());
    button->click();
}

void TestConfigMeanwhile::editingAnEntryTheListNoLongerHolds()
{
    frmConfiguration* d = openOptions(4);
    auto* list = ui::findByName<QListWidget>(d, QStringLiteral("lstBlockCallStrings"));
    QCOMPARE(items(list), (QStringList{QStringLiteral("555-1234"), QStringLiteral("(800) 555-0000")}));
    auto choose = [list](int row) {
        list->setCurrentRow(row);
        list->item(row)->setSelected(true);
    };

    // The entry is edited through its dialog; while the dialog waits it leaves the list. The typed string
    // takes no other entry's place, and the user hears which one was gone.
    choose(0);
    ModalDialog::queueScript([&](QDialog& dialog) {
        choose(0);
        click(d, "cmdRemoveBlockCallString");
        auto* box = ui::findByName<QComboBox>(&dialog, QStringLiteral("cboBlockCallString"));
        box->lineEdit()->setText(QStringLiteral("555-9999"));
        click(&dialog, "cmdOK");
    });
    click(d, "cmdEditBlockCallString");
    QCOMPARE(items(list), QStringList{QStringLiteral("(800) 555-0000")});
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The block call string \"555-1234\" was changed or removed "
                                                         "while this window waited; nothing was changed.")});
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));

    // The entry moves while the dialog waits (another one goes before it): the edit still finds it.
    list->insertItem(0, QStringLiteral("555-0001"));
    choose(1);
    ModalDialog::queueScript([&](QDialog& dialog) {
        choose(0);
        click(d, "cmdRemoveBlockCallString");
        auto* box = ui::findByName<QComboBox>(&dialog, QStringLiteral("cboBlockCallString"));
        box->lineEdit()->setText(QStringLiteral("8005551111"));
        click(&dialog, "cmdOK");
    });
    click(d, "cmdEditBlockCallString");
    QCOMPARE(items(list), QStringList{QStringLiteral("(800) 555-1111")});
    QCOMPARE(Prompt::texts().size(), 1);
}

void TestConfigMeanwhile::theProgramEndingWhileTheOptionsWait_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("the sound file dialog") << "browse";
    QTest::newRow("the spoken test's text box") << "speech";
    QTest::newRow("the block call string dialog") << "addstring";
    QTest::newRow("editing a block call string") << "editstring";
    QTest::newRow("the address dialog") << "addip";
    QTest::newRow("the address dialog's message") << "badip";
    QTest::newRow("the message of a port in use") << "port";
}

void TestConfigMeanwhile::theProgramEndingWhileTheOptionsWait()
{
    QFETCH(QString, step);
    // The tabs: General, Network, Sound, Modem, Call Blocking.
    const int tab = step == QLatin1String("browse") || step == QLatin1String("speech")          ? 2
                    : step == QLatin1String("addstring") || step == QLatin1String("editstring") ? 4
                    : step == QLatin1String("port")                                             ? 0
                                                                                                : 1;
    frmConfiguration* d = openOptions(tab);
    QTcpServer taken;
    if (step == QLatin1String("browse")) {
        Prompt::queueMeanwhile(end);
        Prompt::queueText(m_session.home().file(QStringLiteral("bell.wav")));
        click(d, "cmdSoundBrowse");
    } else if (step == QLatin1String("speech")) {
        ui::findByName<QComboBox>(d, QStringLiteral("cmbSoundPath"))->setEditText(QStringLiteral("Speech"));
        Prompt::queueMeanwhile(end);
        Prompt::queueText(QStringLiteral("hello"));
        click(d, "cmdTestSound");
    } else if (step == QLatin1String("addstring") || step == QLatin1String("editstring")) {
        auto* list = ui::findByName<QListWidget>(d, QStringLiteral("lstBlockCallStrings"));
        list->setCurrentRow(0);
        list->item(0)->setSelected(true);
        ModalDialog::queueScript([](QDialog&) { end(); });
        click(d, step == QLatin1String("addstring") ? "cmdAddBlockCallString" : "cmdEditBlockCallString");
    } else if (step == QLatin1String("addip")) {
        ModalDialog::queueScript([](QDialog&) { end(); });
        click(d, "cmdAddIP");
    } else if (step == QLatin1String("badip")) {
        ModalDialog::queueScript([](QDialog& dialog) {
            ui::findByName<QComboBox>(&dialog, QStringLiteral("cmbIP"))->setEditText(QStringLiteral("10.0.0"));
            Prompt::queueMeanwhile(end);
            click(&dialog, "cmdOK");
        });
        click(d, "cmdAddIP");
        QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Invalid IP entry")});
    } else if (step == QLatin1String("port")) {
        // The program becomes a server on a port another program holds: the box says so, and the program
        // ends while it waits.
        QVERIFY(taken.listen(QHostAddress::AnyIPv4, 0));
        ui::findByName<QRadioButton>(d, QStringLiteral("optNetworking(1)"))->click();
        ui::findByName<QLineEdit>(d, QStringLiteral("txtLocalPort"))->setText(QString::number(taken.serverPort()));
        Prompt::queueMeanwhile(end);
        click(d, "cmdOK");
        QVERIFY(Prompt::texts().value(0).startsWith(QStringLiteral("The local port that you have selected is in use")));
    }
    QVERIFY(!gMainForm);
    QVERIFY(!m_dialog);
    QVERIFY(!gServer);
}

void TestConfigMeanwhile::theProgramEndingWhileTheSearchSaysNo()
{
    TRIGGER(window(), "mnuWindow(3)");
    QWidget* find = FindForm(QStringLiteral("frmFind"));
    QVERIFY(find && find->isVisible());
    ui::findByName<QTabBar>(find, QStringLiteral("tbsFind"))->setCurrentIndex(2);
    ui::findByName<QComboBox>(find, QStringLiteral("cboStartingDate"))->setEditText(QStringLiteral("not a date"));
    const QPointer<QWidget> guard(find);
    Prompt::queueMeanwhile(end);
    click(find, "cmdFind");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Starting date must be a date.")});
    QVERIFY(!gMainForm);
    QVERIFY(!guard);
}

void TestConfigMeanwhile::theProgramEndingWhileTheActivityLogAsks()
{
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    AddEvent(QStringLiteral("Something worth keeping"));
    QFile log(m_session.home().file(QStringLiteral("ActivityLog.dat")));
    QVERIFY(log.exists());
    TRIGGER(window(), "mnuWindow(0)");
    QWidget* viewer = FindForm(QStringLiteral("frmActivityLog"));
    QVERIFY(viewer && viewer->isVisible());
    // The program ends while "clear this log?" waits, then the answer is Yes: the viewer has gone, and
    // nothing is cleared on the way out.
    Prompt::queueMeanwhile(end);
    Prompt::queueAnswer(Prompt::Yes);
    click(viewer, "cmdClear");
    QVERIFY(!gMainForm);
    QVERIFY(log.exists());
}

QTEST_MAIN(TestConfigMeanwhile)
#include "test_configmeanwhile.moc"
