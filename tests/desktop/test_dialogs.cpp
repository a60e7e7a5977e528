#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <optional>

#include "app/StartupWindows.h"
#include "capture/clsVolume.h"
#include "config/ui/frmFind.h"
#include "contacts/ui/frmContacts.h"
#include "contacts/ui/frmFindContact.h"
#include "core/Globals.h"
#include "core/Processing.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallListView.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "platform/ui/KeepInSight.h"
#include "platform/ui/ModalDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "popup/MiniDisplay.h"
#include "popup/PopupVibrator.h"
#include "popup/ui/frmMiniDisplay.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmCustomizeTime.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/CallerRecords.h"
#include "support/FakeModem.h"
#include "support/ManyCalls.h"
#include "support/QueuedMarker.h"
#include "support/ScriptedServer.h"
#include "support/ui/ClientSession.h"
#include "support/ui/NamedText.h"
#include "support/ui/StandaloneSession.h"
#include "support/ui/X11Desktop.h"

// The program's boxes, dialogs and windows on a real display with a window manager, as a user meets them: each
// box above the window it belongs to, one at a time, a file dialog that lists the files its filter names, and
// windows that keep their place, their shortcuts and the mouse.
class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void startNoticesComeOneAtATimeAboveTheMainWindow();
    void theStatisticsFileDialogListsItsDataFiles();
    void theGroupEditorStaysAboveTheBookWhileAColourIsChosen();
    void thePopupOpensWhereItWasLeftRestartAfterRestart();
    void thePopupACallShowsStaysWhereItWasLeftRestartAfterRestart();
    void applyingAlwaysOnTopLeavesTheDialogAndTheMouseWorking();
    void aWindowsIdStaysTrueWhenItsOnTopStateChanges();
    void theContactBooksShortcutsActInItOpenedFromTheMainWindow();
    void noHintTipComesOverThePopupsMenu();
    void theBookIsActiveAgainOnceItsBoxCloses();
    void aBoxBelongsToTheWindowThatAskedForIt();
    void aBoxClosedWhileAnotherProgramHasTheKeyboardLeavesItThere();
    void theSearchWindowTakesEnterAndEscape();
    void theEndOfATaskLeavesTheKeyboardWhereItIs();
    void theCustomPeriodWindowHasTheKeyboardAtOnce();
    void aNoticeDuringATaskLeavesItsStopInSight();
    void thePopupKeepsItsPlaceOverModeSwitches();
    void thePopupNeverTakesTheKeyboard();
    void escapeAndTheCloseBoxOfATasksWindowStopItsTask_data();
    void escapeAndTheCloseBoxOfATasksWindowStopItsTask();
    void noWindowOfOursIsUnderThePopup_data();
    void noWindowOfOursIsUnderThePopup();
    void theEndOfATaskGivesTheKeyboardBackWhereItWas_data();
    void theEndOfATaskGivesTheKeyboardBackWhereItWas();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QList<QMessageBox*> openBoxes();
    // The program started quietly (its start-up notices answered), with calls from ANN and BOB in its log.
    bool startWithTwoCalls();
    // Runs what once the next modal dialog is up (another than except), from the event loop.
    void whenModal(std::function<void(QWidget*)> what, const QWidget* except = nullptr);
    // Deletes every call the list shows, without the question, and runs during within the deletion's first step
    // (which waits for it, however fast the machine is), with the deletion's progress window on the screen.
    void deleteAllWhile(const std::function<void(frmProcessing*)>& during);
    // Adds count calls from now to the log.
    static void addCalls(int count);
    // Where the pop-up opens: place, given in pixels as its settings keep it.
    static void placePopup(const QRect& place);
    // Shows the pop-up (Window > Mini Display) at place.
    static frmMiniDisplay* showPopupAt(const QRect& place);
    // Whether window, once on the screen in its frame, stands clear of the pop-up or above it.
    static bool clearOfThePopup(QWidget* window);
    // The fake modem on the program's port, opened: calls can ring.
    bool modemOnThePort();

    WidgetPrompt m_prompt;
    QByteArray m_noninteractive;
    StandaloneSession m_session;
    std::unique_ptr<FakeModem> m_modem;
    QTimer m_poll;
    // For each box as it was shown: whether the main window was up then, and how many other boxes were open.
    QList<bool> m_mainShownFirst;
    QList<int> m_boxesAtShow;
    // Runs, once, within the first step of the next task whose progress window shows with that caption.
    QString m_progressCaption;
    std::function<void(frmProcessing*)> m_duringProgress;
    // The captions of the progress windows shown, in order.
    QStringList m_progressShown;
    // For each window of ours as the window manager first put it on the screen while the pop-up was there: whether
    // it stood clear of the pop-up then.
    QHash<WId, bool> m_clearWhenMapped;
    // Runs as each window of ours is put on the screen, until it says it is done.
    std::function<bool(QWindow*)> m_asAWindowMaps;
    // Raises of the progress windows.
    int m_progressRaises = 0;
};

void TestDialogs::initTestCase()
{
    registerStartupWindows();
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    qApp->installEventFilter(this);
}

void TestDialogs::init()
{
    m_noninteractive = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    Prompt::setBackend(&m_prompt);
    m_mainShownFirst.clear();
    m_boxesAtShow.clear();
    m_clearWhenMapped.clear();
    m_asAWindowMaps = {};
    m_progressRaises = 0;
}

void TestDialogs::cleanup()
{
    m_poll.stop();
    m_poll.disconnect();
    m_duringProgress = {};
    for (QMessageBox* box : openBoxes())
        delete box;
    m_session.stop();
    m_modem.reset();
    Prompt::setBackend(nullptr);
    qputenv("VELQUON_NONINTERACTIVE", m_noninteractive);
}

bool TestDialogs::startWithTwoCalls()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    const bool started = m_session.start();
    qunsetenv("VELQUON_NONINTERACTIVE");
    for (const char* name : {"ANN", "BOB"}) {
        clsCaller c;
        c.Name = QLatin1String(name);
        c.CallerDate = DateText::format(Clock::now());
        AddCaller(c);
    }
    return started;
}

bool TestDialogs::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(watched)) {
        const QWidget* main = StandaloneSession::window();
        m_mainShownFirst << (main && main->isVisible());
        QList<QMessageBox*> others = openBoxes();
        others.removeAll(qobject_cast<QMessageBox*>(watched));
        m_boxesAtShow << int(others.size());
    }
    if (auto* progress = qobject_cast<frmProcessing*>(watched); progress && event->type() == QEvent::Show)
        m_progressShown << progress->caption();
    if (event->type() == QEvent::Expose && watched->isWindowType() && static_cast<QWindow*>(watched)->isExposed()) {
        const QWidget* popup = frmMiniDisplay::instance(false);
        if (m_asAWindowMaps && m_asAWindowMaps(static_cast<QWindow*>(watched)))
            m_asAWindowMaps = {};
        if (popup && popup->isVisible() && popup->windowHandle() != watched) {
            for (const QWidget* w : QApplication::topLevelWidgets())
                if (w->windowHandle() == watched && !m_clearWhenMapped.contains(w->winId()))
                    m_clearWhenMapped.insert(
                        w->winId(),
                        !X11Desktop::frameOnScreen(w->winId()).intersects(X11Desktop::frameOnScreen(popup->winId())));
        }
    }
    if (event->type() == QEvent::ZOrderChange && qobject_cast<frmProcessing*>(watched))
        ++m_progressRaises;
    if (auto* progress = qobject_cast<frmProcessing*>(watched);
        progress && event->type() == QEvent::Show && m_duringProgress && progress->caption() == m_progressCaption)
        QTimer::singleShot(
            0, this, [this, during = std::exchange(m_duringProgress, {}), progress = QPointer(progress)]() mutable {
                // A task over at once (nothing to compute) is not the one meant: the one of that
                // caption on show now is, or else the next.
                if (!progress || !progress->isVisible()) {
                    progress = nullptr;
                    for (QWidget* w : FindForms(QStringLiteral("frmProcessing")))
                        if (auto* p = qobject_cast<frmProcessing*>(w);
                            p && p->isVisible() && p->caption() == m_progressCaption)
                            progress = p;
                }
                if (progress)
                    during(progress);
                else if (!m_duringProgress)
                    m_duringProgress = during;
            });
    return QObject::eventFilter(watched, event);
}

QList<QMessageBox*> TestDialogs::openBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes << box;
    return boxes;
}

void TestDialogs::whenModal(std::function<void(QWidget*)> what, const QWidget* except)
{
    m_poll.disconnect();
    m_poll.setInterval(20);
    // Held by a guarded pointer: the next dialog may be made where the one left out was, once that is deleted.
    connect(&m_poll, &QTimer::timeout, this, [this, what, except = QPointer<const QWidget>(except)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == except)
            return;
        m_poll.stop();
        what(modal);
    });
    m_poll.start();
}

void TestDialogs::deleteAllWhile(const std::function<void(frmProcessing*)>& during)
{
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    frmBaseMain* main = StandaloneSession::window();
    main->RefreshGrid();
    StandaloneSession::grid()->setRow(1);
    StandaloneSession::grid()->setRowSel(StandaloneSession::grid()->Rows() - 1);
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        ran = true;
        // The deletion's own, not one a refill of the list just closed.
        frmProcessing* progress = nullptr;
        for (QWidget* w : FindForms(QStringLiteral("frmProcessing")))
            if (auto* p = qobject_cast<frmProcessing*>(w); p && p->isVisible() && p->caption() == "Processing...")
                progress = p;
        QVERIFY(progress && QTest::qWaitForWindowExposed(progress));
        during(progress);
    });
    TRIGGER(main, "mnuEditDelete");
    QVERIFY(ran);
}

// A fresh start on a desktop without a sound server has two things to say: no mixer, and new databases.
// Before, the first opened before the main window and stayed hidden behind it, and the two came up at once.
void TestDialogs::startNoticesComeOneAtATimeAboveTheMainWindow()
{
    QVERIFY(m_session.start());
    QWidget* main = StandaloneSession::window();
    QVERIFY(QTest::qWaitForWindowExposed(main));

    QStringList seen;
    for (int i = 0; i < 2; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(openBoxes().size(), 1, 10000);
        QMessageBox* box = openBoxes().first();
        seen << box->text();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QCOMPARE(box->windowHandle()->transientParent(), main->windowHandle());
        // It shows the program's icon, not the desktop's generic one.
        QCOMPARE(box->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QVERIFY(!box->windowIcon().isNull());
        // The window manager stacks it above the main window.
        QTRY_VERIFY_WITH_TIMEOUT(
            X11Desktop::stackPlace(box) > X11Desktop::stackPlace(main) && X11Desktop::stackPlace(main) >= 0, 10000);
        QPointer<QMessageBox> closing = box;
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!closing);
    }
    QCOMPARE(seen.value(0), clsVolume::noMixerText());
    QVERIFY2(seen.value(1).startsWith(QLatin1String("The caller and contact databases could not be found.")),
             qPrintable(seen.value(1)));
    QCOMPARE(m_mainShownFirst, (QList<bool>{true, true}));
    QCOMPARE(m_boxesAtShow, (QList<int>{0, 0}));
    // Nothing more was waiting: a box asked now opens at once, over the main window.
    main->activateWindow();
    whenModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(Prompt::message(QStringLiteral("Done.")), Prompt::Ok);
    QCOMPARE(m_boxesAtShow.size(), 3);
}

// The statistics window's file commands write their filter in the older "text|pattern" form; the dialog
// must still list the data files of the folder, and only those.
void TestDialogs::theStatisticsFileDialogListsItsDataFiles()
{
    qputenv("VELQUON_NONINTERACTIVE", "1"); // start-up's own notices are not what this test looks at
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    const QString folder = programFolder();
    for (const char* name : {"Office.dat", "notes.txt"}) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"x\"\r\n");
    }
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(StandaloneSession::window());
    QVERIFY(QTest::qWaitForWindowExposed(w));

    QStringList listed;
    QString filterShown;
    bool sawDialog = false;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        sawDialog = true;
        filterShown = dialog->selectedNameFilter();
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(view);
        // The dialog reads its folder in the background.
        auto names = [view] {
            QStringList out;
            const QAbstractItemModel* model = view->model();
            for (int r = 0; r < model->rowCount(view->rootIndex()); ++r)
                out << model->index(r, 0, view->rootIndex()).data().toString();
            return out;
        };
        QTRY_VERIFY_WITH_TIMEOUT(names().contains(QStringLiteral("Office.dat")), 10000);
        listed = names();
        dialog->reject();
    });
    TRIGGER(w, "mnuFileChange");
    QVERIFY(sawDialog);
    QCOMPARE(filterShown, QStringLiteral("Data File (*.dat)"));
    QVERIFY2(listed.contains(QStringLiteral("Office.dat")), qPrintable(listed.join(QLatin1Char(','))));
    QVERIFY2(!listed.contains(QStringLiteral("notes.txt")), qPrintable(listed.join(QLatin1Char(','))));
    w->close();
}

// The colour dialog of the attribute-group editor belongs to the editor, and the editor to the contact book:
// while the colour is chosen, neither drops below the window it belongs to.
void TestDialogs::theGroupEditorStaysAboveTheBookWhileAColourIsChosen()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    frmContacts* book = frmContacts::instance();
    book->show();
    QVERIFY(QTest::qWaitForWindowExposed(book));

    QStringList order;
    whenModal([&](QWidget* editor) {
        order << editor->objectName();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        whenModal(
            [&, editor](QWidget* colour) {
                order << QString::fromLatin1(colour->metaObject()->className());
                QVERIFY(QTest::qWaitForWindowExposed(colour));
                QCOMPARE(colour->windowHandle()->transientParent(), editor->windowHandle());
                QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::stackPlace(colour) > X11Desktop::stackPlace(editor) &&
                                             X11Desktop::stackPlace(editor) > X11Desktop::stackPlace(book) &&
                                             X11Desktop::stackPlace(book) >= 0,
                                         10000);
                static_cast<QDialog*>(colour)->reject();
            },
            editor);
        auto* button = ui::findByName<QAbstractButton>(editor, QStringLiteral("picColor"));
        QVERIFY(button);
        button->click();
        // Back from the colour dialog: the editor is still above the book.
        QVERIFY(X11Desktop::stackPlace(editor) > X11Desktop::stackPlace(book));
        static_cast<QDialog*>(editor)->reject();
    });
    TRIGGER(book, "cmdAddAttributeGroup");
    QCOMPARE(order, (QStringList{QStringLiteral("frmAddAttributeGroup"), QStringLiteral("QColorDialog")}));
    book->close();
}

// The pop-up opens where it was left, start after start, also when it must first widen to its least width (as
// the first run's size asks). Before, it widened before the window manager had framed it, which put the client
// area where the frame belongs, a title bar lower; the place saved on the way out then fell back up by as much.
void TestDialogs::thePopupOpensWhereItWasLeftRestartAfterRestart()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    const QString section = QString::fromLatin1(Section::frmMiniDisplay);
    const QString left = QString::number(Twips::fromPixels(300));
    const QString top = QString::number(Twips::fromPixels(160));
    // The first run's Width and Height.
    for (auto [key, value] : {std::pair{Key::Left, left},
                              {Key::Top, top},
                              {Key::Width, QStringLiteral("3500")},
                              {Key::Height, QStringLiteral("1900")}})
        SaveProperty(section, key, value);
    for (int start = 0; start < 4; ++start) {
        if (start > 0) {
            TRIGGER(StandaloneSession::window(), "mnuFileExit");
            QCOMPARE(GetProperty(section, Key::Left, QString()), left);
            QCOMPARE(GetProperty(section, Key::Top, QString()), top);
            QVERIFY(m_session.restart());
        }
        TRIGGER(StandaloneSession::window(), "mnuWindow(6)");
        QWidget* popup = frmMiniDisplay::instance(false);
        QVERIFY(popup && QTest::qWaitForWindowExposed(popup));
        QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::frameOnScreen(popup->winId()).topLeft(), QPoint(300, 160), 10000);
    }
}

// A call shows the pop-up where it was left, start after start, and its shake ends there. Before, the shake's
// first move came before the window manager had framed the window, which put the client area where the frame
// belongs, a title bar lower; the shake took that for a drag and stayed there, and the place saved on the way
// out crept upward by as much at every start.
void TestDialogs::thePopupACallShowsStaysWhereItWasLeftRestartAfterRestart()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    m_modem = std::make_unique<FakeModem>();
    QVERIFY(m_session.start());
    const QString section = QString::fromLatin1(Section::frmMiniDisplay);
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    SaveProperty(section, Key::VibrateDuration, QStringLiteral("20"));
    SaveProperty(section, Key::Left, QString::number(Twips::fromPixels(300)));
    SaveProperty(section, Key::Top, QString::number(Twips::fromPixels(160)));
    QPoint client;
    for (int start = 0; start < 3; ++start) {
        if (start > 0) {
            TRIGGER(StandaloneSession::window(), "mnuFileExit");
            QVERIFY(m_session.restart());
        }
        StandaloneSession::port()->OpenPort(true);
        QVERIFY(StandaloneSession::port()->ModemConnected);
        // Made before the call, so the end of its shake can be awaited; the call shows it.
        frmMiniDisplay* popup = frmMiniDisplay::instance();
        QSignalSpy shaken(ui::findByName<PopupVibrator>(popup, QStringLiteral("VibrateTimer")),
                          &PopupVibrator::finished);
        m_modem->injectLine(QStringLiteral("RING"));
        QVERIFY(shaken.count() == 1 || shaken.wait(X11Desktop::kPatience));
        QVERIFY(popup->isVisible());
        // The move home went out before the shake said it had ended; the window manager acts on it in its turn.
        QVERIFY(X11Desktop::windowManagerCaughtUp());
        QCOMPARE(X11Desktop::frameOnScreen(popup->winId()).topLeft(), QPoint(300, 160));
        if (start == 0)
            client = X11Desktop::clientOnScreen(popup->winId());
        QCOMPARE(X11Desktop::clientOnScreen(popup->winId()), client);
    }
}

// Apply with "Always On Top" changed: the dialog stays open, and once it is closed a click in the call list
// selects the row clicked. Before, Apply re-made the native window of every loaded form, its own among them,
// inside its own click: the dialog vanished and no mouse click reached any window afterwards.
void TestDialogs::applyingAlwaysOnTopLeavesTheDialogAndTheMouseWorking()
{
    QVERIFY(startWithTwoCalls());
    frmBaseMain* main = StandaloneSession::window();
    main->RefreshGrid();
    CallListView* list = StandaloneSession::grid()->innerGrid();
    QVERIFY(QTest::qWaitForWindowActive(main) && list->model()->rowCount() >= 2);
    bool stayedOpen = false;
    whenModal([&](QWidget* dialog) {
        // Closed whatever happens here, so a failed check does not leave the modal loop running.
        const std::unique_ptr<QWidget, void (*)(QWidget*)> closing(dialog, [](QWidget* d) { d->close(); });
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const WId shown = dialog->winId();
        for (const char* name : {"chkOnTop", "cmdApply"}) {
            auto* button = ui::findByName<QAbstractButton>(dialog, QLatin1String(name));
            QVERIFY(X11Desktop::clickAt(button, QPoint(8, button->height() / 2)));
            QTRY_VERIFY(!button->isDown());
        }
        QTRY_COMPARE(GetProperty(Section::frmConfiguration, Key::OnTop, QString()), QStringLiteral("True"));
        // Still the window the user clicked in, never taken down and made again.
        stayedOpen = QApplication::activeModalWidget() == dialog && X11Desktop::viewable(shown);
        auto* cancel = ui::findByName<QAbstractButton>(dialog, QStringLiteral("cmdCancel"));
        QVERIFY(X11Desktop::clickAt(cancel, cancel->rect().center()));
        QTRY_VERIFY(!dialog->isVisible());
    });
    TRIGGER(main, "mnuOptionsConfiguration");
    QVERIFY(stayedOpen);
    QVERIFY(main->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    const QPoint second = list->visualRect(list->model()->index(1, 0)).center();
    QVERIFY(X11Desktop::clickAt(list->viewport(), second));
    QTRY_COMPARE(StandaloneSession::grid()->Row(), 2);
}

// A window whose on-top state changed, shown or hidden, still has the id of its window on the screen once it is
// hidden and shown again (as the main window is, to the tray and back). Before, the window system made the window
// anew at that show, and the id named one that was gone.
void TestDialogs::aWindowsIdStaysTrueWhenItsOnTopStateChanges()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    frmContacts* book = frmContacts::instance();
    book->show();
    QVERIFY(QTest::qWaitForWindowExposed(book));
    for (const bool shown : {true, false}) {
        SaveProperty(Section::frmConfiguration, Key::OnTop, boolText(shown));
        book->setVisible(shown);
        SetOnTop(book, false);
        book->hide();
        book->show();
        QVERIFY(QTest::qWaitForWindowExposed(book));
        QCOMPARE(book->winId(), book->windowHandle()->winId());
        QTRY_VERIFY(X11Desktop::viewable(book->winId()));
    }
}

// The contact book opened from the main window (Window > Contacts), as a user has it: its shortcuts act in it,
// those the main window has too included. Before, the main window's shortcuts worked in the tool windows it owns
// as well, and a key both had was ambiguous in the book: it did nothing there.
void TestDialogs::theContactBooksShortcutsActInItOpenedFromTheMainWindow()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    clsContact john;
    john.Name = QStringLiteral("John");
    john.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 123-4567"), QString()));
    QVERIFY(AddContact(john));
    UpdateContactCollection();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous shortcut")));
    TRIGGER(StandaloneSession::window(), "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QTRY_COMPARE(QApplication::activeWindow(), book);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("ctrl+f")}));
    QTRY_VERIFY(frmFindContact::instance(false) && frmFindContact::instance(false)->isVisible());
    // The find window stands over the name box until the window manager has let go of it; the click waits.
    const WId find = frmFindContact::instance(false)->winId();
    QTRY_VERIFY(X11Desktop::stacking().contains(find));
    frmFindContact::instance(false)->close();
    QTRY_VERIFY(!X11Desktop::stacking().contains(find) &&
                X11Desktop::stackPlace(book) > X11Desktop::stackPlace(StandaloneSession::window()));
    auto* name = ui::findByName<QLineEdit>(book, QStringLiteral("txtName"));
    QVERIFY(X11Desktop::clickAt(name, name->rect().center()));
    QTRY_VERIFY(name->hasFocus() && QApplication::activeWindow() == book);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("End"), QStringLiteral("y"), QStringLiteral("ctrl+s")}));
    QTRY_COMPARE(GetContact(QStringLiteral("Johny"))->Name, QStringLiteral("Johny"));
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("ctrl+r")}));
    QTRY_COMPARE(gContacts.count(), 0);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("ctrl+a"), QStringLiteral("z")}));
    QTRY_COMPARE(name->text(), QStringLiteral("z"));
}

// With hints on, a right click on the pop-up opens its menu, and the tip the mouse asked for on its way in
// does not come over the menu. Before, it came once its delay was over and hid the menu's first items.
void TestDialogs::noHintTipComesOverThePopupsMenu()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    TRIGGER(StandaloneSession::window(), "mnuWindow(6)");
    QWidget* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && QTest::qWaitForWindowExposed(popup));
    auto* name = ui::findByName<QWidget>(popup, QStringLiteral("lblName"));
    QVERIFY(X11Desktop::clickAt(name, name->rect().center(), 3));
    QTRY_VERIFY(QApplication::activePopupWidget());
    // The tip asked for on the way in has come, or will not come any more.
    QTRY_VERIFY(!gToolTip->DelayTimer.isActive());
    QVERIFY(waitForQueuedMarker());
    QVERIFY(QApplication::activePopupWidget() && !gToolTip->isTipShown());
    QApplication::activePopupWidget()->close();
}

// The contact book opened from the main window, a number added with the keyboard alone: once its box has closed
// the book is the active window again, and Ctrl+S saves the contact there. Before, the window manager gave the
// keyboard to the main window, where Ctrl+S opened the statistics window and the contact stayed unsaved.
void TestDialogs::theBookIsActiveAgainOnceItsBoxCloses()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    clsContact john;
    john.Name = QStringLiteral("John");
    john.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 123-4567"), QString()));
    QVERIFY(AddContact(john));
    UpdateContactCollection();
    TRIGGER(StandaloneSession::window(), "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QTRY_COMPARE(QApplication::activeWindow(), book);
    QTRY_COMPARE(ui::textOf(book, QStringLiteral("txtName")), QStringLiteral("John"));
    bool typed = false;
    whenModal([&](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("frmAddNumber"));
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QStringList keys = QStringLiteral("5559876543").split(QString(), Qt::SkipEmptyParts);
        typed = X11Desktop::pressKeys(keys << QStringLiteral("Return"));
    });
    auto* add = ui::findByName<QAbstractButton>(book, QStringLiteral("cmdAddNumber"));
    QVERIFY(X11Desktop::clickAt(add, add->rect().center()));
    QTRY_VERIFY(typed && !QApplication::activeModalWidget());
    QTRY_COMPARE(QApplication::activeWindow(), book);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("ctrl+s")}));
    QTRY_COMPARE(GetContact(QStringLiteral("John"))->Numbers.count(), 2);
    QVERIFY(!frmStatistics::instance(false) || !frmStatistics::instance(false)->isVisible());
    // The book's own tool window, Find Contact, closed with its Close button.
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("ctrl+f")}));
    QTRY_VERIFY(frmFindContact::instance(false) && QApplication::activeWindow() == frmFindContact::instance(false));
    auto* close = ui::findByName<QAbstractButton>(frmFindContact::instance(false), QStringLiteral("cmdClose"));
    QVERIFY(X11Desktop::clickAt(close, close->rect().center()));
    QTRY_VERIFY(!frmFindContact::instance(false));
    QTRY_COMPARE(QApplication::activeWindow(), book);
}

// Statistics > Change file..., the file already loaded chosen: the box that says so belongs to the statistics
// window, and once it is answered the statistics window is the active one. Before, the box was the main window's:
// it raised the main window over the statistics window and left it buried.
void TestDialogs::aBoxBelongsToTheWindowThatAskedForIt()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    QVERIFY(RefreshStatsFile());
    TRIGGER(StandaloneSession::window(), "mnuWindow(2)");
    QTRY_COMPARE(QApplication::activeWindow(), frmContacts::instance(false));
    TRIGGER(StandaloneSession::window(), "mnuWindow(4)");
    frmStatistics* stats = frmStatistics::instance(false);
    QVERIFY(stats);
    QTRY_COMPARE(QApplication::activeWindow(), stats);
    QWindow* owner = nullptr;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        dialog->selectFile(StatsFilePath());
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        whenModal(
            [&](QWidget* box) {
                owner = box->windowHandle()->transientParent();
                QAbstractButton* cancel = qobject_cast<QMessageBox*>(box)->button(QMessageBox::Cancel);
                QVERIFY(QTest::qWaitForWindowExposed(box));
                QVERIFY(X11Desktop::clickAt(cancel, cancel->rect().center()));
            },
            dialog);
        QVERIFY(X11Desktop::pressKeys({QStringLiteral("Return")}));
    });
    TRIGGER(stats, "mnuFileChange");
    QCOMPARE(owner, stats->windowHandle());
    QTRY_COMPARE(QApplication::activeWindow(), stats);
}

// A box whose keyboard the user gave to another program, closed from there: the keyboard stays where the user put
// it. Before, the window that had opened the box took it back at once.
void TestDialogs::aBoxClosedWhileAnotherProgramHasTheKeyboardLeavesItThere()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    QTRY_COMPARE(QApplication::activeWindow(), StandaloneSession::window());
    X11Desktop::OtherProgram other;
    whenModal([&](QWidget* box) {
        QTRY_COMPARE(QApplication::activeWindow(), box);
        QVERIFY(X11Desktop::giveKeyboardTo(other.window));
        // The program knows that none of its windows has the keyboard.
        QTRY_VERIFY(!QGuiApplication::focusWindow());
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    Prompt::message(QStringLiteral("Done."));
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    QCOMPARE(X11Desktop::inputFocus(), WId(other.window));
}

// The search window opened from the main window, used with the keyboard alone: a name typed in its name box and
// Enter run Find, the default button; Escape is Cancel and closes the window. Before, neither key did anything.
void TestDialogs::theSearchWindowTakesEnterAndEscape()
{
    QVERIFY(startWithTwoCalls());
    StandaloneSession::window()->RefreshGrid();
    TRIGGER(StandaloneSession::window(), "mnuWindow(3)");
    frmFind* find = frmFind::instance(false);
    QVERIFY(find);
    QTRY_COMPARE(QApplication::activeWindow(), find);
    QVERIFY(X11Desktop::pressKeys(
        {QStringLiteral("A"), QStringLiteral("N"), QStringLiteral("N"), QStringLiteral("Return")}));
    QTRY_COMPARE(ui::textOf(find, QStringLiteral("lblRecords")), QStringLiteral("1"));
    QCOMPARE(StandaloneSession::grid()->innerGrid()->model()->rowCount(), 1);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("Escape")}));
    QTRY_VERIFY(!find->isVisible());
}

// A deletion ends while the user works in another program: the keyboard stays there, and none of the program's
// windows comes up over that program. Before, the main window was raised and made active as the progress window
// closed, and the next keys went to the call list. A user who stayed with the program keeps the keyboard in it.
void TestDialogs::theEndOfATaskLeavesTheKeyboardWhereItIs()
{
    QVERIFY(startWithTwoCalls());
    frmBaseMain* main = StandaloneSession::window();
    QTRY_COMPARE(QApplication::activeWindow(), main);
    deleteAllWhile([](frmProcessing*) {});
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    QTRY_COMPARE(QApplication::activeWindow(), main);

    for (const char* name : {"CAROL", "DAN"}) {
        clsCaller c;
        c.Name = QLatin1String(name);
        c.CallerDate = DateText::format(Clock::now());
        AddCaller(c);
    }
    X11Desktop::OtherProgram other;
    deleteAllWhile([&](frmProcessing*) {
        QVERIFY(X11Desktop::giveKeyboardTo(other.window));
        // The program knows that none of its windows has the keyboard.
        QTRY_VERIFY(!QGuiApplication::focusWindow());
    });
    QCOMPARE(StandaloneSession::grid()->Rows(), 1);
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    QCOMPARE(X11Desktop::inputFocus(), WId(other.window));
    QCOMPARE(X11Desktop::activeWindow(), WId(other.window));
    QVERIFY(X11Desktop::stacking().indexOf(other.window) > X11Desktop::stackPlace(main));
}

// View > Custom..., and the date typed at once goes into its first field. Before, the window opened without the
// keyboard, and the keys went to the call list.
void TestDialogs::theCustomPeriodWindowHasTheKeyboardAtOnce()
{
    QVERIFY(startWithTwoCalls());
    frmBaseMain* main = StandaloneSession::window();
    QTRY_COMPARE(QApplication::activeWindow(), main);
    TRIGGER(main, "mnuViewTime(14)");
    frmCustomizeTime* custom = frmCustomizeTime::instance(false);
    QVERIFY(custom && custom->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), custom, 10000);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("1")}));
    QTRY_COMPARE(ui::textOf(custom, QStringLiteral("cboStartingDate")), QStringLiteral("1"));
    custom->close();
}

// Clear Log while a deletion runs: the notice that refuses it leaves the progress window's Stop in sight, and a
// click on Stop stops the deletion. Before, the notice opened exactly over the progress window.
void TestDialogs::aNoticeDuringATaskLeavesItsStopInSight()
{
    QVERIFY(startWithTwoCalls());
    bool stopped = false;
    deleteAllWhile([&](frmProcessing* progress) {
        TRIGGER(StandaloneSession::window(), "mnuEditClear");
        QTRY_COMPARE(openBoxes().size(), 1);
        QMessageBox* notice = openBoxes().first();
        QVERIFY2(notice->text().contains(QLatin1String("is still running")), qPrintable(notice->text()));
        QVERIFY(QTest::qWaitForWindowExposed(notice));
        QVERIFY(X11Desktop::windowManagerCaughtUp());
        auto* stop = ui::findByName<QPushButton>(progress, QStringLiteral("cmdStop"));
        const QRect stopOnScreen(stop->mapToGlobal(QPoint(0, 0)), stop->size());
        const QRect noticeOnScreen = X11Desktop::frameOnScreen(notice->winId());
        QVERIFY2(!noticeOnScreen.intersects(stopOnScreen) ||
                     X11Desktop::stackPlace(progress) > X11Desktop::stackPlace(notice),
                 qPrintable(QStringLiteral("Stop at %1,%2, the notice at %3,%4 %5x%6")
                                .arg(stopOnScreen.x())
                                .arg(stopOnScreen.y())
                                .arg(noticeOnScreen.x())
                                .arg(noticeOnScreen.y())
                                .arg(noticeOnScreen.width())
                                .arg(noticeOnScreen.height())));
        QVERIFY(X11Desktop::clickAt(stop, stop->rect().center()));
        QTRY_VERIFY(stopped = progress->StopProcessing());
        notice->button(QMessageBox::Ok)->click();
    });
    QVERIFY(stopped);
}

// The pop-up on show, never moved by the user, over four switches of the mode (standalone, client, standalone,
// client), each made while it shakes for a call: it comes back where it was each time, to the pixel, and its saved
// place stays. Before, the switch saved the place while the move home from the shake was on its way, where the
// window system still had the frame's place as the window's own, and the pop-up crept up by a title bar each time.
void TestDialogs::thePopupKeepsItsPlaceOverModeSwitches()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    ScriptedServer server;
    const QString section = QString::fromLatin1(Section::frmMiniDisplay);
    const QString left = QString::number(Twips::fromPixels(300));
    const QString top = QString::number(Twips::fromPixels(160));
    for (auto [key, value] : {std::pair{Key::Left, left},
                              {Key::Top, top},
                              {Key::Width, QStringLiteral("3500")},
                              {Key::Height, QStringLiteral("1900")},
                              {Key::VibrateDuration, QStringLiteral("30000")}})
        SaveProperty(section, key, value);
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    // No modem here: standalone again, the program finds none at once rather than waiting for one to answer.
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_session.home().file(QStringLiteral("no-modem-here")));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.port()));
    const auto popupAt = [] {
        QWidget* popup = frmMiniDisplay::instance(false);
        if (!popup || !QTest::qWaitForWindowExposed(popup) || !X11Desktop::windowManagerCaughtUp())
            return QPoint(-1, -1);
        return X11Desktop::frameOnScreen(popup->winId()).topLeft();
    };
    for (const int mode : {2, 0, 2, 0}) {
        TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuWindow(6)");
        QCOMPARE(popupAt(), QPoint(300, 160));
        // The shake of a ringing call is under way, as the window system has it, when the mode changes.
        frmMiniDisplay* popup = frmMiniDisplay::instance(false);
        popup->Vibrate();
        QVERIFY(QTest::qWaitFor([&] { return popupAt() != QPoint(300, 160); }, X11Desktop::kPatience));
        ModalDialog::queueScript([mode](QDialog& options) {
            ui::findByName<QAbstractButton>(&options, QStringLiteral("optNetworking(%1)").arg(mode))->click();
            TRIGGER(&options, "cmdOK");
        });
        TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuOptionsConfiguration");
        QVERIFY(QTest::qWaitFor([mode] { return gNetworkMode == mode && gMainForm && !gSwitchingMode; },
                                X11Desktop::kPatience));
        QCOMPARE(GetProperty(section, Key::Left, QString()), left);
        QCOMPARE(GetProperty(section, Key::Top, QString()), top);
    }
    TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuWindow(6)");
    QCOMPARE(popupAt(), QPoint(300, 160));
}

void TestDialogs::addCalls(int count)
{
    for (int i = 0; i < count; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.CallerDate = DateText::format(Clock::now());
        AddCaller(c);
    }
}

// The pop-up shows and changes without taking the keyboard, in each mode and after each switch made with the
// options dialog: the main window keeps it, or another program the user went to does, and after a switch the main
// window has it, also when a call rings on the server as the switch is made. A click on the pop-up still gives it
// the keyboard. Before, after a switch to client mode the pop-up a call showed became the active window, over
// another program too, and a switch made while the server's call rang left the pop-up, not the main window, active.
void TestDialogs::thePopupNeverTakesTheKeyboard()
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    ScriptedServer server;
    m_modem = std::make_unique<FakeModem>();
    for (auto [key, value] : {std::pair{Key::LocalPort, QStringLiteral("0")},
                              {Key::CommPort, m_modem->slavePath()},
                              {Key::DialToneTest, QStringLiteral("False")},
                              {Key::RemoteHost, QStringLiteral("127.0.0.1")},
                              {Key::RemotePort, QString::number(server.port())}})
        SaveProperty(Section::frmConfiguration, key, value);
    const auto popup = [] { return frmMiniDisplay::instance(false); };
    const auto popupShown = [&popup] {
        return popup() && popup()->isVisible() && QTest::qWaitForWindowExposed(popup()) &&
               X11Desktop::windowManagerCaughtUp();
    };
    // As the window manager and the program see it, once the window manager has done what was asked of it.
    const auto mainWindowHasTheKeyboard = [] {
        auto* main = dynamic_cast<QWidget*>(gMainForm);
        return main && X11Desktop::windowManagerCaughtUp() && X11Desktop::inputFocus() == main->winId() &&
               QApplication::activeWindow() == main;
    };
    // The mode chosen in the options dialog and OK clicked, as the user does; meanwhile runs before the switch.
    const auto switchWithTheOptions = [this](int mode, const std::function<void()>& meanwhile) {
        whenModal([mode](QWidget* options) {
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), options, X11Desktop::kPatience);
            ui::findByName<QAbstractButton>(options, QStringLiteral("optNetworking(%1)").arg(mode))->click();
            auto* ok = ui::findByName<QAbstractButton>(options, QStringLiteral("cmdOK"));
            QVERIFY(X11Desktop::clickAt(ok, ok->rect().center()));
        });
        TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuOptionsConfiguration");
        meanwhile();
        QVERIFY(QTest::qWaitFor([mode] { return gNetworkMode == mode && gMainForm && !gSwitchingMode; },
                                X11Desktop::kPatience));
    };
    const auto ringHere = [this] {
        QTRY_VERIFY_WITH_TIMEOUT(StandaloneSession::port() && StandaloneSession::port()->ModemConnected,
                                 X11Desktop::kPatience);
        m_modem->injectLine(QStringLiteral("RING"));
    };
    int calls = 0;
    const auto ringOnTheServer = [&] {
        clsCaller c;
        c.ID = ++calls;
        c.Name = QStringLiteral("SERVER CALL %1").arg(calls);
        c.CallerDate = DateText::format(Clock::now());
        server.send(QStringLiteral(";NEW;;INCOMING CALLER;") + c.PrintSend());
        server.send(QStringLiteral(";RING;"));
    };
    // The answer to the pop-up's request for its list.
    const auto answerThePopup = [&] {
        QVERIFY(!server.waitForRequest(QStringLiteral(";MINI DISPLAY;"), X11Desktop::kPatience).isEmpty());
        server.send(QStringLiteral(";MINI DISPLAY;;"));
        QTRY_VERIFY_WITH_TIMEOUT(FindForms(QStringLiteral("frmWaiting")).isEmpty(), X11Desktop::kPatience);
    };

    // Standalone: a call shows the pop-up while the user types in the main window.
    StandaloneSession::port()->OpenPort(true);
    QTRY_VERIFY_WITH_TIMEOUT(mainWindowHasTheKeyboard(), X11Desktop::kPatience);
    ringHere();
    QTRY_VERIFY_WITH_TIMEOUT(popupShown(), X11Desktop::kPatience);
    QVERIFY(mainWindowHasTheKeyboard());

    // To client mode, while a call rings on the server as the client connects: the pop-up shows it and asks the
    // server for its list.
    switchWithTheOptions(2, [&] {
        QVERIFY(server.waitForClient(X11Desktop::kPatience));
        QVERIFY(!server.waitForRequest(QStringLiteral(";MODEMCONNECTION;"), X11Desktop::kPatience).isEmpty());
        server.send(QStringLiteral(";SIZE;0;"));
        server.send(QStringLiteral(";CLEAR CALLERS;"));
        ringOnTheServer();
    });
    QTRY_VERIFY_WITH_TIMEOUT(popupShown(), X11Desktop::kPatience);
    answerThePopup();
    QTRY_VERIFY_WITH_TIMEOUT(mainWindowHasTheKeyboard(), X11Desktop::kPatience);

    // The user works in another program; the pop-up is closed, and the server's next call shows it.
    popup()->close();
    QTRY_VERIFY(!popup());
    X11Desktop::OtherProgram other;
    QVERIFY(X11Desktop::giveKeyboardTo(other.window));
    ringOnTheServer();
    QTRY_VERIFY_WITH_TIMEOUT(popupShown(), X11Desktop::kPatience);
    answerThePopup();
    ringOnTheServer();
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    QCOMPARE(X11Desktop::inputFocus(), WId(other.window));
    QTRY_VERIFY(!QGuiApplication::focusWindow());

    // Back in the main window, to standalone while the server's call still rings; then a call here.
    QVERIFY(X11Desktop::giveKeyboardTo(dynamic_cast<QWidget*>(gMainForm)->winId()));
    ringOnTheServer();
    switchWithTheOptions(0, [] {});
    QTRY_VERIFY_WITH_TIMEOUT(mainWindowHasTheKeyboard(), X11Desktop::kPatience);
    if (frmMiniDisplay* shown = popup())
        shown->close();
    QTRY_VERIFY(!popup());
    ringHere();
    QTRY_VERIFY_WITH_TIMEOUT(popupShown(), X11Desktop::kPatience);
    QVERIFY(mainWindowHasTheKeyboard());

    // A click on the pop-up gives it the keyboard.
    auto* name = ui::findByName<QWidget>(popup(), QStringLiteral("lblName"));
    QVERIFY(X11Desktop::clickAt(name, name->rect().center()));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), popup(), X11Desktop::kPatience);
}

// While a task runs, Escape and the close box of its window do what Stop does: the progress window of a deletion
// stays, with its Stop, until the deletion has stopped at its next step; a client's waiting note for View > All
// asks the server to cancel, and stays until the server has answered. Before, either hid the window while the task
// ran on to its end, with no way left to stop it. A close asked for by the program, not the window system, is Stop
// too: the window never goes while its task runs.
// A server that accepts and never answers: Escape or the close box a second time, or a few seconds on the clock
// after the first with no answer, gives the request up here. The note goes and what it stood for stays as it was
// (the list and its count, the pop-up's list, a Clear Log); the answer that comes late (calls, a count, a failure, a
// confirmation, a list) is dropped, never taken for the answer of a request made since, nor is that answer dropped
// when the late one never comes. The statistics window so given up is released, its grid saying its figures were
// stopped. Before, the note stayed until an answer or a disconnect.
// Escape on the statistics' first progress window on a large log stops the whole computation: the graph that was
// to follow is not computed, and the grid shows the figures it computed and says of every other that it was
// stopped. Before, the graph then ran to its end, and the grid showed blank cells as if complete.
void TestDialogs::escapeAndTheCloseBoxOfATasksWindowStopItsTask_data()
{
    // A progress window's: "deletion", "statistics" (the statistics window opening on a large log); a client's
    // note's: "view" (View > All), "clear" (Clear Log), "pop-up" (the pop-up's list), "client statistics" (the
    // statistics window opening).
    QTest::addColumn<QString>("task");
    // How the window is asked to stop: the user's "Escape" or "close box", or a "close" the program asks for.
    QTest::addColumn<QString>("way");
    // A client's server after the Stop: it "answers"; or it stays silent while the user stops "again" (after it
    // sent a query's "count"), or the "time" for an answer passes, and it answers late, or "refuses" late (a
    // restricted client; the "empty" list of an empty log); or it "drops" the request (on a connection made
    // again, after the first ended with a question unanswered: "reconnect").
    QTest::addColumn<QString>("server");
    const auto row = [](const char* name, const char* task, const char* way, const char* server) {
        QTest::newRow(name) << QString::fromLatin1(task) << QString::fromLatin1(way) << QString::fromLatin1(server);
    };
    row("progress window, Escape", "deletion", "Escape", "");
    row("progress window, close box", "deletion", "close box", "");
    row("waiting note, Escape", "view", "Escape", "answers");
    row("waiting note, close box", "view", "close box", "answers");
    row("progress window, closed by the program", "deletion", "close", "");
    row("waiting note, closed by the program", "view", "close", "answers");
    row("waiting note, silent server, Escape again", "view", "Escape", "again");
    row("waiting note, silent server after the count, close box again", "view", "close box", "count");
    row("waiting note, silent server, a few seconds", "view", "Escape", "time");
    row("waiting note, a server that drops the request, Escape again", "view", "Escape", "drops");
    row("waiting note, connected again, a server that drops the request, Escape again", "view", "Escape", "reconnect");
    row("Clear Log's note, silent server, Escape again", "clear", "Escape", "again");
    row("Clear Log's note, a server that drops the request, close box again", "clear", "close box", "drops");
    row("Clear Log's note, a silent server that refuses late, Escape again", "clear", "Escape", "refuses");
    row("the pop-up's note, silent server, Escape again", "pop-up", "Escape", "again");
    row("the pop-up's note, silent server of an empty log, close box again", "pop-up", "close box", "empty");
    row("statistics' waiting notes, silent server, Escape again", "client statistics", "Escape", "again");
    row("statistics on a large log, Escape in the first stage", "statistics", "Escape", "");
}

void TestDialogs::escapeAndTheCloseBoxOfATasksWindowStopItsTask()
{
    QFETCH(QString, task);
    QFETCH(QString, way);
    QFETCH(QString, server);
    const auto stopWithEscapeOrCloseBox = [way](QWidget* window) {
        if (way == QLatin1String("Escape")) {
            QVERIFY(X11Desktop::giveKeyboardTo(window->winId()));
            QTRY_COMPARE(QApplication::activeWindow(), window);
            QVERIFY(X11Desktop::pressKeys({QStringLiteral("Escape")}));
        } else if (way == QLatin1String("close box")) {
            X11Desktop::closeBox(window);
        } else {
            window->close();
        }
    };
    if (task != QLatin1String("deletion") && task != QLatin1String("statistics")) {
        ClientSession session;
        QVERIFY(session.start(
            [] { SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False")); }));
        ScriptedServer& peer = session.server();
        frmRemoteMain* main = ClientSession::window();
        using C = ClientSession;
        const QStringList before{QStringLiteral("ANN"), QStringLiteral("BOB")};
        const QString twoShown = QStringLiteral("2 Records Displayed");
        if (server == QLatin1String("reconnect")) {
            // The connection ends before the burst's question is answered, and is made again: what was asked on
            // the old one is never paired with an answer on the new one.
            peer.dropClient();
            QTRY_VERIFY(!gRemoteSocket->Connected());
            TRIGGER(main, "mnuOptionsConnect");
            QVERIFY(peer.waitForClient());
            QVERIFY(!peer.waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty());
        }
        // The burst's question answered as a server answers it, and two calls listed.
        peer.send(QStringLiteral(";MODEMCONNECTION;False;"));
        peer.send(QStringLiteral(";SIZE;2;"));
        peer.send(callListAnswer(before, 1));
        QTRY_COMPARE(C::listedNames(), before);
        QCOMPARE(C::recordsShown(), twoShown);
        // The notes' waits run on a clock this test holds.
        qint64 now = 0;
        gRemoteSocket->setWaitClock([&now] { return now; });

        const struct {
            const char *command, *request;
        } asked = task == QLatin1String("view")     ? decltype(asked){"mnuViewTime(12)", ";SQL;"}
                  : task == QLatin1String("clear")  ? decltype(asked){"mnuEditClear", ";DELETE SQL;"}
                  : task == QLatin1String("pop-up") ? decltype(asked){"mnuWindow(6)", ";MINI DISPLAY;"}
                                                    : decltype(asked){"mnuWindow(4)", ";STATISTIC;"};
        TRIGGER(main, asked.command);
        QVERIFY(!peer.waitForRequest(QLatin1String(asked.request)).isEmpty());
        if (task == QLatin1String("client statistics")) {
            // The window comes up with the keyboard; the keyboard is given to its notes once it has it. Its first
            // graph (the saved view's) is answered: the graph of the view it then asks for is the one left waiting.
            frmStatistics* stats = frmStatistics::instance(false);
            QTRY_COMPARE(QApplication::activeWindow(), stats);
            peer.send(QStringLiteral(";GRAPH;|LINE|3/20/2024|3||LINE|3/21/2024|5|;"));
            QVERIFY(!peer.waitForRequest(QStringLiteral(";GRAPH;")).isEmpty());
            QCOMPARE(graphed(stats).labels, QStringList({QStringLiteral("3/20/2024"), QStringLiteral("3/21/2024")}));
            QVERIFY(X11Desktop::windowManagerCaughtUp());
        }
        // The statistics window's grid note is the first given up, while its graph's still waits.
        QWidget* note = FindForm(QStringLiteral("frmWaiting"));
        for (QWidget* w : FindForms(QStringLiteral("frmWaiting")))
            if (Tag(w) == QLatin1String("STATS"))
                note = w;
        QVERIFY(note && QTest::qWaitForWindowExposed(note));
        stopWithEscapeOrCloseBox(note);
        QVERIFY(!peer.waitForRequest(QStringLiteral(";NETCANCEL;"), X11Desktop::kPatience).isEmpty());
        QVERIFY(X11Desktop::windowManagerCaughtUp());
        QVERIFY(note->isVisible() && X11Desktop::viewable(note->winId()));
        if (server == QLatin1String("answers")) {
            // The server's answer to the stopped request closes it.
            peer.send(QStringLiteral(";SIZE;0;"));
            peer.send(QStringLiteral(";CLEAR CALLERS;"));
            QTRY_COMPARE(C::waitingNotes(), 0);
            session.stop();
            return;
        }
        if (task == QLatin1String("client statistics")) {
            frmStatistics* stats = frmStatistics::instance(false);
            QVERIFY(stats && stats->isFrozen());
            const auto allStopped = [stats] {
                return statisticCells(stats) > 0 &&
                       cellsSaying(stats, QStringLiteral("Stopped")) == statisticCells(stats);
            };
            // Every note the window waits on is given up, one after the other. The keyboard goes back to the
            // window as each goes: the next is given it once it is there. What a note stood for is given up with
            // it, whatever still waits: the grid's figures say they were stopped, the graph asked for is not
            // drawn, and the one before is not left in its place.
            const auto settled = [&] {
                QTRY_COMPARE(QApplication::activeWindow(), stats);
                QVERIFY(X11Desktop::windowManagerCaughtUp());
                if (C::waitingNotes(QStringLiteral("STATS")) == 0)
                    QVERIFY(allStopped());
                if (C::waitingNotes(QStringLiteral("GRAPH")) == 0)
                    QCOMPARE(graphed(stats).labels, QStringList());
            };
            const QPointer<QWidget> first = note;
            stopWithEscapeOrCloseBox(note);
            QTRY_VERIFY(!first || !first->isVisible());
            settled();
            for (int notes = 0; notes < 4 && FindForm(QStringLiteral("frmWaiting")); ++notes) {
                const QPointer<QWidget> next = FindForm(QStringLiteral("frmWaiting"));
                QVERIFY(QTest::qWaitForWindowExposed(next));
                stopWithEscapeOrCloseBox(next);
                QVERIFY(!peer.waitForRequest(QStringLiteral(";NETCANCEL;"), X11Desktop::kPatience).isEmpty());
                stopWithEscapeOrCloseBox(next);
                QTRY_VERIFY(!next || !next->isVisible());
                settled();
            }
            QCOMPARE(C::waitingNotes(), 0);
            QVERIFY(!stats->blnWaiting && !stats->isFrozen());
            QVERIFY(action(stats, "mnuTimePeriod")->isEnabled());
            QVERIFY(allStopped());
            QCOMPARE(graphed(stats).labels, QStringList());
            // The late replies are dropped.
            peer.send(QStringLiteral(";STATISTIC;|1||2||3|;"));
            peer.send(QStringLiteral(";GRAPH;|LINE|3/20/2024|3||LINE|3/21/2024|5|;"));
            QVERIFY(session.caughtUp());
            QVERIFY(allStopped());
            QCOMPARE(graphed(stats).labels, QStringList());
            session.stop();
            return;
        }
        // What the server had sent of the answer before it fell silent: a query's count.
        if (server == QLatin1String("count")) {
            peer.send(QStringLiteral(";SIZE;3;"));
            QTRY_COMPARE(C::recordsShown(), QStringLiteral("3 Records Displayed"));
        }
        if (server != QLatin1String("time")) {
            stopWithEscapeOrCloseBox(note);
        } else {
            // The clock stands still: however long it takes here, the note waits; a few seconds on, it goes.
            QVERIFY(X11Desktop::windowManagerCaughtUp());
            QVERIFY(note->isVisible());
            now += frmWaiting::kGiveUpAfterMs;
        }
        QTRY_COMPARE(C::waitingNotes(), 0);
        QCOMPARE(C::listedNames(), before);
        QCOMPARE(C::recordsShown(), twoShown);
        if (task == QLatin1String("pop-up"))
            QVERIFY(!miniDisplay().waitingForList());
        if (server == QLatin1String("drops") || server == QLatin1String("reconnect")) {
            // The question asked as the request was given up is answered; what comes next is not the late answer.
            QVERIFY(!peer.waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty());
            peer.send(QStringLiteral(";MODEMCONNECTION;False;"));
            if (task == QLatin1String("clear")) {
                // Another client's deletion, confirmed to every client, takes nothing away here.
                peer.send(QStringLiteral(";DELETE OK;"));
                QVERIFY(session.caughtUp());
                QCOMPARE(C::listedNames(), before);
            } else {
                TRIGGER(main, "mnuViewTime(9)");
                QVERIFY(!peer.waitForRequest(QStringLiteral(";SQL;")).isEmpty());
                peer.send(QStringLiteral(";SIZE;1;"));
                peer.send(callListAnswer({QStringLiteral("CAROL")}, 20));
                QTRY_COMPARE(C::listedNames(), QStringList({QStringLiteral("CAROL")}));
                QTRY_COMPARE(C::waitingNotes(), 0);
            }
            session.stop();
            return;
        }
        // A request of the same kind made since: the week's calls, the log cleared, the pop-up's list (asked
        // again, with the list, when the server says the log changed).
        if (task == QLatin1String("view")) {
            TRIGGER(main, "mnuViewTime(9)");
            QVERIFY(!peer.waitForRequest(QStringLiteral(";SQL;")).isEmpty());
        } else if (task == QLatin1String("clear")) {
            TRIGGER(main, "mnuEditClear");
            QVERIFY(!peer.waitForRequest(QStringLiteral(";DELETE SQL;")).isEmpty());
        } else {
            peer.send(QStringLiteral(";UPDATE NEEDED;"));
            QVERIFY(!peer.waitForRequest(QStringLiteral(";MINI DISPLAY;")).isEmpty());
        }
        QVERIFY(FindForm(QStringLiteral("frmWaiting")));
        // The server wakes and answers in order: the late answer, the question asked as the request was given
        // up, then what was asked since.
        if (task == QLatin1String("view") && server == QLatin1String("time")) {
            peer.send(QStringLiteral(";ERROR;18;The query took too long.;"));
        } else if (task == QLatin1String("view")) {
            if (server != QLatin1String("count"))
                peer.send(QStringLiteral(";SIZE;3;"));
            peer.send(
                callListAnswer({QStringLiteral("LATE 1"), QStringLiteral("LATE 2"), QStringLiteral("LATE 3")}, 10));
        } else if (task == QLatin1String("clear")) {
            peer.send(server == QLatin1String("refuses") ? QStringLiteral(";RESTRICTED;")
                                                         : QStringLiteral(";DELETE OK;"));
        } else if (server == QLatin1String("empty")) {
            // The pop-up's list of an empty log: a send with no message in it.
            peer.send(QStringLiteral(";"));
        } else {
            peer.send(callerRecords(QStringLiteral(";MINI DISPLAY;"), {QStringLiteral("LATE 1")}, 10) +
                      QLatin1Char(';'));
        }
        peer.send(QStringLiteral(";MODEMCONNECTION;False;"));
        QVERIFY(session.caughtUp());
        QCOMPARE(C::listedNames(), before);
        QCOMPARE(C::recordsShown(), twoShown);
        // Nothing is said of the late answer as of the answer to what waits now.
        for (const QMessageBox* box : openBoxes())
            QVERIFY2(!box->text().contains(QStringLiteral("server")), qPrintable(box->text()));
        if (task == QLatin1String("pop-up"))
            QVERIFY(FindForm(QStringLiteral("frmWaiting")) && miniDisplay().waitingForList() &&
                    !C::popupNames().contains(QStringLiteral("LATE 1")));
        else
            QVERIFY(FindForm(QStringLiteral("frmWaiting")));
        if (task == QLatin1String("view")) {
            peer.send(QStringLiteral(";SIZE;1;"));
            peer.send(callListAnswer({QStringLiteral("CAROL")}, 20));
            QTRY_COMPARE(C::listedNames(), QStringList({QStringLiteral("CAROL")}));
        } else if (task == QLatin1String("clear")) {
            peer.send(QStringLiteral(";DELETE OK;"));
            QTRY_COMPARE(C::listedNames(), QStringList());
        } else {
            peer.send(QStringLiteral(";SIZE;2;"));
            peer.send(callListAnswer(before, 1));
            peer.send(callerRecords(QStringLiteral(";MINI DISPLAY;"), {QStringLiteral("CAROL")}, 20) +
                      QLatin1Char(';'));
            QTRY_COMPARE(C::popupNames(), QStringList({QStringLiteral("CAROL")}));
        }
        QTRY_COMPARE(C::waitingNotes(), 0);
        session.stop();
        return;
    }
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QVERIFY(m_session.start());
    qunsetenv("VELQUON_NONINTERACTIVE");
    if (task == QLatin1String("statistics")) {
        storeManyCalls(100000);
        bool stoppedAtOnce = false;
        m_progressCaption = QStringLiteral("Processing Statistics...");
        m_duringProgress = [&](frmProcessing* progress) {
            // The statistics window comes up as its first stage begins: the keyboard is given once both are in.
            QVERIFY(QTest::qWaitForWindowExposed(frmStatistics::instance(false)));
            QVERIFY(QTest::qWaitForWindowExposed(progress));
            QVERIFY(X11Desktop::windowManagerCaughtUp());
            stopWithEscapeOrCloseBox(progress);
            QTRY_VERIFY(progress->StopProcessing());
            stoppedAtOnce = true;
            m_progressShown.clear();
        };
        TRIGGER(StandaloneSession::window(), "mnuWindow(4)");
        QTRY_VERIFY_WITH_TIMEOUT(stoppedAtOnce && !StatisticsQueue::busy(), X11Desktop::kPatience);
        frmStatistics* stats = frmStatistics::instance(false);
        QVERIFY(stats);
        // Nothing more was computed: no stage after it showed its progress.
        QCOMPARE(m_progressShown, QStringList());
        // Stopped after the cell it was computing: every cell but that one says so, none is blank, and the chart
        // shows only the figure computed.
        QCOMPARE(cellsSaying(stats, QString()), 0);
        QVERIFY(cellsSaying(stats, QStringLiteral("Stopped")) >= statisticCells(stats) - 1);
        QStringList computed;
        for (int r = 1; r < gridOf(stats)->Rows(); ++r)
            if (gridOf(stats)->TextMatrix(r, 1) != QLatin1String("Stopped"))
                computed << gridOf(stats)->TextMatrix(r, 0);
        QCOMPARE(chartLabels(stats), computed);
        QCOMPARE(graphed(stats).labels, QStringList());
        return;
    }
    addCalls(30);
    const int rows = [] {
        StandaloneSession::window()->RefreshGrid();
        return StandaloneSession::grid()->Rows();
    }();
    QVERIFY(rows > 30);
    deleteAllWhile([&](frmProcessing* progress) {
        stopWithEscapeOrCloseBox(progress);
        QTRY_VERIFY(progress->StopProcessing());
        QVERIFY(X11Desktop::windowManagerCaughtUp());
        QVERIFY(progress->isVisible() && X11Desktop::viewable(progress->winId()));
    });
    // Stopped at the step after the key: nearly every call is still there.
    QVERIFY(StandaloneSession::grid()->Rows() > rows - 3);
    QVERIFY(!FindForm(QStringLiteral("frmProcessing")) || !FindForm(QStringLiteral("frmProcessing"))->isVisible());
}

// The pop-up on top at the middle of the screen, where it stands at first: each window of ours opens clear of it,
// whatever opens it (the main window, the contact book, a dialog of the book's), already as the window manager
// first puts it on the screen; where the pop-up leaves no room beside it (as wide as the screen, as tall as it may
// be), any other window stays below it (the options too), and a task's window above it only while it covers its Stop:
// hidden, moved off, its On Top off, or the window restored from the task bar after it went, the pop-up leaves it
// no more stay-on-top than the options give. A window that grows is placed again, on the screen. A task's progress
// window shown beside the task bar (the main window in the tray) moves off the pop-up the user left in that corner,
// and again as the pop-up is shown over it; two that both stand above it do so once. A call shows the pop-up above
// the main window the options keep on top, without the keyboard. What the pop-up is there to come over stays under
// it: the main window, a window the user made as large as the screen; a box of the pop-up's own stands over it, and
// a window that asks nothing opens over a task's progress window where it was left. The pop-up keeps its place.
// Before, the pop-up covered the deletion's question, the options' mode choice, the dates of the custom period, the
// group editor's "Block Incoming Calls" box, the search fields, the contact list and the rest; a window standing
// above it stayed above every program for good, hiding the caller; two raised each other without end; a dialog that
// grew went under the pop-up or off the screen; and the main window kept on top hid the pop-up of every call.
void TestDialogs::noWindowOfOursIsUnderThePopup_data()
{
    QTest::addColumn<QString>("popupAt");
    // What the user chooses in turn: an item of the main window, then an item or a button of what that opened.
    QTest::addColumn<QStringList>("opening");
    // What happens besides: before, to or after the last window opened, to the pop-up, or a call.
    QTest::addColumn<QString>("then");
    const QString book = QStringLiteral("mnuWindow(2)");
    const auto row = [](const char* name, const char* popupAt, const QStringList& opening, const char* then = "") {
        QTest::newRow(name) << QString::fromLatin1(popupAt) << opening << QString::fromLatin1(then);
    };
    row("Delete's question", "middle", {QStringLiteral("mnuEditDelete")});
    row("Options", "middle", {QStringLiteral("mnuOptionsConfiguration")});
    row("View > Custom...", "middle", {QStringLiteral("mnuViewTime(14)")});
    row("Find", "middle", {QStringLiteral("mnuWindow(3)")});
    row("Statistics", "middle", {QStringLiteral("mnuWindow(4)")});
    row("Activity Log", "middle", {QStringLiteral("mnuWindow(0)")});
    row("About", "middle", {QStringLiteral("mnuHelpAbout")});
    row("Print", "middle", {QStringLiteral("mnuFilePrint")});
    row("Print, grown by its options near the screen's bottom", "tall", {QStringLiteral("mnuFilePrint")}, "grow");
    row("Contacts", "middle", {book});
    row("Statistics, maximised", "middle", {QStringLiteral("mnuWindow(4)")}, "maximise");
    row("Statistics, full screen", "middle", {QStringLiteral("mnuWindow(4)")}, "full screen");
    row("Contacts, over a task's progress window", "corner", {book}, "over a task");
    row("Find Contact", "middle", {book, QStringLiteral("mnuEditFind")});
    row("Add Number", "middle", {book, QStringLiteral("cmdAddNumber")});
    row("Change Image", "middle", {book, QStringLiteral("cmdChangeImage")});
    row("Add Attribute Group", "middle", {book, QStringLiteral("cmdAddAttributeGroup")});
    row("Select Color", "middle", {book, QStringLiteral("cmdAddAttributeGroup"), QStringLiteral("picColor")});
    row("Find Contact, no room beside the pop-up", "across", {book, QStringLiteral("mnuEditFind")});
    row("Options, no room beside the pop-up", "across", {QStringLiteral("mnuOptionsConfiguration")});
    row("a task's Stop under the pop-up, then the pop-up hidden", "across", {}, "a task, hide the pop-up");
    row("a task's Stop under the pop-up, then the pop-up moved off it", "across", {}, "a task, move the pop-up");
    row("a task's Stop under the pop-up, then the pop-up's On Top off", "across", {},
        "a task, the pop-up's On Top off");
    row("a task's Stop under the pop-up, Always On Top, then the pop-up hidden", "across", {},
        "a task, always on top, hide the pop-up");
    row("a task's Stop under the pop-up, minimised, the pop-up hidden, restored", "across", {},
        "a task, minimised, hide the pop-up, restored");
    row("a task under the pop-up, its Stop clear of it", "across", {}, "a task, its Stop 30 px clear");
    row("a task under the pop-up, its Stop 14 px clear of it", "across", {}, "a task, its Stop 14 px clear");
    row("a task's Stop 19 px under the pop-up's top edge", "across", {}, "a task, its Stop 19 px under its top");
    row("a task's window grown past the screen's top", "across", {}, "a task, grown past the screen's top");
    row("a task's progress window beside the task bar", "corner", {}, "a task beside the task bar");
    row("a notice, then a task's progress window over it", "nowhere", {}, "a notice, then a task");
    row("two tasks' progress windows grown where the pop-up leaves them no room", "across", {}, "two tasks, grown");
    row("the pop-up's own question", "middle", {}, "a call, Block");
    row("a call over the Always On Top main window, again after a click in it", "middle", {}, "always on top, calls");
}

void TestDialogs::noWindowOfOursIsUnderThePopup()
{
    QFETCH(QString, popupAt);
    QFETCH(QStringList, opening);
    QFETCH(QString, then);
    // A task's progress window too tall for the room the pop-up leaves, its Stop under the pop-up.
    const bool taskUnder = then.startsWith(QLatin1String("a task, "));
    then.remove(QLatin1String("a task, "));
    QVERIFY(startWithTwoCalls());
    frmBaseMain* main = StandaloneSession::window();
    main->RefreshGrid();
    StandaloneSession::grid()->setRow(1);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == main, X11Desktop::kPatience);
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    const QRect mainFrame = X11Desktop::frameOf(main);
    const QRect screen = main->screen()->availableGeometry();
    // At its first size; across the screen as tall as it may be; in the corner by the task bar; or as tall as it
    // may be a little above the middle, where what it covers goes below it, near the screen's bottom.
    QRect place(QPoint(), QSize(Twips::toPixels(3500), Twips::toPixels(1900)));
    if (popupAt == QLatin1String("across"))
        place = QRect(0, 0, screen.width(), Twips::toPixels(4500));
    else if (popupAt == QLatin1String("tall"))
        place = QRect(0, 0, screen.width() / 4, Twips::toPixels(4500));
    place.moveCenter(popupAt == QLatin1String("corner") ? screen.bottomRight() - QPoint(150, 100)
                     : popupAt == QLatin1String("tall") ? screen.center() - QPoint(0, 40)
                                                        : screen.center());
    // The window manager has done what the rule asked once the rule has nothing left to look at, and what it did
    // brought it no more (a window that moved or grew is looked at once it has been still a quarter of a second).
    const auto settled = [] {
        for (int round = 0; round < 8; ++round) {
            if (!waitForQueuedMarker() || !X11Desktop::windowManagerCaughtUp() || !waitForQueuedMarker())
                return false;
            if (!KeepInSight::settling())
                return true;
            if (!QTest::qWaitFor([] { return !KeepInSight::settling(); }, 5000))
                return false;
        }
        return false;
    };
    const bool calls = then.contains(QLatin1String("call"));
    frmMiniDisplay* popup = nullptr;
    QRect popupFrame;
    if (calls) {
        // A call shows it; its shake is not what this looks at.
        placePopup(place);
        SaveProperty(Section::frmMiniDisplay, Key::Vibrate, QStringLiteral("False"));
        QVERIFY(modemOnThePort());
    } else if (popupAt != QLatin1String("nowhere")) {
        // Once all it started is done, so that what opens next is placed by its own show.
        popup = showPopupAt(place);
        QVERIFY(popup && settled());
        popupFrame = X11Desktop::frameOf(popup);
    }

    // Taller than the room the pop-up leaves, its Stop under the pop-up (or the row's pixels below it or into it).
    const bool stopClear = then.endsWith(QLatin1String(" clear"));
    const int px = then.section(QLatin1Char(' '), 2, 2).toInt();
    const auto stopUnderThePopup = [&](frmProcessing* progress) {
        // Each step once the program has what the window manager made of the last, and the rule has looked at it.
        const auto caughtUp = [&] {
            return QTest::qWaitFor(
                [&] { return X11Desktop::frameOf(progress) == progress->frameGeometry() && settled(); },
                X11Desktop::kPatience);
        };
        if (then == QLatin1String("grown past the screen's top")) {
            // Grown up past the screen's top: brought down onto it by the pop-up's height, its Stop (kept from the
            // bottom) is then under the pop-up's middle, and one such move further clear below it.
            const int top = screen.top() + progress->geometry().top() - progress->frameGeometry().top();
            progress->setGeometry(progress->geometry().left(), top - place.height(), progress->width(),
                                  popupFrame.center().y() - top + progress->height() - progress->cmdStop->y());
            QVERIFY(caughtUp());
            return;
        }
        progress->resize(progress->width(), screen.height() / 2 - place.height() / 2 + 40);
        QVERIFY(caughtUp());
        const auto* stop = ui::findByName<QWidget>(progress, QStringLiteral("cmdStop"));
        const int at = stopClear ? popupFrame.bottom() + 1 + px
                       : px      ? popupFrame.top() + px - stop->height()
                                 : popupFrame.center().y();
        QVERIFY(X11Desktop::bringTo(stop, at) && caughtUp());
    };
    QStringList covered;
    const auto reachable = [&covered, &popupAt, this](QWidget* window) {
        // Where the pop-up leaves no room, a window that asks nothing stays below it (looked at as the last).
        if (popupAt == QLatin1String("across") && !KeepInSight::marked(window))
            return;
        if (!clearOfThePopup(window))
            covered << window->objectName() + QStringLiteral(" at ") + QString::number(X11Desktop::frameOf(window).y());
        // Placed as it showed, not only once it was on the screen.
        else if (!X11Desktop::frameOf(window).intersects(X11Desktop::frameOf(frmMiniDisplay::instance(false))) &&
                 !m_clearWhenMapped.value(window->winId(), true))
            covered << window->objectName() + QStringLiteral(" as it was mapped");
    };

    if (then == QLatin1String("a task beside the task bar")) {
        main->hide();
        const Processing task(3, QStringLiteral("Processing..."));
        auto* progress = dynamic_cast<frmProcessing*>(task.window());
        QVERIFY(progress);
        // Moved off the pop-up as it is put beside the task bar, not a moment later.
        QVERIFY(!progress->frameGeometry().intersects(popup->frameGeometry()));
        reachable(progress);
        // The pop-up shown again over it: the progress window moves off it.
        popup->close();
        QTRY_VERIFY(!frmMiniDisplay::instance(false));
        popup = showPopupAt(QRect(X11Desktop::frameOf(progress).topLeft(), place.size()));
        QVERIFY(popup);
        popupFrame = X11Desktop::frameOf(popup);
        QVERIFY(QTest::qWaitFor([&] { return clearOfThePopup(progress); }, X11Desktop::kPatience));
    } else if (then == QLatin1String("a notice, then a task")) {
        // A notice open where a task's progress window then opens (no pop-up anywhere): it moves off it as the
        // progress window comes on the screen, and leaves its Stop in sight.
        Prompt::notice(QStringLiteral("Done."));
        QTRY_COMPARE(openBoxes().size(), 1);
        QMessageBox* notice = openBoxes().first();
        QVERIFY(QTest::qWaitForWindowExposed(notice) && settled());
        const QRect noticeBefore = X11Desktop::frameOf(notice);
        QRect noticeAsItMapped;
        m_asAWindowMaps = [&](QWindow* mapped) {
            const QWidget* progress = FindForm(QStringLiteral("frmProcessing"));
            if (!progress || progress->windowHandle() != mapped)
                return false;
            noticeAsItMapped = X11Desktop::frameOf(notice);
            return true;
        };
        const Processing task(3, QStringLiteral("Processing..."), main);
        auto* progress = dynamic_cast<frmProcessing*>(task.window());
        QVERIFY(progress && QTest::qWaitForWindowExposed(progress) && settled());
        const QRect progressFrame = X11Desktop::frameOf(progress);
        QVERIFY(noticeBefore.intersects(progressFrame));
        QVERIFY(!noticeAsItMapped.isNull() && !noticeAsItMapped.intersects(progressFrame));
        QVERIFY(!X11Desktop::frameOf(notice).intersects(progressFrame));
        notice->button(QMessageBox::Ok)->click();
    } else if (then == QLatin1String("two tasks, grown")) {
        // Each made taller than the room the pop-up leaves above or below it: both stand above it, and above each
        // other, and stay so with a raise or two, not one raising the other without end.
        const Processing first(3, QStringLiteral("Processing..."), main);
        const Processing second(3, QStringLiteral("Processing..."), main);
        QList<frmProcessing*> progress;
        for (const Processing* task : {&first, &second})
            progress << dynamic_cast<frmProcessing*>(task->window());
        for (frmProcessing* p : std::as_const(progress)) {
            QVERIFY(p && QTest::qWaitForWindowExposed(p));
            stopUnderThePopup(p);
        }
        QVERIFY(X11Desktop::comesAbove(progress[0], popup) && X11Desktop::comesAbove(progress[1], popup));
        // Raises counted over a second.
        m_progressRaises = 0;
        QTest::qWait(1000);
        QVERIFY2(m_progressRaises <= 4, qPrintable(QString::number(m_progressRaises)));
        for (frmProcessing* p : std::as_const(progress))
            reachable(p);
    } else if (then == QLatin1String("a call, Block")) {
        // A box the pop-up asks belongs to it: over it, where the window manager puts it, not beside it.
        m_modem->injectLine(QStringLiteral("RING"));
        QTRY_VERIFY_WITH_TIMEOUT((popup = frmMiniDisplay::instance(false)) && popup->isVisible(),
                                 X11Desktop::kPatience);
        QVERIFY(X11Desktop::shown(popup));
        popupFrame = X11Desktop::frameOf(popup);
        auto* block = ui::findByName<QWidget>(popup, QStringLiteral("lblBlock"));
        QTRY_VERIFY_WITH_TIMEOUT(block->isVisible(), X11Desktop::kPatience);
        // Looked at, then answered, before anything is checked: a failed check leaves no question open.
        bool asked = false;
        bool ownedByThePopup = false;
        bool boxAbove = false;
        QRect boxFrame;
        whenModal([&](QWidget* box) {
            asked = true;
            ownedByThePopup =
                QTest::qWaitForWindowExposed(box) && box->windowHandle()->transientParent() == popup->windowHandle();
            boxAbove = X11Desktop::comesAbove(box, popup) && settled() &&
                       X11Desktop::stackPlace(box) > X11Desktop::stackPlace(popup);
            boxFrame = X11Desktop::frameOf(box);
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
        });
        QVERIFY(X11Desktop::clickAt(block, block->rect().center()));
        QTRY_VERIFY_WITH_TIMEOUT(asked && !QApplication::activeModalWidget(), X11Desktop::kPatience);
        QVERIFY(ownedByThePopup && boxAbove);
        QVERIFY2(boxFrame.intersects(popupFrame),
                 qPrintable(QStringLiteral("the box at %1,%2").arg(boxFrame.x()).arg(boxFrame.y())));
    } else if (then == QLatin1String("always on top, calls")) {
        // The main window kept on top of other programs' windows, and a call: the pop-up comes above it, also
        // after a click in it has brought it up over the pop-up, and the keyboard stays with it.
        TRIGGER(main, "mnuOptionsAlways");
        QVERIFY(main->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        const auto mainHasTheKeyboard = [main] {
            return X11Desktop::windowManagerCaughtUp() && X11Desktop::inputFocus() == main->winId() &&
                   QApplication::activeWindow() == main;
        };
        QTRY_VERIFY_WITH_TIMEOUT(mainHasTheKeyboard(), X11Desktop::kPatience);
        const auto callShown = [&](const QString& number, const QString& shown) {
            if (number.isEmpty()) {
                m_modem->injectLine(QStringLiteral("RING"));
                m_modem->injectLine(QStringLiteral("NMBR = 5551111111"));
                m_modem->injectLine(QStringLiteral("RING"));
            } else {
                // A caller-ID block after the last call's rings: the next caller.
                m_modem->injectLine(QStringLiteral("NMBR = ") + number);
                m_modem->injectLine(QStringLiteral("RING"));
            }
            return QTest::qWaitFor(
                [&] {
                    popup = frmMiniDisplay::instance(false);
                    return popup && popup->isVisible() && ui::textOf(popup, QStringLiteral("lblNumber")) == shown &&
                           X11Desktop::shown(popup);
                },
                X11Desktop::kPatience);
        };
        QVERIFY(callShown(QString(), QStringLiteral("(555) 111-1111")));
        popupFrame = X11Desktop::frameOf(popup);
        QVERIFY(popupFrame.intersects(X11Desktop::frameOf(main)));
        QVERIFY(X11Desktop::stackPlace(popup) > X11Desktop::stackPlace(main));
        QVERIFY(mainHasTheKeyboard());
        CallListView* list = StandaloneSession::grid()->innerGrid();
        QVERIFY(X11Desktop::clickAt(list->viewport(), list->visualRect(list->model()->index(0, 0)).center()));
        QVERIFY(X11Desktop::comesAbove(main, popup));
        QVERIFY(callShown(QStringLiteral("5552222222"), QStringLiteral("(555) 222-2222")));
        QVERIFY(X11Desktop::stackPlace(popup) > X11Desktop::stackPlace(main));
        QVERIFY(mainHasTheKeyboard());
        QVERIFY(X11Desktop::hasState(main->winId(), "_NET_WM_STATE_ABOVE"));
    }

    // A window of the user's own that asks nothing opens where it was left, over a task's progress window too.
    std::optional<Processing> task;
    if (then == QLatin1String("over a task") || taskUnder) {
        // Minimised, one of its own, which the window manager minimises alone.
        task.emplace(3, QStringLiteral("Processing..."), then.startsWith(QLatin1String("minimised")) ? nullptr : main);
        auto* progress = dynamic_cast<frmProcessing*>(task->window());
        QVERIFY(progress && X11Desktop::shown(progress));
        if (taskUnder)
            stopUnderThePopup(progress);
        const QPoint over = X11Desktop::frameOf(progress).topLeft() - QPoint(20, 20);
        SaveProperty(QStringLiteral("frmContacts"), Key::Left, QString::number(Twips::fromPixels(over.x())));
        SaveProperty(QStringLiteral("frmContacts"), Key::Top, QString::number(Twips::fromPixels(over.y())));
    }
    // What the user does to the window opened last, or to the pop-up.
    const auto last = [&](QWidget* window) {
        // Where the pop-up leaves no room beside it, a task's window whose Stop it covers stands above it, kept on
        // top with it; any other window stays below it, and nothing keeps it above other programs' windows.
        if (popupAt == QLatin1String("across")) {
            QVERIFY(settled());
            QCOMPARE(X11Desktop::keptAbove(window), taskUnder && !stopClear);
            QCOMPARE(X11Desktop::stackPlace(window) > X11Desktop::stackPlace(popup), taskUnder && !stopClear);
        }
        if (then == QLatin1String("grow")) {
            // The print dialog's options section opened.
            QPushButton* options = nullptr;
            for (QPushButton* b : window->findChildren<QPushButton*>())
                if (b->text().contains(QLatin1String("Options")) && b->isVisible())
                    options = b;
            QVERIFY(options);
            const QSize before = window->size();
            QVERIFY(X11Desktop::clickAt(options, options->rect().center()));
            QTRY_VERIFY(window->height() > before.height());
            const auto frame = [window] { return X11Desktop::frameOf(window); };
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             return X11Desktop::windowManagerCaughtUp() && screen.contains(frame()) &&
                                    !frame().intersects(popupFrame);
                         },
                         X11Desktop::kPatience),
                     qPrintable(QStringLiteral("the dialog at %1,%2 %3x%4")
                                    .arg(frame().x())
                                    .arg(frame().y())
                                    .arg(frame().width())
                                    .arg(frame().height())));
            reachable(window);
        } else if (then == QLatin1String("maximise") || then == QLatin1String("full screen")) {
            // Made as large as the screen, it stays so, under the pop-up, and nothing keeps it on top.
            const bool maximise = then == QLatin1String("maximise");
            if (maximise)
                X11Desktop::askState(window, 1, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
            else
                X11Desktop::askState(window, 1, "_NET_WM_STATE_FULLSCREEN");
            QTRY_VERIFY_WITH_TIMEOUT(maximise ? window->isMaximized() : window->isFullScreen(), X11Desktop::kPatience);
            QVERIFY(settled());
            QVERIFY(maximise ? window->isMaximized() : window->isFullScreen());
            QVERIFY(!X11Desktop::keptAbove(window));
            if (maximise)
                QVERIFY(X11Desktop::stackPlace(popup) > X11Desktop::stackPlace(window));
        } else if (then == QLatin1String("over a task")) {
            QVERIFY(X11Desktop::windowManagerCaughtUp());
            const QPoint at = X11Desktop::frameOf(window).topLeft();
            QCOMPARE(Twips::fromPixels(at.x()),
                     GetProperty(QStringLiteral("frmContacts"), Key::Left, QString()).toDouble());
            QCOMPARE(Twips::fromPixels(at.y()),
                     GetProperty(QStringLiteral("frmContacts"), Key::Top, QString()).toDouble());
        } else if (then == QLatin1String("move the pop-up")) {
            // The pop-up moved down off it: nothing keeps it on top.
            const QRect below = X11Desktop::frameOf(window);
            popup->move(popup->x(), below.bottom() + 20);
            QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::windowManagerCaughtUp() && !X11Desktop::keptAbove(window),
                                     X11Desktop::kPatience);
            QVERIFY(!X11Desktop::frameOf(popup).intersects(X11Desktop::frameOf(window)));
            popupFrame = X11Desktop::frameOf(popup);
        } else if (then == QLatin1String("the pop-up's On Top off")) {
            // The pop-up no longer kept on top: it stays above the pop-up, but nothing keeps it above other
            // programs' windows.
            auto* onTop = ui::findByName<QAbstractButton>(popup, QStringLiteral("chkOnTop"));
            QVERIFY(onTop && onTop->isChecked() && X11Desktop::clickAt(onTop, QPoint(6, onTop->height() / 2)));
            QTRY_VERIFY(!onTop->isChecked());
            QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::windowManagerCaughtUp() && !X11Desktop::keptAbove(window),
                                     X11Desktop::kPatience);
            QVERIFY(X11Desktop::stackPlace(window) > X11Desktop::stackPlace(popup));
        } else if (then == QLatin1String("minimised, hide the pop-up, restored")) {
            // The pop-up hidden while the window is in the task bar: restored, as the program restores the windows
            // it took there, it keeps no stay-on-top.
            window->setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY_WITH_TIMEOUT(!X11Desktop::viewable(window->winId()), X11Desktop::kPatience);
            TRIGGER(main, "mnuWindow(6)");
            QVERIFY(settled());
            window->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::viewable(window->winId()), X11Desktop::kPatience);
            QTRY_VERIFY_WITH_TIMEOUT(settled() && !X11Desktop::keptAbove(window), X11Desktop::kPatience);
        } else if (then.endsWith(QLatin1String("hide the pop-up"))) {
            // The pop-up hidden, it keeps only what the options give it.
            const bool optionOnTop = then.startsWith(QLatin1String("always on top"));
            if (optionOnTop)
                TRIGGER(main, "mnuOptionsAlways");
            TRIGGER(main, "mnuWindow(6)");
            QTRY_VERIFY(!frmMiniDisplay::instance(false));
            if (!optionOnTop)
                QTRY_VERIFY_WITH_TIMEOUT(!X11Desktop::keptAbove(window), X11Desktop::kPatience);
            QVERIFY(settled());
            QCOMPARE(X11Desktop::keptAbove(window), optionOnTop);
            QCOMPARE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), optionOnTop);
        }
    };

    // Each window opened in turn is looked at; a dialog is then answered, the windows it opened first.
    QWidget* from = main;
    std::function<void()> chooseNext = [&] {
        const QString name = opening.takeFirst();
        QList<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                shown << w;
        bool modal = false;
        whenModal(
            [&](QWidget* dialog) {
                modal = true;
                reachable(dialog);
                from = dialog;
                while (!opening.isEmpty())
                    chooseNext();
                if (from == dialog)
                    last(dialog);
                static_cast<QDialog*>(dialog)->reject();
            },
            QApplication::activeModalWidget());
        TRIGGER(from, name);
        if (modal)
            return;
        m_poll.stop();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !shown.contains(w) && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
                from = w;
        QVERIFY2(!shown.contains(from), qPrintable(name));
        reachable(from);
        if (opening.isEmpty())
            last(from);
    };
    while (!opening.isEmpty())
        chooseNext();
    if (taskUnder)
        last(dynamic_cast<frmProcessing*>(task->window()));
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(covered.isEmpty(), qPrintable(covered.join(QStringLiteral("; "))));
    QVERIFY(X11Desktop::windowManagerCaughtUp());
    if (popup && frmMiniDisplay::instance(false))
        QCOMPARE(X11Desktop::frameOf(popup).topLeft(), popupFrame.topLeft());
    // The main window, which the pop-up is there to come over, keeps its place.
    if (main->isVisible())
        QCOMPARE(X11Desktop::frameOf(main), mainFrame);
}

void TestDialogs::placePopup(const QRect& place)
{
    const QString section = QString::fromLatin1(Section::frmMiniDisplay);
    SaveProperty(section, Key::Left, QString::number(Twips::fromPixels(place.x())));
    SaveProperty(section, Key::Top, QString::number(Twips::fromPixels(place.y())));
    SaveProperty(section, Key::Width, QString::number(Twips::fromPixels(place.width())));
    SaveProperty(section, Key::Height, QString::number(Twips::fromPixels(place.height())));
}

frmMiniDisplay* TestDialogs::showPopupAt(const QRect& place)
{
    placePopup(place);
    const QString problem = ui::tryTrigger(StandaloneSession::window(), QStringLiteral("mnuWindow(6)"));
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    return problem.isEmpty() && popup && X11Desktop::shown(popup) ? popup : nullptr;
}

bool TestDialogs::clearOfThePopup(QWidget* window)
{
    const QWidget* popup = frmMiniDisplay::instance(false);
    if (!popup || !QTest::qWaitForWindowExposed(window) ||
        !QTest::qWaitFor([window] { return !X11Desktop::frameOf(window).isEmpty(); }, X11Desktop::kPatience))
        return false;
    // A window standing above the pop-up is raised right after its show.
    return X11Desktop::clearOfOrAbove(window, popup);
}

bool TestDialogs::modemOnThePort()
{
    m_modem = std::make_unique<FakeModem>();
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    StandaloneSession::port()->OpenPort(true);
    return StandaloneSession::port()->ModemConnected;
}

// Save in the contact book, with enough calls that the call list's refill shows its progress window: the book
// keeps the keyboard, on the control the user was typing in, and the next key lands there; also when the user
// clicked the progress window meanwhile, which gives the keyboard back, as the task ends, to the window that had it
// when the task began, and when that window was hidden and shown again first (as the minimise to the tray does to
// every window). Before, the main window became active as the refill's progress window closed, under the book,
// and the next keys went to the call list; and the progress window hidden and shown forgot where the keyboard had
// been.
void TestDialogs::theEndOfATaskGivesTheKeyboardBackWhereItWas_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("meanwhile");
    QTest::newRow("name, typed on") << QStringLiteral("txtName") << QString();
    QTest::newRow("name, the progress window clicked") << QStringLiteral("txtName") << QStringLiteral("click");
    QTest::newRow("name, minimised to the tray and back, the progress window picked")
        << QStringLiteral("txtName") << QStringLiteral("minimise, restore, pick");
    QTest::newRow("other information, typed on") << QStringLiteral("txtOtherInfo") << QString();
}

void TestDialogs::theEndOfATaskGivesTheKeyboardBackWhereItWas()
{
    QFETCH(QString, control);
    QFETCH(QString, meanwhile);
    QVERIFY(startWithTwoCalls());
    addCalls(30);
    frmBaseMain* main = StandaloneSession::window();
    main->RefreshGrid();
    clsContact john;
    john.Name = QStringLiteral("John");
    john.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 123-4567"), QString()));
    QVERIFY(AddContact(john));
    UpdateContactCollection();
    TRIGGER(main, "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), book, X11Desktop::kPatience);
    QTRY_COMPARE(ui::textOf(book, QStringLiteral("txtName")), QStringLiteral("John"));
    auto* typedIn = ui::findByName<QWidget>(book, control);
    const auto bookHasTheKeyboard = [book] {
        return X11Desktop::windowManagerCaughtUp() && X11Desktop::inputFocus() == book->winId() &&
               QApplication::activeWindow() == book;
    };
    QVERIFY(X11Desktop::clickAt(typedIn, typedIn->rect().center()));
    QTRY_VERIFY(typedIn->hasFocus() && bookHasTheKeyboard());

    // The save refills the call list behind its progress window.
    int refills = 0;
    bool clickedIt = meanwhile.isEmpty();
    m_progressCaption = QStringLiteral("Processing Grid Data...");
    m_duringProgress = [&](frmProcessing* progress) {
        ++refills;
        if (meanwhile.startsWith(QLatin1String("minimise"))) {
            // The minimise to the tray hides every window, the book and the progress window among them; a double
            // click on the icon shows them again, and the user then picks the progress window.
            QWidget* icon = X11Desktop::trayIconWindow();
            X11Desktop::minimise(StandaloneSession::window());
            const bool hidden = QTest::qWaitFor(
                [&] {
                    return !progress->isVisible() && !book->isVisible() && X11Desktop::withdrawn(progress->winId());
                },
                X11Desktop::kPatience);
            // The restore gives the keyboard back to the book, which had it; only then does the user pick the task.
            clickedIt =
                icon && hidden && X11Desktop::click(icon->winId(), 2) &&
                QTest::qWaitFor(
                    [&] {
                        return progress->isVisible() && QApplication::activeWindow() == book &&
                               X11Desktop::windowManagerCaughtUp() && X11Desktop::inputFocus() == book->winId();
                    },
                    X11Desktop::kPatience) &&
                X11Desktop::giveKeyboardTo(progress->winId()) &&
                QTest::qWaitFor([progress] { return QApplication::activeWindow() == progress; }, X11Desktop::kPatience);
        } else if (!meanwhile.isEmpty() && QTest::qWaitForWindowExposed(progress)) {
            auto* complete = ui::findByName<QWidget>(progress, QStringLiteral("lblComplete"));
            clickedIt =
                X11Desktop::clickAt(complete, complete->rect().center()) &&
                QTest::qWaitFor([progress] { return QApplication::activeWindow() == progress; }, X11Desktop::kPatience);
        }
    };
    const QString before = ui::textOf(book, control);
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("End"), QStringLiteral("y"), QStringLiteral("ctrl+s")}));
    // Saved: the stored contact is what the form shows.
    const auto saved = [book] {
        const auto stored = GetContact(ui::textOf(book, QStringLiteral("txtName")));
        return stored && stored->OtherInfo == ui::textOf(book, QStringLiteral("txtOtherInfo"));
    };
    QTRY_VERIFY_WITH_TIMEOUT(ui::textOf(book, control) == before + QLatin1Char('y') && saved(), X11Desktop::kPatience);
    QTRY_VERIFY_WITH_TIMEOUT(refills == 1 && (!FindForm(QStringLiteral("frmProcessing")) ||
                                              !FindForm(QStringLiteral("frmProcessing"))->isVisible()),
                             X11Desktop::kPatience);
    QVERIFY2(clickedIt, "the progress window never had the keyboard");
    QVERIFY(QTest::qWaitFor(bookHasTheKeyboard, X11Desktop::kPatience));
    // The next key lands in the book, where the user was typing.
    QVERIFY(typedIn->hasFocus());
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("x")}));
    QTRY_COMPARE(ui::textOf(book, control), before + QStringLiteral("yx"));
    QVERIFY(X11Desktop::pressKeys({QStringLiteral("BackSpace")}));
    QTRY_COMPARE(ui::textOf(book, control), before + QLatin1Char('y'));
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
