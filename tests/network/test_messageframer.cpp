#include "network/MessageFramer.h"

#include <QTest>

class TestMessageFramer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void framesTextWithTheMarker();
    void everySplitGivesTheSameUnits();
    void severalUnitsInOneRead();
    void markerTornAcrossReads();
    void unfinishedUnitWaits();
    void lowerCaseMarkerDoesNotEndAUnit();
    void oversizedUnitIsSkippedToItsMarker();
    void oversizedTailWithTornMarkerResyncs();
};

void TestMessageFramer::framesTextWithTheMarker()
{
    QCOMPARE(MessageFramer::frame(QStringLiteral("BLOCKED")), QByteArray("BLOCKED;COMPLETE;COMPLETE;"));
    QCOMPARE(MessageFramer::frame(QStringLiteral(";CONTACT;|Zoë|")),
             QByteArray(";CONTACT;|Zo\xc3\xab|;COMPLETE;COMPLETE;"));
    QCOMPARE(MessageFramer::frame(QStringLiteral("\U0001F4DE ") + QChar(0xD800)),
             QByteArray("\xf0\x9f\x93\x9e ?;COMPLETE;COMPLETE;"));
    // A send waits in memory until the peer reads it: it holds its own size, not the conversion's worst case.
    const QByteArray answer = MessageFramer::frame(QString(1024 * 1024, QLatin1Char('x')));
    QCOMPARE(answer.size(), 1024 * 1024 + MessageFramer::Marker.size());
    QVERIFY2(answer.capacity() < answer.size() + 1024, qPrintable(QString::number(answer.capacity())));
}

void TestMessageFramer::everySplitGivesTheSameUnits()
{
    // Two sends, the second with a two-byte character; cut the stream once and twice at every position.
    const QByteArray stream = MessageFramer::frame(QStringLiteral(";SQL;Select * From tblCID")) +
                              MessageFramer::frame(QStringLiteral(";ADD CONTACT;|Zoë|||x"));
    const QStringList expected{QStringLiteral(";SQL;Select * From tblCID;COMPLETE;COMPLETE;"),
                               QStringLiteral(";ADD CONTACT;|Zoë|||x;COMPLETE;COMPLETE;")};
    for (qsizetype i = 0; i <= stream.size(); ++i) {
        for (qsizetype j = i; j <= stream.size(); ++j) {
            MessageFramer f;
            QStringList units = f.feed(stream.left(i));
            units += f.feed(stream.mid(i, j - i));
            units += f.feed(stream.mid(j));
            QVERIFY2(units == expected, qPrintable(QStringLiteral("cut at %1 and %2").arg(i).arg(j)));
            QCOMPARE(f.pending(), 0);
        }
    }
    // One byte per read.
    MessageFramer f;
    QStringList units;
    for (char c : stream)
        units += f.feed(QByteArray(1, c));
    QCOMPARE(units, expected);
}

void TestMessageFramer::severalUnitsInOneRead()
{
    MessageFramer f;
    const QStringList units = f.feed(";NEW;COMPLETE;COMPLETE;;RING;COMPLETE;COMPLETE;;INCOMING CALLER;|1|");
    QCOMPARE(units, (QStringList{";NEW;COMPLETE;COMPLETE;", ";RING;COMPLETE;COMPLETE;"}));
    QCOMPARE(f.pending(), qsizetype(strlen(";INCOMING CALLER;|1|")));
    QCOMPARE(f.feed(";COMPLETE;COMPLETE;"), QStringList{";INCOMING CALLER;|1|;COMPLETE;COMPLETE;"});
}

void TestMessageFramer::markerTornAcrossReads()
{
    // A read that ends in the marker's last nine bytes, the rest shorter than nine: still one unit.
    MessageFramer f;
    QVERIFY(f.feed(";RING;COMPLETE;COMPL").isEmpty());
    QCOMPARE(f.feed("ETE;"), QStringList{";RING;COMPLETE;COMPLETE;"});
    // A read ending in "COMPLETE;" that is not the whole marker does not end a unit.
    QVERIFY(f.feed(";EDIT CALLER;0;COMPLETE;").isEmpty());
    QCOMPARE(f.feed("7;COMPLETE;COMPLETE;"), QStringList{";EDIT CALLER;0;COMPLETE;7;COMPLETE;COMPLETE;"});
}

void TestMessageFramer::unfinishedUnitWaits()
{
    MessageFramer f;
    QVERIFY(f.feed(";SQL;Select").isEmpty());
    QVERIFY(f.feed(" * From tblCID").isEmpty());
    QCOMPARE(f.pending(), qsizetype(strlen(";SQL;Select * From tblCID")));
    f.clear();
    QCOMPARE(f.feed(";NETCANCEL;COMPLETE;COMPLETE;"), QStringList{";NETCANCEL;COMPLETE;COMPLETE;"});
}

void TestMessageFramer::lowerCaseMarkerDoesNotEndAUnit()
{
    MessageFramer f;
    QVERIFY(f.feed(";NEW;complete;complete;").isEmpty());
    QCOMPARE(f.feed(";COMPLETE;COMPLETE;"), QStringList{";NEW;complete;complete;;COMPLETE;COMPLETE;"});
}

void TestMessageFramer::oversizedUnitIsSkippedToItsMarker()
{
    MessageFramer f(100);
    QVERIFY(f.feed(QByteArray(60, 'x')).isEmpty());
    QVERIFY(!f.overflowed());
    QVERIFY(f.feed(QByteArray(60, 'y')).isEmpty());
    QVERIFY(f.overflowed());
    QVERIFY(f.pending() < MessageFramer::Marker.size());
    // The peer goes on without a marker: nothing grows.
    for (int i = 0; i < 100; ++i)
        QVERIFY(f.feed(QByteArray(1000, 'z')).isEmpty());
    QVERIFY(f.pending() < MessageFramer::Marker.size());
    // The oversized unit's own end is swallowed; the next unit comes out whole.
    QCOMPARE(f.feed("zz;COMPLETE;COMPLETE;;RING;COMPLETE;COMPLETE;"), QStringList{";RING;COMPLETE;COMPLETE;"});
    QVERIFY(f.overflowed());
    f.clear();
    QVERIFY(!f.overflowed());
    // A unit of exactly the bound is still taken.
    const QByteArray whole = QByteArray(100 - MessageFramer::Marker.size(), 'a') + MessageFramer::Marker;
    QCOMPARE(f.feed(whole), QStringList{QString::fromLatin1(whole)});
    QVERIFY(!f.overflowed());
    // One byte more, arriving whole in one read with the next unit: skipped just the same.
    QCOMPARE(f.feed("b" + whole + ";RING;COMPLETE;COMPLETE;"), QStringList{";RING;COMPLETE;COMPLETE;"});
    QVERIFY(f.takeOverflow());
    QVERIFY(!f.overflowed());
}

void TestMessageFramer::oversizedTailWithTornMarkerResyncs()
{
    MessageFramer f(50);
    QVERIFY(f.feed(QByteArray(80, 'x') + ";COMPLETE;COMP").isEmpty());
    QVERIFY(f.overflowed());
    QVERIFY(f.feed("LETE;").isEmpty()); // the end of the skipped unit
    QCOMPARE(f.feed(";NEW;COMPLETE;COMPLETE;"), QStringList{";NEW;COMPLETE;COMPLETE;"});
}

QTEST_GUILESS_MAIN(TestMessageFramer)
#include "test_messageframer.moc"
