#include <QRadioButton>

#include "ContactBookFixture.h"
#include "contacts/ui/frmFindContact.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"

namespace {

QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

// The Find Contact window over a real contact file: opened from the book's menu and toolbar, its search and
// count, its history, and Display showing the chosen contact in the book.
class TestFindContact : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensFromMenuAndToolbar();
    void searchFillsTheListAndCountAndRemembersTenPatterns();
    void displayShowsTheChosenContact();

private:
    frmFindContact* openFind();
    void search(frmFindContact* f, const QString& pattern, int field = 0);
    std::unique_ptr<book::Fixture> m_book;
    frmContacts* m_window = nullptr;
};

void TestFindContact::init()
{
    m_book = std::make_unique<book::Fixture>();
    Prompt::resetScript();
    m_book->store(book::contact(QStringLiteral("North"), {"555-0001"}));
    m_book->store(book::contact(QStringLiteral("Northgate"), {"555-0002", "555-0003"}));
    m_book->store(book::contact(QStringLiteral("Émile"), {"444-0004"}));
    m_window = m_book->open();
}

void TestFindContact::cleanup()
{
    delete frmFindContact::instance(false);
    m_book->close();
    m_book.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmFindContact* TestFindContact::openFind()
{
    if (!ui::tryTrigger(m_window, QStringLiteral("mnuEditFind")).isEmpty())
        return nullptr;
    return frmFindContact::instance(false);
}

void TestFindContact::search(frmFindContact* f, const QString& pattern, int field)
{
    ui::findByName<QRadioButton>(f, QStringLiteral("optField(%1)").arg(field))->setChecked(true);
    ui::findByName<QComboBox>(f, QStringLiteral("cboConditions"))->setEditText(pattern);
    TRIGGER(f, "cmdFind");
}

void TestFindContact::opensFromMenuAndToolbar()
{
    frmFindContact* f = openFind();
    QVERIFY(f && f->isVisible());
    QCOMPARE(f->windowTitle(), QStringLiteral("Find Contact"));
    QCOMPARE(ui::findByName<QLabel>(f, QStringLiteral("lblRecords"))->text(), QStringLiteral("0"));
    QVERIFY(ui::findByName<QRadioButton>(f, QStringLiteral("optField(0)"))->isChecked());
    TRIGGER(f, "cmdClose");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmFindContact::instance(false));
    // Its place is kept, in twips.
    QVERIFY(!GetProperty(QString::fromLatin1(Section::frmFindContact), QStringLiteral("Top"), QString()).isEmpty());
    TRIGGER(m_window, "Toolbar1.Buttons(find)");
    QVERIFY(frmFindContact::instance(false) && frmFindContact::instance(false)->isVisible());
}

void TestFindContact::searchFillsTheListAndCountAndRemembersTenPatterns()
{
    frmFindContact* f = openFind();
    QVERIFY(f);
    auto* results = ui::findByName<QListWidget>(f, QStringLiteral("lstResults"));
    auto* count = ui::findByName<QLabel>(f, QStringLiteral("lblRecords"));
    auto* conditions = ui::findByName<QComboBox>(f, QStringLiteral("cboConditions"));

    search(f, QStringLiteral("north*"));
    QCOMPARE(book::lines(results), (QStringList{"North", "Northgate"}));
    QCOMPARE(count->text(), QStringLiteral("2"));

    // Numbers: each owner once, every matching number counted.
    search(f, QStringLiteral("555*"), 1);
    QCOMPARE(book::lines(results), (QStringList{"North", "Northgate"}));
    QCOMPARE(count->text(), QStringLiteral("3"));

    // No match empties the list and shows "0"; so does a pattern the search cannot read.
    search(f, QStringLiteral("O'Neil"));
    QVERIFY(book::lines(results).isEmpty());
    QCOMPARE(count->text(), QStringLiteral("0"));
    QCOMPARE(items(conditions).value(0), QStringLiteral("O'Neil"));
    search(f, QStringLiteral("émile"));
    QCOMPARE(book::lines(results), QStringList{"Émile"});
    search(f, QStringLiteral("[a"));
    QVERIFY(book::lines(results).isEmpty());
    QCOMPARE(count->text(), QStringLiteral("0"));

    // An empty pattern does nothing at all.
    const QStringList before = items(conditions);
    search(f, QString());
    QCOMPARE(items(conditions), before);

    for (int i = 1; i <= 11; ++i)
        search(f, QStringLiteral("p%1").arg(i));
    QStringList newest;
    for (int i = 11; i >= 2; --i)
        newest << QStringLiteral("p%1").arg(i);
    QCOMPARE(items(conditions), newest);
    // The typed pattern stays in the box.
    QCOMPARE(conditions->currentText(), QStringLiteral("p11"));
}

void TestFindContact::displayShowsTheChosenContact()
{
    frmFindContact* f = openFind();
    QVERIFY(f);
    auto* results = ui::findByName<QListWidget>(f, QStringLiteral("lstResults"));
    search(f, QStringLiteral("*gate"));
    QCOMPARE(book::lines(results), QStringList{"Northgate"});
    // Nothing chosen: nothing happens.
    const QString shown = m_window->txtName->text();
    TRIGGER(f, "cmdDisplay");
    QCOMPARE(m_window->txtName->text(), shown);
    results->setCurrentRow(0);
    TRIGGER(f, "cmdDisplay");
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Northgate"));
    QCOMPARE(m_window->views().listSelectedText(), QStringLiteral("Northgate"));
    QCOMPARE(m_window->strState, QStringLiteral("viewing"));
}

QTEST_MAIN(TestFindContact)
#include "test_findcontact.moc"
