#include "core/modProperties.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "core/SettingsKeys.h"
#include "platform/Twips.h"
#include "support/TempHome.h"

// The first-run placements under a real (offscreen) screen instead of an injected size.
class TestFirstRunScreen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void centresOnThePrimaryScreen();
    void injectedSizeWins();
};

void TestFirstRunScreen::centresOnThePrimaryScreen()
{
    // The offscreen platform's screen is 800 x 800 pixels at 96 dpi: 12000 twips each way.
    QVERIFY(QGuiApplication::primaryScreen());
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(800, 800));
    TempHome home;
    setInitialScreenSizeTwips(0, 0);
    Twips::setLogicalDpi(96);
    InitializeSettings();
    QCOMPARE(GetProperty(Section::frmMain, Key::Left, ""), QStringLiteral("1850"));
    QCOMPARE(GetProperty(Section::frmMain, Key::Top, ""), QStringLiteral("3900"));
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::Left, ""), QStringLiteral("2227.5"));
    QCOMPARE(GetProperty(Section::frmMiniDisplay, Key::Top, ""), QStringLiteral("5167.5"));
    // A window wider than the screen is centred all the same: it starts left of the screen's edge.
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Left, ""), QStringLiteral("1500"));

    // At 120 dpi a pixel is 12 twips, so the same screen is 9600 twips wide.
    TempHome second;
    Twips::setLogicalDpi(120);
    InitializeSettings();
    QCOMPARE(GetProperty(Section::frmMain, Key::Left, ""), QStringLiteral("650"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Left, ""), QStringLiteral("300"));
    QCOMPARE(GetProperty(Section::frmFind, Key::Left, ""), QStringLiteral("165"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Left, ""), QStringLiteral("800"));
    Twips::setLogicalDpi(0);
}

void TestFirstRunScreen::injectedSizeWins()
{
    TempHome home;
    setInitialScreenSizeTwips(6000, 3000);
    InitializeSettings();
    setInitialScreenSizeTwips(0, 0);
    QCOMPARE(GetProperty(Section::frmMain, Key::Left, ""), QStringLiteral("-1150"));
    QCOMPARE(GetProperty(Section::frmMain, Key::Top, ""), QStringLiteral("-600"));
    QCOMPARE(GetProperty(Section::frmFindContact, Key::Top, ""), QStringLiteral("-1582.5"));
}

QTEST_MAIN(TestFirstRunScreen)
#include "test_firstrunscreen.moc"
