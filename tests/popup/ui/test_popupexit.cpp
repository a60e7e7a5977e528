#include <QSettings>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupDetailWindow.h"
#include "popup/ui/PopupWindows.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/ui/StandaloneSession.h"

namespace {

QString onDisk(const TempHome& home, const QString& key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(key, QStringLiteral("<none>")).toString();
}

} // namespace

// The end of the program with the pop-up and a detail window on screen.
class TestPopupExit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void cleanup() { m_session.stop(); }
    void exitKeepsThePlacesAndTheOpenDetailWindows();

private:
    StandaloneSession m_session;
};

void TestPopupExit::exitKeepsThePlacesAndTheOpenDetailWindows()
{
    QVERIFY(m_session.start());
    miniDisplay().Show();
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    popup->openDetail(MiniDisplay::CallerInfoScreen);
    PopupDetailWindow* info = detailWindow(MiniDisplay::CallerInfoScreen, false);
    QVERIFY(info && info->isVisible());
    QCoreApplication::processEvents();
    // Moved by the user since they opened.
    popup->moveTwips(1500, 1200);
    info->move(Twips::toPixels(4500), Twips::toPixels(3000));
    QCoreApplication::processEvents();
    const int popupLeft = int(popup->twipsLeft());
    const int infoLeft = int(Twips::fromPixels(info->frameGeometry().x()));

    TRIGGER(m_session.window(), "mnuFileExit");
    QVERIFY(!gMainForm);
    QCOMPARE(onDisk(m_session.home(), QStringLiteral("frmMiniDisplay/Left")).toInt(), popupLeft);
    QCOMPARE(onDisk(m_session.home(), QStringLiteral("frmCallerInfo/Left")).toInt(), infoLeft);
    // The detail window was open when the program ended: it opens with the pop-up next time.
    QCOMPARE(onDisk(m_session.home(), QStringLiteral("frmCallerInfo/Visible")), QStringLiteral("True"));
}

QTEST_MAIN(TestPopupExit)
#include "test_popupexit.moc"
