#include "platform/IniFile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The settings file is read and written by our own code, but files written before, and the files people edit
// by hand, are in the general INI dialect: both directions must agree with the common INI reader and writer.
class TestIniFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void agreesWithTheCommonDialect_data();
    void agreesWithTheCommonDialect();
    void damagedLinesAreCountedAndSkipped();
    void handEditsReadAsTyped();
    void namesWithAnEmptyPartAreDamaged();
    void anEscapedGeneralIsASectionOfItsOwn();
    void aByteOrderMarkInAValueSurvives();
    void aFileThatStartsWithAByteOrderMarkReadsWhole();
};

void TestIniFile::agreesWithTheCommonDialect_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "True";
    QTest::newRow("empty") << "";
    QTest::newRow("list") << ";Total Calls;Calls in the Last Day;";
    QTest::newRow("commas") << "9600,N,8,1";
    QTest::newRow("equals") << "a=b";
    QTest::newRow("outer blanks") << "  x  ";
    QTest::newRow("quotes and backslashes") << "say \"hi\" C:\\a\\b";
    QTest::newRow("at sign") << "@Invalid()";
    QTest::newRow("line breaks") << "one\r\ntwo\tthree";
    QTest::newRow("control then hex digit") << QStringLiteral("a") + QChar(1) + QStringLiteral("bc") + QChar(0) + "7";
    QTest::newRow("non-ascii") << QString::fromUtf8("Zoë ✓ 😀");
    QTest::newRow("hash") << "#x#";
}

void TestIniFile::agreesWithTheCommonDialect()
{
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    {
        QSettings common(path, QSettings::IniFormat);
        common.setValue(QStringLiteral("frmMain/Key"), value);
        common.setValue(QStringLiteral("frmFind/Other"), QStringLiteral("x"));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const IniFile::Parsed parsed = IniFile::parse(f.readAll());
    f.close();
    QCOMPARE(parsed.damagedLines, 0);
    QCOMPARE(parsed.values.value(QStringLiteral("frmMain/Key"), QStringLiteral("<missing>")), value);
    QCOMPARE(parsed.values.value(QStringLiteral("frmFind/Other")), QStringLiteral("x"));

    // Our form is read the same by the common reader.
    const QString ours = dir.filePath(QStringLiteral("b.ini"));
    QFile out(ours);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(IniFile::serialize(parsed.values));
    out.close();
    QSettings common(ours, QSettings::IniFormat);
    QCOMPARE(common.value(QStringLiteral("frmMain/Key")).toString(), value);
    QCOMPARE(common.status(), QSettings::NoError);
    QCOMPARE(IniFile::parse(IniFile::serialize(parsed.values)).values, parsed.values);
}

void TestIniFile::damagedLinesAreCountedAndSkipped()
{
    const QByteArray bytes = "[frmMain]\r\nSortCol=3\r\n"
                             "no equals sign\r\n"
                             "=empty key\r\n"
                             "Name=\"never closed\r\n"
                             "Bad=\xff\xfe\r\n"
                             "Nul=a\x01"
                             "b\r\n"
                             "[frmFind\r\n"
                             "Lost=1\r\n"
                             "[frmConfiguration]\r\n"
                             "Sound=False\r\n";
    const IniFile::Parsed parsed = IniFile::parse(bytes);
    QCOMPARE(parsed.damagedLines, 7);
    QCOMPARE(parsed.firstDamagedLine, 3);
    const IniFile::Values expected{{QStringLiteral("frmMain/SortCol"), QStringLiteral("3")},
                                   {QStringLiteral("frmConfiguration/Sound"), QStringLiteral("False")}};
    QCOMPARE(parsed.values, expected);
}

void TestIniFile::handEditsReadAsTyped()
{
    const IniFile::Parsed parsed = IniFile::parse("; a comment\n# another\n[frmMiniDisplay]\n"
                                                  "CallerInfo=;Total Calls;Most Calls in a Week;\n"
                                                  "BlockedIPs = 10.0.0.1 B, 10.0.0.2 R \n"
                                                  "Blank=\n");
    QCOMPARE(parsed.damagedLines, 0);
    QCOMPARE(parsed.values.value(QStringLiteral("frmMiniDisplay/CallerInfo")),
             QStringLiteral(";Total Calls;Most Calls in a Week;"));
    QCOMPARE(parsed.values.value(QStringLiteral("frmMiniDisplay/BlockedIPs")), QStringLiteral("10.0.0.1 B,10.0.0.2 R"));
    QVERIFY(parsed.values.contains(QStringLiteral("frmMiniDisplay/Blank")));
    QCOMPARE(parsed.values.value(QStringLiteral("frmMiniDisplay/Blank"), QStringLiteral("x")), QString());
}

void TestIniFile::namesWithAnEmptyPartAreDamaged()
{
    // A section or key name that would leave an empty part in "section/key" cannot be written back as it was
    // read: such lines are damage, like any other line that is not a setting.
    const IniFile::Parsed parsed = IniFile::parse("[\\]\nlost=1\n[ok]\n\\=2\na\\\\b=3\nfine\\part=4\n");
    QCOMPARE(parsed.damagedLines, 4);
    QCOMPARE(parsed.values, (IniFile::Values{{QStringLiteral("ok/fine/part"), QStringLiteral("4")}}));
    QCOMPARE(IniFile::parse(IniFile::serialize(parsed.values)).values, parsed.values);
}

void TestIniFile::anEscapedGeneralIsASectionOfItsOwn()
{
    const IniFile::Parsed parsed =
        IniFile::parse("[%25General]\na=1\n[%General]\nb=2\n[general]\nc=3\n[Ge%4Eeral]\nd=4\n[GeNeral\\x]\ne=5\n");
    const IniFile::Values expected{{QStringLiteral("%General/a"), QStringLiteral("1")},
                                   {QStringLiteral("General/b"), QStringLiteral("2")},
                                   {QStringLiteral("General/c"), QStringLiteral("3")},
                                   {QStringLiteral("GeNeral/d"), QStringLiteral("4")},
                                   {QStringLiteral("GeNeral/x/e"), QStringLiteral("5")}};
    QCOMPARE(parsed.values, expected);
    QCOMPARE(IniFile::parse(IniFile::serialize(parsed.values)).values, expected);
}

void TestIniFile::aByteOrderMarkInAValueSurvives()
{
    // U+FEFF is a character like any other inside a value; a reader that takes it for an encoding mark at the
    // start of a piece of text would change the value on its way through the file.
    const QChar mark(0xFEFF);
    const QStringList values{QString(mark), mark + QStringLiteral("x"),
                             QStringLiteral(";") + mark + QStringLiteral(";"), QStringLiteral("a,") + mark,
                             QStringLiteral("x") + mark};
    for (const QString& value : values) {
        const IniFile::Values written{{QStringLiteral("frmMain/Key"), value}};
        const IniFile::Parsed parsed = IniFile::parse(IniFile::serialize(written));
        QCOMPARE(parsed.damagedLines, 0);
        QCOMPARE(parsed.values, written);
    }
    // Written raw by another program, inside quotes or not, it is read as it stands.
    const IniFile::Parsed raw = IniFile::parse("[frmMain]\nA=\"\xEF\xBB\xBFq\"\nB=\xEF\xBB\xBFr\n");
    QCOMPARE(raw.values.value(QStringLiteral("frmMain/A")), mark + QStringLiteral("q"));
    QCOMPARE(raw.values.value(QStringLiteral("frmMain/B")), mark + QStringLiteral("r"));
}

void TestIniFile::aFileThatStartsWithAByteOrderMarkReadsWhole()
{
    // Some editors put the mark at the start of every file they save.
    const IniFile::Parsed parsed = IniFile::parse("\xEF\xBB\xBF[frmMain]\r\nSortCol=3\r\n");
    QCOMPARE(parsed.damagedLines, 0);
    QCOMPARE(parsed.values, (IniFile::Values{{QStringLiteral("frmMain/SortCol"), QStringLiteral("3")}}));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
