#pragma once

#include <QString>
#include <QStringList>

// Every option of section "frmConfiguration" as the options dialog shows and edits it, read from the
// settings, written back, and applied to the running program. The dialog is thin wiring over this: it
// fills its controls from readOptions(), collects them into an OptionValues, and hands that to
// saveOptions() and applyToProgram(); the tests drive the same functions without a window.
//
// A list or option group that could not show its stored value carries an empty text (or -1): writing it
// back keeps the stored value as it was, so a hand-written speed, a port beyond 16 or a voice this machine
// does not have survives an Apply from any page.
struct OptionValues {
    // General
    bool AutoStart = true;
    bool Minimized = false;
    bool CloseMinimize = true;
    bool BlinkingIcon = true;
    bool ConfirmDeletion = true;
    QString MaxEventLog; // the box's text
    bool LogActivity = false;
    bool Hints = true;
    bool OnTop = false;
    bool PopupScreen = true;
    bool Sound = true;
    int Networking = 0; // the chosen option: 0 standalone, 1 server, 2 client

    // Modem
    bool DialToneTest = true;
    QString DialToneWait;
    QString ModemString;
    QString Port; // an entry of the port list ("Com3", a device path), or empty: no choice
    QString Speed;
    QString Parity; // the entry ("None" ...)
    QString DataBits;
    QString StopBits;
    int Handshaking = 0; // -1: no option chosen

    // Sound
    bool OverrideVolume = false;
    int VolumeLevel = 0;
    QString VoiceRate;  // entry text, or empty: no choice
    QString VoiceStyle; // entry text, or empty: no choice
    QString DefaultSound;
    QString ImmediateSound;
    QString RingSound;

    // Network (server)
    QString LocalPort;
    bool RestrictedNetwork = false;
    QStringList BlockedIPs;

    // Call blocking
    QStringList BlockCallStrings;

    // Network (client)
    QString RemoteHost;
    QString RemotePort;
    QString RemoteLocalPort;
};

// Reads every option with its first-run default. voices and ports are the entries the dialog's voice and
// port lists hold (a stored value that is none of them reads as no choice).
OptionValues readOptions(const QStringList& voices, const QStringList& ports);

// The default of ImmediateSound: the program folder's "Sounds/Button.wav".
QString defaultImmediateSound();

// What saveOptions did, for the steps that follow it.
struct SaveOutcome {
    int previousMode = 0;
    int newMode = 0;
    // Why a switch into or out of client mode was refused (another copy holds one of the new mode's stores):
    // nothing was saved. Empty when the options were saved.
    QString refusal;
    // Into or out of client mode: the main window is replaced and start-up runs again.
    bool clientSwitch() const { return (newMode == 2) != (previousMode == 2); }
};

// Writes every option in the order of the options dialog's Apply and sets the running network mode (into or
// out of client mode, start-up running again sets it). The numeric texts must have passed the range check.
// The access list is written now whenever the new mode is standalone or server, before any restart, so a
// switch out of client mode never loses it. A switch into or out of client mode first takes the new mode's
// stores, which it keeps until start-up has run again; when another copy holds one, nothing is written and
// refusal says why: the program goes on in its mode, and the next start finds the mode it ran in.
SaveOutcome saveOptions(const OptionValues& values);

// Brings the running program in line with the stored options after saveOptions (and, after a switch into
// or out of client mode, after start-up ran again): the main window's status bar, caption and port, the
// server's clients and port, the client's connection, start with the desktop, the voice, the check marks.
// Returns true when the client connection was made anew (its status text then changed).
bool applyToProgram(const SaveOutcome& outcome);

// The client's status text: host, port, local host name, address and local port, one per line.
QString clientStatusText();

// The history of server hosts (TempRemoteHosts): at most 8, newest first, no two equal without regard to
// case. A host already listed leaves it as it is.
void SaveRemoteHosts(const QString& host);
// The entries the host box offers; an empty history gives one empty entry.
QStringList LoadRemoteHosts();
