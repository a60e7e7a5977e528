#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include "core/ProgramLinks.h"
#include "core/ProgressWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "core/ui/frmProcessing.h"
#include "core/ui/modMainGui.h"
#include "platform/Twips.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

std::unique_ptr<QWidget> namedWindow(const QString& name, QSize size = QSize(200, 100))
{
    auto w = std::make_unique<QWidget>();
    w->setObjectName(name);
    w->resize(size);
    return w;
}

// A grid's cells: row r, column c holds "r.c"; column 2 of row 2 is empty.
std::unique_ptr<QStandardItemModel> gridModel(int rows)
{
    auto m = std::make_unique<QStandardItemModel>(rows, 7);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 7; ++c)
            m->setItem(r, c, new QStandardItem(r == 2 && c == 2 ? QString() : QStringLiteral("%1.%2").arg(r).arg(c)));
    return m;
}

} // namespace

class TestWindowFunctions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Twips::setLogicalDpi(96); }
    void cleanup()
    {
        resetForTests();
        for (QWidget* w : QApplication::topLevelWidgets())
            delete w;
    }
    void restoreCentresWhenNothingIsStored();
    void placementRoundTripsInTwips();
    void maximisedWindowKeepsItsNormalPlacement();
    void placeOnAMissingScreenComesBack();
    void damagedSizeIsKeptToTheDesktop();
    void mainWindowsShareOneSection();
    void onTopChangesFlagsOnlyOnChange();
    void onTopPutsThePopupFamilyBack();
    void dialogOpenTest();
    void clipboardTextOfRows();
    void clipboardFromAnUpwardSelection();
    void taskBarCorner();
    void copyProgressAboveFiftyRowSteps();
    void textBoxHelpers();
    void windowStyleFlags();
    void syntheticClickAndListWidth();
};

void TestWindowFunctions::restoreCentresWhenNothingIsStored()
{
    TempHome home;
    auto w = namedWindow(QStringLiteral("frmFind"));
    RestoreFormPosition(w.get());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(w->size(), QSize(200, 100));
    QCOMPARE(w->pos(), QPoint((screen.width() - 200) / 2, (screen.height() - 100) / 2));
    QCOMPARE(w->windowState(), Qt::WindowNoState);
}

void TestWindowFunctions::placementRoundTripsInTwips()
{
    TempHome home;
    auto w = namedWindow(QStringLiteral("frmStatistics"), QSize(300, 200));
    w->move(40, 60);
    w->show();
    SaveFormPosition(w.get());
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Top, QString()), QStringLiteral("900"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Left, QString()), QStringLiteral("600"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Height, QString()), QStringLiteral("3000"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Width, QString()), QStringLiteral("4500"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::WindowState, QString()), QStringLiteral("0"));

    auto again = namedWindow(QStringLiteral("frmStatistics"), QSize(10, 10));
    RestoreFormPosition(again.get());
    QCOMPARE(again->pos(), QPoint(40, 60));
    QCOMPARE(again->size(), QSize(300, 200));

    // A window that keeps only its place writes neither size nor state.
    auto picker = namedWindow(QStringLiteral("frmContacts"));
    picker->move(15, 30);
    SaveFormPosition(picker.get(), PlacePosition);
    QCOMPARE(GetProperty(Section::frmContacts, Key::Left, QString()), QStringLiteral("225"));
    QCOMPARE(GetProperty(Section::frmContacts, Key::Width, QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(GetProperty(Section::frmContacts, Key::WindowState, QStringLiteral("none")), QStringLiteral("none"));
}

void TestWindowFunctions::maximisedWindowKeepsItsNormalPlacement()
{
    TempHome home;
    auto w = namedWindow(QStringLiteral("frmActivityLog"), QSize(300, 200));
    w->move(10, 20);
    w->show();
    SaveFormPosition(w.get());
    w->showMaximized();
    QTRY_VERIFY(w->isMaximized());
    SaveFormPosition(w.get());
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::WindowState, QString()), QStringLiteral("2"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Width, QString()), QStringLiteral("4500"));
    QCOMPARE(GetProperty(Section::frmActivityLog, Key::Top, QString()), QStringLiteral("300"));

    auto again = namedWindow(QStringLiteral("frmActivityLog"));
    RestoreFormPosition(again.get());
    QVERIFY(again->windowState() & Qt::WindowMaximized);
}

void TestWindowFunctions::placeOnAMissingScreenComesBack()
{
    TempHome home;
    const QRect usable = QGuiApplication::primaryScreen()->availableGeometry();
    // Stored while a second monitor stood to the right of this one.
    SaveProperty(Section::frmScheduler, Key::Left, QString::number(Twips::fromPixels(usable.width() + 500)));
    SaveProperty(Section::frmScheduler, Key::Top, QStringLiteral("1500"));
    SaveProperty(Section::frmScheduler, Key::Width, QString::number(Twips::fromPixels(usable.width() * 2)));
    SaveProperty(Section::frmScheduler, Key::Height, QStringLiteral("3000"));
    auto w = namedWindow(QStringLiteral("frmScheduler"));
    RestoreFormPosition(w.get());
    QVERIFY(usable.contains(QRect(w->pos(), w->size())));
    QCOMPARE(w->width(), usable.width());
    QCOMPARE(w->height(), 200);

    // Above the top edge: the title bar could not be grabbed.
    SaveProperty(Section::frmScheduler, Key::Top, QStringLiteral("-6000"));
    SaveProperty(Section::frmScheduler, Key::Left, QStringLiteral("0"));
    RestoreFormPosition(w.get());
    QVERIFY(w->y() >= usable.top());

    // Partly off the right edge but with its title on screen: left where the user put it.
    SaveProperty(Section::frmScheduler, Key::Left, QString::number(Twips::fromPixels(usable.right() - 100)));
    SaveProperty(Section::frmScheduler, Key::Top, QStringLiteral("1500"));
    SaveProperty(Section::frmScheduler, Key::Width, QStringLiteral("4500"));
    RestoreFormPosition(w.get());
    QCOMPARE(w->pos(), QPoint(usable.right() - 100, 100));
}

void TestWindowFunctions::damagedSizeIsKeptToTheDesktop()
{
    TempHome home;
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    SaveProperty(Section::frmFind, Key::Left, QStringLiteral("0"));
    SaveProperty(Section::frmFind, Key::Top, QStringLiteral("0"));
    SaveProperty(Section::frmFind, Key::Width, QStringLiteral("1e12"));
    SaveProperty(Section::frmFind, Key::Height, QStringLiteral("900000000"));
    auto w = namedWindow(QStringLiteral("frmFind"));
    RestoreFormPosition(w.get());
    QVERIFY2(w->width() <= desktop.width() && w->height() <= desktop.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(w->width()).arg(w->height())));
    QVERIFY(w->width() > 0 && w->height() > 0);
}

void TestWindowFunctions::mainWindowsShareOneSection()
{
    auto base = namedWindow(QStringLiteral("frmBaseMain"));
    auto remote = namedWindow(QStringLiteral("frmRemoteMain"));
    auto pop = namedWindow(QStringLiteral("frmMiniDisplay"));
    QCOMPARE(FormSection(base.get()), QStringLiteral("frmMain"));
    QCOMPARE(FormSection(remote.get()), QStringLiteral("frmMain"));
    QCOMPARE(FormSection(pop.get()), QStringLiteral("frmMiniDisplay"));
}

void TestWindowFunctions::onTopChangesFlagsOnlyOnChange()
{
    TempHome home;
    auto w = namedWindow(QStringLiteral("frmFind"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const WId before = w->winId();
    SetOnTop(w.get(), false);
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(w->winId(), before); // untouched: no re-created window
    QVERIFY(w->isVisible());

    SetOnTop(w.get(), true);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w->isVisible());
    const WId onTop = w->winId();
    SetOnTop(w.get(), true);
    QCOMPARE(w->winId(), onTop);

    // The program-wide option keeps every window on top, forced or not.
    SaveProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("True"));
    SetOnTop(w.get(), false);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    SaveProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("False"));
    SetOnTop(w.get(), false);
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w->isVisible());

    // A hidden window stays hidden.
    auto hidden = namedWindow(QStringLiteral("frmAbout"));
    SetOnTop(hidden.get(), true);
    QVERIFY(hidden->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!hidden->isVisible());
}

void TestWindowFunctions::onTopPutsThePopupFamilyBack()
{
    TempHome home;
    auto pop = namedWindow(QStringLiteral("frmMiniDisplay"));
    auto info = namedWindow(QStringLiteral("frmCallerInfo"));
    auto other = namedWindow(QStringLiteral("frmOtherInfo"));
    pop->show();
    other->show();
    auto dialog = namedWindow(QStringLiteral("frmConfiguration"));
    dialog->show();
    SetOnTop(dialog.get(), false);
    QVERIFY(!(dialog->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(pop->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(other->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(info->windowFlags() & Qt::WindowStaysOnTopHint)); // not visible: left alone
    QVERIFY(pop->isVisible() && other->isVisible());

    // With the pop-up's own option off, the family is not put back on top.
    auto pop2 = namedWindow(QStringLiteral("frmContactPicture"));
    pop2->show();
    SaveProperty(Section::frmMiniDisplay, Key::OnTop, QStringLiteral("False"));
    SetOnTop(dialog.get(), false);
    QVERIFY(!(pop2->windowFlags() & Qt::WindowStaysOnTopHint));
}

void TestWindowFunctions::dialogOpenTest()
{
    QVERIFY(!IsDialogOpen());
    auto other = namedWindow(QStringLiteral("frmFind"));
    other->show();
    QVERIFY(!IsDialogOpen());
    auto about = namedWindow(QStringLiteral("frmAbout"));
    QVERIFY(!IsDialogOpen()); // loaded but hidden
    auto owned = std::make_unique<QDialog>(other.get());
    owned->setObjectName(QStringLiteral("frmAddNumber"));
    owned->show();
    QVERIFY(IsDialogOpen()); // an owned dialog counts too
    owned->hide();
    about->show();
    QVERIFY(IsDialogOpen());
    about->hide();
    QVERIFY(!IsDialogOpen());
}

void TestWindowFunctions::clipboardTextOfRows()
{
    auto model = gridModel(5);
    QString text = CopyGridToClipboard(model.get(), 1, 3, 4, false);
    const QString expected = QStringLiteral("1.0\t1.1\t1.2\t1.3\t1.4\r\n"
                                            "2.0\t2.1\t\t2.3\t2.4\r\n"
                                            "3.0\t3.1\t3.2\t3.3\t3.4");
    QCOMPARE(text, expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);

    // One row: no line end at all.
    QCOMPARE(CopyGridToClipboard(model.get(), 4, 4, 1, false), QStringLiteral("4.0\t4.1"));
    // Every row, whatever is selected.
    text = CopyGridToClipboard(model.get(), 2, 2, 0, true);
    QCOMPARE(text, QStringLiteral("0.0\r\n1.0\r\n2.0\r\n3.0\r\n4.0"));
    QCOMPARE(QGuiApplication::clipboard()->text(), text);

    // An empty grid clears the clipboard and copies nothing.
    QStandardItemModel empty(0, 7);
    QCOMPARE(CopyGridToClipboard(&empty, 0, 0, 6, true), QString());
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void TestWindowFunctions::clipboardFromAnUpwardSelection()
{
    auto model = gridModel(6);
    QTableView view;
    view.setModel(model.get());
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Selected from row 4 upwards to row 2: the anchor is below the current row.
    view.selectionModel()->setCurrentIndex(model->index(4, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.selectionModel()->setCurrentIndex(model->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(QItemSelection(model->index(2, 0), model->index(4, 6)), QItemSelectionModel::Select);
    const QString text = CopyGridToClipboard(&view, 1, false);
    QCOMPARE(text, QStringLiteral("2.0\t2.1\r\n3.0\t3.1\r\n4.0\t4.1"));
    QVERIFY(!text.endsWith(QStringLiteral("\r\n")));
    // The row-number form gives the same rows for either direction.
    QCOMPARE(CopyGridToClipboard(model.get(), 4, 2, 1, false), text);
}

void TestWindowFunctions::taskBarCorner()
{
    auto owner = namedWindow(QStringLiteral("frmBaseMain"), QSize(400, 300));
    owner->show();
    auto note = std::make_unique<QWidget>(nullptr, Qt::Window);
    note->setObjectName(QStringLiteral("frmProcessing"));
    note->resize(150, 80);
    QWidget* raw = note.release(); // owned by owner from here on
    TaskBarPos(raw, owner.get());
    QVERIFY(raw->isVisible());
    QCOMPARE(raw->parentWidget(), owner.get());
    const QRect usable = raw->screen()->availableGeometry();
    QCOMPARE(raw->frameGeometry().bottomRight(), usable.bottomRight());
}

void TestWindowFunctions::copyProgressAboveFiftyRowSteps()
{
    frmProcessing::install();
    ProgramLinks& f = programLinks();
    const auto real = f.createProgressWindow;
    QList<ProgressWindow*> made;
    bool pressStop = false;
    f.createProgressWindow = [&] {
        ProgressWindow* w = real();
        made << w;
        if (pressStop)
            w->setStopProcessing(true);
        return w;
    };
    auto model = gridModel(60);
    // 51 rows are 50 steps: copied without a progress window.
    QString text = CopyGridToClipboard(model.get(), 0, 50, 0, false);
    QCOMPARE(text.count(QStringLiteral("\r\n")), 50);
    QVERIFY(made.isEmpty());
    // 52 rows show it, with the caption and a maximum of the step count.
    QPointer<QObject> window;
    QString caption;
    qint32 maximum = 0;
    f.createProgressWindow = [&] {
        ProgressWindow* w = real();
        made << w;
        window = w->object();
        if (pressStop)
            w->setStopProcessing(true);
        return w;
    };
    text = CopyGridToClipboard(model.get(), 51, 0, 0, false);
    QCOMPARE(made.size(), 1);
    QCOMPARE(text.count(QStringLiteral("\r\n")), 51);
    QVERIFY(text.endsWith(QStringLiteral("51.0")));
    QTRY_VERIFY(!window); // closed and released after the copy
    // Stop ends the copy early with the rows copied so far.
    made.clear();
    pressStop = true;
    f.createProgressWindow = [&] {
        ProgressWindow* w = real();
        made << w;
        w->setStopProcessing(true);
        return w;
    };
    text = CopyGridToClipboard(model.get(), 0, 0, 0, true);
    QCOMPARE(made.size(), 1);
    // Released only once the event loop runs again.
    caption = made.first()->caption();
    maximum = made.first()->maximum();
    QCOMPARE(text, QStringLiteral("0.0"));
    QCOMPARE(caption, QStringLiteral("Coping Data..."));
    QCOMPARE(maximum, 59);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0.0"));
    f.createProgressWindow = real;
}

void TestWindowFunctions::textBoxHelpers()
{
    QLineEdit box;
    box.setText(QStringLiteral("abcdefgh"));
    box.setCursorPosition(3);
    LimitText(&box, 5);
    QCOMPARE(box.text(), QStringLiteral("abcde"));
    QCOMPARE(box.cursorPosition(), 3);
    box.setText(QStringLiteral("abc"));
    LimitText(&box, 5);
    QCOMPARE(box.text(), QStringLiteral("abc"));

    QPlainTextEdit memo;
    memo.setPlainText(QStringLiteral("0123456789"));
    QTextCursor c = memo.textCursor();
    c.setPosition(9);
    memo.setTextCursor(c);
    LimitText(&memo, 4);
    QCOMPARE(memo.toPlainText(), QStringLiteral("0123"));
    QCOMPARE(memo.textCursor().position(), 4);

    QListWidget list;
    list.addItems({QStringLiteral("Home"), QStringLiteral("Work"), QStringLiteral("work")});
    SelectListItem(&list, QStringLiteral("WORK"));
    QCOMPARE(list.currentRow(), 1);
    SelectListItem(&list, QStringLiteral("Fax"));
    QCOMPARE(list.currentRow(), 1);
    QComboBox combo;
    combo.addItems({QStringLiteral("Business"), QStringLiteral("Cellular")});
    SelectListItem(&combo, QStringLiteral("cellular"));
    QCOMPARE(combo.currentIndex(), 1);

    QLineEdit number;
    number.setText(QStringLiteral("abc"));
    ValidateNumber(&number, 1, 60, 20);
    QCOMPARE(number.text(), QStringLiteral("20"));
    number.setText(QStringLiteral("75"));
    ValidateNumber(&number, 1, 60, 20);
    QCOMPARE(number.text(), QStringLiteral("60"));
}

void TestWindowFunctions::windowStyleFlags()
{
    auto w = namedWindow(QStringLiteral("frmMiniDisplay"), QSize(220, 120));
    w->show();
    SetWindowStyle(w.get(), BorderFixedToolWindow, true, true, false, false, false, false);
    QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(w->windowFlags() & Qt::WindowSystemMenuHint);
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w->minimumSize(), QSize(220, 120));
    QCOMPARE(w->maximumSize(), QSize(220, 120));
    QVERIFY(w->isVisible());

    SetWindowStyle(w.get(), BorderSizableToolWindow, true, true, false, false, false, false);
    QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(w->maximumSize().width() > 220);

    // The on-top state survives a change of frame.
    SetOnTop(w.get(), true);
    SetWindowStyle(w.get(), BorderNone, false, false, false, false, true, false);
    QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    SetWindowStyle(w.get(), BorderSizable, false, true, true, true, true, false);
    QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(w->windowFlags() & Qt::FramelessWindowHint));
}

void TestWindowFunctions::syntheticClickAndListWidth()
{
    auto w = namedWindow(QStringLiteral("frmMiniDisplay"), QSize(200, 100));
    w->setWindowTitle(QStringLiteral("Velquon"));
    auto* button = new QPushButton(QStringLiteral("Go"), w.get());
    button->setGeometry(20, 20, 80, 30);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QCOMPARE(GetWindowCaption(w.get()), QStringLiteral("Velquon"));
    QSignalSpy clicked(button, &QPushButton::clicked);
    QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
    QTRY_COMPARE(QApplication::widgetAt(QCursor::pos()), static_cast<QWidget*>(button));
    MouseLeftDown();
    QVERIFY(button->isDown());
    MouseLeftUp();
    QCOMPARE(clicked.count(), 1);

    QListWidget list;
    list.resize(60, 80);
    list.addItems({QStringLiteral("short"), QStringLiteral("a much longer entry than the list is wide")});
    const int extent = SetListScrollWidth(&list);
    QCOMPARE(extent,
             list.fontMetrics().horizontalAdvance(QStringLiteral("a much longer entry than the list is wide")) + 15);
}

QTEST_MAIN(TestWindowFunctions)
#include "test_windowfunctions.moc"
