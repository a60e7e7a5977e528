#include "config/ui/frmActivityLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "support/ResetForTests.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// The activity-log viewer in the running standalone program: the log file as it is written, shown without
// its quotes, copied, wrapped and cleared.
class TestActivityLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void showsTheLogWithoutQuotes();
    void clearDeletesTheFileAndTheNextEventStartsANewOne();
    void clearAskedNoOrWithoutAFileKeepsEverything();
    void copyTakesTheSelection();
    void popupMenuFollowsTheSelection();
    void wordWrapAndPlacementAreKept();
    void aMaximisedWindowKeepsItsNormalPlacement();
    void layoutAtTheBottomRight();
    void windowMenuItem();
    void hintsFollowTheOption();
    void largeLogShowsItsNewestLinesAtOnce();
    void logMovesAsideAtItsBound();

private:
    frmActivityLog* open();
    template <typename T>
    T* part(const char* name) const
    {
        return ui::findByName<T>(frmActivityLog::instance(false), QLatin1String(name));
    }
    QString shown() const { return part<QTextEdit>("rtbActivity")->toPlainText(); }
    void logAt(const QDateTime& when, const QString& text)
    {
        Clock::setNow(when);
        AddEvent(text);
    }

    StandaloneSession m_session;
};

void TestActivityLog::init()
{
    QVERIFY(m_session.start());
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    QFile::remove(frmActivityLog::logPath());
    resetActivityLogState();
}

void TestActivityLog::cleanup() { m_session.stop(); }

frmActivityLog* TestActivityLog::open()
{
    if (!S::action(QStringLiteral("mnuWindow(0)"))->isChecked()) {
        const QString problem = ui::tryTrigger(S::window(), QStringLiteral("mnuWindow(0)"));
        if (!problem.isEmpty())
            qWarning("%s", qPrintable(problem));
    }
    return frmActivityLog::instance(false);
}

void TestActivityLog::showsTheLogWithoutQuotes()
{
    logAt(QDateTime(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC), QStringLiteral("Started Velquon"));
    logAt(QDateTime(QDate(2005, 6, 1), QTime(10, 5, 0), Qt::UTC), QStringLiteral("Caller \"Bob\" rang"));
    QFile file(frmActivityLog::logPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\"6/1/2005 10:00:00 AM:  Started Velquon\""));
    file.close();

    frmActivityLog* w = open();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Activity Log"));
    QVERIFY2(shown().contains(QLatin1String("6/1/2005 10:00:00 AM:  Started Velquon")), qPrintable(shown()));
    QVERIFY(shown().contains(QLatin1String("6/1/2005 10:05:00 AM:  Caller Bob rang")));
    QVERIFY(!shown().contains(QLatin1Char('"')));
    // The newest lines are in view: the caret is at the end.
    QCOMPARE(part<QTextEdit>("rtbActivity")->textCursor().position(), shown().size());

    // It shows the file as it was when it opened; a new event appears on the next opening.
    logAt(QDateTime(QDate(2005, 6, 1), QTime(11, 0, 0), Qt::UTC), QStringLiteral("Later event"));
    QVERIFY(!shown().contains(QLatin1String("Later event")));
    w->close();
    open();
    QVERIFY(shown().contains(QLatin1String("Later event")));
}

void TestActivityLog::clearDeletesTheFileAndTheNextEventStartsANewOne()
{
    AddEvent(QStringLiteral("A"));
    frmActivityLog* w = open();
    QVERIFY(shown().contains(QLatin1String(":  A")));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "cmdClear");
    const Prompt::Record asked = Prompt::history().value(0);
    QCOMPARE(asked.text, QStringLiteral("Are you sure you want to permanently clear this log?"));
    QCOMPARE(asked.buttons, int(Prompt::YesNo));
    QCOMPARE(asked.icon, int(Prompt::Exclamation));
    QVERIFY(!QFile::exists(frmActivityLog::logPath()));
    QCOMPARE(shown(), QString());

    AddEvent(QStringLiteral("B"));
    QVERIFY(QFile::exists(frmActivityLog::logPath()));
    w->close();
    open();
    QVERIFY(shown().contains(QLatin1String(":  B")));
    QVERIFY(!shown().contains(QLatin1String(":  A")));
}

void TestActivityLog::clearAskedNoOrWithoutAFileKeepsEverything()
{
    AddEvent(QStringLiteral("kept"));
    frmActivityLog* w = open();
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, "cmdClear");
    QVERIFY(QFile::exists(frmActivityLog::logPath()));
    QVERIFY(shown().contains(QLatin1String("kept")));
    // The pop-up menu's Clear asks the same.
    QFile::remove(frmActivityLog::logPath());
    Prompt::clearHistory();
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuPopupMenuClear");
    QCOMPARE(Prompt::history().size(), 1);
    // Without a file nothing changes, the text shown included.
    QVERIFY(shown().contains(QLatin1String("kept")));
}

void TestActivityLog::copyTakesTheSelection()
{
    AddEvent(QStringLiteral("first line"));
    AddEvent(QStringLiteral("second line"));
    frmActivityLog* w = open();
    QTextEdit* box = part<QTextEdit>("rtbActivity");
    QApplication::clipboard()->setText(QStringLiteral("before"));
    // Nothing selected: the clipboard is left empty.
    TRIGGER(w, "cmdCopy");
    QCOMPARE(QApplication::clipboard()->text(), QString());
    QTextCursor c = box->document()->find(QStringLiteral("second line"));
    QVERIFY(!c.isNull());
    box->setTextCursor(c);
    TRIGGER(w, "cmdCopy");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("second line"));
    box->selectAll();
    TRIGGER(w, "mnuPopupMenuCopy");
    QVERIFY(QApplication::clipboard()->text().contains(QLatin1String("first line\n")));
}

void TestActivityLog::popupMenuFollowsTheSelection()
{
    AddEvent(QStringLiteral("something"));
    frmActivityLog* w = open();
    QTextEdit* box = part<QTextEdit>("rtbActivity");
    QMenu* menu = part<QMenu>("mnuPopupMenu");
    QAction* copy = part<QAction>("mnuPopupMenuCopy");
    QCOMPARE(menu->actions().size(), 3);
    QVERIFY(menu->actions().at(1)->isSeparator());
    QCOMPARE(copy->text(), QStringLiteral("&Copy"));
    QCOMPARE(part<QAction>("mnuPopupMenuClear")->text(), QStringLiteral("C&lear"));
    Q_EMIT box->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(menu->isVisible());
    QVERIFY(!copy->isEnabled());
    menu->hide();
    box->selectAll();
    Q_EMIT box->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(copy->isEnabled());
    menu->hide();
    (void)w;
}

void TestActivityLog::wordWrapAndPlacementAreKept()
{
    frmActivityLog* w = open();
    QTextEdit* box = part<QTextEdit>("rtbActivity");
    QCheckBox* wrap = part<QCheckBox>("chkWordWrap");
    QCOMPARE(wrap->text(), QStringLiteral("&Word Wrap"));
    QVERIFY(!wrap->isChecked());
    QCOMPARE(box->lineWrapMode(), QTextEdit::NoWrap);
    wrap->click();
    QCOMPARE(box->lineWrapMode(), QTextEdit::WidgetWidth);
    w->setGeometry(Twips::toPixels(600), Twips::toPixels(900), Twips::toPixels(7000), Twips::toPixels(3000));
    w->close();
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::WordWrap, QString()), QStringLiteral("True"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Width, QString()),
             QString::number(qRound(Twips::fromPixels(w->width()))));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::WindowState, QString()), QStringLiteral("0"));
    w = open();
    QVERIFY(part<QCheckBox>("chkWordWrap")->isChecked());
    QCOMPARE(part<QTextEdit>("rtbActivity")->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(w->width(), Twips::toPixels(7000));
}

void TestActivityLog::aMaximisedWindowKeepsItsNormalPlacement()
{
    frmActivityLog* w = open();
    w->close();
    const QString width = GetProperty(Section::frmActivityLog, Key::Width, QString());
    const QString top = GetProperty(Section::frmActivityLog, Key::Top, QString());
    w = open();
    w->setWindowState(Qt::WindowMaximized);
    part<QCheckBox>("chkWordWrap")->click();
    w->close();
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::WindowState, QString()), QStringLiteral("2"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::WordWrap, QString()), QStringLiteral("True"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Width, QString()), width);
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Top, QString()), top);
}

void TestActivityLog::layoutAtTheBottomRight()
{
    frmActivityLog* w = open();
    w->resize(Twips::toPixels(9000), Twips::toPixels(4000));
    QPushButton* copy = part<QPushButton>("cmdCopy");
    QPushButton* clear = part<QPushButton>("cmdClear");
    QPushButton* close = part<QPushButton>("cmdClose");
    QCOMPARE(copy->text(), QStringLiteral("&Copy"));
    QCOMPARE(clear->text(), QStringLiteral("C&lear"));
    QCOMPARE(close->text(), QStringLiteral("Clo&se"));
    // Copy, Clear, Close from left to right at the bottom right, the text box above them, the word-wrap box
    // at the bottom left.
    QVERIFY(copy->geometry().right() < clear->x() && clear->geometry().right() < close->x());
    QVERIFY(close->geometry().right() <= w->width());
    QVERIFY(close->geometry().bottom() <= w->height());
    QVERIFY(part<QTextEdit>("rtbActivity")->geometry().bottom() < copy->y());
    QCOMPARE(part<QTextEdit>("rtbActivity")->width(), w->width());
    QVERIFY(part<QCheckBox>("chkWordWrap")->x() < copy->x());
    // It never gets smaller than 1000 x 1500 twips.
    w->resize(10, 10);
    QVERIFY(w->width() >= Twips::toPixels(1000) && w->height() >= Twips::toPixels(1500));
    QVERIFY(part<QTextEdit>("rtbActivity")->height() >= 0);
    const QImage shot = w->grab().toImage();
    QVERIFY(!shot.isNull());
}

void TestActivityLog::windowMenuItem()
{
    QAction* item = S::action(QStringLiteral("mnuWindow(0)"));
    QCOMPARE(item->text(), QStringLiteral("&Activity Log"));
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    frmActivityLog* w = open();
    QVERIFY(item->isChecked());
    QCOMPARE(w->parentWidget(), static_cast<QWidget*>(S::window()));
    TRIGGER(w, "cmdClose");
    QVERIFY(!w->isVisible());
    QVERIFY(!item->isChecked());
    TRIGGER(S::window(), "mnuWindow(0)");
    QVERIFY(w->isVisible());
    TRIGGER(S::window(), "mnuWindow(0)");
    QVERIFY(!w->isVisible());
}

void TestActivityLog::hintsFollowTheOption()
{
    install(gToolTip);
    open();
    QCOMPARE(gToolTip->toolText(part<QWidget>("cmdCopy")),
             QStringLiteral("Clicking this will copy the entire contents of the text box above."));
    QCOMPARE(gToolTip->toolText(part<QWidget>("cmdClear")),
             QStringLiteral("Clicking this will clear the entire text box above and permanantly remove it from the "
                            "hard disk."));
}

// A log of many megabytes opens at once with its newest lines: only its end is read.
void TestActivityLog::largeLogShowsItsNewestLinesAtOnce()
{
    {
        QFile file(frmActivityLog::logPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray line = "\"6/1/2005 10:00:00 AM:  Connection Request By:  127.0.0.1\"\r\n";
        QByteArray block;
        for (int i = 0; i < 1000; ++i)
            block += line;
        while (file.size() < 3 * frmActivityLog::ViewBytes)
            QVERIFY(file.write(block) == block.size());
        QVERIFY(file.write("\"6/1/2005 10:01:00 AM:  the newest line\"\r\n") > 0);
    }
    const qint64 size = QFileInfo(frmActivityLog::logPath()).size();
    open();
    const QString text = shown();
    QVERIFY2(text.size() <= frmActivityLog::ViewBytes + 200, qPrintable(QString::number(text.size())));
    QVERIFY(text.startsWith(QStringLiteral("Only the newest lines of ") + frmActivityLog::logPath() +
                            QStringLiteral(" are shown; the whole file is ") + QString::number(size) +
                            QStringLiteral(" bytes.\n6/1/2005 10:00:00 AM:  Connection Request By:  127.0.0.1\n")));
    QVERIFY(text.endsWith(QStringLiteral("6/1/2005 10:01:00 AM:  the newest line\n")));
    QCOMPARE(part<QTextEdit>("rtbActivity")->textCursor().position(), text.size());
}

// The log never grows past its bound: the full file is moved aside (the one before goes) and a new one
// begins; clearing the log clears both.
void TestActivityLog::logMovesAsideAtItsBound()
{
    const QString path = frmActivityLog::logPath();
    const QString older = path + QStringLiteral(".1");
    auto fill = [&](char mark) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write(QByteArray(ActivityLogMaxBytes, mark)) == ActivityLogMaxBytes);
    };
    fill('a');
    AddEvent(QStringLiteral("first after the bound"));
    QCOMPARE(QFileInfo(older).size(), ActivityLogMaxBytes);
    QVERIFY(QFileInfo(path).size() < 200);
    fill('b');
    AddEvent(QStringLiteral("second after the bound"));
    QFile kept(older);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.read(1), QByteArray("b"));
    kept.close();
    open();
    QVERIFY(shown().contains(QLatin1String(":  second after the bound")));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(frmActivityLog::instance(false), "cmdClear");
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFile::exists(older));
}

QTEST_MAIN(TestActivityLog)
#include "test_activitylog.moc"
