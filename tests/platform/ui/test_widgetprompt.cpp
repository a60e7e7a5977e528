#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// The boxes and dialogs the user answers run over the active window, and their event loop runs everything
// else: that window may be deleted while one is open (the program ending, a mode switch, a window of the
// book that goes). The box goes with it and counts as cancelled; nothing is deleted twice.
class TestWidgetPrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowDeletedWhileItsBoxIsOpen_data();
    void windowDeletedWhileItsBoxIsOpen();
};

void TestWidgetPrompt::windowDeletedWhileItsBoxIsOpen_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"message", "openFile", "saveFile", "chooseColor", "print"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestWidgetPrompt::windowDeletedWhileItsBoxIsOpen()
{
    QFETCH(QString, kind);
    QPointer<QWidget> window = new QWidget;
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(QApplication::activeWindow(), window.data());
    // Once the box is up over it, the window goes, as it would from a timer or a socket meanwhile.
    bool boxWasUp = false;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !window)
            return;
        boxWasUp = modal->parentWidget() == window;
        delete window.data();
    });
    poll.start();
    WidgetPrompt prompt;
    QString answer;
    if (kind == QLatin1String("message"))
        answer = QString::number(prompt.message(QStringLiteral("Velquon"), QStringLiteral("Are you sure?"),
                                                Prompt::YesNo, Prompt::Exclamation, 0));
    else if (kind == QLatin1String("openFile"))
        answer = prompt.openFile(QStringLiteral("Open"), QDir::tempPath(), QStringLiteral("All Files (*)"));
    else if (kind == QLatin1String("saveFile"))
        answer = prompt.saveFile(QStringLiteral("Save"), QDir::tempPath() + QStringLiteral("/x"), QString());
    else if (kind == QLatin1String("chooseColor"))
        answer = prompt.chooseColor(255) ? QStringLiteral("chosen") : QString();
    else {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        answer = prompt.print(&printer) ? QStringLiteral("printed") : QString();
    }
    poll.stop();
    QVERIFY(boxWasUp);
    QVERIFY(!window);
    // Gone unanswered: the cancel-like answer, nothing chosen.
    if (kind == QLatin1String("message"))
        QCOMPARE(answer, QString::number(Prompt::No));
    else
        QCOMPARE(answer, QString());
}

QTEST_MAIN(TestWidgetPrompt)
#include "test_widgetprompt.moc"
