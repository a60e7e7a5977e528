#include "mainwindow/CallListDump.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "mainwindow/CallListModel.h"
#include "platform/TerminationSignal.h"
#include "support/TempHome.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The test aid that writes what the call list shows to a file, for tests that run the program in another
// process.
class TestCallListDump : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesTheRowsOnceTheChangesAreThrough();
    void writesWhatIsNoPlainFileAsItStands();
};

void TestCallListDump::writesTheRowsOnceTheChangesAreThrough()
{
    TempHome home;
    qputenv("VELQUON_DUMP_CALL_LIST", home.file(QStringLiteral("rows.txt")).toLocal8Bit());
    QCOMPARE(CallListDump::pathFromEnvironment(), home.file(QStringLiteral("rows.txt")));
    qunsetenv("VELQUON_DUMP_CALL_LIST");
    QVERIFY(CallListDump::pathFromEnvironment().isEmpty());

    CallListModel list;
    CallListDump dump(list, home.file(QStringLiteral("rows.txt")));
    auto read = [&] {
        QFile f(home.file(QStringLiteral("rows.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<none>");
    };
    // An empty list is an empty file.
    QTRY_COMPARE(read(), QString());
    list.beginBulkAppend();
    list.addRow({QStringLiteral("ZOË"), QStringLiteral("555-0100"), QStringLiteral("3/21/2024 2:00:00 PM"),
                 QStringLiteral("2"), QStringLiteral("NO"), QStringLiteral("7")});
    list.addRow({QStringLiteral("BOB"), QStringLiteral("555-0101"), QStringLiteral("3/21/2024 2:05:00 PM"),
                 QStringLiteral("1"), QStringLiteral("YES"), QStringLiteral("8")});
    list.endBulkAppend();
    QTRY_COMPARE(read(), QStringLiteral("ZOË\t555-0100\t3/21/2024 2:00:00 PM\t2\tNO\t7\n"
                                        "BOB\t555-0101\t3/21/2024 2:05:00 PM\t1\tYES\t8\n"));
    list.removeItem(1);
    QTRY_COMPARE(read(), QStringLiteral("BOB\t555-0101\t3/21/2024 2:05:00 PM\t1\tYES\t8\n"));
    list.setTextMatrix(1, CallListModel::ColAnswered, QStringLiteral("NO"));
    QTRY_COMPARE(read(), QStringLiteral("BOB\t555-0101\t3/21/2024 2:05:00 PM\t1\tNO\t8\n"));
}

// A test may read the rows from a pipe or the program's output, or through a link: nothing is renamed over
// what the link leads to.
void TestCallListDump::writesWhatIsNoPlainFileAsItStands()
{
    TempHome home;
    CallListModel list;
    list.addRow({QStringLiteral("BOB"), QStringLiteral("555-0101"), QStringLiteral("3/21/2024 2:05:00 PM"),
                 QStringLiteral("1"), QStringLiteral("YES"), QStringLiteral("8")});
    const QByteArray row = "BOB\t555-0101\t3/21/2024 2:05:00 PM\t1\tYES\t8\n";
    // Held open as a reader holds it: renamed over, it would read the file replaced.
    QFile held(home.file(QStringLiteral("rows.txt")));
    QVERIFY(held.open(QIODevice::ReadWrite));
    const QString link = home.file(QStringLiteral("link.txt"));
    QVERIFY(QFile::link(held.fileName(), link));
    CallListDump(list, link).write();
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(held.readAll(), row);

    const QByteArray pipe = QFile::encodeName(home.file(QStringLiteral("pipe")));
    QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
    const int reader = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    CallListDump(list, QFile::decodeName(pipe)).write();
    char got[256] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    QCOMPARE(QByteArray(got, int(qMax<ssize_t>(n, 0))), row);

    // The program's output appended to a file (">> out.log"), named as /dev/stdout names it: what the file held
    // stays, and each writing goes after the last.
    const QString out = home.file(QStringLiteral("out.log"));
    {
        QFile f(out);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("HELD\n") == 5);
    }
    const int appended = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_APPEND);
    QVERIFY(appended >= 0);
    {
        CallListDump dump(list, QStringLiteral("/dev/fd/%1").arg(appended));
        dump.write();
        dump.write();
    }
    ::close(appended);
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), "HELD\n" + row + row);

    // Output whose reader has gone: the writing fails and says so, once, however often it is tried.
    int gone[2] = {-1, -1};
    QVERIFY(::pipe(gone) == 0);
    ::close(gone[0]);
    ignoreBrokenPipes();
    const QRegularExpression failed(QStringLiteral("^The call list could not be written to /dev/fd/\\d+: "));
    QTest::ignoreMessage(QtWarningMsg, failed);
    QTest::failOnWarning(failed);
    {
        CallListDump dump(list, QStringLiteral("/dev/fd/%1").arg(gone[1]));
        dump.write();
        dump.write();
    }
    ::close(gone[1]);
}

QTEST_GUILESS_MAIN(TestCallListDump)
#include "test_calllistdump.moc"
