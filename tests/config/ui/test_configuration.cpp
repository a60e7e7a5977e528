#include "config/ui/frmConfiguration.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QTabBar>
#include <QTest>

#include "support/ui/ByName.h"

#include "app/StartupWindows.h"
#include "config/ui/frmAddBlockCallString.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/ui/ModalScript.h"
#include "support/ui/StandaloneSession.h"

namespace {

// Clicks the button of that name under root as the user would; false when there is none or it is disabled.
bool click(const QObject* root, const QString& name)
{
    auto* b = root ? root->findChild<QAbstractButton*>(name) : nullptr;
    if (!b || !b->isEnabled())
        return false;
    b->click();
    return true;
}

template <typename T>
T* named(const QObject* root, const QString& name)
{
    return root ? root->findChild<T*>(name) : nullptr;
}

// The value as the settings file on disk holds it.
QString onDisk(const TempHome& home, const QString& section, const QString& key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(section + QLatin1Char('/') + key, QStringLiteral("<none>")).toString();
}
QString onDisk(const TempHome& home, const char* key)
{
    return onDisk(home, QStringLiteral("frmConfiguration"), QLatin1String(key));
}

QStringList items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Types into the block-call string dialog and presses OK.
ModalScript::Step typeBlockString(const QString& text)
{
    return [text](QDialog* d) {
        auto* box = named<QComboBox>(d, QStringLiteral("cboBlockCallString"));
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
        click(d, QStringLiteral("cmdOK"));
    };
}

void focusOut(QWidget* w)
{
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(w, &out);
}

// Pixels of more than a few colours: a drawn window, not a blank one.
int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

QTabBar* tabs(const QObject* d) { return ui::findByName<QTabBar>(d, QStringLiteral("tbsOptions")); }

QStringList tabCaptions(const QObject* d)
{
    QStringList out;
    for (int i = 0; i < tabs(d)->count(); ++i)
        out << tabs(d)->tabText(i);
    return out;
}

// The page in view: the one panel shown (-1 for none).
int visiblePanel(const QObject* d)
{
    for (int i = 0; i <= 6; ++i) {
        const auto* p = d->findChild<QWidget*>(QStringLiteral("picOptions(%1)").arg(i));
        if (p && !p->isHidden())
            return i;
    }
    return -1;
}

} // namespace

// The options dialog over the running standalone program, driven through its named controls.
class TestConfiguration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void firstStartShowsTheDefaults();
    void storedValuesTheListsCannotShowSurviveOK();
    void clientModeTabs();
    void ctrlTabCyclesThroughThePages();
    void numericFieldsFilterKeysAndCheckRanges();
    void soundPathsPerType();
    void blockCallStringsThroughTheirDialog();
    void blockCallStringDialogTyping();
    void accessListThroughTheAddressDialog();
    void editAndRemoveNeedASelection();
    void removingKeepsTheSelectionNearby();
    void cancelWritesNothing();
    void modemDefaults();
    void hintsReachEveryOpenWindow();
    void customizeButtonOpensTheDialogModal();
    void applyMirrorsTheOptionsInMenusAndTheCustomisation();
    void screenshotsOfEveryPage();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    // A dialog over the main window, shown without a modal loop (the handlers are driven directly).
    frmConfiguration* openDialog();

    StandaloneSession m_session;
    QPointer<frmConfiguration> m_dialog;
};

void TestConfiguration::init()
{
    QVERIFY(m_session.start());
    Prompt::resetScript();
}

void TestConfiguration::cleanup()
{
    delete m_dialog.data();
    m_session.stop();
}

frmConfiguration* TestConfiguration::openDialog()
{
    m_dialog = new frmConfiguration(window());
    m_dialog->show();
    return m_dialog;
}

void TestConfiguration::firstStartShowsTheDefaults()
{
    frmConfiguration* d = openDialog();
    QCOMPARE(d->windowTitle(), QStringLiteral("Configuration"));
    QCOMPARE(tabCaptions(d), (QStringList{"General", "Network", "Sound", "Modem", "Call Blocking"}));
    QCOMPARE(visiblePanel(d), 0);
    QVERIFY(named<QWidget>(d, "picOptions(0)")->isEnabled());
    QVERIFY(!named<QWidget>(d, "picOptions(3)")->isEnabled());
    QCOMPARE(named<QComboBox>(d, "cboMaxEventLog")->currentText(), QStringLiteral("100"));
    QCOMPARE(named<QComboBox>(d, "cboPort")->currentText(), QStringLiteral("Com1"));
    QCOMPARE(named<QComboBox>(d, "cboSpeed")->currentText(), QStringLiteral("9600"));
    QCOMPARE(named<QComboBox>(d, "cboParity")->currentText(), QStringLiteral("None"));
    QCOMPARE(named<QComboBox>(d, "cboDataBits")->currentText(), QStringLiteral("8"));
    QCOMPARE(named<QComboBox>(d, "cboStopBits")->currentText(), QStringLiteral("1"));
    QVERIFY(named<QRadioButton>(d, "optFlow(0)")->isChecked());
    QCOMPARE(named<QComboBox>(d, "cmbDialToneWait")->currentText(), QStringLiteral("20"));
    QCOMPARE(named<QComboBox>(d, "cboVoiceRate")->currentText(), QStringLiteral("0"));
    QCOMPARE(named<QComboBox>(d, "cmbSoundType")->currentText(), QStringLiteral("Default Caller"));
    QCOMPARE(named<QComboBox>(d, "cmbSoundPath")->currentText(), QString());
    QCOMPARE(named<QLineEdit>(d, "txtLocalPort")->text(), QStringLiteral("270"));
    QCOMPARE(named<QLineEdit>(d, "txtRemotePort")->text(), QStringLiteral("270"));
    QCOMPARE(named<QLineEdit>(d, "txtRemoteLocalPort")->text(), QStringLiteral("0"));
    QVERIFY(!named<QRadioButton>(d, "optRestrictAll")->isChecked());
    QVERIFY(named<QRadioButton>(d, "optCustomizedRestrictions")->isChecked());
    QVERIFY(named<QRadioButton>(d, "optNetworking(0)")->isChecked());
    QVERIFY(named<QCheckBox>(d, "chkHints")->isChecked());
    QVERIFY(!named<QCheckBox>(d, "chkAutoStart")->isChecked()); // the session stored "False"
    QVERIFY(named<QPlainTextEdit>(d, "txtStatus")->toPlainText().isEmpty());
    // The fixed lists.
    QCOMPARE(named<QComboBox>(d, "cboPort")->itemText(15), QStringLiteral("Com16"));
    QCOMPARE(named<QComboBox>(d, "cboSpeed")->count(), 16);
    QCOMPARE(named<QComboBox>(d, "cboVoiceRate")->count(), 21);
    QCOMPARE(named<QComboBox>(d, "cmbDialToneWait")->count(), 25);
    QCOMPARE(named<QComboBox>(d, "cboModemString")->itemText(5), QStringLiteral("AT$%CCID=2"));
    // Every page has the same size.
    const QSize size = named<QWidget>(d, "picOptions(0)")->size();
    for (const char* page : {"picOptions(1)", "picOptions(2)", "picOptions(3)", "picOptions(4)", "picOptions(6)"})
        QCOMPARE(named<QWidget>(d, QLatin1String(page))->size(), size);
    // The sounds: "Speech", then every wave file of the program folder with its full path.
    auto* sounds = named<QComboBox>(d, "cmbSoundPath");
    QCOMPARE(sounds->itemText(0), QStringLiteral("Speech"));
    QCOMPARE(sounds->findText(programFolder() + QStringLiteral("/Sounds/Alarm.wav")) > 0, true);
    QCOMPARE(sounds->count(), 1 + QDir(programFolder() + "/Sounds").entryList({"*.wav"}, QDir::Files).size());
}

void TestConfiguration::storedValuesTheListsCannotShowSurviveOK()
{
    SaveProperty(Section::frmConfiguration, Key::CommSettings, QStringLiteral("230400,n,8,1"));
    SaveProperty(Section::frmConfiguration, Key::CommPort, QStringLiteral("17"));
    SaveProperty(Section::frmConfiguration, Key::VoiceStyle, QStringLiteral("Microsoft Sam"));
    SaveProperty(Section::frmConfiguration, Key::Handshaking, QStringLiteral("5"));
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        QCOMPARE(named<QComboBox>(d, "cboSpeed")->currentIndex(), -1);
        QCOMPARE(named<QComboBox>(d, "cboPort")->currentIndex(), -1);
        QVERIFY(!named<QRadioButton>(d, "optFlow(0)")->isChecked());
        QVERIFY(click(d, "cmdOK"));
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QVERIFY(script.unexpected().isEmpty());
    QCOMPARE(onDisk(m_session.home(), Key::CommSettings), QStringLiteral("230400,N,8,1"));
    QCOMPARE(onDisk(m_session.home(), Key::CommPort), QStringLiteral("17"));
    QCOMPARE(onDisk(m_session.home(), Key::VoiceStyle), QStringLiteral("Microsoft Sam"));
    QCOMPARE(onDisk(m_session.home(), Key::Handshaking), QStringLiteral("5"));
    // And OK wrote the rest: an empty block list is a lone ";".
    QCOMPARE(onDisk(m_session.home(), Key::BlockCallStrings), QStringLiteral(";"));
    QCOMPARE(onDisk(m_session.home(), Key::Networking), QStringLiteral("0"));
    QVERIFY(!FindForm(QStringLiteral("frmConfiguration")));
}

void TestConfiguration::clientModeTabs()
{
    frmConfiguration* d = openDialog();
    QVERIFY(click(d, "optNetworking(2)"));
    QCOMPARE(tabCaptions(d), (QStringList{"General", "Network", "Sound"}));
    QCOMPARE(visiblePanel(d), 0);
    tabs(d)->setCurrentIndex(1);
    QCOMPARE(visiblePanel(d), 6);
    QVERIFY(named<QWidget>(d, "picOptions(6)")->isEnabled());
    QVERIFY(!named<QWidget>(d, "picOptions(1)")->isEnabled());
    // Back: the two pages return at the end, in their old order, and Network is the server's page again.
    tabs(d)->setCurrentIndex(0);
    QVERIFY(click(d, "optNetworking(0)"));
    QCOMPARE(tabCaptions(d), (QStringList{"General", "Network", "Sound", "Modem", "Call Blocking"}));
    tabs(d)->setCurrentIndex(1);
    QCOMPARE(visiblePanel(d), 1);
    tabs(d)->setCurrentIndex(4);
    QCOMPARE(visiblePanel(d), 4);
    tabs(d)->setCurrentIndex(0);
    QVERIFY(click(d, "optNetworking(1)"));
    tabs(d)->setCurrentIndex(1);
    QCOMPARE(visiblePanel(d), 1);
}

void TestConfiguration::ctrlTabCyclesThroughThePages()
{
    frmConfiguration* d = openDialog();
    QWidget* focus = named<QCheckBox>(d, "chkAutoStart");
    QStringList shown;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
        shown << tabs(d)->tabText(tabs(d)->currentIndex());
    }
    QCOMPARE(shown, (QStringList{"Network", "Sound", "Modem", "Call Blocking", "General"}));
    QCOMPARE(visiblePanel(d), 0);
    // Ctrl+Shift+Tab is not ours.
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(tabs(d)->currentIndex(), 0);
    // In client mode only the three pages are in the round.
    QVERIFY(click(d, "optNetworking(2)"));
    focus = named<QCheckBox>(d, "chkAutoStart");
    shown.clear();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
        shown << tabs(d)->tabText(tabs(d)->currentIndex());
    }
    QCOMPARE(shown, (QStringList{"Network", "Sound", "General"}));
}

void TestConfiguration::numericFieldsFilterKeysAndCheckRanges()
{
    frmConfiguration* d = openDialog();
    auto* events = named<QComboBox>(d, "cboMaxEventLog");
    events->lineEdit()->clear();
    QTest::keyClicks(events->lineEdit(), QStringLiteral("a4;-x"));
    QCOMPARE(events->currentText(), QStringLiteral("4"));
    focusOut(events);
    QCOMPARE(events->currentText(), QStringLiteral("5"));
    events->setEditText(QStringLiteral("40000"));
    focusOut(events);
    QCOMPARE(events->currentText(), QStringLiteral("32767"));
    // Pasted text that is no number: the stored value.
    events->setEditText(QStringLiteral("lots"));
    focusOut(events);
    QCOMPARE(events->currentText(), QStringLiteral("100"));

    tabs(d)->setCurrentIndex(1);
    auto* local = named<QLineEdit>(d, "txtLocalPort");
    local->clear();
    QTest::keyClicks(local, QStringLiteral("0"));
    focusOut(local);
    QCOMPARE(local->text(), QStringLiteral("1"));
    local->setText(QStringLiteral("99999"));
    focusOut(local);
    QCOMPARE(local->text(), QStringLiteral("65535"));
    auto* clientLocal = named<QLineEdit>(d, "txtRemoteLocalPort");
    clientLocal->setText(QStringLiteral("0"));
    focusOut(clientLocal);
    QCOMPARE(clientLocal->text(), QStringLiteral("0"));
    auto* remote = named<QLineEdit>(d, "txtRemotePort");
    remote->setText(QStringLiteral("0"));
    focusOut(remote);
    QCOMPARE(remote->text(), QStringLiteral("1"));
    tabs(d)->setCurrentIndex(3);
    auto* wait = named<QComboBox>(d, "cmbDialToneWait");
    wait->lineEdit()->clear();
    QTest::keyClicks(wait->lineEdit(), QStringLiteral("3."));
    QCOMPARE(wait->currentText(), QStringLiteral("3"));

    // OK checks every field before anything is written.
    events->setEditText(QStringLiteral("2"));
    local->setText(QStringLiteral("0"));
    QVERIFY(click(d, "cmdOK"));
    QCOMPARE(onDisk(m_session.home(), Key::MaxEventLog), QStringLiteral("5"));
    QCOMPARE(onDisk(m_session.home(), Key::LocalPort), QStringLiteral("1"));
    QCOMPARE(onDisk(m_session.home(), Key::DialToneWait), QStringLiteral("6"));
}

void TestConfiguration::soundPathsPerType()
{
    frmConfiguration* d = openDialog();
    tabs(d)->setCurrentIndex(2);
    auto* type = named<QComboBox>(d, "cmbSoundType");
    auto* path = named<QComboBox>(d, "cmbSoundPath");
    QCOMPARE(type->currentText(), QStringLiteral("Default Caller"));
    type->setCurrentText(QStringLiteral("Ring"));
    path->lineEdit()->clear();
    QTest::keyClicks(path->lineEdit(), QStringLiteral("/tmp/ring.wav"));
    type->setCurrentText(QStringLiteral("Immediate"));
    QCOMPARE(path->currentText(), programFolder() + QStringLiteral("/Sounds/Button.wav"));
    path->setCurrentIndex(0); // "Speech" from the list
    type->setCurrentText(QStringLiteral("Ring"));
    QCOMPARE(path->currentText(), QStringLiteral("/tmp/ring.wav"));
    // The browse button: cancelled changes nothing, a chosen file becomes the path of the type shown.
    Prompt::queueText(QString());
    QVERIFY(click(d, "cmdSoundBrowse"));
    QCOMPARE(path->currentText(), QStringLiteral("/tmp/ring.wav"));
    Prompt::queueText(programFolder() + QStringLiteral("/Sounds/Alarm.wav"));
    QVERIFY(click(d, "cmdSoundBrowse"));
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::OpenFile);
    QVERIFY(click(d, "cmdOK"));
    QCOMPARE(onDisk(m_session.home(), Key::RingSound), programFolder() + QStringLiteral("/Sounds/Alarm.wav"));
    QCOMPARE(onDisk(m_session.home(), Key::ImmediateSound), QStringLiteral("Speech"));
    QCOMPARE(onDisk(m_session.home(), Key::DefaultSound), QString());
}

void TestConfiguration::blockCallStringsThroughTheirDialog()
{
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        tabs(d)->setCurrentIndex(4);
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QVERIFY(click(d, "cmdAddBlockCallString"));
        QCOMPARE(items(named<QListWidget>(d, "lstBlockCallStrings")),
                 (QStringList{"PRIVATE NUMBER", "(555) 555-1234", "(800) ***-****"}));
        QVERIFY(click(d, "cmdOK"));
    });
    script.expect(QStringLiteral("frmAddBlockCallString"), [](QDialog* a) {
        QCOMPARE(a->windowTitle(), QStringLiteral("Add Block Call String"));
        QCOMPARE(named<QComboBox>(a, "cboBlockCallString")->itemText(0), QStringLiteral("PRIVATE NUMBER"));
        QCOMPARE(named<QComboBox>(a, "cboBlockCallString")->itemText(1), QStringLiteral("UNKNOWN NUMBER"));
        typeBlockString(QStringLiteral("private number"))(a);
    });
    // The same in other letters adds nothing and says nothing.
    script.expect(QStringLiteral("frmAddBlockCallString"), typeBlockString(QStringLiteral("Private Number")));
    script.expect(QStringLiteral("frmAddBlockCallString"), typeBlockString(QStringLiteral("555.555.1234")));
    // Too short: the message, and the dialog stays until the user cancels.
    script.expect(QStringLiteral("frmAddBlockCallString"), [](QDialog* a) {
        typeBlockString(QStringLiteral("123456"))(a);
        QVERIFY(a->isVisible());
        QCOMPARE(Prompt::history().size(), 1);
        QCOMPARE(Prompt::history().last().text, QStringLiteral("The block call string must be 7 or 10 digits long."));
        QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
        QCOMPARE(Prompt::history().last().buttons, int(Prompt::OkOnly));
        QCOMPARE(Prompt::history().last().title, QStringLiteral("Velquon"));
        QVERIFY(click(a, "cmdCancel"));
    });
    script.expect(QStringLiteral("frmAddBlockCallString"), typeBlockString(QStringLiteral("800*******")));
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
    QCOMPARE(onDisk(m_session.home(), Key::BlockCallStrings),
             QStringLiteral(";PRIVATE NUMBER;(555) 555-1234;(800) ***-****;"));
}

void TestConfiguration::accessListThroughTheAddressDialog()
{
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        auto* list = named<QListWidget>(d, "lstBlockedIP");
        tabs(d)->setCurrentIndex(1);
        QVERIFY(click(d, "cmdAddIP"));
        QVERIFY(click(d, "cmdAddIP"));
        QVERIFY(click(d, "cmdAddIP"));
        QCOMPARE(items(list), (QStringList{"192.168.0.20 B", "10.0.0.5 R"}));
        // Remove takes the selected entry away.
        list->setCurrentRow(0);
        list->item(0)->setSelected(true);
        QVERIFY(click(d, "cmdRemoveIP"));
        QCOMPARE(items(list), QStringList{"10.0.0.5 R"});
        QVERIFY(click(d, "cmdOK"));
    });
    auto typeAddress = [](const QString& address, bool blocked) {
        return [address, blocked](QDialog* a) {
            QCOMPARE(a->windowTitle(), QStringLiteral("Add IP"));
            named<QComboBox>(a, "cmbIP")->setEditText(address);
            if (blocked)
                named<QRadioButton>(a, "optBlocked")->click();
            QVERIFY(click(a, "cmdOK"));
        };
    };
    script.expect(QStringLiteral("frmAddIP"), typeAddress(QStringLiteral("192.168.0.20"), true));
    // A wrong address: the message, and the dialog stays until the user cancels.
    script.expect(QStringLiteral("frmAddIP"), [typeAddress](QDialog* a) {
        typeAddress(QStringLiteral("192.168.1"), false)(a);
        QVERIFY(a->isVisible());
        QCOMPARE(Prompt::history().last().text, QStringLiteral("Invalid IP entry"));
        QVERIFY(click(a, "cmdCancel"));
    });
    script.expect(QStringLiteral("frmAddIP"), typeAddress(QStringLiteral("10.0.0.5"), false));
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
    QCOMPARE(onDisk(m_session.home(), Key::BlockedIPs), QStringLiteral(";10.0.0.5 R;"));
}

void TestConfiguration::blockCallStringDialogTyping()
{
    frmAddBlockCallString dialog;
    dialog.show();
    auto* combo = named<QComboBox>(&dialog, "cboBlockCallString");
    QLineEdit* box = combo->lineEdit();
    QTest::keyClicks(box, QStringLiteral("555;|'/123-4567"));
    QCOMPARE(box->text(), QStringLiteral("555123-4567"));
    box->setText(QString(60, QLatin1Char('5')));
    QCOMPARE(box->text().size(), 49);
    // Edit puts the entry in; OK keeps the result after the dialog closed and empties the box.
    dialog.setText(QStringLiteral("555-1234"));
    QCOMPARE(combo->currentText(), QStringLiteral("555-1234"));
    TRIGGER(&dialog, "cmdOK");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.BlockCallString(), QStringLiteral("555-1234"));
    QCOMPARE(combo->currentText(), QString());
    // Shown again, the last result is gone; Cancel leaves it empty and empties the box.
    dialog.show();
    QCOMPARE(dialog.BlockCallString(), QString());
    dialog.setText(QStringLiteral("5551234"));
    TRIGGER(&dialog, "cmdCancel");
    QCOMPARE(dialog.BlockCallString(), QString());
    QCOMPARE(combo->currentText(), QString());
}

void TestConfiguration::editAndRemoveNeedASelection()
{
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, QStringLiteral(";555-1234;(555) 555-9999;"));
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        tabs(d)->setCurrentIndex(4);
        auto* list = named<QListWidget>(d, "lstBlockCallStrings");
        list->setCurrentRow(-1);
        QVERIFY(click(d, "cmdEditBlockCallString"));
        QCOMPARE(Prompt::history().last().text, QStringLiteral("You must select an item to edit."));
        QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
        QVERIFY(click(d, "cmdRemoveBlockCallString"));
        QCOMPARE(Prompt::history().last().text, QStringLiteral("You must select an item to remove."));
        QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
        QCOMPARE(list->count(), 2);
        // Edit the second into the first's text: no duplicate test, two equal entries.
        list->setCurrentRow(1);
        QVERIFY(click(d, "cmdEditBlockCallString"));
        // Edit cancelled: the entry stays.
        QVERIFY(click(d, "cmdEditBlockCallString"));
        QCOMPARE(items(list), (QStringList{"555-1234", "555-1234"}));
        QVERIFY(click(d, "cmdCancel"));
    });
    script.expect(QStringLiteral("frmAddBlockCallString"), [](QDialog* a) {
        QCOMPARE(named<QComboBox>(a, "cboBlockCallString")->currentText(), QStringLiteral("(555) 555-9999"));
        typeBlockString(QStringLiteral("5551234"))(a);
    });
    script.expect(QStringLiteral("frmAddBlockCallString"), [](QDialog* a) { QVERIFY(click(a, "cmdCancel")); });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    // Cancel wrote nothing.
    QCOMPARE(onDisk(m_session.home(), Key::BlockCallStrings), QStringLiteral(";555-1234;(555) 555-9999;"));
}

void TestConfiguration::removingKeepsTheSelectionNearby()
{
    frmConfiguration* d = openDialog();
    tabs(d)->setCurrentIndex(4);
    auto* list = named<QListWidget>(d, "lstBlockCallStrings");
    auto fill = [list] {
        list->clear();
        list->addItems({"111-1111", "222-2222", "333-3333"});
    };
    fill();
    list->setCurrentRow(0);
    QVERIFY(click(d, "cmdRemoveBlockCallString"));
    QCOMPARE(items(list), (QStringList{"222-2222", "333-3333"}));
    QCOMPARE(list->currentItem()->text(), QStringLiteral("222-2222"));
    fill();
    list->setCurrentRow(1);
    QVERIFY(click(d, "cmdRemoveBlockCallString"));
    QCOMPARE(list->currentItem()->text(), QStringLiteral("333-3333"));
    fill();
    list->setCurrentRow(2);
    QVERIFY(click(d, "cmdRemoveBlockCallString"));
    QCOMPARE(list->currentItem()->text(), QStringLiteral("222-2222"));
    list->clear();
    list->addItem(QStringLiteral("111-1111"));
    list->setCurrentRow(0);
    QVERIFY(click(d, "cmdRemoveBlockCallString"));
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->currentRow(), -1);
}

void TestConfiguration::cancelWritesNothing()
{
    SaveProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("True"));
    frmConfiguration* d = openDialog();
    QFile ini(m_session.home().file(QStringLiteral("Velquon.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();
    named<QCheckBox>(d, "chkSound")->setChecked(false);
    named<QLineEdit>(d, "txtLocalPort")->setText(QStringLiteral("4321"));
    QVERIFY(click(d, "optNetworking(1)"));
    QVERIFY(click(d, "cmdCancel"));
    QVERIFY(!d->isVisible());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), before);
    QCOMPARE(onDisk(m_session.home(), Key::Sound), QStringLiteral("True"));
    QCOMPARE(gNetworkMode, int(Standalone));
}

void TestConfiguration::modemDefaults()
{
    SaveProperty(Section::frmConfiguration, Key::CommSettings, QStringLiteral("115200,E,7,2"));
    SaveProperty(Section::frmConfiguration, Key::Handshaking, QStringLiteral("2"));
    frmConfiguration* d = openDialog();
    tabs(d)->setCurrentIndex(3);
    QCOMPARE(named<QComboBox>(d, "cboSpeed")->currentText(), QStringLiteral("115200"));
    QCOMPARE(named<QComboBox>(d, "cboParity")->currentText(), QStringLiteral("Even"));
    QVERIFY(named<QRadioButton>(d, "optFlow(2)")->isChecked());
    named<QComboBox>(d, "cboPort")->setCurrentIndex(5);
    named<QComboBox>(d, "cmbDialToneWait")->setEditText(QStringLiteral("9"));
    named<QComboBox>(d, "cboModemString")->setEditText(QStringLiteral("AT#CC1"));
    named<QCheckBox>(d, "chkDialToneTest")->setChecked(false);
    QVERIFY(click(d, "cmdDefaultModem"));
    QCOMPARE(named<QComboBox>(d, "cboPort")->currentText(), QStringLiteral("Com1"));
    QCOMPARE(named<QComboBox>(d, "cboSpeed")->currentText(), QStringLiteral("9600"));
    QCOMPARE(named<QComboBox>(d, "cboParity")->currentText(), QStringLiteral("None"));
    QCOMPARE(named<QComboBox>(d, "cboDataBits")->currentText(), QStringLiteral("8"));
    QCOMPARE(named<QComboBox>(d, "cboStopBits")->currentText(), QStringLiteral("1"));
    QVERIFY(named<QRadioButton>(d, "optFlow(0)")->isChecked());
    QCOMPARE(named<QComboBox>(d, "cmbDialToneWait")->currentText(), QStringLiteral("20"));
    QCOMPARE(named<QComboBox>(d, "cboModemString")->currentText(), QString());
    QVERIFY(named<QCheckBox>(d, "chkDialToneTest")->isChecked());
    // Nothing is stored until OK or Apply.
    QCOMPARE(onDisk(m_session.home(), Key::CommSettings), QStringLiteral("115200,E,7,2"));
}

void TestConfiguration::hintsReachEveryOpenWindow()
{
    miniDisplay().Show();
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup);
    QVERIFY(gToolTip);
    QVERIFY(gToolTip->hasTool(ui::findByName<QWidget>(popup, QStringLiteral("picScreen"))));

    // Hints off: Apply takes every tip away at once.
    frmConfiguration* d = openDialog();
    QVERIFY(gToolTip->toolText(named<QCheckBox>(d, "chkHints"))
                .startsWith(QLatin1String("This enables or disables the popup hints")));
    named<QCheckBox>(d, "chkHints")->setChecked(false);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(!gToolTip);
    QCOMPARE(onDisk(m_session.home(), Key::Hints), QStringLiteral("False"));
    delete d;

    // Opened with hints off: no tips.
    d = openDialog();
    QVERIFY(!gToolTip);
    // On again: every open window registers its tips, the dialog included.
    named<QCheckBox>(d, "chkHints")->setChecked(true);
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(gToolTip);
    QCOMPARE(gToolTip->VisibleTime(), 30000);
    QVERIFY(gToolTip->hasTool(named<QCheckBox>(d, "chkAutoStart")));
    QCOMPARE(gToolTip->toolText(named<QLineEdit>(d, "txtRemotePort")),
             QStringLiteral("This is the remote port that must match the local port of the server application."));
    QVERIFY(gToolTip->hasTool(ui::findByName<QWidget>(popup, QStringLiteral("picScreen"))));
    QVERIFY(gToolTip->toolText(ui::findByName<QListView>(window(), QStringLiteral("lstEvents")))
                .startsWith(QLatin1String("This displays recent events")));
    // Already on: Apply only writes the key; the engine stays.
    cToolTip* engine = gToolTip.get();
    QVERIFY(click(d, "cmdApply"));
    QCOMPARE(gToolTip.get(), engine);
}

void TestConfiguration::customizeButtonOpensTheDialogModal()
{
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        QVERIFY(named<QCheckBox>(d, "chkPopup")->isChecked());
        QVERIFY(click(d, "cmdCustomizeMiniDisplay"));
        // The customisation's Apply showed in the options dialog's own box at once.
        QVERIFY(!named<QCheckBox>(d, "chkPopup")->isChecked());
        QVERIFY(click(d, "cmdCancel"));
    });
    script.expect(QStringLiteral("frmCustomizeMiniDisplay"), [](QDialog* c) {
        QVERIFY(c->isModal());
        // No alert test while the options dialog is open.
        QVERIFY(!named<QPushButton>(c, "cmdAlertTest")->isEnabled());
        named<QCheckBox>(c, "chkMiniDisplayPopup")->setChecked(false);
        QVERIFY(click(c, "cmdApply"));
        QVERIFY(click(c, "cmdCancel"));
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
}

void TestConfiguration::applyMirrorsTheOptionsInMenusAndTheCustomisation()
{
    // The customisation dialog open from the pop-up's menu, then the options from the main window's.
    miniDisplay().Show();
    TRIGGER(frmMiniDisplay::instance(false), "mnuPopupCustomize");
    QPointer<frmCustomizeMiniDisplay> customize = frmCustomizeMiniDisplay::instance(false);
    QVERIFY(customize && customize->isVisible());
    QVERIFY(named<QCheckBox>(customize.data(), "chkMiniDisplayPopup")->isChecked());
    QVERIFY(!window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        named<QCheckBox>(d, "chkPopup")->setChecked(false);
        named<QCheckBox>(d, "chkOnTop")->setChecked(true);
        named<QCheckBox>(d, "chkSound")->setChecked(false);
        QVERIFY(click(d, "cmdOK"));
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    // Both menus carry the three options' marks.
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuOptionsPopupScreen"))->isChecked());
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuPopupMenuPopupScreen"))->isChecked());
    QVERIFY(StandaloneSession::action(QStringLiteral("mnuOptionsAlways"))->isChecked());
    QVERIFY(StandaloneSession::action(QStringLiteral("mnuPopupMenuAlways"))->isChecked());
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuOptionsSound"))->isChecked());
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuPopupMenuSound"))->isChecked());
    // Always on top reached the loaded windows, and the open customisation shows the pop-up option.
    QVERIFY(window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(customize->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!named<QCheckBox>(customize.data(), "chkMiniDisplayPopup")->isChecked());
    customize->close();
}

void TestConfiguration::screenshotsOfEveryPage()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    const QString dir = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    frmConfiguration* d = openDialog();
    named<QListWidget>(d, "lstBlockCallStrings")->addItems({"PRIVATE NUMBER", "(800) ***-****"});
    named<QListWidget>(d, "lstBlockedIP")->addItem(QStringLiteral("192.168.1.20 R"));
    QCoreApplication::processEvents();
    auto shoot = [&](const QString& name) {
        QCoreApplication::processEvents();
        const QImage image = d->grab().toImage();
        QCOMPARE(image.size(), d->size());
        QVERIFY2(colourCount(image) > 8, qPrintable(name + " looks blank"));
        const QString file = dir + QStringLiteral("/options-") + name + QStringLiteral(".png");
        QVERIFY(image.save(file));
        QVERIFY(QFileInfo(file).size() > 2000);
    };
    const QStringList pages = tabCaptions(d);
    for (int i = 0; i < pages.size(); ++i) {
        tabs(d)->setCurrentIndex(i);
        QString name = pages[i].toLower();
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        shoot(name);
    }
    tabs(d)->setCurrentIndex(0);
    QVERIFY(click(d, "optNetworking(2)"));
    tabs(d)->setCurrentIndex(1);
    QCOMPARE(visiblePanel(d), 6);
    shoot(QStringLiteral("network-client"));
}

QTEST_MAIN(TestConfiguration)
#include "test_configuration.moc"
