#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/modContactDB.h"
#include "platform/DateText.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

namespace {

clsCaller call(qint32 id, const QString& name, const QString& number)
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(Clock::now());
    c.Rings = 2;
    c.Answered = QStringLiteral("N/A");
    return c;
}

bool onTop(const QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

} // namespace

// The pop-up's two commands that turn the caller it shows into contact data: stored on a standalone
// program, sent to the server by a client, and the dialogs kept above the pop-up.
class TestPopupContacts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void standaloneStoresTheCaller();
    void aCallerWithoutNameOrNumberOffersNothing();
    void clientSendsAndChangesNothing();
    void thePopupGoingWhileADialogWaitsStoresNothing();
};

void TestPopupContacts::standaloneStoresTheCaller()
{
    S session;
    QVERIFY(session.start());
    miniDisplay().Show();
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup);
    miniDisplay().UpdateForm(call(1, QStringLiteral("JOHN SMITH"), QStringLiteral("(212) 555-1234")));

    QString proposed;
    bool above = false;
    ModalDialog::queueScript([&](QDialog& d) {
        above = onTop(&d);
        proposed = d.findChild<QLineEdit*>(QStringLiteral("txtName"))->text() + QLatin1Char('|') +
                   d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->currentText();
        d.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("John Smith"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(popup, "mnuPopupCreateNew");
    QCOMPARE(proposed, QStringLiteral("JOHN SMITH|(212) 555-1234"));
    QVERIFY(above);
    QCOMPARE(GetContact(QStringLiteral("John Smith"))->Numbers.count(), 1);
    // The pop-up shows the caller's contact now.
    QCOMPARE(miniDisplay().CurrentCaller.ContactName, QStringLiteral("John Smith"));

    // A second caller's number added to John.
    miniDisplay().UpdateForm(call(2, QStringLiteral("CELL PHONE"), QStringLiteral("555-0101")));
    ModalDialog::queueScript([&](QDialog& d) {
        above = onTop(&d);
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Cellular"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(popup, "mnuPopupAddToCurrent");
    QVERIFY(above);
    QCOMPARE(GetContact(QStringLiteral("John Smith"))->Numbers.at(1)->PrintNumberDescription(),
             QStringLiteral("555-0101 (Cellular)"));
    QCOMPARE(miniDisplay().CurrentCaller.ContactName, QStringLiteral("John Smith"));
    QVERIFY(Prompt::history().isEmpty());
    session.stop();
}

void TestPopupContacts::aCallerWithoutNameOrNumberOffersNothing()
{
    S session;
    QVERIFY(session.start());
    miniDisplay().Show();
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    miniDisplay().UpdateForm(call(1, QString(), QStringLiteral("555-0101")));
    // No dialog is shown: a script queued for one stays unused.
    ModalDialog::queueScript([](QDialog&) {});
    TRIGGER(popup, "mnuPopupCreateNew");
    QCOMPARE(ModalDialog::pendingScripts(), 1);
    miniDisplay().UpdateForm(call(2, QStringLiteral("NO NUMBER"), QString()));
    TRIGGER(popup, "mnuPopupAddToCurrent");
    QCOMPARE(ModalDialog::pendingScripts(), 1);
    ModalDialog::resetScripts();
    session.stop();
}

void TestPopupContacts::clientSendsAndChangesNothing()
{
    TempHome home;
    gNetworkMode = Client;
    auto ann = std::make_shared<clsContact>();
    ann->Name = QStringLiteral("Ann");
    ann->AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0001"), QString()));
    gContacts.add(ann->Name, ann);
    QSignalSpy requests(&miniDisplay(), &MiniDisplay::requestSent);
    frmMiniDisplay* popup = frmMiniDisplay::instance();
    popup->show();
    miniDisplay().UpdateForm(call(5, QStringLiteral("BOB"), QStringLiteral("555-2222")));

    ModalDialog::queueScript([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); });
    TRIGGER(popup, "mnuPopupCreateNew");
    ModalDialog::queueScript([](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Work"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(popup, "mnuPopupAddToCurrent");
    // Besides what the pop-up asks for on showing (its recent calls).
    QStringList sent;
    for (const auto& r : std::as_const(requests))
        if (r.first().toString().contains(QLatin1String("CONTACT;")))
            sent << r.first().toString();
    QCOMPARE(sent, QStringList({";ADD CONTACT;|BOB||||NUMBER|555-2222|NONE",
                                ";EDIT CONTACT;Ann;|Ann||||NUMBER|555-0001|NONE|NUMBER|555-2222|Work"}));
    // The client's copy waits for the server.
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(ann->Numbers.count(), 1);
    popup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPopupContacts::thePopupGoingWhileADialogWaitsStoresNothing()
{
    S session;
    QVERIFY(session.start());
    miniDisplay().Show();
    miniDisplay().UpdateForm(call(1, QStringLiteral("JOHN SMITH"), QStringLiteral("(212) 555-1234")));

    // The program closes the pop-up while each dialog waits (as it does when it ends); the user then presses
    // OK. The dialog is no child of the pop-up, so nothing is deleted under it, and nothing is stored for a
    // pop-up that is gone.
    const auto closePopup = [] {
        frmMiniDisplay::unloadForExit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    ModalDialog::queueScript([&](QDialog& d) {
        closePopup();
        QVERIFY(!frmMiniDisplay::instance(false));
        d.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("John Smith"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(frmMiniDisplay::instance(false), "mnuPopupCreateNew");
    QVERIFY(!frmMiniDisplay::instance(false));
    QVERIFY(GetContact(QStringLiteral("John Smith"))->Name.isEmpty());

    auto ann = std::make_shared<clsContact>();
    ann->Name = QStringLiteral("Ann");
    ann->AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0001"), QString()));
    QVERIFY(AddContact(*ann));
    miniDisplay().Show();
    miniDisplay().UpdateForm(call(2, QStringLiteral("CELL PHONE"), QStringLiteral("555-0101")));
    ModalDialog::queueScript([&](QDialog& d) {
        closePopup();
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(frmMiniDisplay::instance(false), "mnuPopupAddToCurrent");
    QVERIFY(!frmMiniDisplay::instance(false));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);
    session.stop();
}

QTEST_MAIN(TestPopupContacts)
#include "test_popupcontacts.moc"
