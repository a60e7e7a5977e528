#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUrl>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

// Keeps what SetViewTime does to the menu, as the real windows show it.
class MenuWindow : public MainWindow {
public:
    void UncheckTimeMenu() override
    {
        ++unchecks;
        checked = -1;
    }
    void setViewTimeChecked(int index) override { checked = index; }
    int unchecks = 0;
    int checked = -1;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

class TestSharedFunctions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { resetForTests(); }
    void viewTimeQueries_data();
    void viewTimeQueries();
    void viewTimeChecksTheMenuAndStoresTheQuery();
    void ipAccessList();
    void stripSeparators();
    void convertCheck();
    void validateNumber();
    void hyperlinks();
    void controlPanelTools();
};

void TestSharedFunctions::viewTimeQueries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("effective");
    QTest::addColumn<QString>("sql");
    const QString where = QStringLiteral("Select * From tblCID Where fldDate > #");
    // Now is 3/21/2024 2:05:07 PM.
    QTest::newRow("15 minutes") << 0 << 0 << where + "3/21/2024 1:50:07 PM#";
    QTest::newRow("separator 1") << 1 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("1 hour") << 2 << 2 << where + "3/21/2024 1:05:07 PM#";
    QTest::newRow("3 hours") << 3 << 3 << where + "3/21/2024 11:05:07 AM#";
    QTest::newRow("12 hours") << 4 << 4 << where + "3/21/2024 2:05:07 AM#";
    QTest::newRow("separator 5") << 5 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("1 day") << 6 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("3 days, across the month") << 7 << 7 << where + "3/18/2024 2:05:07 PM#";
    QTest::newRow("separator 8") << 8 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("1 week") << 9 << 9 << where + "3/14/2024 2:05:07 PM#";
    QTest::newRow("3 weeks, back into February of a leap year") << 10 << 10 << where + "2/29/2024 2:05:07 PM#";
    QTest::newRow("separator 11") << 11 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("All") << 12 << 12 << "Select * From tblCID";
    QTest::newRow("separator 13") << 13 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("Custom...") << 14 << 6 << where + "3/20/2024 2:05:07 PM#";
    QTest::newRow("negative") << -1 << 6 << where + "3/20/2024 2:05:07 PM#";
}

void TestSharedFunctions::viewTimeQueries()
{
    QFETCH(int, index);
    QFETCH(int, effective);
    QFETCH(QString, sql);
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 5, 7), Qt::UTC));
    int i = index;
    QCOMPARE(ViewTimeSQL(i), sql);
    QCOMPARE(i, effective);
}

void TestSharedFunctions::viewTimeChecksTheMenuAndStoresTheQuery()
{
    // A period that ends exactly at midnight is written as the date alone, which still reads back as a date.
    Clock::setNow(QDateTime(QDate(2024, 6, 3), QTime(0, 0, 0), Qt::UTC));
    MenuWindow w;
    gMainForm = &w;
    int index = 8;
    SetViewTime(index);
    QCOMPARE(index, 6);
    QCOMPARE(w.unchecks, 1);
    QCOMPARE(w.checked, 6);
    QCOMPARE(w.strSQL, QStringLiteral("Select * From tblCID Where fldDate > #6/2/2024#"));

    index = 12;
    SetViewTime(index);
    QCOMPARE(w.checked, 12);
    QCOMPARE(w.strSQL, QStringLiteral("Select * From tblCID"));

    // Without a main window nothing is stored anywhere, but the index is still corrected.
    gMainForm = nullptr;
    index = 99;
    SetViewTime(index);
    QCOMPARE(index, 6);
}

void TestSharedFunctions::ipAccessList()
{
    TempHome home;
    QVERIFY(!IsIPBlocked(QStringLiteral("10.0.0.5 B")));
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";192.168.1.9 R;10.0.0.5 B;"));
    QVERIFY(IsIPBlocked(QStringLiteral("10.0.0.5 b")));
    QVERIFY(IsIPBlocked(QStringLiteral("192.168.1.9 R")));
    QVERIFY(!IsIPBlocked(QStringLiteral("10.0.0.5")));
    QVERIFY(!IsIPBlocked(QStringLiteral("10.0.0.5 R")));
    QVERIFY(!IsIPBlocked(QStringLiteral("10.0.0.50 B")));
    QVERIFY(!IsIPBlocked(QString()));
}

void TestSharedFunctions::stripSeparators()
{
    QCOMPARE(StripSeparators(QStringLiteral("a//b;c|d'e"), QStringLiteral("?")), QStringLiteral("a?b?c?d?e"));
    QCOMPARE(StripSeparators(QStringLiteral("a//b;c|d'e"), QString()), QStringLiteral("abcde"));
    // "///" holds one "//" and a single "/" that stays.
    QCOMPARE(StripSeparators(QStringLiteral("x///y"), QStringLiteral("?")), QStringLiteral("x?/y"));
    QCOMPARE(StripSeparators(QStringLiteral("O'Brien; Ann"), QString()), QStringLiteral("OBrien Ann"));
    QCOMPARE(StripSeparators(QStringLiteral("plain text"), QStringLiteral("?")), QStringLiteral("plain text"));
}

void TestSharedFunctions::convertCheck()
{
    QCOMPARE(ConvertCheck(0), QVariant(false));
    QCOMPARE(ConvertCheck(1), QVariant(true));
    QCOMPARE(ConvertCheck(true), QVariant(1));
    QCOMPARE(ConvertCheck(false), QVariant(0));
    QCOMPARE(ConvertCheck(QStringLiteral("0")), QVariant(false));
    QCOMPARE(ConvertCheck(QStringLiteral("1")), QVariant(true));
    QCOMPARE(ConvertCheck(QStringLiteral("True")), QVariant(1));
    QCOMPARE(ConvertCheck(QStringLiteral("False")), QVariant(0));
    QCOMPARE(ConvertCheck(QStringLiteral("FALSE")), QVariant(0));
    QVERIFY(!ConvertCheck(QStringLiteral("yes")).isValid());
    QVERIFY(!ConvertCheck(2).isValid());
    QVERIFY(!ConvertCheck(QVariant()).isValid());
}

void TestSharedFunctions::validateNumber()
{
    QCOMPARE(ValidateNumberText(QStringLiteral("abc"), 1, 60, 20), QStringLiteral("20"));
    QCOMPARE(ValidateNumberText(QStringLiteral("75"), 1, 60, 20), QStringLiteral("60"));
    QCOMPARE(ValidateNumberText(QStringLiteral("0"), 1, 60, 20), QStringLiteral("1"));
    QCOMPARE(ValidateNumberText(QStringLiteral("30"), 1, 60, 20), QStringLiteral("30"));
    QCOMPARE(ValidateNumberText(QString(), 1, 60, 20), QStringLiteral("20"));
    QCOMPARE(ValidateNumberText(QStringLiteral("nan"), 1, 60, 20), QStringLiteral("20"));
    // A fallback outside the range is still forced into it.
    QCOMPARE(ValidateNumberText(QStringLiteral("x"), 1, 60, 99), QStringLiteral("60"));
    QCOMPARE(ValidateNumberText(QStringLiteral("2.5"), 1, 60, 20), QStringLiteral("2.5"));
}

void TestSharedFunctions::hyperlinks()
{
    TempHome home;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    QVERIFY(OpenHyperlink(QStringLiteral("0"), QStringLiteral("https://example.org/help")));
    QVERIFY(OpenHyperlink(QStringLiteral("0"), QStringLiteral("mailto:someone@example.org")));
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls[0], QUrl(QStringLiteral("https://example.org/help")));
    QCOMPARE(catcher.urls[1].scheme(), QStringLiteral("mailto"));
    QVERIFY(Prompt::texts().isEmpty());

    QVERIFY(!OpenHyperlink(QStringLiteral("0"), QString()));
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("A hyper link error occured.")});
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

void TestSharedFunctions::controlPanelTools()
{
    TempHome home;
    const QByteArray oldPath = qgetenv("PATH");
    // No tool on the path: a message, no process.
    const QString empty = home.file(QStringLiteral("empty"));
    QDir().mkpath(empty);
    qputenv("PATH", empty.toUtf8());
    QVERIFY(!OpenNetworkSettings());
    QCOMPARE(Prompt::texts().size(), 1);
    QVERIFY(Prompt::texts().first().contains(QStringLiteral("network settings")));

    // The desktop's tool, when installed, is started with its arguments.
    const QString bin = home.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString marker = home.file(QStringLiteral("started.txt"));
    QFile tool(bin + QStringLiteral("/gnome-control-center"));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\n").arg(marker).toUtf8());
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", bin.toUtf8() + ":/usr/bin:/bin");
    Prompt::clearHistory();
    const bool started = OpenNetworkSettings();
    qputenv("PATH", oldPath);
    QVERIFY(started);
    auto written = [&] {
        QFile m(marker);
        return m.open(QIODevice::ReadOnly) ? m.readAll().trimmed() : QByteArray();
    };
    QTRY_COMPARE(written(), QByteArray("network"));
    QVERIFY(Prompt::texts().isEmpty());

    QVERIFY(!OpenModemSettings());
    QCOMPARE(Prompt::texts().size(), 1);
}

QTEST_GUILESS_MAIN(TestSharedFunctions)
#include "test_sharedfunctions.moc"
