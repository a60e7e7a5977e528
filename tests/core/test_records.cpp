#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "core/clsNumber.h"

#include <QTest>

#include "core/modError.h"
#include "platform/Prompt.h"
#include "support/TempHome.h"

class TestRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Prompt::resetScript(); }
    void numberTextForms();
    void callerRoundTrip();
    void callerRoundTripWithEveryFieldEmpty();
    void callerDescriptionNoneAnyCase();
    void callerIdsBeyond16Bits();
    void callerEmptyTextIsQuietlyBad();
    void callerNonNumericFieldsAreQuietlyBad();
    void callerIdBeyond32BitsIsReported();
    void callerShortTextLeavesLaterFieldsEmpty();
    void callerBadDataStaysSet();
    void nameDescription();
    void contactRoundTrip();
    void contactWithoutNumbers();
    void contactKeepsNoneAndStopsAtForeignToken();
    void contactDuplicateNumbers();
};

static clsCaller johnSmith()
{
    clsCaller c;
    c.ID = 12;
    c.Name = QStringLiteral("JOHN SMITH");
    c.Number.Number = QStringLiteral("555-1234");
    c.CallerDate = QStringLiteral("D");
    c.Rings = 2;
    c.Answered = QStringLiteral("NO");
    return c;
}

static void compareCallers(const clsCaller& a, const clsCaller& b)
{
    QCOMPARE(a.ID, b.ID);
    QCOMPARE(a.Name, b.Name);
    QCOMPARE(a.Number, b.Number);
    QCOMPARE(a.CallerDate, b.CallerDate);
    QCOMPARE(a.Rings, b.Rings);
    QCOMPARE(a.ContactName, b.ContactName);
    QCOMPARE(a.AttributeGroup, b.AttributeGroup);
    QCOMPARE(a.Answered, b.Answered);
}

void TestRecords::numberTextForms()
{
    clsNumber n(QStringLiteral("(123) 456-7890"), QString());
    QCOMPARE(n.PrintNumberDescription(), QStringLiteral("(123) 456-7890"));
    QCOMPARE(n.PrintSend(), QStringLiteral("|NUMBER|(123) 456-7890|NONE"));
    n.Description = QStringLiteral("NONE");
    QCOMPARE(n.PrintNumberDescription(), QStringLiteral("(123) 456-7890"));
    QCOMPARE(n.PrintSend(), QStringLiteral("|NUMBER|(123) 456-7890|NONE"));
    // Only the exact word means "no description".
    n.Description = QStringLiteral("none");
    QCOMPARE(n.PrintNumberDescription(), QStringLiteral("(123) 456-7890 (none)"));
    n.Description = QStringLiteral("Home");
    QCOMPARE(n.PrintNumberDescription(), QStringLiteral("(123) 456-7890 (Home)"));
    QCOMPARE(n.PrintSend(), QStringLiteral("|NUMBER|(123) 456-7890|Home"));
}

void TestRecords::callerRoundTrip()
{
    const clsCaller c = johnSmith();
    const QString text = c.PrintSend();
    QCOMPARE(text, QStringLiteral("|12|JOHN SMITH|NUMBER|555-1234|NONE|D|2|||NO|"));
    clsCaller back;
    back.BuildCaller(text);
    QVERIFY(!back.BadData());
    compareCallers(back, c);
    QCOMPARE(back.Number.Description, QString());

    clsCaller full = c;
    full.ID = -7;
    full.Number.Description = QStringLiteral("Work");
    full.ContactName = QStringLiteral("John");
    full.AttributeGroup = QStringLiteral("VIP Callers");
    full.CallerDate = QStringLiteral("3/21/2024 2:05:07 PM");
    full.Answered = QStringLiteral("BLOCKED");
    clsCaller back2;
    back2.BuildCaller(full.PrintSend());
    QVERIFY(!back2.BadData());
    compareCallers(back2, full);
    QVERIFY(Prompt::history().isEmpty());
}

void TestRecords::callerRoundTripWithEveryFieldEmpty()
{
    const clsCaller empty;
    QCOMPARE(empty.PrintSend(), QStringLiteral("|0||NUMBER||NONE||0||||"));
    QCOMPARE(empty.PrintSend().count(QLatin1Char('|')), 11);
    clsCaller back;
    back.Name = QStringLiteral("old");
    back.BuildCaller(empty.PrintSend());
    QVERIFY(!back.BadData());
    compareCallers(back, empty);
}

void TestRecords::callerDescriptionNoneAnyCase()
{
    for (const QString& word : {QStringLiteral("none"), QStringLiteral("None"), QStringLiteral("NONE")}) {
        clsCaller c;
        c.BuildCaller(QStringLiteral("|1|A|NUMBER|555|") + word + QStringLiteral("|D|1|||N/A|"));
        QVERIFY(!c.BadData());
        QCOMPARE(c.Number.Description, QString());
    }
}

void TestRecords::callerIdsBeyond16Bits()
{
    clsCaller c = johnSmith();
    c.ID = 40000;
    c.Rings = 70000;
    clsCaller back;
    back.BuildCaller(c.PrintSend());
    QVERIFY(!back.BadData());
    QCOMPARE(back.ID, 40000);
    QCOMPARE(back.Rings, 70000);
    QVERIFY(Prompt::history().isEmpty());

    clsCaller edge;
    edge.BuildCaller(QStringLiteral("|2147483647|A|NUMBER|1|NONE|D|-2147483648|||NO|"));
    QVERIFY(!edge.BadData());
    QCOMPARE(edge.ID, 2147483647);
    QCOMPARE(edge.Rings, qint32(-2147483647 - 1));
}

void TestRecords::callerEmptyTextIsQuietlyBad()
{
    TempHome home;
    clsCaller c;
    c.BuildCaller(QString());
    QVERIFY(c.BadData());
    QCOMPARE(gErrNumber, kTypeMismatchError);
    QVERIFY(Prompt::history().isEmpty());
}

void TestRecords::callerNonNumericFieldsAreQuietlyBad()
{
    TempHome home;
    clsCaller id;
    id.Name = QStringLiteral("kept");
    id.BuildCaller(QStringLiteral("|abc|NEW|NUMBER|555|NONE|D|1|||NO|"));
    QVERIFY(id.BadData());
    QCOMPARE(id.Name, QStringLiteral("kept")); // stopped before the name

    for (const char* word : {"nan", "inf", "-inf", "0x10", "1,5"}) {
        clsCaller odd;
        odd.BuildCaller(QStringLiteral("|%1|A|NUMBER|5|NONE|D|1|||NO|").arg(QLatin1String(word)));
        QVERIFY2(odd.BadData(), word);
        QCOMPARE(gErrNumber, kTypeMismatchError);
    }

    clsCaller rings;
    rings.Answered = QStringLiteral("N/A");
    rings.BuildCaller(QStringLiteral("|5|NEW|NUMBER|555|Home|D||C|G|YES|"));
    QVERIFY(rings.BadData());
    QCOMPARE(rings.ID, 5);
    QCOMPARE(rings.Name, QStringLiteral("NEW"));
    QCOMPARE(rings.Number.Description, QStringLiteral("Home"));
    QCOMPARE(rings.CallerDate, QStringLiteral("D"));
    QCOMPARE(rings.ContactName, QString()); // the fields after the failure keep their old values
    QCOMPARE(rings.Answered, QStringLiteral("N/A"));
    QVERIFY(Prompt::history().isEmpty());
}

void TestRecords::callerIdBeyond32BitsIsReported()
{
    TempHome home;
    clsCaller c;
    c.BuildCaller(QStringLiteral("|4294967296|A|NUMBER|555|NONE|D|1|||NO|"));
    QVERIFY(c.BadData());
    QCOMPARE(gErrNumber, kOverflowError);
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::history().first().text.startsWith(QStringLiteral("Cannot perform operation.")));
    QCOMPARE(Prompt::history().first().title, QStringLiteral("Velquon"));
}

void TestRecords::callerShortTextLeavesLaterFieldsEmpty()
{
    clsCaller c;
    c.BuildCaller(QStringLiteral("|3|ANN"));
    // The rings field is missing, which reads as "" and is not a number.
    QVERIFY(c.BadData());
    QCOMPARE(c.ID, 3);
    QCOMPARE(c.Name, QStringLiteral("ANN"));
    QCOMPARE(c.Number.Number, QString());
}

void TestRecords::callerBadDataStaysSet()
{
    clsCaller c;
    c.BuildCaller(QStringLiteral("|x|"));
    QVERIFY(c.BadData());
    c.BuildCaller(johnSmith().PrintSend());
    QVERIFY(c.BadData());
    QCOMPARE(c.Name, QStringLiteral("JOHN SMITH"));
}

void TestRecords::nameDescription()
{
    clsCaller c = johnSmith();
    QCOMPARE(c.PrintNameDescription(), QStringLiteral("JOHN SMITH"));
    c.Number.Description = QStringLiteral("Home");
    QCOMPARE(c.PrintNameDescription(), QStringLiteral("JOHN SMITH")); // no contact: the line's name
    QCOMPARE(c.PrintNumberDescription(), QStringLiteral("555-1234 (Home)"));
    c.ContactName = QStringLiteral("JOHN");
    QCOMPARE(c.PrintNameDescription(), QStringLiteral("JOHN (Home)"));
    c.Number.Description = QStringLiteral("NONE");
    QCOMPARE(c.PrintNameDescription(), QStringLiteral("JOHN"));
    c.Number.Description.clear();
    QCOMPARE(c.PrintNameDescription(), QStringLiteral("JOHN"));
}

void TestRecords::contactRoundTrip()
{
    clsContact c;
    c.Name = QStringLiteral("Jane Doe");
    c.AttributeGroup = QStringLiteral("VIP Callers");
    c.ImageFile = QStringLiteral("/home/j/jane.png");
    c.OtherInfo = QStringLiteral("Met at work, likes tea");
    QVERIFY(c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(123) 456-7890"), QStringLiteral("Work"))));
    QVERIFY(c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString())));
    const QString text = c.PrintSend();
    QCOMPARE(text, QStringLiteral("|Jane Doe|VIP Callers|/home/j/jane.png|Met at work, likes tea"
                                  "|NUMBER|(123) 456-7890|Work|NUMBER|555-1234|NONE"));

    clsContact back;
    back.BuildContact(text);
    QVERIFY(!back.BadData());
    QCOMPARE(back.Name, c.Name);
    QCOMPARE(back.AttributeGroup, c.AttributeGroup);
    QCOMPARE(back.ImageFile, c.ImageFile);
    QCOMPARE(back.OtherInfo, c.OtherInfo);
    QCOMPARE(back.Numbers.count(), 2);
    QCOMPARE(back.Numbers.at(0)->Number, QStringLiteral("(123) 456-7890"));
    QCOMPARE(back.Numbers.at(0)->Description, QStringLiteral("Work"));
    QCOMPARE(back.Numbers.at(1)->Number, QStringLiteral("555-1234"));
    QCOMPARE(back.Numbers.at(1)->Description, QStringLiteral("NONE"));
    QVERIFY(back.Numbers.item(QStringLiteral("(123) 456-7890 (WORK)")) == back.Numbers.at(0));
}

void TestRecords::contactWithoutNumbers()
{
    clsContact c;
    c.Name = QStringLiteral("Solo");
    QCOMPARE(c.PrintSend(), QStringLiteral("|Solo|||"));
    clsContact back;
    back.BuildContact(c.PrintSend());
    QCOMPARE(back.Name, QStringLiteral("Solo"));
    QCOMPARE(back.AttributeGroup, QString());
    QCOMPARE(back.OtherInfo, QString());
    QVERIFY(back.Numbers.isEmpty());
    QVERIFY(!back.BadData());

    clsContact empty;
    empty.BuildContact(QString());
    QVERIFY(empty.Numbers.isEmpty());
    QCOMPARE(empty.Name, QString());
}

void TestRecords::contactKeepsNoneAndStopsAtForeignToken()
{
    clsContact c;
    // "number" in lower case is not the marker: reading stops there.
    c.BuildContact(QStringLiteral("|A|G|I|O|NUMBER|1|NONE|number|2|x|NUMBER|3|y"));
    QCOMPARE(c.Numbers.count(), 1);
    QCOMPARE(c.Numbers.at(0)->Description, QStringLiteral("NONE"));
}

void TestRecords::contactDuplicateNumbers()
{
    // The same number twice reads as one; the contact stays whole and nothing is reported.
    clsContact c;
    c.BuildContact(QStringLiteral("|A|||"
                                  "|NUMBER|555|Home|NUMBER|555|home|NUMBER|555|Work|NUMBER|666|NONE"));
    QVERIFY(!c.BadData());
    QCOMPARE(c.Numbers.count(), 3);
    QCOMPARE(c.Numbers.at(0)->Description, QStringLiteral("Home"));
    QCOMPARE(c.Numbers.at(1)->Description, QStringLiteral("Work"));
    QCOMPARE(c.Numbers.at(2)->Number, QStringLiteral("666"));
    QVERIFY(!c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("666"), QString())));
    QVERIFY(!c.AddNumber(nullptr));
    QCOMPARE(c.Numbers.count(), 3);
    QVERIFY(Prompt::history().isEmpty());
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
