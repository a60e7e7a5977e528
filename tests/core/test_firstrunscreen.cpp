#include "core/modProperties.h"

#include <QGuiApplication>
#include <QHash>
#include <QPointF>
#include <QScreen>
#include <QTest>

#include "core/SettingsKeys.h"
#include "platform/Twips.h"
#include "support/TempHome.h"

namespace {

// Windows the first run places, small and large (the activity log is wider than a small screen).
const char* const kWindows[] = {Section::frmMain,    Section::frmMiniDisplay, Section::frmActivityLog,
                                Section::frmFind,    Section::frmFindContact, Section::frmStatistics,
                                Section::frmContacts};

using Placements = QHash<QString, QPointF>;

// Where a first run in a fresh home puts each window's top left corner, in twips.
Placements firstRunPlacements()
{
    TempHome home;
    InitializeSettings();
    Placements at;
    for (const char* section : kWindows)
        at.insert(QString::fromLatin1(section), QPointF(GetProperty(section, Key::Left, QString()).toDouble(),
                                                        GetProperty(section, Key::Top, QString()).toDouble()));
    return at;
}

// Every window of after sits where it sat in before, moved by shift: a centred window moves by half of
// the screen's change. Empty when so, else the first window that does not.
QString movedBy(const Placements& before, const Placements& after, QPointF shift)
{
    for (const char* section : kWindows) {
        const QString name = QString::fromLatin1(section);
        const QPointF expected = before.value(name) + shift;
        if (after.value(name) != expected)
            return QStringLiteral("%1 at %2,%3 instead of %4,%5")
                .arg(name)
                .arg(after.value(name).x())
                .arg(after.value(name).y())
                .arg(expected.x())
                .arg(expected.y());
    }
    return {};
}

} // namespace

// The first-run placements under a real (offscreen) screen instead of an injected size.
class TestFirstRunScreen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The offscreen platform's screen: 800 x 800 pixels.
        QVERIFY(QGuiApplication::primaryScreen());
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(800, 800));
    }
    void cleanup()
    {
        setInitialScreenSizeTwips(0, 0);
        Twips::setLogicalDpi(0);
    }
    void centresOnThePrimaryScreen();
    void aDenserScreenIsSmallerInTwips();
    void injectedSizeWins();
};

void TestFirstRunScreen::centresOnThePrimaryScreen()
{
    Twips::setLogicalDpi(96);
    const Placements real = firstRunPlacements();
    // The same as a screen of 800 pixels each way, at 15 twips a pixel, given by hand.
    setInitialScreenSizeTwips(800 * 15, 800 * 15);
    const Placements given = firstRunPlacements();
    QCOMPARE(given, real);
    // Every window is centred: on a screen 2000 twips wider and 1000 higher each moves by half of that.
    setInitialScreenSizeTwips(800 * 15 + 2000, 800 * 15 + 1000);
    const QString moved = movedBy(real, firstRunPlacements(), QPointF(1000, 500));
    QVERIFY2(moved.isEmpty(), qPrintable(moved));
}

void TestFirstRunScreen::aDenserScreenIsSmallerInTwips()
{
    Twips::setLogicalDpi(96);
    const Placements at96 = firstRunPlacements();
    // At 120 dpi a pixel is 12 twips: the 800 pixels are 2400 twips fewer than at 96, each way.
    Twips::setLogicalDpi(120);
    const QString moved = movedBy(at96, firstRunPlacements(), QPointF(-1200, -1200));
    QVERIFY2(moved.isEmpty(), qPrintable(moved));
}

void TestFirstRunScreen::injectedSizeWins()
{
    Twips::setLogicalDpi(96);
    const Placements real = firstRunPlacements();
    setInitialScreenSizeTwips(6000, 3000);
    const Placements small = firstRunPlacements();
    const QString moved = movedBy(real, small, QPointF((6000 - 800 * 15) / 2, (3000 - 800 * 15) / 2));
    QVERIFY2(moved.isEmpty(), qPrintable(moved));
    // A window wider and higher than the screen is centred all the same: it starts beyond its edges.
    QVERIFY(small.value(QString::fromLatin1(Section::frmMain)).x() < 0);
    QVERIFY(small.value(QString::fromLatin1(Section::frmMain)).y() < 0);
}

QTEST_MAIN(TestFirstRunScreen)
#include "test_firstrunscreen.moc"
