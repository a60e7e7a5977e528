#include "network/RemoteCallerCollection.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

clsCaller call(qint32 id, const QString& name, const QString& number = QStringLiteral("555-0100"))
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.Number.Description = QStringLiteral("Home");
    c.CallerDate = QStringLiteral("3/21/2024 2:00:00 PM");
    c.Rings = id % 9;
    c.Answered = id % 2 ? QStringLiteral("YES") : QStringLiteral("NO");
    c.ContactName = id % 3 ? QString() : QStringLiteral("CONTACT %1").arg(id);
    c.AttributeGroup = id % 3 ? QString() : QStringLiteral("Family");
    return c;
}

void compareCalls(const clsCaller& got, const clsCaller& want)
{
    QCOMPARE(got.ID, want.ID);
    QCOMPARE(got.Name, want.Name);
    QCOMPARE(got.Number, want.Number);
    QCOMPARE(got.CallerDate, want.CallerDate);
    QCOMPARE(got.Rings, want.Rings);
    QCOMPARE(got.Answered, want.Answered);
    QCOMPARE(got.ContactName, want.ContactName);
    QCOMPARE(got.AttributeGroup, want.AttributeGroup);
}

QList<qint32> ids(const RemoteCallerCollection& calls)
{
    QList<qint32> out;
    for (qsizetype i = 0; i < calls.size(); ++i)
        out << calls.idAt(i);
    return out;
}

} // namespace

// The client's compact copy of its server's rows: every field comes back as it went in, changes leave
// earlier copies as they were, and deletions take the calls the former list of records took.
class TestRemoteCallerCollection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void callsComeBackAsTheyWentIn();
    void changesLeaveEarlierCopiesAlone();
    void deletionsTakeTheFirstCallsWithEachID();
};

void TestRemoteCallerCollection::callsComeBackAsTheyWentIn()
{
    QList<clsCaller> in;
    for (int i = 1; i <= 50; ++i)
        in << call(i, QStringLiteral("CALLER %1").arg(i));
    // Empty fields, a name outside Latin-1, negative and large numbers, an ID given twice.
    clsCaller odd;
    odd.ID = -7;
    odd.Rings = 2'000'000'000;
    odd.Name = QStringLiteral("Zoë Łukasz 電話");
    in << odd << call(3, QStringLiteral("AGAIN"));
    const RemoteCallerCollection calls(in);
    QCOMPARE(calls.size(), in.size());
    qsizetype n = 0;
    for (const clsCaller& c : calls)
        compareCalls(c, in.at(n++));
    QCOMPARE(n, in.size());
    compareCalls(calls.first(), in.first());
    compareCalls(calls.last(), in.last());
    QCOMPARE(calls.indexOf(3), 2);
    QCOMPARE(calls.indexOf(404), -1);

    // The first six texts lie back to back as a call-list row's: name, number, date, rings, answered, ID.
    const qsizetype i = calls.indexOf(-7);
    qsizetype rowLength = 0;
    for (int t = 0; t < RemoteCallerCollection::RowTexts; ++t)
        rowLength += calls.text(i, RemoteCallerCollection::Text(t)).size();
    const QString row = QStringView(calls.texts(i), rowLength).toString();
    QCOMPARE(row, odd.Name + QStringLiteral("2000000000") + QStringLiteral("-7"));

    // A text longer than any cell is cut where a cell would be.
    clsCaller huge = call(1, QString(100'000, QLatin1Char('N')));
    RemoteCallerCollection big;
    big.append(huge);
    QCOMPARE(big.at(0).Name.size(), RemoteCallerCollection::MaxText);
    QCOMPARE(big.at(0).Number.Number, huge.Number.Number);
}

void TestRemoteCallerCollection::changesLeaveEarlierCopiesAlone()
{
    RemoteCallerCollection calls(QList<clsCaller>{call(1, QStringLiteral("ONE")), call(2, QStringLiteral("TWO"))});
    const RemoteCallerCollection before = calls;
    clsCaller edited = call(2, QStringLiteral("EDITED"), QStringLiteral("555-0199"));
    edited.ContactName = QStringLiteral("SOMEONE");
    calls.replace(calls.indexOf(2), edited);
    calls.append(call(3, QStringLiteral("THREE")));
    compareCalls(calls.at(1), edited);
    QCOMPARE(ids(calls), (QList<qint32>{1, 2, 3}));
    // The copy taken first (a refill's) still reads its own calls.
    QCOMPARE(before.size(), 2);
    compareCalls(before.at(1), call(2, QStringLiteral("TWO")));
    calls = RemoteCallerCollection();
    QVERIFY(calls.isEmpty());
    compareCalls(before.at(0), call(1, QStringLiteral("ONE")));
}

void TestRemoteCallerCollection::deletionsTakeTheFirstCallsWithEachID()
{
    RemoteCallerCollection calls(QList<clsCaller>{call(1, QStringLiteral("A")), call(2, QStringLiteral("B")),
                                                  call(1, QStringLiteral("A2")), call(3, QStringLiteral("C"))});
    calls.removeIds({1, 9});
    QCOMPARE(ids(calls), (QList<qint32>{2, 1, 3}));
    QCOMPARE(calls.at(1).Name, QStringLiteral("A2"));

    // Against the former way, an ID at a time over the list of records, on generated copies with repeated
    // IDs and deletion lists with repeats and IDs that are not there.
    QRandomGenerator random(31);
    for (int round = 0; round < 300; ++round) {
        QList<clsCaller> model;
        const int size = int(random.bounded(40));
        for (int i = 0; i < size; ++i)
            model << call(qint32(random.bounded(15)), QStringLiteral("R%1").arg(i));
        RemoteCallerCollection compact(model);
        QList<qint32> gone;
        const int n = int(random.bounded(12));
        for (int i = 0; i < n; ++i)
            gone << qint32(random.bounded(18));
        for (qint32 id : gone) {
            for (qsizetype i = 0; i < model.size(); ++i) {
                if (model.at(i).ID == id) {
                    model.removeAt(i);
                    break;
                }
            }
        }
        compact.removeIds(gone);
        QCOMPARE(compact.size(), model.size());
        for (qsizetype i = 0; i < model.size(); ++i)
            QCOMPARE(compact.at(i).Name, model.at(i).Name);
    }
}

QTEST_GUILESS_MAIN(TestRemoteCallerCollection)
#include "test_remotecallercollection.moc"
