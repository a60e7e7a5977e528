#pragma once

// Settings sections and keys, spelled exactly as stored (INI keys are case-sensitive).
// Add a key here before using it; never spell one inline.

namespace Section {
inline constexpr char frmActivityLog[] = "frmActivityLog";
inline constexpr char frmAddNumber[] = "frmAddNumber";
inline constexpr char frmCallerInfo[] = "frmCallerInfo";
inline constexpr char frmConfiguration[] = "frmConfiguration";
inline constexpr char frmContactPicture[] = "frmContactPicture";
inline constexpr char frmContacts[] = "frmContacts";
inline constexpr char frmCustomizeMiniDisplay[] = "frmCustomizeMiniDisplay";
inline constexpr char frmCustomizeStatistics[] = "frmCustomizeStatistics";
inline constexpr char frmFind[] = "frmFind";
inline constexpr char frmFindContact[] = "frmFindContact";
inline constexpr char frmMain[] = "frmMain";
inline constexpr char frmMiniDisplay[] = "frmMiniDisplay";
inline constexpr char frmNewContact[] = "frmNewContact";
inline constexpr char frmOriginalCallerIDInfo[] = "frmOriginalCallerIDInfo";
inline constexpr char frmOtherInfo[] = "frmOtherInfo";
inline constexpr char frmProcessing[] = "frmProcessing";
inline constexpr char frmScheduler[] = "frmScheduler";
inline constexpr char frmSelectContact[] = "frmSelectContact";
inline constexpr char frmStatistics[] = "frmStatistics";
inline constexpr char frmWaiting[] = "frmWaiting";
} // namespace Section

namespace Key {
// frmConfiguration
inline constexpr char InitializedSettings[] = "InitializedSettings";
inline constexpr char LogOffTime[] = "LogOffTime";
inline constexpr char CallerDBPath[] = "CallerDBPath";
inline constexpr char ContactDBPath[] = "ContactDBPath";
inline constexpr char AutoStart[] = "AutoStart";
inline constexpr char Minimized[] = "Minimized";
inline constexpr char CloseMinimize[] = "CloseMinimize";
inline constexpr char BlinkingIcon[] = "BlinkingIcon";
inline constexpr char ConfirmDeletion[] = "ConfirmDeletion";
inline constexpr char MaxEventLog[] = "MaxEventLog";
inline constexpr char LogActivity[] = "LogActivity";
inline constexpr char Hints[] = "Hints";
inline constexpr char OnTop[] = "OnTop";
inline constexpr char PopupScreen[] = "PopupScreen";
inline constexpr char Sound[] = "Sound";
inline constexpr char Networking[] = "Networking";
inline constexpr char TempRemoteHosts[] = "TempRemoteHosts";
inline constexpr char RemoteHost[] = "RemoteHost";
inline constexpr char RemotePort[] = "RemotePort";
inline constexpr char RemoteLocalPort[] = "RemoteLocalPort";
inline constexpr char LocalPort[] = "LocalPort";
inline constexpr char RestrictedNetwork[] = "RestrictedNetwork";
inline constexpr char BlockedIPs[] = "BlockedIPs";
inline constexpr char CommPort[] = "CommPort";
inline constexpr char CommSettings[] = "CommSettings";
inline constexpr char Handshaking[] = "Handshaking";
inline constexpr char DialToneTest[] = "DialToneTest";
inline constexpr char DialToneWait[] = "DialToneWait";
inline constexpr char ModemString[] = "ModemString";
inline constexpr char OverrideVolume[] = "OverrideVolume";
inline constexpr char VolumeLevel[] = "VolumeLevel";
inline constexpr char VoiceRate[] = "VoiceRate";
inline constexpr char VoiceStyle[] = "VoiceStyle";
inline constexpr char DefaultSound[] = "DefaultSound";
inline constexpr char ImmediateSound[] = "ImmediateSound";
inline constexpr char RingSound[] = "RingSound";
inline constexpr char BlockCallStrings[] = "BlockCallStrings";
// common
inline constexpr char Top[] = "Top";
inline constexpr char Left[] = "Left";
inline constexpr char Height[] = "Height";
inline constexpr char Width[] = "Width";
inline constexpr char WindowState[] = "WindowState";
inline constexpr char Visible[] = "Visible";
// frmActivityLog
inline constexpr char WordWrap[] = "WordWrap";
// frmContacts
inline constexpr char AttributeGroupsFile[] = "AttributeGroupsFile";
inline constexpr char TreeView[] = "TreeView";
// frmFind
inline constexpr char NameNumber[] = "NameNumber";
inline constexpr char CustomStartDate[] = "CustomStartDate";
inline constexpr char CustomEndDate[] = "CustomEndDate";
inline constexpr char CustomSQL[] = "CustomSQL";
inline constexpr char Conditions[] = "Conditions";
// frmMain
inline constexpr char Ascending[] = "Ascending";
inline constexpr char Col0[] = "Col0";
inline constexpr char Col1[] = "Col1";
inline constexpr char Col2[] = "Col2";
inline constexpr char Col3[] = "Col3";
inline constexpr char Col4[] = "Col4";
inline constexpr char SortCol[] = "SortCol";
inline constexpr char ViewTime[] = "ViewTime";
// frmMiniDisplay
inline constexpr char NameNumberForeColor[] = "NameNumberForeColor";
inline constexpr char ForeColor[] = "ForeColor";
inline constexpr char BackColor[] = "BackColor";
inline constexpr char ButtonColor[] = "ButtonColor";
inline constexpr char ScreenColor[] = "ScreenColor";
inline constexpr char Vibrate[] = "Vibrate";
inline constexpr char VibrateDuration[] = "VibrateDuration";
inline constexpr char LockSize[] = "LockSize";
inline constexpr char CallerInfo[] = "CallerInfo";
inline constexpr char LogSize[] = "LogSize";
inline constexpr char PictureBackground[] = "PictureBackground";
inline constexpr char Flash[] = "Flash";
// frmStatistics
inline constexpr char ChartStatistic[] = "ChartStatistic";
inline constexpr char ChartType[] = "ChartType";
inline constexpr char GraphFrequency[] = "GraphFrequency";
inline constexpr char GraphGroups[] = "GraphGroups";
inline constexpr char GraphLegend[] = "GraphLegend";
inline constexpr char GraphStatistic[] = "GraphStatistic";
inline constexpr char GraphType[] = "GraphType";
inline constexpr char TimePeriod[] = "TimePeriod";
inline constexpr char SavedStats[] = "SavedStats";
inline constexpr char SavedGroups[] = "SavedGroups";
inline constexpr char StatsFile[] = "StatsFile";
} // namespace Key
