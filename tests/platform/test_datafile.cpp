#include "platform/DataFile.h"

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestDataFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fieldsRoundTrip();
    void readsBooleansEitherWay();
    void parsesFieldKinds();
    void writesCrLfAndReadsEitherLineEnd();
    void emptyRecordsAndMissingFile();
    void failedRewriteLeavesTheOldFileWhole();
    void appendCreatesAndExtends();
    void lineBreaksInsideTextSurvive();
};

static QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestDataFile::fieldsRoundTrip()
{
    const DataFile::Record record = {QStringLiteral("say \"hi\", then go"),
                                     qlonglong(-42),
                                     true,
                                     QStringLiteral(""),
                                     QStringLiteral("a,b,,c"),
                                     false,
                                     QStringLiteral("\"\""),
                                     QStringLiteral("Zoë"),
                                     2.5};
    const QString line = DataFile::formatRecord(record);
    QCOMPARE(line,
             QStringLiteral("\"say \"\"hi\"\", then go\",-42,#TRUE#,\"\",\"a,b,,c\",#FALSE#,\"\"\"\"\"\",\"Zoë\",2.5"));
    const DataFile::Record back = DataFile::parseRecord(line);
    QCOMPARE(back.size(), record.size());
    QCOMPARE(back[0].toString(), record[0].toString());
    QCOMPARE(back[1].toLongLong(), -42);
    QCOMPARE(back[2].typeId(), int(QMetaType::Bool));
    QCOMPARE(back[2].toBool(), true);
    QCOMPARE(back[3].toString(), QString());
    QCOMPARE(back[3].typeId(), int(QMetaType::QString));
    QCOMPARE(back[4].toString(), QStringLiteral("a,b,,c"));
    QCOMPARE(back[5].toBool(), false);
    QCOMPARE(back[6].toString(), QStringLiteral("\"\""));
    QCOMPARE(back[7].toString(), QStringLiteral("Zoë"));
    QCOMPARE(back[8].toDouble(), 2.5);
}

void TestDataFile::readsBooleansEitherWay()
{
    const DataFile::Record r = DataFile::parseRecord(QStringLiteral("#TRUE#,\"FALSE\",\"True\",#false#,0,-1,\"x\""));
    QCOMPARE(DataFile::toBool(r[0]), true);
    QCOMPARE(DataFile::toBool(r[1], true), false);
    QCOMPARE(DataFile::toBool(r[2]), true);
    QCOMPARE(DataFile::toBool(r[3], true), false);
    QCOMPARE(DataFile::toBool(r[4], true), false);
    QCOMPARE(DataFile::toBool(r[5]), true);
    // Not a truth value: the caller's fallback decides.
    QCOMPARE(DataFile::toBool(r[6], true), true);
    QCOMPARE(DataFile::toBool(r[6], false), false);
}

void TestDataFile::parsesFieldKinds()
{
    const DataFile::Record r = DataFile::parseRecord(QStringLiteral(" \"a\" , 12 ,12ab,,3.25,"));
    QCOMPARE(r.size(), 6);
    QCOMPARE(r[0].toString(), QStringLiteral("a"));
    QCOMPARE(r[1].typeId(), int(QMetaType::LongLong));
    QCOMPARE(r[1].toLongLong(), 12);
    QCOMPARE(r[2].toString(), QStringLiteral("12ab"));
    QCOMPARE(r[3].toString(), QString());
    QCOMPARE(r[4].toDouble(), 3.25);
    QCOMPARE(r[5].toString(), QString()); // a trailing comma leaves one empty field
    // A quote that is never closed takes the rest of the line instead of swallowing the next lines.
    const DataFile::Record open = DataFile::parseRecord(QStringLiteral("\"abc,1"));
    QCOMPARE(open.size(), 1);
    QCOMPARE(open[0].toString(), QStringLiteral("abc,1"));
}

void TestDataFile::writesCrLfAndReadsEitherLineEnd()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.dat"));
    QVERIFY(DataFile::writeAll(path, {{QStringLiteral("one"), qlonglong(1)}, {QStringLiteral("two"), false}}));
    QCOMPARE(fileBytes(path), QByteArray("\"one\",1\r\n\"two\",#FALSE#\r\n"));
    // A rewrite leaves who may read the file as its owner set it.
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(::chmod(name.constData(), 0640) == 0);
    QVERIFY(DataFile::writeAll(path, {{QStringLiteral("again")}}));
    struct stat info {};
    QVERIFY(::stat(name.constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));

    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\"a\",1\n\"b\",2\r\n\"c\",3");
    f.close();
    const auto records = DataFile::readAll(path);
    QVERIFY(records.has_value());
    QCOMPARE(records->size(), 3);
    QCOMPARE(records->at(0).at(0).toString(), QStringLiteral("a"));
    QCOMPARE(records->at(1).at(1).toLongLong(), 2);
    QCOMPARE(records->at(2).at(0).toString(), QStringLiteral("c"));
    QCOMPARE(records->at(2).at(1).toLongLong(), 3);
}

void TestDataFile::emptyRecordsAndMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(!DataFile::readAll(dir.filePath(QStringLiteral("none.dat"))).has_value());
    const QString path = dir.filePath(QStringLiteral("e.dat"));
    QVERIFY(DataFile::writeAll(path, {}));
    QVERIFY(QFile::exists(path));
    QCOMPARE(fileBytes(path), QByteArray());
    QCOMPARE(DataFile::readAll(path)->size(), 0);
    QVERIFY(DataFile::parseRecord(QStringLiteral("   \r\n")).isEmpty());
}

void TestDataFile::failedRewriteLeavesTheOldFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("groups.dat"));
    QVERIFY(DataFile::writeAll(path, {{QStringLiteral("old"), qlonglong(1)}}));
    const QByteArray old = fileBytes(path);

    // A file-size limit makes the new file fail half-way, whoever we run as (folder permissions do not stop
    // root). The old file must still be complete and no half-written file may be left beside it.
    struct rlimit saved {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    QList<DataFile::Record> big;
    for (int i = 0; i < 2000; ++i)
        big.append({QStringLiteral("a fairly long description number %1").arg(i), qlonglong(i), true});
    QString error;
    const bool written = DataFile::writeAll(path, big, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"groups.dat"});

    // A folder that does not exist fails cleanly too.
    QVERIFY(!DataFile::writeAll(dir.filePath(QStringLiteral("missing/x.dat")), {{qlonglong(1)}}));

    // A named pipe in the file's place is someone's: it fails, saying so, and stays a pipe.
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe.dat")));
    QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
    QVERIFY(!DataFile::writeAll(QFile::decodeName(pipe), {{qlonglong(1)}}, &error));
    QCOMPARE(error, QStringLiteral("it is a named pipe (FIFO), not a file"));
    struct stat info {};
    QVERIFY(::stat(pipe.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
}

void TestDataFile::appendCreatesAndExtends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.dat"));
    QVERIFY(DataFile::appendLines(path, {QString(), QStringLiteral("\"first\"")}));
    QVERIFY(DataFile::appendLines(path, {QStringLiteral("\"second\"")}));
    QCOMPARE(fileBytes(path), QByteArray("\r\n\"first\"\r\n\"second\"\r\n"));
}

void TestDataFile::lineBreaksInsideTextSurvive()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("n.dat"));
    const QList<DataFile::Record> written = {
        {QStringLiteral("first\r\nsecond"), qlonglong(1), true, QStringLiteral("x")},
        {QStringLiteral("a\nb \"quoted\"\n"), qlonglong(2), false, QStringLiteral("")},
        {QStringLiteral("plain"), qlonglong(3), true, QStringLiteral("y")},
    };
    QVERIFY(DataFile::writeAll(path, written));
    const auto back = DataFile::readAll(path);
    QVERIFY(back.has_value());
    QCOMPARE(back->size(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(back->at(r).size(), 4);
        QCOMPARE(back->at(r).at(0).toString(), written[r][0].toString());
        QCOMPARE(back->at(r).at(1).toLongLong(), written[r][1].toLongLong());
        QCOMPARE(back->at(r).at(2).toBool(), written[r][2].toBool());
    }

    // A damaged line whose quote never closes does not take the lines after it.
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\"one\",1\r\n\"two,2\r\n\"three\",3\r\n");
    f.close();
    const auto damaged = DataFile::readAll(path);
    QCOMPARE(damaged->size(), 3);
    QCOMPARE(damaged->at(0).at(0).toString(), QStringLiteral("one"));
    QCOMPARE(damaged->at(1).at(0).toString(), QStringLiteral("two,2"));
    QCOMPARE(damaged->at(2).at(0).toString(), QStringLiteral("three"));
    QCOMPARE(damaged->at(2).at(1).toLongLong(), 3);
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
