#include "config/ui/frmAbout.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "config/ui/frmAddRecipient.h"
#include "config/ui/frmScheduler.h"
#include "core/modHelp.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "platform/Colour.h"
#include "platform/DesktopLauncher.h"
#include "platform/Prompt.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

// Catches the links the desktop is asked to open.
class LinkCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

// The About box, the help and the small windows nothing else covers.
class TestAboutAndHelp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void aboutBoxShowsTitleVersionAndIcon();
    void aboutLinksOpenOnTheDesktopAndLightUp();
    void helpMenuOpensTheHelpFile();
    void aMissingHelpFileIsSaid();
    void theHelpFileHoldsItsTopics();
    void aboutFromTheHelpMenuIsModal();
    void schedulerAndRecipientWindows();
    void linksNoProgramTakesAreSaid();

private:
    StandaloneSession m_session;
    LinkCatcher m_links;
};

void TestAboutAndHelp::init()
{
    QVERIFY(m_session.start());
    m_links.opened.clear();
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_links, "open");
}

void TestAboutAndHelp::cleanup()
{
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    m_session.stop();
}

void TestAboutAndHelp::aboutBoxShowsTitleVersionAndIcon()
{
    frmAbout about(ProgramIcons::icon(QStringLiteral("gicon")));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Velquon"));
    // The version of the build: major, minor and revision.
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(frmAbout::versionText()).hasMatch());
    QVERIFY(frmAbout::versionText() != QStringLiteral("0.0.0"));
    QCOMPARE(ui::findByName<QLabel>(&about, QStringLiteral("lblTitle"))->text(),
             QStringLiteral("Velquon  --  Version ") + frmAbout::versionText());
    QVERIFY(!ui::findByName<QLabel>(&about, QStringLiteral("picIcon"))->pixmap().isNull());
    QCOMPARE(ui::findByName<QLabel>(&about, QStringLiteral("lblEmail"))->text(), QStringLiteral("Email Norvane"));
    QCOMPARE(ui::findByName<QLabel>(&about, QStringLiteral("lblWebsite"))->text(),
             QStringLiteral("Visit Our Web Site"));
    for (const char* notice : {"lblNotice1", "lblNotice2"})
        QVERIFY(!ui::findByName<QLabel>(&about, QLatin1String(notice))->text().isEmpty());
    about.show();
    // Centred on the screen.
    const QRect screen = QApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(about.geometry().center().x() - screen.center().x()) <= 2);
    TRIGGER(&about, "cmdOK");
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
}

void TestAboutAndHelp::aboutLinksOpenOnTheDesktopAndLightUp()
{
    frmAbout about;
    about.show();
    QLabel* email = ui::findByName<QLabel>(&about, QStringLiteral("lblEmail"));
    QLabel* web = ui::findByName<QLabel>(&about, QStringLiteral("lblWebsite"));
    QWidget* frame = ui::findByName<QWidget>(&about, QStringLiteral("Frame1"));
    auto colour = [](QLabel* l) { return l->palette().color(QPalette::WindowText); };
    QCOMPARE(colour(email), Colour::fromBgr(16711680));
    QMouseEvent over(QEvent::MouseMove, QPointF(3, 3), email->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(email, &over);
    QCOMPARE(colour(email), Colour::fromBgr(255));
    QCOMPARE(colour(web), Colour::fromBgr(16711680));
    QMouseEvent moved(QEvent::MouseMove, QPointF(2, 2), frame->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(frame, &moved);
    QCOMPARE(colour(email), Colour::fromBgr(16711680));

    QTest::mouseClick(email, Qt::LeftButton);
    QTest::mouseClick(web, Qt::LeftButton);
    QCOMPARE(m_links.opened.size(), 2);
    QCOMPARE(m_links.opened[0].scheme(), QStringLiteral("mailto"));
    QCOMPARE(m_links.opened[1].scheme(), QStringLiteral("https"));
    QVERIFY(Prompt::history().isEmpty());
}

void TestAboutAndHelp::helpMenuOpensTheHelpFile()
{
    QAction* contents = S::action(QStringLiteral("mnuHelpContents"));
    QCOMPARE(contents->text(), QStringLiteral("&Contents..."));
    QCOMPARE(contents->shortcut(), QKeySequence(Qt::Key_F1));
    TRIGGER(S::window(), "mnuHelpContents");
    QCOMPARE(m_links.opened.size(), 1);
    const QString path = m_links.opened.first().toLocalFile();
    QVERIFY2(path.endsWith(QLatin1String("/help/Velquon.html")), qPrintable(path));
    QVERIFY(QFile::exists(path));
    QCOMPARE(path, QFileInfo(HelpFilePath()).absoluteFilePath());
    QVERIFY(Prompt::history().isEmpty());
}

void TestAboutAndHelp::aMissingHelpFileIsSaid()
{
    const QString missing = m_session.home().file(QStringLiteral("help/Velquon.html"));
    QVERIFY(!ShowHelpContents(missing));
    QVERIFY(m_links.opened.isEmpty());
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::texts().first().contains(missing));
    QVERIFY(Prompt::texts().first().contains(QLatin1String("could not be found")));
    QCOMPARE(Prompt::history().first().title, QStringLiteral("Velquon"));
}

void TestAboutAndHelp::theHelpFileHoldsItsTopics()
{
    QFile file(HelpFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains(QLatin1String("<title>Velquon Help</title>")));
    // Every entry of the contents leads to a topic of the file.
    const QRegularExpression link(QStringLiteral("href=\"#([a-z]+)\""));
    QStringList targets;
    for (auto it = link.globalMatch(html); it.hasNext();)
        targets << it.next().captured(1);
    targets.removeDuplicates();
    QVERIFY(targets.size() >= 12);
    for (const QString& t : std::as_const(targets))
        QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(t)), qPrintable(t));
    // The topics the program needs explained.
    for (const char* topic : {"Connecting a modem", "Server and client set-up", "Finding calls", "The activity log"})
        QVERIFY2(html.contains(QLatin1String(topic)), topic);
}

void TestAboutAndHelp::aboutFromTheHelpMenuIsModal()
{
    // Someone is there to answer: the box really runs modal, without an owner.
    const QByteArray previous = qgetenv("VELQUON_NONINTERACTIVE");
    qunsetenv("VELQUON_NONINTERACTIVE");
    QString seen;
    QWidget* owner = reinterpret_cast<QWidget*>(1);
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = box->objectName();
            owner = box->parentWidget();
            box->accept();
        }
    });
    poll.start(10);
    TRIGGER(S::window(), "mnuHelpAbout");
    poll.stop();
    qputenv("VELQUON_NONINTERACTIVE", previous);
    QCOMPARE(seen, QStringLiteral("frmAbout"));
    QCOMPARE(owner, nullptr);
    QCOMPARE(S::action(QStringLiteral("mnuHelpAbout"))->text(), QStringLiteral("&About Velquon..."));
}

void TestAboutAndHelp::schedulerAndRecipientWindows()
{
    frmScheduler scheduler;
    QCOMPARE(scheduler.windowTitle(), QStringLiteral("Scheduler"));
    for (const char* name : {"cmdAddEvent", "cmdEditEvent", "cmdRemoveEvent"})
        QVERIFY2(!ui::findByName<QPushButton>(&scheduler, QLatin1String(name))->isEnabled(), name);
    QCOMPARE(ui::findByName<QPushButton>(&scheduler, QStringLiteral("cmdAddEvent"))->text(),
             QStringLiteral("&Add Event"));
    scheduler.show();
    TRIGGER(&scheduler, "cmdClose");
    QVERIFY(!scheduler.isVisible());

    frmAddRecipient recipient;
    QCOMPARE(recipient.windowTitle(), QStringLiteral("Add Recipient"));
    recipient.show();
    QLineEdit* box = ui::findByName<QLineEdit>(&recipient, QStringLiteral("txtRecipient"));
    QTest::keyClicks(box, QString(60, QLatin1Char('a')));
    QCOMPARE(box->text().size(), frmAddRecipient::MaxLength);
    // Every resize starts it empty; Cancel empties it and closes.
    recipient.resize(recipient.width() + 10, recipient.height() + 10);
    QCOMPARE(box->text(), QString());
    QTest::keyClicks(box, QStringLiteral("someone"));
    TRIGGER(&recipient, "cmdCancel");
    QCOMPARE(box->text(), QString());
    QCOMPARE(recipient.Recipient(), QString());
    QVERIFY(!recipient.isVisible());
    QVERIFY(!ui::findByName<QPushButton>(&recipient, QStringLiteral("cmdOK"))->isEnabled());
}

void TestAboutAndHelp::linksNoProgramTakesAreSaid()
{
    // The desktop's opener is there but finds no browser or mail program: it ends at once with an error.
    const QString bin = m_session.home().file(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    QFile opener(bin + QStringLiteral("/xdg-open"));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/asked\"\nexit 3\n");
    opener.close();
    QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ':' + oldPath);
    DesktopLauncher::installOpeners();

    TRIGGER(S::window(), "mnuHelpContents");
    QTRY_COMPARE(Prompt::texts().size(), 1);
    QVERIFY(Prompt::texts().first().startsWith(QLatin1String("The help could not be shown: this desktop has no "
                                                             "program set up to open web pages (HTML files).")));
    QVERIFY(Prompt::texts().first().contains(HelpFilePath()));

    frmAbout about;
    about.show();
    QTest::mouseClick(ui::findByName<QLabel>(&about, QStringLiteral("lblWebsite")), Qt::LeftButton);
    QTRY_COMPARE(Prompt::texts().size(), 2);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("A hyper link error occured."));
    QTest::mouseClick(ui::findByName<QLabel>(&about, QStringLiteral("lblEmail")), Qt::LeftButton);
    QTRY_COMPARE(Prompt::texts().size(), 3);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("A hyper link error occured."));

    // Each was really handed to the opener: the help file by its path, the links as they are.
    QFile asked(bin + QStringLiteral("/asked"));
    QVERIFY(asked.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(asked.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.first(), QFileInfo(HelpFilePath()).absoluteFilePath());
    QVERIFY(lines.at(2).startsWith(QLatin1String("mailto:")));

    DesktopLauncher::removeOpeners();
    qputenv("PATH", oldPath);
}

QTEST_MAIN(TestAboutAndHelp)
#include "test_aboutandhelp.moc"
