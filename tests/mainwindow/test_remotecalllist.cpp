#include "mainwindow/RemoteCallList.h"

#include <QTest>

#include <memory>

#include "capture/RemoteCallRoad.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/RemoteDispatcher.h"
#include "network/clsRemoteSocket.h"
#include "support/TempHome.h"

namespace {

QString record(qint32 id, const QString& name, const QString& number)
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = QStringLiteral("3/21/2024 2:%1:00 PM").arg(id, 2, 10, QLatin1Char('0'));
    c.Rings = id;
    c.Answered = QStringLiteral("NO");
    // What the server matched is not what this client shows: its own contacts decide.
    c.ContactName = QStringLiteral("SERVER'S NAME");
    return c.PrintSend();
}

} // namespace

// The client's refill from its copy of the server's rows: each call under the name this client's contacts
// give it, in its group's colour, and rows that stay readable after the copy they came from is replaced.
class TestRemoteCallList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void rowsShowTheClientsContactsAndOutliveTheCopy();

private:
    void dispatch(const QString& text) { m_dispatcher->ProcessRemoteNetworkData(text + ";COMPLETE;COMPLETE;"); }
    QStringList row(int r) const
    {
        QStringList cells;
        for (int c = CallListModel::ColName; c <= CallListModel::ColID; ++c)
            cells << m_list.textMatrix(r, c);
        return cells;
    }

    std::unique_ptr<TempHome> m_home;
    MainWindow m_host;
    std::unique_ptr<RemoteCallRoad> m_calls;
    std::unique_ptr<RemoteDispatcher> m_dispatcher;
    CallListModel m_list;
};

void TestRemoteCallList::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Client;
    gMainForm = &m_host;
    gRemoteCallers = std::make_unique<RemoteCallerCollection>();
    m_calls = std::make_unique<RemoteCallRoad>();
    m_dispatcher = std::make_unique<RemoteDispatcher>(m_host, *m_calls);
    m_list.clearRows();
}

void TestRemoteCallList::cleanup()
{
    m_list.clearRows();
    m_dispatcher.reset();
    m_calls.reset();
    gRemoteCallers.reset();
    gMainForm = nullptr;
    m_home.reset();
}

void TestRemoteCallList::rowsShowTheClientsContactsAndOutliveTheCopy()
{
    dispatch(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Family|255|False||");
    dispatch(";CLEAR CONTACTS;;CONTACT;|ANN|Family||note|NUMBER|555-0100|Home;CONTACT;|BEN|||x|NUMBER|555-0101|NONE");
    dispatch(";CLEAR CALLERS;;CALLER;" + record(1, "LINE ONE", "555-0100") + ";CALLER;" +
             record(2, "LINE TWO", "555-0199") + ";CALLER;" + record(3, "LINE THREE", "555-0101") + ";CALLER;" +
             record(4, "LINE FOUR", "555-0100"));

    RemoteCallList refill;
    connect(&refill, &CallListRefill::rowsRead, this,
            [this](const CallRowBatch& batch, size_t first, size_t last) { m_list.appendRows(batch, first, last); });
    refill.RefreshGrid();
    QCOMPARE(m_list.rows(), 5);
    const QStringList one{
        QStringLiteral("ANN (Home)"), QStringLiteral("555-0100"), QStringLiteral("3/21/2024 2:01:00 PM"),
        QStringLiteral("1"),          QStringLiteral("NO"),       QStringLiteral("1")};
    const QStringList two{
        QStringLiteral("LINE TWO"), QStringLiteral("555-0199"), QStringLiteral("3/21/2024 2:02:00 PM"),
        QStringLiteral("2"),        QStringLiteral("NO"),       QStringLiteral("2")};
    QCOMPARE(row(1), one);
    QCOMPARE(row(2), two);
    QCOMPARE(row(3).first(), QStringLiteral("BEN"));
    QCOMPARE(row(4).first(), QStringLiteral("ANN (Home)"));
    QCOMPARE(row(4).last(), QStringLiteral("4"));
    QCOMPARE(m_list.cellForeColour(1, CallListModel::ColName), 255u);
    QCOMPARE(m_list.cellForeColour(2, CallListModel::ColName), 0u);
    QCOMPARE(m_list.cellForeColour(3, CallListModel::ColName), 0u);

    // A new answer and an edit replace and change the copy: the rows already listed keep their texts.
    dispatch(";CLEAR CALLERS;;CALLER;" + record(9, "OTHER", "555-0999"));
    dispatch(";EDIT CALLER;" + record(9, "EDITED", "555-0999"));
    QCOMPARE(gRemoteCallers->first().Name, QStringLiteral("EDITED"));
    gRemoteCallers = std::make_unique<RemoteCallerCollection>();
    QCOMPARE(row(2), two);
    QCOMPARE(row(1), one);

    // The next pass lists what the copy holds now.
    dispatch(";CLEAR CALLERS;;CALLER;" + record(9, "OTHER", "555-0999"));
    m_list.clearRows();
    refill.RefreshGrid();
    QCOMPARE(m_list.rows(), 2);
    QCOMPARE(row(1).first(), QStringLiteral("OTHER"));
}

QTEST_MAIN(TestRemoteCallList)
#include "test_remotecalllist.moc"
