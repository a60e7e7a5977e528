#include "platform/Prompt.h"

#include <QTest>

namespace {

// Stands in for the widget dialogs: answers with fixed values and counts how often it was asked.
class RecordingBackend : public Prompt::Backend {
public:
    int calls = 0;
    Prompt::Answer message(const QString&, const QString&, Prompt::Buttons, Prompt::Icon, int) override
    {
        ++calls;
        return Prompt::Retry;
    }
    QStringList noticesShown;
    void notice(const QString&, const QString& text, Prompt::Icon) override
    {
        ++calls;
        noticesShown << text;
    }
    QString openFile(const QString&, const QString&, const QString&) override
    {
        ++calls;
        return QStringLiteral("/from/backend");
    }
    QString saveFile(const QString&, const QString&, const QString&) override
    {
        ++calls;
        return QStringLiteral("/saved");
    }
    std::optional<quint32> chooseColor(quint32) override
    {
        ++calls;
        return 7u;
    }
    int closings = 0;
    void closeOpen() override { ++closings; }
};

} // namespace

class TestPrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Prompt::resetScript(); }
    void cleanup()
    {
        Prompt::setBackend(nullptr);
        qputenv("VELQUON_NONINTERACTIVE", "1");
    }
    void scriptedAnswersInOrder();
    void defaultsWhenNonInteractive();
    void historyKeepsEveryRequest();
    void historyKeepsOnlyTheLatest();
    void filesAndColours();
    void backendOnlyWhenInteractive();
    void meanwhileRunsWhileTheBoxWaits();
    void heldNoticesShowInOrderOnRelease();
    void whileClosedNothingIsShown();
    void olderFilterFormForTheDialogs_data();
    void olderFilterFormForTheDialogs();
    void aSavedNameGetsItsFilterEnding();
};

void TestPrompt::scriptedAnswersInOrder()
{
    Prompt::queueAnswer(Prompt::No);
    Prompt::queueAnswer(Prompt::Cancel);
    QCOMPARE(Prompt::message(QStringLiteral("Delete?"), Prompt::YesNo), Prompt::No);
    // A notice does not use up a queued answer.
    Prompt::notice(QStringLiteral("No sound device."));
    QCOMPARE(Prompt::message(QStringLiteral("Save?"), Prompt::YesNoCancel), Prompt::Cancel);
    QCOMPARE(Prompt::message(QStringLiteral("Save?"), Prompt::YesNoCancel), Prompt::Yes);
}

void TestPrompt::defaultsWhenNonInteractive()
{
    QCOMPARE(Prompt::message(QStringLiteral("a")), Prompt::Ok);
    QCOMPARE(Prompt::message(QStringLiteral("b"), Prompt::YesNo, Prompt::Question, 1), Prompt::No);
    QCOMPARE(Prompt::message(QStringLiteral("c"), Prompt::OkCancel, Prompt::Question, 1), Prompt::Cancel);
    QCOMPARE(Prompt::message(QStringLiteral("d"), Prompt::AbortRetryIgnore, Prompt::Critical, 2), Prompt::Ignore);
    QCOMPARE(Prompt::message(QStringLiteral("e"), Prompt::RetryCancel), Prompt::Retry);
    // A default button beyond the set falls back to its first button.
    QCOMPARE(Prompt::message(QStringLiteral("f"), Prompt::YesNo, Prompt::Question, 5), Prompt::Yes);
    QCOMPARE(Prompt::openFile(QStringLiteral("Open"), QStringLiteral("/"), QStringLiteral("*.wav")), QString());
    QVERIFY(!Prompt::chooseColor(255).has_value());
}

void TestPrompt::historyKeepsEveryRequest()
{
    Prompt::message(QStringLiteral("Cannot perform operation."), Prompt::OkOnly, Prompt::Exclamation);
    Prompt::notice(QStringLiteral("Listening on port 270."), Prompt::Information, QStringLiteral("Server"));
    const auto& h = Prompt::history();
    QCOMPARE(h.size(), 2);
    QCOMPARE(h[0].kind, Prompt::Kind::Message);
    QCOMPARE(h[0].title, QStringLiteral("Velquon"));
    QCOMPARE(h[0].icon, int(Prompt::Exclamation));
    QCOMPARE(h[0].result, QString::number(Prompt::Ok));
    QCOMPARE(h[1].kind, Prompt::Kind::Notice);
    QCOMPARE(h[1].title, QStringLiteral("Server"));
    QCOMPARE(Prompt::texts(), (QStringList{"Cannot perform operation.", "Listening on port 270."}));
    Prompt::clearHistory();
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(Prompt::productName(), QStringLiteral("Velquon"));
}

void TestPrompt::historyKeepsOnlyTheLatest()
{
    // A long-running program must not keep every report it ever made.
    for (int i = 0; i < 1005; ++i)
        Prompt::notice(QString::number(i));
    QCOMPARE(Prompt::history().size(), 1000);
    QCOMPARE(Prompt::history().first().text, QStringLiteral("5"));
    QCOMPARE(Prompt::history().last().text, QStringLiteral("1004"));
}

void TestPrompt::filesAndColours()
{
    Prompt::queueText(QStringLiteral("/tmp/a.wav"));
    Prompt::queueText(QString());
    Prompt::queueText(QStringLiteral("65280"));
    Prompt::queueText(QStringLiteral("not a colour"));
    QCOMPARE(Prompt::openFile(QStringLiteral("Sound"), QStringLiteral("/"), QStringLiteral("*.wav")),
             QStringLiteral("/tmp/a.wav"));
    QCOMPARE(Prompt::saveFile(QStringLiteral("Save"), QStringLiteral("/x"), QString()), QString()); // cancelled
    QCOMPARE(Prompt::chooseColor(0), std::optional<quint32>(65280));
    QVERIFY(!Prompt::chooseColor(0).has_value());
    QCOMPARE(Prompt::history().size(), 4);
    QCOMPARE(Prompt::history()[0].result, QStringLiteral("/tmp/a.wav"));
}

void TestPrompt::backendOnlyWhenInteractive()
{
    RecordingBackend backend;
    Prompt::setBackend(&backend);
    QCOMPARE(Prompt::message(QStringLiteral("x"), Prompt::RetryCancel), Prompt::Retry);
    QCOMPARE(backend.calls, 0); // headless runs never reach a dialog

    qputenv("VELQUON_NONINTERACTIVE", "0");
    QCOMPARE(Prompt::message(QStringLiteral("x"), Prompt::YesNo), Prompt::Retry);
    QCOMPARE(Prompt::openFile(QString(), QString(), QString()), QStringLiteral("/from/backend"));
    QCOMPARE(Prompt::chooseColor(1), std::optional<quint32>(7));
    Prompt::notice(QStringLiteral("n"));
    QCOMPARE(backend.calls, 4);
    // A scripted answer still wins over the backend.
    Prompt::queueAnswer(Prompt::Abort);
    QCOMPARE(Prompt::message(QStringLiteral("y"), Prompt::AbortRetryIgnore), Prompt::Abort);
    QCOMPARE(backend.calls, 4);
}

// A change queued for "meanwhile" happens while the next box is up, whatever its kind, before its answer,
// once; a box it asks itself is answered in turn, not taken for the box it came in.
void TestPrompt::meanwhileRunsWhileTheBoxWaits()
{
    QStringList order;
    Prompt::queueMeanwhile([&] {
        order << QStringLiteral("change");
        order << QString::number(int(Prompt::message(QStringLiteral("inner"), Prompt::YesNo)));
    });
    Prompt::queueMeanwhile([&] { order << QStringLiteral("second"); });
    Prompt::queueAnswer(Prompt::No);
    Prompt::queueAnswer(Prompt::Yes);
    order << QString::number(int(Prompt::message(QStringLiteral("outer"), Prompt::YesNo)));
    // The inner box took the first queued answer and the second change; the outer one the next answer.
    QCOMPARE(order, (QStringList{QStringLiteral("change"), QStringLiteral("second"), QString::number(Prompt::No),
                                 QString::number(Prompt::Yes)}));
    Prompt::queueMeanwhile([&] { order << QStringLiteral("file"); });
    Prompt::queueText(QStringLiteral("/tmp/x"));
    QCOMPARE(Prompt::openFile(QString(), QString(), QString()), QStringLiteral("/tmp/x"));
    QCOMPARE(order.last(), QStringLiteral("file"));
    Prompt::queueMeanwhile([&] { order << QStringLiteral("dropped"); });
    Prompt::resetScript();
    Prompt::message(QStringLiteral("after reset"));
    QVERIFY(!order.contains(QStringLiteral("dropped")));
}

// Start-up holds its notices until its window is shown; they are recorded at once and shown once, in order, when
// the outermost hold ends; a hold never lets a question wait.
void TestPrompt::heldNoticesShowInOrderOnRelease()
{
    qunsetenv("VELQUON_NONINTERACTIVE");
    RecordingBackend backend;
    Prompt::setBackend(&backend);
    Prompt::holdNotices();
    Prompt::holdNotices();
    Prompt::notice(QStringLiteral("No mixer found."));
    Prompt::notice(QStringLiteral("New databases were created."));
    QCOMPARE(Prompt::texts(),
             (QStringList{QStringLiteral("No mixer found."), QStringLiteral("New databases were created.")}));
    QCOMPARE(Prompt::message(QStringLiteral("Comm port 1 is not responding.")), Prompt::Retry);
    QCOMPARE(backend.noticesShown, QStringList());
    Prompt::releaseNotices();
    QCOMPARE(backend.noticesShown, QStringList());
    Prompt::releaseNotices();
    QCOMPARE(backend.noticesShown,
             (QStringList{QStringLiteral("No mixer found."), QStringLiteral("New databases were created.")}));
    // Released once: a later notice goes straight through, and a release too many holds nothing back.
    Prompt::releaseNotices();
    Prompt::notice(QStringLiteral("Later."));
    QCOMPARE(backend.noticesShown.size(), 3);
    QCOMPARE(backend.calls, 4);

    // Without anyone to answer, held notices are recorded but never shown, also after the release.
    qputenv("VELQUON_NONINTERACTIVE", "1");
    Prompt::holdNotices();
    Prompt::notice(QStringLiteral("Headless."));
    Prompt::releaseNotices();
    QCOMPARE(backend.noticesShown.size(), 3);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Headless."));
}

// While the program waits to end, nobody may be there to answer: what is open closes, and what is asked is
// answered as cancelled without being shown (a test's answer and change too), but recorded.
void TestPrompt::whileClosedNothingIsShown()
{
    RecordingBackend backend;
    Prompt::setBackend(&backend);
    qputenv("VELQUON_NONINTERACTIVE", "0");
    Prompt::queueAnswer(Prompt::Yes);
    Prompt::setClosed(true);
    QCOMPARE(backend.closings, 1);
    QCOMPARE(Prompt::message(QStringLiteral("Sure?"), Prompt::YesNo), Prompt::No);
    QCOMPARE(Prompt::openFile(QString(), QString(), QString()), QString());
    Prompt::notice(QStringLiteral("n"));
    QCOMPARE(backend.calls, 0);
    QCOMPARE(Prompt::texts(), (QStringList{"Sure?", QString(), "n"}));
    Prompt::setClosed(false);
    QCOMPARE(Prompt::message(QStringLiteral("Sure?"), Prompt::YesNo), Prompt::Yes);
}

void TestPrompt::olderFilterFormForTheDialogs_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("text showing its pattern") << "Data Files (*.dat)|*.dat"
                                              << "Data Files (*.dat)";
    QTest::newRow("text without its pattern") << "Wave Files|*.wav"
                                              << "Wave Files (*.wav)";
    QTest::newRow("several patterns") << "Pictures|*.bmp;*.jpg; *.gif"
                                      << "Pictures (*.bmp *.jpg *.gif)";
    QTest::newRow("several filters") << "Access Files (*.mdb)|*.mdb|All Files (*.*)|*.*"
                                     << "Access Files (*.mdb);;All Files (*.*)";
    // The text is kept as written even when its brackets name other files: the dialog reads the last ones.
    QTest::newRow("text naming other patterns") << "Data Files (*.dat)|*.txt"
                                                << "Data Files (*.dat) (*.txt)";
    QTest::newRow("pattern alone") << "|*.dat"
                                   << "(*.dat)";
    QTest::newRow("cut after the text") << "Data Files (*.dat)|"
                                        << "Data Files (*.dat)";
    QTest::newRow("the dialogs' own form") << "Wave Files (*.wav);;All Files (*)"
                                           << "Wave Files (*.wav);;All Files (*)";
    QTest::newRow("none") << ""
                          << "";
}

void TestPrompt::olderFilterFormForTheDialogs()
{
    QFETCH(QString, filter);
    QFETCH(QString, dialog);
    QCOMPARE(Prompt::dialogFilter(filter), dialog);
}

// "MyStats" saved through "Data Files (*.dat)" is "MyStats.dat", however the name came: typed or scripted.
void TestPrompt::aSavedNameGetsItsFilterEnding()
{
    for (const char* answer : {"/tmp/a.b/MyStats", "/tmp/Mine.txt", "/tmp/Any"})
        Prompt::queueText(QString::fromLatin1(answer));
    const QString dat = QStringLiteral("Data Files (*.dat)|*.dat");
    QCOMPARE(Prompt::saveFile(QString(), QString(), dat), QStringLiteral("/tmp/a.b/MyStats.dat"));
    QCOMPARE(Prompt::saveFile(QString(), QString(), dat), QStringLiteral("/tmp/Mine.txt"));
    QCOMPARE(Prompt::saveFile(QString(), QString(), QStringLiteral("All Files (*.*)")), QStringLiteral("/tmp/Any"));
    qputenv("VELQUON_NONINTERACTIVE", "0");
    RecordingBackend backend;
    Prompt::setBackend(&backend);
    QCOMPARE(Prompt::saveFile(QString(), QString(), QStringLiteral("Access Files(*.mdb)")),
             QStringLiteral("/saved.mdb"));
}

QTEST_GUILESS_MAIN(TestPrompt)
#include "test_prompt.moc"
