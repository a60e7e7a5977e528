#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "network/clsServer.h"
#include "network/ui/frmAddIP.h"
#include "platform/Prompt.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// The "Add IP" dialog the options dialog asks for one access-list entry.
class TestAddIP : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void offersTheConnectedClients();
    void entries();
    void refusedEntriesKeepTheDialogOpen();
    void cancelGivesNothing();
    void hints();

private:
    // A dialog shown the way the options dialog shows it, with the address typed and the type chosen.
    frmAddIP* show(const QString& typed, bool blocked = false);
    QPushButton* button(frmAddIP* dialog, const char* name);

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<frmAddIP> m_dialog;
};

void TestAddIP::init() { m_home = std::make_unique<TempHome>(); }

void TestAddIP::cleanup()
{
    m_dialog.reset();
    m_home.reset();
}

frmAddIP* TestAddIP::show(const QString& typed, bool blocked)
{
    m_dialog = std::make_unique<frmAddIP>();
    m_dialog->show();
    m_dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"))->setEditText(typed);
    if (blocked)
        m_dialog->findChild<QRadioButton*>(QStringLiteral("optBlocked"))->click();
    return m_dialog.get();
}

QPushButton* TestAddIP::button(frmAddIP* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

void TestAddIP::offersTheConnectedClients()
{
    gNetworkMode = Server;
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::AnyIPv4, 0));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(probe.serverPort()));
    probe.close();
    QVERIFY(install(gServer).Listen());
    QTcpSocket a;
    QTcpSocket b;
    for (QTcpSocket* s : {&a, &b})
        s->connectToHost(QHostAddress::LocalHost, gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 2);

    frmAddIP* dialog = show(QString());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Add IP"));
    QComboBox* cmbIP = dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"));
    QCOMPARE(cmbIP->count(), 2);
    QCOMPARE(cmbIP->itemText(0), QStringLiteral("127.0.0.1"));
    QCOMPARE(cmbIP->itemText(1), QStringLiteral("127.0.0.1"));
    QCOMPARE(cmbIP->currentText(), QString());
    QVERIFY(dialog->findChild<QRadioButton*>(QStringLiteral("optRestricted"))->isChecked());
    // Choosing an offered address and OK makes its entry.
    cmbIP->setCurrentIndex(1);
    button(dialog, "cmdOK")->click();
    QCOMPARE(dialog->IPAddress(), QStringLiteral("127.0.0.1 R"));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void TestAddIP::entries()
{
    struct Case {
        QString typed;
        bool blocked;
        QString entry;
    };
    const QList<Case> cases = {
        {QStringLiteral("192.168.0.20"), false, QStringLiteral("192.168.0.20 R")},
        {QStringLiteral("10.0.0.5"), true, QStringLiteral("10.0.0.5 B")},
        {QStringLiteral("010.000.000.005"), true, QStringLiteral("10.0.0.5 B")},
        // Nothing typed: the dialog closes with nothing to add.
        {QString(), true, QString()},
    };
    for (const Case& c : cases) {
        frmAddIP* dialog = show(c.typed, c.blocked);
        button(dialog, "cmdOK")->click();
        QCOMPARE(dialog->IPAddress(), c.entry);
        QVERIFY(!dialog->isVisible());
    }
    QVERIFY(Prompt::history().isEmpty());
}

void TestAddIP::refusedEntriesKeepTheDialogOpen()
{
    for (const QString& typed : {QStringLiteral("192.168.1"), QStringLiteral("1.2.3.4.5"), QStringLiteral("1.2.x.4"),
                                 QStringLiteral("1.2.3.256"), QStringLiteral("1e2.1.1.1"), QStringLiteral(" 1.2.3.4"),
                                 QStringLiteral("::ffff:1.2.3.4")}) {
        Prompt::resetScript();
        frmAddIP* dialog = show(typed);
        QComboBox* cmbIP = dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"));
        button(dialog, "cmdOK")->click();
        QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Invalid IP entry")});
        QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
        QCOMPARE(Prompt::history().first().buttons, int(Prompt::OkOnly));
        QVERIFY2(dialog->isVisible(), qPrintable(typed));
        QCOMPARE(dialog->IPAddress(), QString());
        QCOMPARE(cmbIP->currentText(), typed);
        // The user corrects the address.
        cmbIP->setEditText(QStringLiteral("192.168.1.9"));
        button(dialog, "cmdOK")->click();
        QCOMPARE(dialog->IPAddress(), QStringLiteral("192.168.1.9 R"));
    }
}

void TestAddIP::cancelGivesNothing()
{
    frmAddIP* dialog = show(QStringLiteral("192.168.1.9"), true);
    button(dialog, "cmdCancel")->click();
    QCOMPARE(dialog->IPAddress(), QString());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"))->currentText(), QString());
    // A result from an earlier OK does not survive the next showing.
    dialog->show();
    dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"))->setEditText(QStringLiteral("1.1.1.1"));
    button(dialog, "cmdOK")->click();
    QCOMPARE(dialog->IPAddress(), QStringLiteral("1.1.1.1 B"));
    dialog->show();
    QCOMPARE(dialog->IPAddress(), QString());
    // Nobody to answer (the tests' own setting): the dialog is not shown and gives nothing.
    QCOMPARE(frmAddIP::Ask(nullptr), QString());
}

void TestAddIP::hints()
{
    gToolTip = std::make_unique<cToolTip>();
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"));
    frmAddIP* dialog = show(QString());
    QVERIFY(gToolTip->toolText(dialog).startsWith(QStringLiteral("This form allows you to restrict or block IP")));
    QCOMPARE(gToolTip->toolText(dialog->findChild<QComboBox*>(QStringLiteral("cmbIP"))),
             QStringLiteral("Here is where you enter the IP address that you would like to restrict or block."));
    QCOMPARE(gToolTip->toolText(button(dialog, "cmdCancel")),
             QStringLiteral("Click this button to close the form without saving the current group."));
    m_dialog.reset();
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    dialog = show(QString());
    QVERIFY(!gToolTip->hasTool(dialog));
}

QTEST_MAIN(TestAddIP)
#include "test_addip.moc"
