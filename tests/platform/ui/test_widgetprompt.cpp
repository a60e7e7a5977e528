#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"

// The real boxes and dialogs behind Prompt. A box belongs to the window that is active when it is asked;
// that window may be deleted while the box waits (the program ends), and the box then goes with it: the
// request counts as cancelled and nothing is deleted twice.
class TestWidgetPrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void aBoxIsAnswered();
    void aBoxAskedUnderAModalDialogIsTheDialogs();
    void theWindowGoingWhileABoxWaits_data();
    void theWindowGoingWhileABoxWaits();

private:
    // Runs what once the next modal box or dialog is up, from the event loop.
    void whenModal(std::function<void(QWidget*)> what);

    WidgetPrompt m_prompt;
    QByteArray m_noninteractive;
    QPointer<QWidget> m_window;
    QTimer m_poll;
};

void TestWidgetPrompt::init()
{
    m_noninteractive = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    Prompt::resetScript();
    Prompt::setBackend(&m_prompt);
    m_window = new QWidget;
    m_window->setObjectName(QStringLiteral("frmMain"));
    m_window->resize(300, 200);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestWidgetPrompt::cleanup()
{
    m_poll.stop();
    m_poll.disconnect();
    Prompt::setBackend(nullptr);
    delete m_window.data();
    qputenv("VELQUON_NONINTERACTIVE", m_noninteractive);
}

void TestWidgetPrompt::whenModal(std::function<void(QWidget*)> what)
{
    m_poll.disconnect();
    m_poll.setInterval(5);
    connect(&m_poll, &QTimer::timeout, this, [this, what] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        m_poll.stop();
        what(modal);
    });
    m_poll.start();
}

void TestWidgetPrompt::aBoxIsAnswered()
{
    QWidget* owner = nullptr;
    whenModal([&owner](QWidget* box) {
        owner = box->parentWidget();
        auto* message = qobject_cast<QMessageBox*>(box);
        QVERIFY(message);
        message->button(QMessageBox::No)->click();
    });
    QCOMPARE(Prompt::message(QStringLiteral("Delete it?"), Prompt::YesNo, Prompt::Exclamation), Prompt::No);
    QCOMPARE(owner, m_window.data());
}

// While a modal dialog is up, a box goes over it, also when a window the dialog blocks is still the active one
// (the window manager has not made the dialog active yet). Before, the box went to that window, below the dialog.
void TestWidgetPrompt::aBoxAskedUnderAModalDialogIsTheDialogs()
{
    QDialog dialog(m_window);
    QWidget* owner = nullptr;
    whenModal([this, &dialog, &owner](QWidget*) {
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.data());
        whenModal([&owner](QWidget* box) {
            owner = box->parentWidget();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
        });
        Prompt::message(QStringLiteral("Done."));
        dialog.reject();
    });
    dialog.exec();
    QCOMPARE(owner, &dialog);
}

void TestWidgetPrompt::theWindowGoingWhileABoxWaits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("end"); // the program's end closes it, rather than its window going
    for (const bool end : {false, true}) {
        const char* by = end ? "the program's end" : "its window going";
        for (const char* kind : {"message", "input", "open", "save", "colour", "print", "dialog"})
            QTest::addRow("%s, %s", kind, by) << QString::fromLatin1(kind) << end;
    }
    // The box waits for a notice, which is the modal step then: the end closes it, and the box is never asked.
    QTest::newRow("a notice a box waits on, the program's end") << "notice" << true;
}

void TestWidgetPrompt::theWindowGoingWhileABoxWaits()
{
    QFETCH(QString, kind);
    QFETCH(bool, end);
    QPointer<QWidget> shown;
    QString said;
    bool seen = false;
    whenModal([this, end, &shown, &said, &seen](QWidget* box) {
        shown = box;
        said = box->property("text").toString();
        seen = true;
        if (end)
            Prompt::closeOpen();
        else
            delete m_window.data();
    });
    if (kind == QLatin1String("message")) {
        QCOMPARE(Prompt::message(QStringLiteral("Delete it?"), Prompt::YesNo), Prompt::No);
    } else if (kind == QLatin1String("input")) {
        QCOMPARE(Prompt::input(QStringLiteral("Enter the speech to be tested."), QStringLiteral("hello")), QString());
    } else if (kind == QLatin1String("open")) {
        QCOMPARE(Prompt::openFile(QString(), QDir::tempPath(), QStringLiteral("Wave Files (*.wav)")), QString());
    } else if (kind == QLatin1String("save")) {
        QCOMPARE(Prompt::saveFile(QString(), QDir::tempPath(), QStringLiteral("Access Files (*.mdb)")), QString());
    } else if (kind == QLatin1String("colour")) {
        QVERIFY(!Prompt::chooseColor(255));
    } else if (kind == QLatin1String("print")) {
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(!Prompt::print(&printer));
    } else if (kind == QLatin1String("dialog")) {
        const QPointer<QDialog> dialog = new QDialog(m_window);
        QCOMPARE(execDialog(*dialog), int(QDialog::Rejected));
        delete dialog.data();
    } else if (kind == QLatin1String("notice")) {
        Prompt::notice(QStringLiteral("Told."));
        QCOMPARE(Prompt::message(QStringLiteral("Delete it?"), Prompt::YesNo), Prompt::No);
        QCOMPARE(said, QStringLiteral("Told."));
    }
    // The box had been up over the window, and went with it, or was closed while the window stays.
    QCOMPARE(bool(m_window), end);
    QVERIFY(seen);
    QVERIFY(shown.isNull() || !shown->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestWidgetPrompt)
#include "test_widgetprompt.moc"
