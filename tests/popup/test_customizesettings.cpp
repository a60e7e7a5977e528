#include <QSettings>
#include <QTest>

#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "popup/CustomizeSettings.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

// What the pop-up's customisation dialog reads, remembers and writes, on a real settings file and the real
// statistics collection.
class TestCustomizeSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void rememberedValuesComeBackWhole();
    void callerInfoListsFollowTheStatistics();
    void callerInfoIsWrittenWithoutFinalSeparator();
    void logSizeIsAWholeNumberInRange();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestCustomizeSettings::init()
{
    m_home = std::make_unique<TempHome>();
    InitializeSettings();
    CreateDefaultStatistics();
}

void TestCustomizeSettings::cleanup() { m_home.reset(); }

void TestCustomizeSettings::rememberedValuesComeBackWhole()
{
    // First run: the documented defaults.
    CustomizeSettings::Remembered first = CustomizeSettings::remember();
    QCOMPARE(first.colours[0], 4731686u);
    QCOMPARE(first.colours[1], 2693142u);
    QCOMPARE(first.colours[2], 8418617u);
    QCOMPARE(first.colours[3], 15326429u);
    QCOMPARE(first.colours[4], 14102841u);
    QVERIFY(!first.PictureBackground);
    QVERIFY(first.Vibrate);
    QCOMPARE(first.VibrateDuration, qint16(100));

    SaveProperty(Section::frmMiniDisplay, Key::BackColor, QStringLiteral("255"));
    SaveProperty(Section::frmMiniDisplay, Key::NameNumberForeColor, QStringLiteral("65280"));
    SaveProperty(Section::frmMiniDisplay, Key::PictureBackground, QStringLiteral("True"));
    SaveProperty(Section::frmMiniDisplay, Key::Vibrate, QStringLiteral("False"));
    SaveProperty(Section::frmMiniDisplay, Key::VibrateDuration, QStringLiteral("350"));
    CustomizeSettings::restore(first);
    QSettings file(m_home->file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("frmMiniDisplay"));
    QCOMPARE(file.value(QStringLiteral("BackColor")).toString(), QStringLiteral("4731686"));
    QCOMPARE(file.value(QStringLiteral("NameNumberForeColor")).toString(), QStringLiteral("14102841"));
    QCOMPARE(file.value(QStringLiteral("PictureBackground")).toString(), QStringLiteral("False"));
    QCOMPARE(file.value(QStringLiteral("Vibrate")).toString(), QStringLiteral("True"));
    QCOMPARE(file.value(QStringLiteral("VibrateDuration")).toString(), QStringLiteral("100"));
}

void TestCustomizeSettings::callerInfoListsFollowTheStatistics()
{
    // A name that is no statistic any more is dropped; case and order of the stored entries are kept.
    const CustomizeSettings::CallerInfoLists lists =
        CustomizeSettings::callerInfoLists(QStringLiteral(";Most Calls in a Week;Gone Statistic;;Total Calls"));
    QCOMPARE(lists.current, (QStringList{"Most Calls in a Week", "Total Calls"}));
    QCOMPARE(lists.available.size() + lists.current.size(), gStatistics->count());
    QVERIFY(!lists.available.contains(QStringLiteral("Total Calls")));
    // The others in the collection's order.
    QStringList expected;
    for (const auto& s : gStatistics->items()) {
        if (!lists.current.contains(s->Description))
            expected << s->Description;
    }
    QCOMPARE(lists.available, expected);

    // The first-run list names only built-in statistics.
    QCOMPARE(CustomizeSettings::callerInfoLists(CustomizeSettings::firstRunCallerInfo()).current.size(), 6);
    QCOMPARE(CustomizeSettings::callerInfoLists(CustomizeSettings::defaultButtonCallerInfo()).current,
             (QStringList{"Total Calls", "Calls Between 9pm and 1am", "Most Calls in a Day", "Most Calls in a Week"}));
}

void TestCustomizeSettings::callerInfoIsWrittenWithoutFinalSeparator()
{
    QCOMPARE(CustomizeSettings::callerInfoText({"Total Calls", "Most Calls in a Day"}),
             QStringLiteral(";Total Calls;Most Calls in a Day"));
    QCOMPARE(CustomizeSettings::callerInfoText({}), QString());
}

void TestCustomizeSettings::logSizeIsAWholeNumberInRange()
{
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("25"));
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("abc")), QStringLiteral("25"));
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("50000")), QStringLiteral("32767"));
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("0")), QStringLiteral("1"));
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("40")), QStringLiteral("40"));
    // A fraction would never equal the list's length.
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("10.4")), QStringLiteral("10"));
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("junk"));
    QCOMPARE(CustomizeSettings::checkedLogSize(QStringLiteral("abc")), QStringLiteral("10"));
}

QTEST_GUILESS_MAIN(TestCustomizeSettings)
#include "test_customizesettings.moc"
