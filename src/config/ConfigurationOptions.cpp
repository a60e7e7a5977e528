#include "config/ConfigurationOptions.h"

#include <algorithm>

#include "capture/clsSound.h"
#include "config/OptionLists.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/StoreLocks.h"
#include "core/modAPI.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/ProgramFolder.h"

namespace {

const QString kProduct = QStringLiteral("Velquon");

QString stored(const char* key, const QString& defaultValue)
{
    return GetProperty(Section::frmConfiguration, key, defaultValue);
}

void write(const char* key, const QString& value) { SaveProperty(Section::frmConfiguration, key, value); }

// A check box shows "True" checked; "False" or any other text unchecked.
bool checked(const char* key, const char* defaultValue)
{
    return stored(key, QString::fromLatin1(defaultValue)) == QLatin1String("True");
}

QString numberText(const QString& text) { return QString::number(OptionLists::fieldNumber(text)); }

QString storedNumberText(const char* key, const char* defaultValue)
{
    return QString::number(OptionLists::storedNumber(stored(key, QString::fromLatin1(defaultValue))));
}

// The entry of entries equal to text without regard to case, else empty.
QString entryFor(const QStringList& entries, const QString& text)
{
    for (const QString& e : entries) {
        if (e.compare(text, Qt::CaseInsensitive) == 0)
            return e;
    }
    return QString();
}

// The ";"-list form, with a lone ";" for no entry.
QString listText(const QStringList& entries) { return entries.isEmpty() ? QStringLiteral(";") : ArrayToList(entries); }

QStringList listEntries(const QString& list)
{
    QStringList out = ListToArray(list);
    out.removeAll(QString());
    return out;
}

} // namespace

QString defaultImmediateSound() { return programFolder() + QStringLiteral("/Sounds/Button.wav"); }

OptionValues readOptions(const QStringList& voices, const QStringList& ports)
{
    OptionValues v;
    v.AutoStart = checked(Key::AutoStart, "True");
    v.Minimized = checked(Key::Minimized, "False");
    v.CloseMinimize = checked(Key::CloseMinimize, "True");
    v.BlinkingIcon = checked(Key::BlinkingIcon, "True");
    v.ConfirmDeletion = checked(Key::ConfirmDeletion, "True");
    v.MaxEventLog = storedNumberText(Key::MaxEventLog, "100");
    v.LogActivity = checked(Key::LogActivity, "False");
    v.Hints = checked(Key::Hints, "True");
    v.OnTop = checked(Key::OnTop, "False");
    v.PopupScreen = checked(Key::PopupScreen, "True");
    v.Sound = checked(Key::Sound, "True");
    // The mode the program runs in, not the stored one.
    v.Networking = gNetworkMode;

    v.DialToneTest = checked(Key::DialToneTest, "True");
    v.DialToneWait = storedNumberText(Key::DialToneWait, "20");
    v.ModemString = stored(Key::ModemString, QString());
    const OptionLists::CommFields comm = OptionLists::parseCommSettings(stored(Key::CommSettings, "9600,N,8,1"));
    v.Speed = comm.speed;
    v.Parity = comm.parity;
    v.DataBits = comm.dataBits;
    v.StopBits = comm.stopBits;
    v.Port = OptionLists::portEntryFor(stored(Key::CommPort, "1"), ports);
    const qint64 handshaking = OptionLists::storedNumber(stored(Key::Handshaking, "0"));
    v.Handshaking = handshaking >= 0 && handshaking <= 3 ? int(handshaking) : -1;

    v.OverrideVolume = checked(Key::OverrideVolume, "False");
    v.VolumeLevel = int(OptionLists::storedNumber(stored(Key::VolumeLevel, "0")));
    v.VoiceRate = entryFor(OptionLists::voiceRates(), storedNumberText(Key::VoiceRate, "0"));
    v.VoiceStyle = entryFor(voices, stored(Key::VoiceStyle, QStringLiteral("Microsoft Sam")));
    v.DefaultSound = stored(Key::DefaultSound, QString());
    v.ImmediateSound = stored(Key::ImmediateSound, defaultImmediateSound());
    v.RingSound = stored(Key::RingSound, QString());

    v.LocalPort = storedNumberText(Key::LocalPort, "270");
    v.RestrictedNetwork = stored(Key::RestrictedNetwork, QStringLiteral("False")) == QLatin1String("True");
    v.BlockedIPs = listEntries(stored(Key::BlockedIPs, QString()));
    v.BlockCallStrings = listEntries(stored(Key::BlockCallStrings, QString()));

    v.RemoteHost = stored(Key::RemoteHost, QString());
    v.RemotePort = storedNumberText(Key::RemotePort, "270");
    v.RemoteLocalPort = storedNumberText(Key::RemoteLocalPort, "0");
    return v;
}

SaveOutcome saveOptions(const OptionValues& v)
{
    SaveOutcome outcome;
    outcome.previousMode = gNetworkMode;
    const int mode = v.Networking == Server || v.Networking == Client ? v.Networking : Standalone;
    outcome.newMode = mode;
    // Before anything is written: a switch that cannot be made must leave the running mode and the stored one
    // alike, or the next start would be refused for the same store.
    if (outcome.clientSwitch() && !StoreLocks::holdForMode(mode, &outcome.refusal))
        return outcome;
    SettingsBatch batch;

    write(Key::AutoStart, boolText(v.AutoStart));
    write(Key::Minimized, boolText(v.Minimized));
    write(Key::CloseMinimize, boolText(v.CloseMinimize));
    write(Key::BlinkingIcon, boolText(v.BlinkingIcon));
    write(Key::ConfirmDeletion, boolText(v.ConfirmDeletion));
    write(Key::MaxEventLog, numberText(v.MaxEventLog));
    write(Key::LogActivity, boolText(v.LogActivity));
    write(Key::Hints, boolText(v.Hints));
    write(Key::OnTop, boolText(v.OnTop));
    write(Key::PopupScreen, boolText(v.PopupScreen));
    write(Key::Sound, boolText(v.Sound));

    write(Key::Networking, QString::number(mode));
    // Into or out of client mode the program serves in its old mode until start-up runs again: a long task
    // still stepping meanwhile writes to a log that client mode would pass by.
    if (!outcome.clientSwitch())
        gNetworkMode = mode;

    write(Key::OverrideVolume, boolText(v.OverrideVolume));
    if (v.OverrideVolume)
        write(Key::VolumeLevel, QString::number(v.VolumeLevel));
    if (!v.VoiceRate.isEmpty())
        write(Key::VoiceRate, numberText(v.VoiceRate));
    if (!v.VoiceStyle.isEmpty())
        write(Key::VoiceStyle, v.VoiceStyle);
    write(Key::DefaultSound, v.DefaultSound);
    write(Key::ImmediateSound, v.ImmediateSound);
    write(Key::RingSound, v.RingSound);
    write(Key::DialToneTest, boolText(v.DialToneTest));
    write(Key::DialToneWait, numberText(v.DialToneWait));
    write(Key::ModemString, v.ModemString);
    write(Key::BlockCallStrings, listText(v.BlockCallStrings));
    if (!v.Port.isEmpty())
        write(Key::CommPort, OptionLists::commPortToStore(v.Port, stored(Key::CommPort, "1")));
    write(Key::CommSettings, OptionLists::buildCommSettings({v.Speed, v.Parity, v.DataBits, v.StopBits},
                                                            stored(Key::CommSettings, "9600,N,8,1")));
    if (v.Handshaking >= 0 && v.Handshaking <= 3)
        write(Key::Handshaking, QString::number(v.Handshaking));

    if (mode != Client) {
        write(Key::LocalPort, numberText(v.LocalPort));
        write(Key::RestrictedNetwork, boolText(v.RestrictedNetwork));
        write(Key::BlockedIPs, listText(v.BlockedIPs));
    } else {
        SaveRemoteHosts(v.RemoteHost);
        write(Key::RemoteHost, v.RemoteHost);
        write(Key::RemotePort, numberText(v.RemotePort));
        write(Key::RemoteLocalPort, numberText(v.RemoteLocalPort));
    }
    return outcome;
}

bool applyToProgram(const SaveOutcome& outcome)
{
    const int mode = outcome.newMode;
    bool reconnected = false;

    // Between standalone and server the window stays and takes the new mode's status bar.
    if (!outcome.clientSwitch() && outcome.previousMode != mode && gMainForm)
        gMainForm->NetworkModeChanged();
    gSwitchingMode = false;

    if (mode == Client && gRemoteSocket) {
        // Only a real change makes a new connection: closing and binding again at once to a fixed local
        // port would fail while the old connection lingers, and the client would lose its server.
        const QString host = stored(Key::RemoteHost, QString());
        const auto port = quint16(OptionLists::storedNumber(stored(Key::RemotePort, "270")));
        const auto localPort = quint16(OptionLists::storedNumber(stored(Key::RemoteLocalPort, "0")));
        if (host != gRemoteSocket->RemoteHost() || port != gRemoteSocket->RemotePort() ||
            localPort != gRemoteSocket->ConfiguredLocalPort()) {
            gRemoteSocket->setConnected(false);
            gRemoteSocket->setRemoteHost(host);
            gRemoteSocket->setRemotePort(port);
            gRemoteSocket->setLocalPort(localPort);
            gRemoteSocket->setConnected(true);
            reconnected = true;
        }
    }

    if (mode != Client) {
        if (gMainForm)
            gMainForm->ReopenPortIfSettingsChanged();
        if (mode == Standalone) {
            if (gMainForm)
                gMainForm->setCaption(kProduct);
            if (gServer)
                gServer->DropAllClients();
        } else {
            if (gMainForm)
                gMainForm->setCaption(kProduct + QStringLiteral(" (Sever)"));
            if (gServer) {
                const auto port = quint16(OptionLists::storedNumber(stored(Key::LocalPort, "270")));
                // A server that could not listen (the port was taken when it started) tries again too.
                if (port != gServer->LocalPort() || !gServer->isListening())
                    gServer->setLocalPort(port);
                // A port that cannot be had is said in a box, and the program may end while it waits.
                if (gServer)
                    gServer->RemarkClients();
            }
        }
    }

    if (textToBool(stored(Key::AutoStart, QStringLiteral("True"))))
        SetAutoStart();
    else
        RemoveAutoStart();

    if (gSound) {
        gSound->setVoiceRate(
            qint16(std::clamp<qint64>(OptionLists::storedNumber(stored(Key::VoiceRate, "0")), -10, 10)));
        gSound->setVoiceStyle(stored(Key::VoiceStyle, QStringLiteral("Microsoft Sam")));
    }

    if (gMainForm)
        gMainForm->UpdateOptionChecks();
    return reconnected;
}

QString clientStatusText()
{
    if (!gRemoteSocket)
        return QString();
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Remote Host:  ") + gRemoteSocket->RemoteHost() + crlf + QStringLiteral("Remote Port:  ") +
           QString::number(gRemoteSocket->RemotePort()) + crlf + QStringLiteral("Local Host Name:  ") +
           clsRemoteSocket::LocalHostName() + crlf + QStringLiteral("Local IP:  ") + gRemoteSocket->LocalIP() + crlf +
           QStringLiteral("Local Port:  ") + QString::number(gRemoteSocket->LocalPort());
}

void SaveRemoteHosts(const QString& host)
{
    QStringList entries = ListToArray(stored(Key::TempRemoteHosts, QString()));
    for (const QString& e : entries) {
        if (e.compare(host, Qt::CaseInsensitive) == 0)
            return;
    }
    if (!entries.first().isEmpty()) {
        if (entries.size() < 8)
            entries.append(QString());
        for (qsizetype i = entries.size() - 1; i > 0; --i)
            entries[i] = entries[i - 1];
    }
    entries[0] = host;
    write(Key::TempRemoteHosts, ArrayToList(entries));
}

QStringList LoadRemoteHosts() { return ListToArray(stored(Key::TempRemoteHosts, QString())); }
