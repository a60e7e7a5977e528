#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "config/BlockCallString.h"
#include "config/ConfigurationOptions.h"
#include "config/OptionLists.h"
#include "core/Globals.h"
#include "core/PhoneNumber.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

void store(const char* key, const QString& value) { SaveProperty(Section::frmConfiguration, key, value); }

// The value as the settings file on disk holds it (not the store's cache).
QString onDisk(const TempHome& home, const char* key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(QStringLiteral("frmConfiguration/") + QLatin1String(key), QStringLiteral("<none>")).toString();
}

const QStringList kVoices = {QStringLiteral("kal"), QStringLiteral("awb")};

OptionValues read() { return readOptions(kVoices, OptionLists::portEntries(QStringLiteral("/nonexistent"))); }

} // namespace

// The options as the options dialog reads, writes and applies them, on a real settings file.
class TestConfigurationOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstStartShowsTheDefaults();
    void commSettingsAndPortsAsTheListsShowThem();
    void valuesTheListsCannotShowSurviveASave();
    void listsAreWrittenInListForm();
    void numericFieldsAreHeldInRange();
    void modeChangeWritesTheModesOwnKeys();
    void remoteHostHistory();
    void blockCallStrings_data();
    void blockCallStrings();
    void numberFormatWithoutWildcards();
    void aDuplicateBlockStringIsNotAdded();
    void serialDevicesThisMachineHas();
    void shortModemSettingsAreKeptAsStored();
    void aBuiltInPortIsOneEntry();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestConfigurationOptions::init()
{
    m_home = std::make_unique<TempHome>();
    InitializeSettings();
}

void TestConfigurationOptions::cleanup() { m_home.reset(); }

void TestConfigurationOptions::firstStartShowsTheDefaults()
{
    const OptionValues v = read();
    QVERIFY(v.AutoStart);
    QVERIFY(!v.Minimized);
    QVERIFY(v.CloseMinimize);
    QVERIFY(v.BlinkingIcon);
    QVERIFY(v.ConfirmDeletion);
    QCOMPARE(v.MaxEventLog, QStringLiteral("100"));
    QVERIFY(!v.LogActivity);
    QVERIFY(v.Hints);
    QVERIFY(!v.OnTop);
    QVERIFY(v.PopupScreen);
    QVERIFY(v.Sound);
    QCOMPARE(v.Networking, 0);
    QVERIFY(v.DialToneTest);
    QCOMPARE(v.DialToneWait, QStringLiteral("20"));
    QCOMPARE(v.ModemString, QString());
    QCOMPARE(v.Port, QStringLiteral("Com1"));
    QCOMPARE(v.Speed, QStringLiteral("9600"));
    QCOMPARE(v.Parity, QStringLiteral("None"));
    QCOMPARE(v.DataBits, QStringLiteral("8"));
    QCOMPARE(v.StopBits, QStringLiteral("1"));
    QCOMPARE(v.Handshaking, 0);
    QVERIFY(!v.OverrideVolume);
    QCOMPARE(v.VoiceRate, QStringLiteral("0"));
    // "Microsoft Sam" is no voice of this machine: the list shows no choice.
    QCOMPARE(v.VoiceStyle, QString());
    QCOMPARE(v.DefaultSound, QString());
    QCOMPARE(v.ImmediateSound, programFolder() + QStringLiteral("/Sounds/Button.wav"));
    QCOMPARE(v.RingSound, QString());
    QCOMPARE(v.LocalPort, QStringLiteral("270"));
    QVERIFY(!v.RestrictedNetwork);
    QVERIFY(v.BlockedIPs.isEmpty());
    QVERIFY(v.BlockCallStrings.isEmpty());
    QCOMPARE(v.RemoteHost, QString());
    QCOMPARE(v.RemotePort, QStringLiteral("270"));
    QCOMPARE(v.RemoteLocalPort, QStringLiteral("0"));

    // The running mode is shown, not the stored one.
    store(Key::Networking, QStringLiteral("2"));
    gNetworkMode = Server;
    QCOMPARE(read().Networking, 1);
}

void TestConfigurationOptions::commSettingsAndPortsAsTheListsShowThem()
{
    store(Key::CommSettings, QStringLiteral("19200,o,7,2"));
    store(Key::CommPort, QStringLiteral("16"));
    OptionValues v = read();
    QCOMPARE(v.Speed, QStringLiteral("19200"));
    QCOMPARE(v.Parity, QStringLiteral("Odd"));
    QCOMPARE(v.DataBits, QStringLiteral("7"));
    QCOMPARE(v.StopBits, QStringLiteral("2"));
    QCOMPARE(v.Port, QStringLiteral("Com16"));

    store(Key::CommSettings, QStringLiteral("2400,M,8,1.5"));
    store(Key::CommPort, QStringLiteral("0"));
    v = read();
    QCOMPARE(v.Parity, QStringLiteral("Mark"));
    QCOMPARE(v.StopBits, QStringLiteral("1.5"));
    QCOMPARE(v.Port, QString());

    // The speed alone: the other three lists show no choice.
    store(Key::CommSettings, QStringLiteral("9600"));
    store(Key::CommPort, QStringLiteral("17"));
    v = read();
    QCOMPARE(v.Speed, QStringLiteral("9600"));
    QCOMPARE(v.Parity, QString());
    QCOMPARE(v.DataBits, QString());
    QCOMPARE(v.StopBits, QString());
    QCOMPARE(v.Port, QString());

    // A device path is chosen when the list holds it.
    store(Key::CommPort, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(readOptions({}, OptionLists::numberedPorts() << QStringLiteral("/dev/ttyUSB0")).Port,
             QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(OptionLists::commPortFor(QStringLiteral("Com3")), QStringLiteral("3"));
    QCOMPARE(OptionLists::commPortFor(QStringLiteral("/dev/ttyACM1")), QStringLiteral("/dev/ttyACM1"));
}

void TestConfigurationOptions::valuesTheListsCannotShowSurviveASave()
{
    store(Key::CommSettings, QStringLiteral("19200,o,7,2"));
    store(Key::CommPort, QStringLiteral("16"));
    saveOptions(read());
    QCOMPARE(onDisk(*m_home, Key::CommSettings), QStringLiteral("19200,O,7,2"));
    QCOMPARE(onDisk(*m_home, Key::CommPort), QStringLiteral("16"));

    // Nothing the user did not touch is blanked: a hand-written speed, a port beyond 16, a flow control
    // beyond 3, a voice this machine does not have.
    store(Key::CommSettings, QStringLiteral("230400,N,8,1"));
    store(Key::CommPort, QStringLiteral("17"));
    store(Key::Handshaking, QStringLiteral("7"));
    store(Key::VoiceStyle, QStringLiteral("Microsoft Sam"));
    saveOptions(read());
    QCOMPARE(onDisk(*m_home, Key::CommSettings), QStringLiteral("230400,N,8,1"));
    QCOMPARE(onDisk(*m_home, Key::CommPort), QStringLiteral("17"));
    QCOMPARE(onDisk(*m_home, Key::Handshaking), QStringLiteral("7"));
    QCOMPARE(onDisk(*m_home, Key::VoiceStyle), QStringLiteral("Microsoft Sam"));

    // A field that was chosen replaces only its own part.
    OptionValues v = read();
    v.Parity = QStringLiteral("Even");
    v.Port = QStringLiteral("Com2");
    v.VoiceStyle = QStringLiteral("awb");
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::CommSettings), QStringLiteral("230400,E,8,1"));
    QCOMPARE(onDisk(*m_home, Key::CommPort), QStringLiteral("2"));
    QCOMPARE(onDisk(*m_home, Key::VoiceStyle), QStringLiteral("awb"));
}

void TestConfigurationOptions::listsAreWrittenInListForm()
{
    store(Key::BlockCallStrings, QStringLiteral(";(555) 555-1234;;PRIVATE NUMBER;"));
    OptionValues v = read();
    QCOMPARE(v.BlockCallStrings, (QStringList{QStringLiteral("(555) 555-1234"), QStringLiteral("PRIVATE NUMBER")}));
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::BlockCallStrings), QStringLiteral(";(555) 555-1234;PRIVATE NUMBER;"));
    // An empty list is a lone ";", for block strings and addresses alike.
    v.BlockCallStrings.clear();
    v.BlockedIPs.clear();
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::BlockCallStrings), QStringLiteral(";"));
    QCOMPARE(onDisk(*m_home, Key::BlockedIPs), QStringLiteral(";"));
    QVERIFY(read().BlockCallStrings.isEmpty());
}

void TestConfigurationOptions::numericFieldsAreHeldInRange()
{
    const auto check = [](const char* control, const QString& text) {
        return OptionLists::checkedFieldText(*OptionLists::numericField(QLatin1String(control)), text);
    };
    QCOMPARE(check("cboMaxEventLog", "4"), QStringLiteral("5"));
    QCOMPARE(check("cboMaxEventLog", "40000"), QStringLiteral("32767"));
    QCOMPARE(check("cboMaxEventLog", "500"), QStringLiteral("500"));
    QCOMPARE(check("cboMaxEventLog", "many"), QStringLiteral("100"));
    // The fallback is the stored option, itself brought into range.
    store(Key::MaxEventLog, QStringLiteral("3"));
    QCOMPARE(check("cboMaxEventLog", "many"), QStringLiteral("5"));
    QCOMPARE(check("txtRemoteLocalPort", "0"), QStringLiteral("0"));
    QCOMPARE(check("txtLocalPort", "0"), QStringLiteral("1"));
    QCOMPARE(check("txtRemotePort", "0"), QStringLiteral("1"));
    QCOMPARE(check("txtLocalPort", "70000"), QStringLiteral("65535"));
    QCOMPARE(check("cboVoiceRate", "-25"), QStringLiteral("-10"));
    QCOMPARE(check("cmbDialToneWait", "2"), QStringLiteral("6"));
    // The fields are checked in the order of their table.
    QStringList order;
    for (const OptionLists::NumericField& f : OptionLists::numericFields())
        order << QLatin1String(f.control);
    QCOMPARE(order, (QStringList{"cboMaxEventLog", "txtLocalPort", "txtRemoteLocalPort", "txtRemotePort",
                                 "cboVoiceRate", "cmbDialToneWait"}));
    // Stored numbers are read from their start.
    store(Key::LocalPort, QStringLiteral("2700abc"));
    QCOMPARE(read().LocalPort, QStringLiteral("2700"));
    store(Key::LocalPort, QStringLiteral("abc"));
    QCOMPARE(read().LocalPort, QStringLiteral("0"));
}

void TestConfigurationOptions::modeChangeWritesTheModesOwnKeys()
{
    store(Key::BlockedIPs, QStringLiteral(";10.0.0.9 B;"));
    OptionValues v = read();
    v.Networking = Client;
    v.RemoteHost = QStringLiteral("callserver");
    v.RemotePort = QStringLiteral("40123");
    v.LocalPort = QStringLiteral("999");
    v.BlockedIPs.clear();
    SaveOutcome out = saveOptions(v);
    QCOMPARE(out.previousMode, 0);
    QCOMPARE(out.newMode, 2);
    QVERIFY(out.clientSwitch());
    // The program serves in its old mode until start-up runs again, which then sets it.
    QCOMPARE(gNetworkMode, int(Standalone));
    gNetworkMode = Client;
    QCOMPARE(onDisk(*m_home, Key::Networking), QStringLiteral("2"));
    QCOMPARE(onDisk(*m_home, Key::RemoteHost), QStringLiteral("callserver"));
    QCOMPARE(onDisk(*m_home, Key::RemotePort), QStringLiteral("40123"));
    // The server's keys are not the client's business.
    QCOMPARE(onDisk(*m_home, Key::LocalPort), QStringLiteral("270"));
    QCOMPARE(onDisk(*m_home, Key::BlockedIPs), QStringLiteral(";10.0.0.9 B;"));
    QCOMPARE(onDisk(*m_home, Key::TempRemoteHosts), QStringLiteral(";callserver;"));

    // Back out of client mode: what the dialog showed of the access list is written at once.
    v = read();
    QCOMPARE(v.BlockedIPs, QStringList{QStringLiteral("10.0.0.9 B")});
    v.Networking = Server;
    out = saveOptions(v);
    QVERIFY(out.clientSwitch());
    QCOMPARE(onDisk(*m_home, Key::BlockedIPs), QStringLiteral(";10.0.0.9 B;"));
    QCOMPARE(onDisk(*m_home, Key::RemoteHost), QStringLiteral("callserver"));
    gNetworkMode = Server;
    // Between standalone and server the window stays.
    v = read();
    v.Networking = Standalone;
    out = saveOptions(v);
    QVERIFY(!out.clientSwitch());
    QCOMPARE(out.previousMode, 1);
    QCOMPARE(out.newMode, 0);
}

void TestConfigurationOptions::remoteHostHistory()
{
    QCOMPARE(LoadRemoteHosts(), QStringList{QString()});
    SaveRemoteHosts(QStringLiteral("alpha"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::TempRemoteHosts, QString()), QStringLiteral(";alpha;"));
    SaveRemoteHosts(QStringLiteral("beta"));
    SaveRemoteHosts(QStringLiteral("gamma"));
    QCOMPARE(LoadRemoteHosts(), (QStringList{"gamma", "beta", "alpha"}));
    // Known in any letter case and at any place: nothing moves.
    SaveRemoteHosts(QStringLiteral("ALPHA"));
    QCOMPARE(LoadRemoteHosts(), (QStringList{"gamma", "beta", "alpha"}));
    for (const char* host : {"h4", "h5", "h6", "h7", "h8"})
        SaveRemoteHosts(QLatin1String(host));
    QCOMPARE(LoadRemoteHosts().size(), 8);
    QCOMPARE(LoadRemoteHosts().last(), QStringLiteral("alpha"));
    // A ninth pushes the oldest out.
    SaveRemoteHosts(QStringLiteral("h9"));
    QCOMPARE(LoadRemoteHosts(), (QStringList{"h9", "h8", "h7", "h6", "h5", "h4", "gamma", "beta"}));
}

void TestConfigurationOptions::blockCallStrings_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: refused with the length message
    QTest::newRow("words") << "private number"
                           << "PRIVATE NUMBER";
    QTest::newRow("not received") << "Not Received"
                                  << "NOT RECEIVED";
    QTest::newRow("unknown") << "unknown NUMBER"
                             << "UNKNOWN NUMBER";
    QTest::newRow("seven") << "5551234"
                           << "555-1234";
    QTest::newRow("seven hyphen") << "555-1234"
                                  << "555-1234";
    QTest::newRow("ten formatted") << "(555) 555-1234"
                                   << "(555) 555-1234";
    QTest::newRow("ten dotted") << "555.555.1234"
                                << "(555) 555-1234";
    QTest::newRow("wild seven") << "555****"
                                << "555-****";
    QTest::newRow("wild ten") << "800*******"
                              << "(800) ***-****";
    QTest::newRow("letters dropped") << "tel 555 12 34"
                                     << "555-1234";
    QTest::newRow("eleven") << "15555551234"
                            << "";
    QTest::newRow("six") << "123456"
                         << "";
    QTest::newRow("letters") << "spam"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("a word alone") << "PRIVATE"
                                  << "";
}

void TestConfigurationOptions::blockCallStrings()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const std::optional<QString> result = NormaliseBlockCallString(typed);
    QCOMPARE(result.value_or(QString()), stored);
}

void TestConfigurationOptions::numberFormatWithoutWildcards()
{
    QCOMPARE(BlockCallStringLengthMessage(), QStringLiteral("The block call string must be 7 or 10 digits long."));
    // Typed numbers elsewhere (no wild cards): a "*" is dropped like any other sign.
    QCOMPARE(FormatPhoneNumber(QStringLiteral("555*1234")).value_or(QString()), QStringLiteral("555-1234"));
    QCOMPARE(FormatPhoneNumber(QStringLiteral("800*******")).value_or(QString()), QString());
    QCOMPARE(FormatPhoneNumber(QStringLiteral("(555) 555 1234")).value_or(QString()), QStringLiteral("(555) 555-1234"));
    QCOMPARE(FormatPhoneNumber(QStringLiteral("unknown number")).value_or(QString()), QStringLiteral("UNKNOWN NUMBER"));
    // Digits of other scripts are no telephone digits.
    QCOMPARE(FormatPhoneNumber(QString::fromUtf8("\u0665\u0665\u0665\u0661\u0662\u0663\u0664")).value_or(QString()),
             QString());
}

void TestConfigurationOptions::aDuplicateBlockStringIsNotAdded()
{
    QStringList list{QStringLiteral("PRIVATE NUMBER")};
    QVERIFY(!AddBlockCallString(list, QStringLiteral("Private Number")));
    QVERIFY(AddBlockCallString(list, QStringLiteral("555-1234")));
    QCOMPARE(list, (QStringList{"PRIVATE NUMBER", "555-1234"}));
}

void TestConfigurationOptions::serialDevicesThisMachineHas()
{
    QTemporaryDir dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyUSB0", "ttyS5", "tty0", "null"}) {
        QFile f(dev.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QStringList devices = OptionLists::serialDevices(dev.path());
    QCOMPARE(devices, (QStringList{dev.filePath("ttyACM0"), dev.filePath("ttyUSB0"), dev.filePath("ttyUSB2"),
                                   dev.filePath("ttyUSB10")}));
    const QStringList entries = OptionLists::portEntries(dev.path());
    QCOMPARE(entries.size(), 20);
    QCOMPARE(entries.first(), QStringLiteral("Com1"));
    QCOMPARE(entries.at(15), QStringLiteral("Com16"));
    QCOMPARE(entries.at(16), dev.filePath("ttyACM0"));
}

void TestConfigurationOptions::shortModemSettingsAreKeptAsStored()
{
    // Saved untouched, a short text is written back as it was.
    for (const char* text : {"9600", "9600,N", "19200,e,7"}) {
        store(Key::CommSettings, QLatin1String(text));
        saveOptions(read());
        QCOMPARE(onDisk(*m_home, Key::CommSettings), QString::fromLatin1(text).toUpper());
    }
    // A choice adds its own field and the ones before it, nothing after.
    store(Key::CommSettings, QStringLiteral("9600"));
    OptionValues v = read();
    v.Parity = QStringLiteral("Odd");
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::CommSettings), QStringLiteral("9600,O"));
    store(Key::CommSettings, QStringLiteral("9600"));
    v = read();
    v.StopBits = QStringLiteral("2");
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::CommSettings), QStringLiteral("9600,,,2"));
    QCOMPARE(OptionLists::buildCommSettings({QStringLiteral("2400"), {}, {}, {}}, QStringLiteral("9600")),
             QStringLiteral("2400"));
    QCOMPARE(OptionLists::buildCommSettings({}, QString()), QString());
}

void TestConfigurationOptions::aBuiltInPortIsOneEntry()
{
    QCOMPARE(OptionLists::withoutNumberedPorts({QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS15"),
                                                QStringLiteral("/dev/ttyS16"), QStringLiteral("/dev/ttyUSB0")}),
             (QStringList{QStringLiteral("/dev/ttyS16"), QStringLiteral("/dev/ttyUSB0")}));
    // Whatever this machine has, no built-in port is listed twice.
    const QStringList entries = OptionLists::portEntries();
    for (const QString& e : entries)
        QVERIFY2(OptionLists::numberedPortFor(e).isEmpty(), qPrintable(e));
    QCOMPARE(OptionLists::numberedPortFor(QStringLiteral("/dev/ttyS0")), QStringLiteral("Com1"));
    QCOMPARE(OptionLists::numberedPortFor(QStringLiteral("/dev/ttyS16")), QString());
    QCOMPARE(OptionLists::numberedPortFor(QStringLiteral("/dev/ttyUSB0")), QString());

    // A port stored by its path shows as its numbered entry and is kept as written when that stays chosen.
    store(Key::CommPort, QStringLiteral("/dev/ttyS0"));
    QCOMPARE(read().Port, QStringLiteral("Com1"));
    saveOptions(read());
    QCOMPARE(onDisk(*m_home, Key::CommPort), QStringLiteral("/dev/ttyS0"));
    OptionValues v = read();
    v.Port = QStringLiteral("Com2");
    saveOptions(v);
    QCOMPARE(onDisk(*m_home, Key::CommPort), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(TestConfigurationOptions)
#include "test_configurationoptions.moc"
