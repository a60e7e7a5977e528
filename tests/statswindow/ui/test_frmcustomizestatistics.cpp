#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmAddGroup.h"
#include "statswindow/ui/frmAddStatistic.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/FakeModem.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

// The customize statistics dialog and its two editors in the running program: the lists, their order, adding,
// editing and removing user-made items in the real statistics file, Apply, and what a restart finds.

using S = StandaloneSession;

namespace {

void addCall(const QString& name, const QString& number, const char* when)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(*DateText::parse(QString::fromLatin1(when)));
    c.Rings = 2;
    c.Answered = QStringLiteral("YES");
    AddCaller(c);
}

void addContact(const QString& name, const QStringList& numbers)
{
    clsContact c;
    c.Name = name;
    for (const QString& n : numbers)
        c.AddNumber(std::make_shared<clsNumber>(n, QString()));
    QVERIFY(AddContact(c));
}

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QWidget* dialog() { return FindForm(QStringLiteral("frmCustomizeStatistics")); }

QListWidget* list(const char* name) { return named<QListWidget>(dialog(), name); }

QStringList entries(const char* name)
{
    QStringList out;
    for (int i = 0; i < list(name)->count(); ++i)
        out << list(name)->item(i)->text();
    return out;
}

QString selectedIn(const char* name)
{
    const QListWidget* l = list(name);
    return l->currentRow() >= 0 && l->currentItem()->isSelected() ? l->currentItem()->text() : QString();
}

// The user clicks the entry.
void pick(const char* name, const QString& text)
{
    const QList<QListWidgetItem*> found = list(name)->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    list(name)->setCurrentItem(found.first());
}

template <typename T>
QStringList keys(const KeyedCollection<T>* collection)
{
    QStringList out;
    for (const auto& e : *collection)
        out << e.key;
    return out;
}

QByteArray statsFile()
{
    QFile f(StatsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Clicks the button that opens a modal editor, with someone there to answer it: answer gets the editor once
// it is up (an editor it leaves open is cancelled). False when no editor came up.
template <typename Editor>
bool withEditor(const char* button, const std::function<void(Editor*)>& answer)
{
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    bool answered = false;
    // A timer of this call only: when no editor comes up, it must not answer a later one.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* editor = qobject_cast<Editor*>(QApplication::activeModalWidget());
        if (!editor)
            return;
        answered = true;
        answer(editor);
        if (editor->isVisible())
            editor->reject();
    });
    timer.start(0);
    const QString problem = ui::tryTrigger(dialog(), QString::fromLatin1(button));
    qputenv("VELQUON_NONINTERACTIVE", previous);
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return answered;
}

QLineEdit* description(QWidget* editor) { return named<QLineEdit>(editor, "txtDescription"); }
QPlainTextEdit* text(QWidget* editor, const char* name) { return named<QPlainTextEdit>(editor, name); }

// Counts the statistics window's runs by the progress windows they show.
class RunCounter : public QObject {
public:
    RunCounter() { qApp->installEventFilter(this); }
    ~RunCounter() override { qApp->removeEventFilter(this); }
    int count(const QString& caption) const { return int(m_shown.count(caption)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("frmProcessing"))
            m_shown << static_cast<QWidget*>(watched)->windowTitle();
        return false;
    }

private:
    QStringList m_shown;
};

const QString kDuplicate = QStringLiteral("You cannot have duplicate descriptions.");

} // namespace

class TestFrmCustomizeStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void openingShowsTheCollections();
    void currentGroupsKeepTheOrderUpAndDownGive();
    void addingAStatistic();
    void theDescriptionBox();
    void addingAGroupFromContacts();
    void editingItems();
    void removingItems();
    void applyOkCancelAndFreeze();
    void listsFollowOtherChanges();
    void thePopupsChoiceFollowsTheStatistics();
    void aRestartFindsTheItemsAndTheOrder();
    void pictures();

private:
    frmStatistics* openStatistics();
    QWidget* openDialog();
    StandaloneSession m_session;
    int m_popupRefills = 0;
};

void TestFrmCustomizeStatistics::init()
{
    QVERIFY(m_session.start());
    addContact(QStringLiteral("John Smith"), {QStringLiteral("(555) 123-4567"), QStringLiteral("555-9876")});
    addContact(QStringLiteral("Ann Other"), {QStringLiteral("555-0000")});
    UpdateContactCollection();
    addCall(QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567"), "3/1/2024 10:00:00 AM");
    addCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-9876"), "3/2/2024 10:00:00 AM");
    addCall(QStringLiteral("SMITHERS"), QStringLiteral("555-1111"), "3/3/2024 10:00:00 AM");
    addCall(QStringLiteral("ANN OTHER"), QStringLiteral("555-0000"), "3/4/2024 10:00:00 AM");
    addCall(QStringLiteral("PRIVATE NUMBER"), QStringLiteral("PRIVATE NUMBER"), "3/5/2024 10:00:00 AM");
    m_popupRefills = 0;
    windowLinks().customizeMiniDisplayLoadCallerInfoList = [this] { ++m_popupRefills; };
}

void TestFrmCustomizeStatistics::cleanup()
{
    Prompt::resetScript();
    m_session.stop();
}

frmStatistics* TestFrmCustomizeStatistics::openStatistics()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(S::window());
    QCoreApplication::processEvents();
    return w;
}

QWidget* TestFrmCustomizeStatistics::openDialog()
{
    frmStatistics* w = openStatistics();
    const QString problem = ui::tryTrigger(w, QStringLiteral("mnuEditStatistics"));
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return dialog();
}

void TestFrmCustomizeStatistics::openingShowsTheCollections()
{
    QWidget* d = openDialog();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->parentWidget(), frmStatistics::instance(false));
    QCOMPARE(d->windowTitle(), QStringLiteral("Customize Statistics"));
    QCOMPARE(d->size(), QSize(Twips::toPixels(7350), Twips::toPixels(6540)));
    // The default view: its statistics in grid order, the others alphabetically; every group is shown.
    QCOMPARE(
        entries("lstCurrentStatistics"),
        QStringList({"Total Calls", "Total Calls Answered", "Total Calls Not Answered", "Calls Between 9pm and 1am",
                     "Most Calls in a Hour", "Most Calls in a Day", "Most Calls in a Week", "Most Calls in a Month",
                     "Average Calls Per Day", "Average Calls Per Week", "Average Calls Per Month"}));
    QStringList available = entries("lstStatistics");
    QCOMPARE(available.size(), 14);
    QStringList sorted = available;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(available, sorted);
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"All Callers", "Ann Other", "John Smith", "NOT RECEIVED",
                                                       "PRIVATE NUMBER", "UNKNOWN NUMBER"}));
    QVERIFY(entries("lstGroups").isEmpty());
    // The first entry of every list that has one is selected.
    QCOMPARE(selectedIn("lstStatistics"), available.first());
    QCOMPARE(selectedIn("lstCurrentStatistics"), QStringLiteral("Total Calls"));
    QCOMPARE(selectedIn("lstCurrentGroups"), QStringLiteral("All Callers"));
    // An empty list disables its move buttons.
    QVERIFY(!named<QPushButton>(d, "cmdMove(1)")->isEnabled());
    QVERIFY(!named<QPushButton>(d, "cmdMove(3)")->isEnabled());
    for (const char* on : {"cmdMove(0)", "cmdMove(2)", "cmdMove(4)", "cmdMove(5)", "cmdMove(6)", "cmdMove(7)",
                           "cmdUpDown(0)", "cmdUpDown(1)", "cmdUpDown(2)", "cmdUpDown(3)"})
        QVERIFY2(named<QPushButton>(d, on)->isEnabled(), on);
    QCOMPARE(named<QPushButton>(d, "cmdMove(2)")->text(), QStringLiteral(">>"));
    QCOMPARE(named<QPushButton>(d, "cmdApply")->text(), QStringLiteral("&Apply"));

    // Its place is kept in its own section.
    d->move(d->pos() + QPoint(30, 20));
    const QPoint moved = d->pos();
    const QString left = GetProperty(Section::frmCustomizeStatistics, QStringLiteral("Left"), QString());
    TRIGGER(d, "cmdCancel");
    QVERIFY(!d->isVisible());
    QVERIFY(GetProperty(Section::frmCustomizeStatistics, QStringLiteral("Left"), QString()) != left);
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");
    QCOMPARE(d->pos(), moved);
}

void TestFrmCustomizeStatistics::currentGroupsKeepTheOrderUpAndDownGive()
{
    QWidget* d = openDialog();
    TRIGGER(d, "cmdMove(7)"); // "<<": every current group back
    QVERIFY(entries("lstCurrentGroups").isEmpty());
    QVERIFY(!named<QPushButton>(d, "cmdUpDown(1)")->isEnabled());
    pick("lstGroups", QStringLiteral("PRIVATE NUMBER"));
    TRIGGER(d, "cmdMove(1)");
    pick("lstGroups", QStringLiteral("All Callers"));
    TRIGGER(d, "cmdMove(1)");
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"All Callers", "PRIVATE NUMBER"}));
    pick("lstCurrentGroups", QStringLiteral("All Callers"));
    TRIGGER(d, "cmdUpDown(3)"); // down
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"PRIVATE NUMBER", "All Callers"}));
    QCOMPARE(selectedIn("lstCurrentGroups"), QStringLiteral("All Callers"));
    TRIGGER(d, "cmdUpDown(3)"); // down on the last: nothing
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"PRIVATE NUMBER", "All Callers"}));
    // A double click moves an entry across.
    list("lstGroups")->setCurrentRow(0);
    emit list("lstGroups")->itemDoubleClicked(list("lstGroups")->item(0));
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"Ann Other", "PRIVATE NUMBER", "All Callers"}));
    TRIGGER(d, "cmdApply");
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"Ann Other", "PRIVATE NUMBER", "All Callers"}));
    QCOMPARE(gridOf(frmStatistics::instance(false))->Rows(), 4);
    TRIGGER(frmStatistics::instance(false), "mnuEditSaveSettings");
    QCOMPARE(GetProperty(Section::frmStatistics, Key::SavedGroups, QString()),
             QStringLiteral("Ann Other;PRIVATE NUMBER;All Callers;"));
    // Opened again, the current groups come up alphabetically.
    TRIGGER(d, "cmdCancel");
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"All Callers", "Ann Other", "PRIVATE NUMBER"}));
}

void TestFrmCustomizeStatistics::addingAStatistic()
{
    QWidget* d = openDialog();
    frmStatistics* w = frmStatistics::instance(false);
    QString style;
    QVERIFY(withEditor<frmAddStatistic>("cmdAddStatistic", [&](frmAddStatistic* e) {
        QCOMPARE(e->windowTitle(), QStringLiteral("Add Statistic"));
        style = named<QComboBox>(e, "cboStyle")->currentText();
        QCOMPARE(named<QComboBox>(e, "cboStyle")->count(), 21);
        QTest::keyClicks(description(e), QStringLiteral("Smith Calls"));
        text(e, "txtStatisticSQL")->setPlainText(QStringLiteral("fldName Like '*SMITH*'"));
        TRIGGER(e, "cmdSave");
    }));
    QCOMPARE(style, QStringLiteral("None"));
    const auto smith = gStatistics->item(QStringLiteral("Smith Calls"));
    QVERIFY(smith && smith->Custom);
    QCOMPARE(smith->Statistic, QStringLiteral("fldName Like '*SMITH*'"));
    QCOMPARE(smith->Style, QStringLiteral("NONE"));
    QVERIFY(entries("lstStatistics").contains(QStringLiteral("Smith Calls")));
    QVERIFY(!entries("lstCurrentStatistics").contains(QStringLiteral("Smith Calls")));
    QCOMPARE(statsFile(), QByteArray("\"Statistic\",\"Smith Calls\",\"fldName Like '*SMITH*'\",\"NONE\"\r\n"));
    QVERIFY(items(named<QComboBox>(w, "cboGraphStatistic")).contains(QStringLiteral("Smith Calls")));
    QCOMPARE(m_popupRefills, 1);

    // Another one differing only in case is refused, and the editor stays open.
    Prompt::clearHistory();
    bool stayedOpen = false;
    QVERIFY(withEditor<frmAddStatistic>("cmdAddStatistic", [&](frmAddStatistic* e) {
        description(e)->setText(QStringLiteral("smith calls"));
        TRIGGER(e, "cmdSave");
        stayedOpen = e->isVisible();
        QCOMPARE(description(e)->text(), QStringLiteral("smith calls"));
        TRIGGER(e, "cmdCancel");
    }));
    QVERIFY(stayedOpen);
    QCOMPARE(Prompt::texts(), QStringList{kDuplicate});
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
    QCOMPARE(entries("lstStatistics").count(QStringLiteral("Smith Calls")), 1);
    QCOMPARE(m_popupRefills, 1);

    // Shown and computed: Apply recomputes the grid once.
    pick("lstStatistics", QStringLiteral("Smith Calls"));
    TRIGGER(d, "cmdMove(0)");
    QCOMPARE(entries("lstCurrentStatistics").last(), QStringLiteral("Smith Calls"));
    RunCounter runs;
    TRIGGER(d, "cmdApply");
    QCOMPARE(runs.count(QStringLiteral("Processing Statistics...")), 1);
    QCOMPARE(runs.count(QStringLiteral("Processing Graph Data...")), 0);
    QVERIFY(d->isVisible()); // Apply keeps the dialog open
    QCOMPARE(gridOf(w)->TextMatrix(0, 12), QStringLiteral("Smith Calls"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("All Callers"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 12), QStringLiteral("3")); // JOHN SMITH twice, SMITHERS
}

void TestFrmCustomizeStatistics::theDescriptionBox()
{
    openDialog();
    QVERIFY(withEditor<frmAddStatistic>("cmdAddStatistic", [&](frmAddStatistic* e) {
        QLineEdit* box = description(e);
        // Typed: the separators go nowhere.
        QTest::keyClicks(box, QStringLiteral("A/b;c'd|e"));
        QCOMPARE(box->text(), QStringLiteral("Abcde"));
        // Pasted: the same.
        box->clear();
        box->insert(QStringLiteral("To//tal; Ca|lls"));
        QCOMPARE(box->text(), QStringLiteral("Total Calls"));
        QCOMPARE(box->cursorPosition(), 11);
        // Pasted in the middle, the caret stays after what was kept of the paste.
        box->setText(QStringLiteral("xy"));
        box->setCursorPosition(1);
        box->insert(QStringLiteral("//|"));
        QCOMPARE(box->text(), QStringLiteral("xy"));
        QCOMPARE(box->cursorPosition(), 1);
        box->insert(QStringLiteral("a/b"));
        QCOMPARE(box->text(), QStringLiteral("xaby"));
        QCOMPARE(box->cursorPosition(), 3);
        // 49 characters stay whole, a 50th is not taken.
        box->clear();
        QTest::keyClicks(box, QString(49, QLatin1Char('x')));
        QTest::keyClicks(box, QStringLiteral("y"));
        QCOMPARE(box->text(), QString(49, QLatin1Char('x')));
        // An empty description is refused with the editor open.
        Prompt::clearHistory();
        box->clear();
        TRIGGER(e, "cmdSave");
        QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("You must enter a description.")});
        QVERIFY(e->isVisible());
        // A built-in's name, whatever case, is refused.
        box->setText(QStringLiteral("TOTAL CALLS"));
        TRIGGER(e, "cmdSave");
        QCOMPARE(Prompt::texts().last(), kDuplicate);
        QVERIFY(e->isVisible());
        QCOMPARE(gToolTip->toolText(e), QStringLiteral("This form allows you to create custom statistics."));
        QCOMPARE(gToolTip->toolText(named<QComboBox>(e, "cboStyle")),
                 QStringLiteral("You can select various styles for you custom statistic. Each style runs SQL "
                                "statements in addition to the SQL entered into the above text box."));
        TRIGGER(e, "cmdCancel");
        QCOMPARE(e->Description(), QString());
    }));
    QVERIFY(withEditor<frmAddGroup>("cmdAddGroup", [&](frmAddGroup* e) {
        QCOMPARE(gToolTip->toolText(description(e)),
                 QStringLiteral("Here is where you enter the name you would like this statitics group to have. "
                                "Duplicate names are not allowed."));
        // Closed with the close box: nothing is handed back.
        description(e)->setText(QStringLiteral("Closed"));
        e->close();
        QCOMPARE(e->Description(), QString());
    }));
    QVERIFY(!gGroups->contains(QStringLiteral("Closed")));
    QCOMPARE(entries("lstStatistics").size(), 14);
    QVERIFY(statsFile().isEmpty());
}

void TestFrmCustomizeStatistics::addingAGroupFromContacts()
{
    openDialog();
    const QString condition = QStringLiteral("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9876*')");
    QVERIFY(withEditor<frmAddGroup>("cmdAddGroup", [&](frmAddGroup* e) {
        QCOMPARE(e->windowTitle(), QStringLiteral("Add Group"));
        auto* contacts = named<QListWidget>(e, "lstContact");
        QCOMPARE(contacts->count(), 2);
        QCOMPARE(contacts->item(0)->text(), QStringLiteral("Ann Other")); // sorted
        QListWidgetItem* john = contacts->item(1);
        QCOMPARE(john->checkState(), Qt::Unchecked);
        john->setCheckState(Qt::Checked);
        QCOMPARE(text(e, "txtGroup")->toPlainText(), condition);
        // Unticking the last ticked contact leaves a condition that counts none of the log's calls, not all of them.
        john->setCheckState(Qt::Unchecked);
        clsGroup nobody;
        nobody.Group = text(e, "txtGroup")->toPlainText();
        QCOMPARE(ExecuteStat(*gStatistics->item(QStringLiteral("Total Calls")), nobody, 0, QString()), 0.0);
        contacts->item(0)->setCheckState(Qt::Checked);
        john->setCheckState(Qt::Checked);
        QCOMPARE(text(e, "txtGroup")->toPlainText(),
                 QStringLiteral("(fldNumber like '*555-0000*' or fldNumber like '*(555) 123-4567*' or "
                                "fldNumber like '*555-9876*')"));
        contacts->item(0)->setCheckState(Qt::Unchecked);
        description(e)->setText(QStringLiteral("Smith Group"));
        TRIGGER(e, "cmdSave");
    }));
    const auto group = gGroups->item(QStringLiteral("Smith Group"));
    QVERIFY(group && group->Custom);
    QCOMPARE(group->Group, condition);
    QVERIFY(entries("lstGroups").contains(QStringLiteral("Smith Group")));
    QCOMPARE(statsFile(),
             (QStringLiteral("\"Group\",\"Smith Group\",\"") + condition + QStringLiteral("\"\r\n")).toUtf8());
    QVERIFY(!named<QListWidget>(frmStatistics::instance(false), "lstGraphGroup")
                 ->findItems(QStringLiteral("Smith Group"), Qt::MatchExactly)
                 .isEmpty());
    QCOMPARE(m_popupRefills, 0); // the pop-up lists statistics only
}

void TestFrmCustomizeStatistics::editingItems()
{
    QWidget* d = openDialog();
    StatsCustomization::AddGroup(QStringLiteral("Smith Group"),
                                 QStringLiteral("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9876*') "
                                                "and fldRings > 1"));
    StatsCustomization::AddStatistic(QStringLiteral("Long Calls"), QStringLiteral("fldRings > 5"),
                                     QStringLiteral("MOST RINGS"));
    TRIGGER(d, "cmdCancel");
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");

    // Nothing selected: the request to select, never the intrinsic message.
    list("lstGroups")->setCurrentRow(-1);
    Prompt::clearHistory();
    QVERIFY(!withEditor<frmAddGroup>("cmdEditGroup", [](frmAddGroup*) {}));
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("You must select a group to edit.")});

    // Opened on the group: its texts, and the contacts its condition covers ticked, the condition kept.
    pick("lstGroups", QStringLiteral("Smith Group"));
    QVERIFY(withEditor<frmAddGroup>("cmdEditGroup", [&](frmAddGroup* e) {
        QCOMPARE(e->windowTitle(), QStringLiteral("Edit Group"));
        QCOMPARE(description(e)->text(), QStringLiteral("Smith Group"));
        QVERIFY(text(e, "txtGroup")->toPlainText().endsWith(QStringLiteral(" and fldRings > 1")));
        auto* contacts = named<QListWidget>(e, "lstContact");
        QCOMPARE(contacts->item(1)->checkState(), Qt::Checked);   // John Smith
        QCOMPARE(contacts->item(0)->checkState(), Qt::Unchecked); // Ann Other
        // A rename onto another group is refused.
        Prompt::clearHistory();
        description(e)->setText(QStringLiteral("all callers"));
        TRIGGER(e, "cmdSave");
        QCOMPARE(Prompt::texts(), QStringList{kDuplicate});
        QVERIFY(e->isVisible());
        description(e)->setText(QStringLiteral("Smith Family"));
        TRIGGER(e, "cmdSave");
    }));
    QVERIFY(!gGroups->contains(QStringLiteral("Smith Group")));
    QVERIFY(gGroups->item(QStringLiteral("Smith Family"))->Group.endsWith(QStringLiteral(" and fldRings > 1")));
    QVERIFY(entries("lstGroups").contains(QStringLiteral("Smith Family")));
    QCOMPARE(selectedIn("lstGroups"), QStringLiteral("Smith Family"));
    QVERIFY(statsFile().contains("\"Smith Family\""));
    QVERIFY(!statsFile().contains("\"Smith Group\""));
    // Not shown before, not shown after.
    QVERIFY(!gCurrentGroups->contains(QStringLiteral("Smith Family")));

    // A statistic keeps its style, and its name may change case only.
    pick("lstStatistics", QStringLiteral("Long Calls"));
    QVERIFY(withEditor<frmAddStatistic>("cmdEditStatistic", [&](frmAddStatistic* e) {
        QCOMPARE(e->windowTitle(), QStringLiteral("Edit Statistic"));
        QCOMPARE(named<QComboBox>(e, "cboStyle")->currentText(), QStringLiteral("Most Rings"));
        QCOMPARE(text(e, "txtStatisticSQL")->toPlainText(), QStringLiteral("fldRings > 5"));
        description(e)->setText(QStringLiteral("LONG CALLS"));
        named<QComboBox>(e, "cboStyle")->setCurrentIndex(2);
        TRIGGER(e, "cmdSave");
    }));
    QCOMPARE(gStatistics->item(QStringLiteral("long calls"))->Description, QStringLiteral("LONG CALLS"));
    QCOMPARE(gStatistics->item(QStringLiteral("long calls"))->Style, QStringLiteral("AVERAGE RINGS"));
    QVERIFY(entries("lstStatistics").contains(QStringLiteral("LONG CALLS")));
    QCOMPARE(m_popupRefills, 1);

    // A built-in can be looked at, not saved; Cancel hands back nothing.
    pick("lstStatistics", QStringLiteral("Most Rings"));
    QVERIFY(withEditor<frmAddStatistic>("cmdEditStatistic", [&](frmAddStatistic* e) {
        QVERIFY(description(e)->isReadOnly());
        QVERIFY(text(e, "txtStatisticSQL")->isReadOnly());
        QVERIFY(!named<QComboBox>(e, "cboStyle")->isEnabled());
        QVERIFY(!named<QPushButton>(e, "cmdSave")->isEnabled());
        QCOMPARE(named<QComboBox>(e, "cboStyle")->currentText(), QStringLiteral("Most Rings"));
        TRIGGER(e, "cmdCancel");
        QCOMPARE(e->Description(), QString());
    }));
    QVERIFY(!gStatistics->item(QStringLiteral("Most Rings"))->Custom);
}

void TestFrmCustomizeStatistics::removingItems()
{
    QWidget* d = openDialog();
    Prompt::clearHistory();
    list("lstStatistics")->setCurrentRow(-1);
    TRIGGER(d, "cmdRemoveStatistic");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("You must select a statistic to remove.")});
    pick("lstStatistics", QStringLiteral("Most Rings"));
    TRIGGER(d, "cmdRemoveStatistic");
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Intrinsic statistics cannot be removed."));
    QVERIFY(entries("lstStatistics").contains(QStringLiteral("Most Rings")));
    TRIGGER(d, "cmdMove(7)"); // every current group back
    pick("lstGroups", QStringLiteral("All Callers"));
    TRIGGER(d, "cmdRemoveGroup");
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Intrinsic groups cannot be removed."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));

    StatsCustomization::AddStatistic(QStringLiteral("Zz Last"), QString(), QStringLiteral("NONE"));
    StatsCustomization::AddStatistic(QStringLiteral("Smith Calls"), QString(), QStringLiteral("NONE"));
    TRIGGER(d, "cmdCancel");
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");
    // Asked first; No keeps it.
    Prompt::clearHistory();
    pick("lstStatistics", QStringLiteral("Zz Last"));
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(d, "cmdRemoveStatistic");
    QCOMPARE(Prompt::texts(),
             QStringList{QStringLiteral("Are you sure you want to permanently remove this statistic?")});
    QCOMPARE(Prompt::history().first().buttons, int(Prompt::YesNo));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QVERIFY(gStatistics->contains(QStringLiteral("Zz Last")));
    // Yes removes it everywhere; the last entry removed, the one before it is selected.
    const QString before = entries("lstStatistics").at(entries("lstStatistics").size() - 2);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(d, "cmdRemoveStatistic");
    QVERIFY(!gStatistics->contains(QStringLiteral("Zz Last")));
    QVERIFY(!entries("lstStatistics").contains(QStringLiteral("Zz Last")));
    QCOMPARE(selectedIn("lstStatistics"), before);
    QVERIFY(!statsFile().contains("Zz Last"));
    QVERIFY(!items(named<QComboBox>(frmStatistics::instance(false), "cboGraphStatistic"))
                 .contains(QStringLiteral("Zz Last")));
    QCOMPARE(m_popupRefills, 1);
    // Without ConfirmDeletion nobody is asked.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    Prompt::clearHistory();
    pick("lstStatistics", QStringLiteral("Smith Calls"));
    TRIGGER(d, "cmdRemoveStatistic");
    QVERIFY(Prompt::texts().isEmpty());
    QVERIFY(!gStatistics->contains(QStringLiteral("Smith Calls")));
    QCOMPARE(statsFile(), QByteArray());
}

void TestFrmCustomizeStatistics::applyOkCancelAndFreeze()
{
    QWidget* d = openDialog();
    frmStatistics* w = frmStatistics::instance(false);
    // Cancel drops the moves.
    TRIGGER(d, "cmdMove(6)");
    TRIGGER(d, "cmdCancel");
    QCOMPARE(gCurrentStatistics->count(), 11);
    // OK applies them and closes; both lists empty leave both collections empty.
    TRIGGER(w, "mnuEditStatistics");
    TRIGGER(d, "cmdMove(6)");
    TRIGGER(d, "cmdMove(7)");
    QVERIFY(!named<QPushButton>(d, "cmdMove(6)")->isEnabled());
    TRIGGER(d, "cmdOK");
    QVERIFY(!d->isVisible());
    QVERIFY(gCurrentStatistics->isEmpty());
    QVERIFY(gCurrentGroups->isEmpty());
    QCOMPARE(gridOf(w)->Rows(), 1);
    // While the window waits for its server, Apply and OK wait too.
    TRIGGER(w, "mnuEditStatistics");
    pick("lstStatistics", QStringLiteral("Total Calls"));
    TRIGGER(d, "cmdMove(0)");
    w->Freeze(true);
    QVERIFY(!ui::tryTrigger(d, QStringLiteral("cmdApply")).isEmpty());
    QVERIFY(!ui::tryTrigger(d, QStringLiteral("cmdOK")).isEmpty());
    QVERIFY(gCurrentStatistics->isEmpty());
    w->Freeze(false);
    TRIGGER(d, "cmdApply");
    QCOMPARE(keys(gCurrentStatistics.get()), QStringList({"Total Calls"}));
    // Closing the statistics window closes the dialogs it owns.
    TRIGGER(w, "mnuTime(8)");
    QWidget* time = FindForm(QStringLiteral("frmCustomizeTime"));
    QVERIFY(time->isVisible() && d->isVisible());
    TRIGGER(w, "mnuFileClose");
    QVERIFY(!d->isVisible());
    QVERIFY(!time->isVisible());
}

void TestFrmCustomizeStatistics::listsFollowOtherChanges()
{
    QWidget* d = openDialog();
    pick("lstCurrentGroups", QStringLiteral("NOT RECEIVED"));
    // A contact saved meanwhile gets its group (not shown yet); the lists keep the places selected.
    addContact(QStringLiteral("Bob New"), {QStringLiteral("555-2222")});
    UpdateContactCollection();
    QCOMPARE(entries("lstGroups"), QStringList({"Bob New"}));
    QCOMPARE(list("lstCurrentGroups")->currentRow(), 3);
    QCOMPARE(selectedIn("lstCurrentGroups"), QStringLiteral("NOT RECEIVED"));
    // Another statistics file: the lists show what it holds.
    StatsCustomization::AddStatistic(QStringLiteral("Smith Calls"), QString(), QStringLiteral("NONE"));
    TRIGGER(d, "cmdCancel");
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");
    QVERIFY(entries("lstStatistics").contains(QStringLiteral("Smith Calls")));
    m_popupRefills = 0;
    Prompt::queueText(m_session.home().file(QStringLiteral("Fresh.dat")));
    TRIGGER(frmStatistics::instance(false), "mnuFileNew");
    QVERIFY(!entries("lstStatistics").contains(QStringLiteral("Smith Calls")));
    QCOMPARE(m_popupRefills, 1);
}

void TestFrmCustomizeStatistics::thePopupsChoiceFollowsTheStatistics()
{
    // The pop-up's own customisation dialog, open beside this one, lists every statistic to choose from.
    frmCustomizeMiniDisplay::showModeless();
    frmCustomizeMiniDisplay* popup = frmCustomizeMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    auto offered = [popup] {
        QStringList out;
        for (const char* name : {"lstInfo", "lstCurrentInfo"}) {
            const auto* l = named<QListWidget>(popup, name);
            for (int i = 0; i < l->count(); ++i)
                out << l->item(i)->text();
        }
        return out;
    };
    QVERIFY(!offered().contains(QStringLiteral("Smith Calls")));
    QWidget* d = openDialog();
    QVERIFY(withEditor<frmAddStatistic>("cmdAddStatistic", [](frmAddStatistic* e) {
        description(e)->setText(QStringLiteral("Smith Calls"));
        TRIGGER(e, "cmdSave");
    }));
    QVERIFY(offered().contains(QStringLiteral("Smith Calls")));
    pick("lstStatistics", QStringLiteral("Smith Calls"));
    QVERIFY(withEditor<frmAddStatistic>("cmdEditStatistic", [](frmAddStatistic* e) {
        description(e)->setText(QStringLiteral("Smith Family Calls"));
        TRIGGER(e, "cmdSave");
    }));
    QVERIFY(!offered().contains(QStringLiteral("Smith Calls")));
    QVERIFY(offered().contains(QStringLiteral("Smith Family Calls")));
    pick("lstStatistics", QStringLiteral("Smith Family Calls"));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(d, "cmdRemoveStatistic");
    QVERIFY(!offered().contains(QStringLiteral("Smith Family Calls")));
    QCOMPARE(offered().size(), gStatistics->count());
    popup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestFrmCustomizeStatistics::aRestartFindsTheItemsAndTheOrder()
{
    QWidget* d = openDialog();
    QVERIFY(withEditor<frmAddStatistic>("cmdAddStatistic", [](frmAddStatistic* e) {
        description(e)->setText(QStringLiteral("Smith Calls"));
        text(e, "txtStatisticSQL")->setPlainText(QStringLiteral("fldName Like '*SMITH*'"));
        TRIGGER(e, "cmdSave");
    }));
    QVERIFY(withEditor<frmAddGroup>("cmdAddGroup", [](frmAddGroup* e) {
        description(e)->setText(QStringLiteral("Smith Group"));
        named<QListWidget>(e, "lstContact")->item(1)->setCheckState(Qt::Checked);
        TRIGGER(e, "cmdSave");
    }));
    TRIGGER(d, "cmdMove(6)");
    TRIGGER(d, "cmdMove(7)");
    for (const char* s : {"Smith Calls", "Total Calls"}) {
        pick("lstStatistics", QString::fromLatin1(s));
        TRIGGER(d, "cmdMove(0)");
    }
    for (const char* g : {"Smith Group", "All Callers"}) {
        pick("lstGroups", QString::fromLatin1(g));
        TRIGGER(d, "cmdMove(1)");
    }
    pick("lstCurrentGroups", QStringLiteral("All Callers"));
    TRIGGER(d, "cmdUpDown(3)");
    QCOMPARE(entries("lstCurrentGroups"), QStringList({"Smith Group", "All Callers"}));
    TRIGGER(d, "cmdOK");
    TRIGGER(frmStatistics::instance(false), "mnuEditSaveSettings");

    // A fresh program in the same home: the statistics file and the saved view are read again, the file
    // once the modem has been opened.
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmStatistics::instance(false));
    QVERIFY(!gStatistics);
    FakeModem modem;
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    QVERIFY(Main());
    QVERIFY(!gStatistics->contains(QStringLiteral("Smith Calls")));
    QTRY_VERIFY(S::port()->ModemConnected && gStatistics->contains(QStringLiteral("Smith Calls")));
    QVERIFY(gStatistics->item(QStringLiteral("Smith Calls"))->Custom);
    QCOMPARE(gGroups->item(QStringLiteral("Smith Group"))->Group,
             QStringLiteral("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9876*')"));
    frmStatistics* w = openStatistics();
    QCOMPARE(gridOf(w)->TextMatrix(0, 1), QStringLiteral("Smith Calls"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 2), QStringLiteral("Total Calls"));
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"Smith Group", "All Callers"}));
    QCOMPARE(column(w, 0), QStringList({"All Callers", "Smith Group"})); // the grid sorts its rows
    QCOMPARE(column(w, 1), QStringList({"3", "2"}));
    TRIGGER(w, "mnuEditStatistics");
    QCOMPARE(entries("lstCurrentStatistics"), QStringList({"Smith Calls", "Total Calls"}));
}

void TestFrmCustomizeStatistics::pictures()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (ctest sets it)");
    const QString folder = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(folder));
    QWidget* d = openDialog();
    frmCustomizeTime::showFor(QStringLiteral("Stats"), frmStatistics::instance(false));
    QWidget* time = FindForm(QStringLiteral("frmCustomizeTime"));
    QVERIFY(time && time->isVisible());
    const struct {
        QWidget* window;
        const char* file;
    } shots[] = {{d, "customize-statistics.png"}, {time, "customize-time.png"}};
    for (const auto& shot : shots) {
        const QImage image = shot.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(image.save(folder + QLatin1Char('/') + QLatin1String(shot.file)));
        QCOMPARE(image.size(), shot.window->size() * shot.window->devicePixelRatio());
        // Something is drawn: more than one colour, and more than a sliver of the picture differs from the
        // background.
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        }
        int most = 0;
        for (int n : counts)
            most = std::max(most, n);
        const double inked =
            100.0 * (double(image.width()) * image.height() - most) / (double(image.width()) * image.height());
        QVERIFY2(counts.size() > 10 && inked > 5, shot.file);
    }
}

QTEST_MAIN(TestFrmCustomizeStatistics)
#include "test_frmcustomizestatistics.moc"
