#include "config/ui/frmConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>

#include "config/ui/OptionsDialogShared.h"
#include "core/SettingsKeys.h"
#include "core/ui/cToolTip.h"

using OptionsDialog::storedTrue;

void frmConfiguration::AddHints()
{
    if (!storedTrue(Key::Hints, "True") || !gToolTip)
        return;
    auto tip = [](QWidget* w, const char* text) {
        if (w)
            gToolTip->SetToolTipObj(w, QString::fromUtf8(text));
    };
    const char* const voice = "Here you choose the voice that announces callers when a sound is set to Speech, and "
                              "how fast it speaks, from -10 (slowest) to 10 (fastest).";
    const char* const connection =
        "It is recommended that these settings be left alone. The data bits should stay at 8, the parity should be "
        "set to none and the stop bits should be set to 1. If you are experiencing difficulties, consult your modem "
        "manufacturer.";
    const char* const answer = "With answer testing on, the program checks for a dial tone a number of seconds after "
                               "the last ring to tell whether the call was answered. The wait is the number of "
                               "seconds after the last ring before the test.";
    const char* const flow = "It is recommended that these settings be left alone. This setting should stay at none. "
                             "If you are experiencing difficulties, consult your modem manufacturer.";
    const char* const network = "This opens the network settings of this computer.";
    const char* const modes = "Choose how this copy of the program works: alone, as a server that shares its calls "
                              "with other copies on the network, or as a client of such a server. A change to or "
                              "from client mode restarts the program's main window.";

    tip(chkAutoStart, "With this option check the program will automatically start when Windows starts.");
    tip(chkStartMinimized, "With this option checked the program starts minimized.");
    tip(chkCloseMinimize, "With this option checked the close button of the main window minimizes the program "
                          "instead of closing it. Use Exit in the File menu to close the program.");
    tip(chkBlinkingIcon, "With this option checked the tray icon blinks when a call comes in until you look at it.");
    tip(chkConfirmDeletion, "With this option checked you are asked before records are deleted or edited.");
    tip(chkOnTop, "This will keep the program window on top of all other windows on you desktop.");
    tip(chkPopup, "With this option checked the mini display pops up when a call comes in.");
    tip(chkSound, "With this option checked the program plays a sound or speaks when a call comes in.");
    tip(chkLogActivity, "With this option checked every event is also written to the activity log file.");
    tip(chkHints, "This enables or disables the popup hints that appear throughout the program.");
    tip(cmdCustomizeMiniDisplay, "This opens the window where you change how the mini display looks and what it "
                                 "shows.");
    tip(fraNetworking, modes);
    tip(optNetworking[0], "The program works alone and shares nothing on the network.");
    tip(optNetworking[1], "The program shares its calls and contacts with client copies of the program on the "
                          "network.");
    tip(optNetworking[2], "The program shows the calls and contacts of a server copy of the program on the "
                          "network. It uses no modem of its own.");
    tip(cboMaxEventLog, "This is the number of lines the event list of the main window keeps.");
    tip(optCustomizedRestrictions, "Only the addresses listed as restricted are restricted.");
    tip(optRestrictAll, "Every client is restricted: clients can view caller and contact information but cannot "
                        "change or delete records.");
    tip(txtLocalPort,
        "This is where you enter the local port to use on the network. It must be a number between 1 and 65535. If "
        "the port you have selected is already in use an error message will popup and you need to select a different "
        "port. To successfully connect to a client application, the local port on the server must be the same as the "
        "remote port on the client application.");
    tip(cmdNetworkSettings[0], network);
    tip(lstBlockedIP, "These are the addresses of the computers that are blocked (B) or restricted (R).");
    tip(cmdRemoveIP, "This removes the selected address from the list.");
    tip(cmdAddIP, "This adds an address to the list of blocked or restricted computers.");
    tip(txtStatus, "This box shows the current configuration of the local computers network.");
    tip(cmbRemoteHost, "This is the name or address of the computer that runs the server copy of the program.");
    tip(txtRemotePort, "This is the remote port that must match the local port of the server application.");
    tip(txtRemoteLocalPort,
        "This is the local port used on the network and must be a number between 0 and 65535.  This port number "
        "does not have to match anything and can be any valid port number as long as it is not in use already. If "
        "you select 0 for the local port the program will select a random port that is available. It is recommended "
        "that this setting be a 0.");
    tip(cmdNetworkSettings[1], network);
    tip(chkOverrideVolume, "With this option checked the speaker volume is raised to the level below while a call "
                           "is announced, and put back afterwards.");
    tip(sldVolume, "This is the speaker volume used while a call is announced when Override Volume is checked.");
    tip(cmbSoundType, "Choose which sound to set: the sound for callers without an attribute group, the sound of "
                      "the first ring, or the sound of every other ring.");
    tip(cmbSoundPath, "This is the wave file played for the chosen sound type, or Speech to have the caller "
                      "announced by voice. Leave it empty for no sound.");
    tip(cmdSoundBrowse, "This lets you choose a wave file for the chosen sound type.");
    tip(cmdTestSound, "This plays the chosen sound with the volume and voice set here.");
    tip(cmdStopTest, "This will stop the sound from playing.");
    tip(cboVoiceRate, voice);
    tip(cboVoiceStyle, voice);
    tip(fraVoiceSettings, voice);
    tip(lstBlockCallStrings,
        "This is a list of block call strings that incoming numbers will be compared against to block calls. The "
        "advantage of using block strings versus creating an attribute with the block property set and associated "
        "numbers to it is you can use wild card characters to block multiple numbers. This can be useful if you are "
        "receiving unwanted calls from a particular area code or organization. The asterisk (*) can stand for any "
        "single character in a block call string.");
    tip(cmdRemoveBlockCallString, "This removes the selected block call string.");
    tip(cmdAddBlockCallString, "This adds a block call string.");
    tip(cmdEditBlockCallString, "This changes the selected block call string.");
    tip(cboPort, "This is the serial port your modem is connected to.");
    tip(cboSpeed, "This is the speed at which your modem operates. It is recommended that this speed stay at 9600.");
    tip(fraConnection, connection);
    tip(cboDataBits, connection);
    tip(cboParity, connection);
    tip(cboStopBits, connection);
    tip(cmdModemSetup, "This opens the modem settings of this computer.");
    tip(cmdDefaultModem, "This reset all the modem settings to their default values.");
    tip(Frame4, answer);
    tip(chkDialToneTest, answer);
    tip(cmbDialToneWait, answer);
    tip(cboModemString,
        "This is the modem command string used to enable the caller id features of your modem. By default all of the "
        "strings in this list will execute until one of them is successful but if you know which modem string "
        "enables your modem you can select it from this list to execute it first and avoid executing the others. "
        "Also if the command string that enables your modem's caller id features is not in this list you can enter "
        "any modem command string needed to enable your modem's caller id features. Care must be taken not to enter "
        "a command that will produce an undesired effect such as dialing a number or some other command.");
    for (QRadioButton* o : optFlow)
        tip(o, flow);
    tip(Frame3, flow);
}
