#include "core/modProperties.h"

#include <charconv>

#include <QGuiApplication>
#include <QScreen>

#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/modAPI.h"
#include "core/modAttributeGroup.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"

namespace {

double g_screenWidthTwips = 0;
double g_screenHeightTwips = 0;

// Without a screen (a headless start) the placements centre on a common desktop size.
constexpr double kFallbackWidthPx = 1024;
constexpr double kFallbackHeightPx = 768;

void screenSizeTwips(double& width, double& height)
{
    if (g_screenWidthTwips > 0 && g_screenHeightTwips > 0) {
        width = g_screenWidthTwips;
        height = g_screenHeightTwips;
        return;
    }
    const double perPixel = Twips::perPixel();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app && QGuiApplication::primaryScreen()) {
        const QSize size = QGuiApplication::primaryScreen()->size();
        width = size.width() * perPixel;
        height = size.height() * perPixel;
        return;
    }
    width = kFallbackWidthPx * perPixel;
    height = kFallbackHeightPx * perPixel;
}

// A centred position is a single-precision number written in its shortest form ("9900", "7267.5").
QString centred(double screen, double window)
{
    const float value = float((screen - window) / 2);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

struct Row {
    const char* section;
    const char* key;
    QString value;
};

} // namespace

void setInitialScreenSizeTwips(double width, double height)
{
    g_screenWidthTwips = width;
    g_screenHeightTwips = height;
}

void InitializeSettings()
{
    if (textToBool(GetProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("False"))))
        return;

    // One file rewrite for the whole table instead of one per value; the file is complete when this returns.
    SettingsBatch batch;
    CreateDefaultAttributeGroups();
    SetAutoStart();

    double W = 0;
    double H = 0;
    screenSizeTwips(W, H);
    const QString F = programFolder();
    const auto left = [&](double width) { return centred(W, width); };
    const auto top = [&](double height) { return centred(H, height); };
    const QString yes = QStringLiteral("True");
    const QString no = QStringLiteral("False");
    const QString none;

    using namespace Section;
    using namespace Key;
    const Row rows[] = {
        {frmActivityLog, Height, "4000"},
        {frmActivityLog, Left, left(9000)},
        {frmActivityLog, Top, top(4000)},
        {frmActivityLog, Width, "9000"},
        {frmActivityLog, WindowState, "0"},
        {frmActivityLog, WordWrap, no},
        {frmContacts, Left, left(7200)},
        {frmContacts, Top, top(3500)},
        {frmContacts, AttributeGroupsFile, defaultAttributeGroupsFile()},
        {frmContacts, TreeView, no},
        {frmCustomizeMiniDisplay, Left, left(8070)},
        {frmCustomizeMiniDisplay, Top, top(4740)},
        {frmCustomizeStatistics, Left, left(7350)},
        {frmCustomizeStatistics, Top, top(6540)},
        {frmFind, Left, left(9270)},
        {frmFind, Top, top(1950)},
        {frmFind, NameNumber, none},
        {frmFind, CustomStartDate, none},
        {frmFind, CustomEndDate, none},
        {frmFind, CustomSQL, none},
        {frmFindContact, Left, left(4935)},
        {frmFindContact, Top, top(6165)},
        {frmFindContact, Conditions, none},
        {frmMain, Ascending, yes},
        // The first three columns take 26 % of the 8300-twip window, the next two 11 %.
        {frmMain, Col0, "2158"},
        {frmMain, Col1, "2158"},
        {frmMain, Col2, "2158"},
        {frmMain, Col3, "913"},
        {frmMain, Col4, "913"},
        {frmMain, Height, "4200"},
        {frmMain, Width, "8300"},
        {frmMain, Left, left(8300)},
        {frmMain, Top, top(4200)},
        {frmMain, WindowState, "0"},
        {frmMain, SortCol, "2"},
        {frmMain, ViewTime, "6"},
        {frmMiniDisplay, Height, "1900"},
        // The pop-up is centred for its wide layout although it starts at its narrow size.
        {frmMiniDisplay, Left, left(7545)},
        {frmMiniDisplay, Top, top(1665)},
        {frmMiniDisplay, Width, "3500"},
        {frmMiniDisplay, NameNumberForeColor, "14102841"},
        {frmMiniDisplay, ForeColor, "8418617"},
        {frmMiniDisplay, BackColor, "4731686"},
        {frmMiniDisplay, ButtonColor, "2693142"},
        {frmMiniDisplay, ScreenColor, "15326429"},
        {frmMiniDisplay, OnTop, yes},
        {frmMiniDisplay, Vibrate, yes},
        {frmMiniDisplay, VibrateDuration, "100"},
        {frmMiniDisplay, LockSize, no},
        {frmMiniDisplay, CallerInfo,
         ";Total Calls;Calls in the Last Day;Calls in the Last Week;Calls Between 9pm and 1am;"
         "Most Calls in a Day;Most Calls in a Week;"},
        {frmMiniDisplay, LogSize, "10"},
        {frmMiniDisplay, PictureBackground, no},
        {frmCallerInfo, Height, "1900"},
        {frmCallerInfo, Left, left(3500)},
        {frmCallerInfo, Top, top(1900)},
        {frmCallerInfo, Width, "3500"},
        {frmCallerInfo, Visible, no},
        {frmContactPicture, Height, "1900"},
        {frmContactPicture, Left, left(3500)},
        {frmContactPicture, Top, top(1900)},
        {frmContactPicture, Width, "3500"},
        {frmContactPicture, Visible, no},
        {frmOtherInfo, Height, "1900"},
        {frmOtherInfo, Left, left(3500)},
        {frmOtherInfo, Top, top(1900)},
        {frmOtherInfo, Width, "3500"},
        {frmOtherInfo, Visible, no},
        {frmScheduler, Left, left(6480)},
        {frmScheduler, Top, top(3900)},
        {frmStatistics, Height, "5000"},
        {frmStatistics, Left, left(8000)},
        {frmStatistics, Top, top(5000)},
        {frmStatistics, Width, "8000"},
        {frmStatistics, WindowState, "0"},
        {frmStatistics, ChartStatistic, "0"},
        {frmStatistics, ChartType, "1"},
        {frmStatistics, GraphFrequency, "1"},
        {frmStatistics, GraphGroups, none},
        {frmStatistics, GraphLegend, yes},
        {frmStatistics, GraphStatistic, "0"},
        {frmStatistics, GraphType, "3"},
        {frmStatistics, TimePeriod, "ANYTIME"},
        {frmStatistics, SavedStats, none},
        {frmStatistics, SavedGroups, none},
        {frmStatistics, StatsFile, StoreFiles::defaultStatistics()},
        {frmConfiguration, LogOffTime, DateText::format(Clock::now())},
        {frmConfiguration, CallerDBPath, F + "/dbCID.mdb"},
        {frmConfiguration, ContactDBPath, F + "/dbContacts.mdb"},
        {frmConfiguration, AutoStart, yes},
        {frmConfiguration, Minimized, no},
        {frmConfiguration, CloseMinimize, yes},
        {frmConfiguration, BlinkingIcon, yes},
        {frmConfiguration, ConfirmDeletion, yes},
        {frmConfiguration, MaxEventLog, "100"},
        {frmConfiguration, LogActivity, no},
        {frmConfiguration, Hints, yes},
        {frmConfiguration, OnTop, no},
        {frmConfiguration, PopupScreen, yes},
        {frmConfiguration, Sound, yes},
        {frmConfiguration, Networking, "0"},
        {frmConfiguration, TempRemoteHosts, none},
        {frmConfiguration, RemoteHost, none},
        {frmConfiguration, RemotePort, "270"},
        {frmConfiguration, RemoteLocalPort, "0"},
        {frmConfiguration, LocalPort, "270"},
        {frmConfiguration, RestrictedNetwork, no},
        {frmConfiguration, BlockedIPs, none},
        {frmConfiguration, CommPort, "1"},
        {frmConfiguration, CommSettings, "9600,N,8,1"},
        {frmConfiguration, Handshaking, "0"},
        {frmConfiguration, DialToneTest, yes},
        {frmConfiguration, DialToneWait, "20"},
        {frmConfiguration, ModemString, none},
        {frmConfiguration, OverrideVolume, no},
        {frmConfiguration, VolumeLevel, "0"},
        {frmConfiguration, VoiceRate, "0"},
        // A voice that is not installed falls back to the engine's default voice.
        {frmConfiguration, VoiceStyle, "Microsoft Sam"},
        {frmConfiguration, DefaultSound, none},
        {frmConfiguration, ImmediateSound, F + "/Sounds/Button.wav"},
        {frmConfiguration, RingSound, none},
        {frmConfiguration, BlockCallStrings, none},
    };
    for (const Row& row : rows) {
        const QString section = QLatin1String(row.section);
        const QString key = QLatin1String(row.key);
        if (!HasProperty(section, key))
            SaveProperty(section, key, row.value);
    }
}
