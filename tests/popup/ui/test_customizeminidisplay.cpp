#include "popup/ui/frmCustomizeMiniDisplay.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Clock.h"
#include "platform/Colour.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "popup/MiniDisplay.h"
#include "popup/PopupVibrator.h"
#include "popup/ui/PopupWindows.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/ui/ByName.h"
#include "support/ui/ModalScript.h"
#include "support/ui/StandaloneSession.h"

namespace {

bool click(const QObject* root, const QString& name)
{
    auto* b = root ? root->findChild<QAbstractButton*>(name) : nullptr;
    if (!b || !b->isEnabled())
        return false;
    b->click();
    return true;
}

template <typename T>
T* named(const QObject* root, const QString& name)
{
    return root ? root->findChild<T*>(name) : nullptr;
}

QString popupOnDisk(const TempHome& home, const char* key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(QStringLiteral("frmMiniDisplay/") + QLatin1String(key), QStringLiteral("<none>")).toString();
}

QStringList items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void leftClick(QWidget* w)
{
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void addCalls(int count)
{
    for (int i = 0; i < count; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = QStringLiteral("555-%1").arg(1000 + i);
        c.CallerDate = DateText::format(Clock::now().addSecs(-60LL * (count - i)));
        c.Rings = 1;
        c.Answered = QStringLiteral("NO");
        AddCaller(c);
    }
}

// The colour a swatch shows (blue-green-red).
quint32 swatch(const QObject* d, int index)
{
    auto* frame = ui::findByName<QFrame>(d, QStringLiteral("picMiniDisplayColor(%1)").arg(index));
    return Colour::toBgr(frame->palette().color(QPalette::Window));
}

} // namespace

// The pop-up's customisation dialog over the running program and its pop-up.
class TestCustomizeMiniDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void cancelRestoresEveryPreviewedChange();
    void applyKeepsWhatWasPreviewed();
    void callerInformationListAndOrder();
    void logSizeIsCheckedAndReloadsOnlyWhenChanged();
    void defaultStoresEverything();
    void alertTestShowsAndShakesThePopup();
    void closedByTheProgramPutsThePreviewBack();
    void theOptionsGetAFreshDialogThatPutsBackWhatItFound();
    void aColourChosenAfterTheDialogWentIsNotKept();
    void unloadedWhileOKReadsTheList();
    void screenshot();

private:
    frmCustomizeMiniDisplay* open();
    frmMiniDisplay* popup() const { return frmMiniDisplay::instance(false); }

    StandaloneSession m_session;
};

void TestCustomizeMiniDisplay::init()
{
    QVERIFY(m_session.start());
    miniDisplay().Show();
    QVERIFY(popup() && popup()->isVisible());
    Prompt::resetScript();
}

void TestCustomizeMiniDisplay::cleanup() { m_session.stop(); }

frmCustomizeMiniDisplay* TestCustomizeMiniDisplay::open()
{
    // From the pop-up's own menu: shown without blocking and without an owner.
    const QString why = ui::tryTrigger(popup(), QStringLiteral("mnuPopupCustomize"));
    if (!why.isEmpty())
        qWarning("%s", qPrintable(why));
    frmCustomizeMiniDisplay* d = frmCustomizeMiniDisplay::instance(false);
    if (d && (d->isModal() || d->parentWidget()))
        qWarning("the customisation dialog is not modeless and free");
    return d;
}

void TestCustomizeMiniDisplay::cancelRestoresEveryPreviewedChange()
{
    frmCustomizeMiniDisplay* d = open();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Customize Mini Display"));
    const QColor oldBack = background(popup());
    QCOMPARE(swatch(d, 0), 4731686u);

    // A colour: stored at once, and the pop-up shows it.
    Prompt::queueText(QStringLiteral("255"));
    leftClick(named<QFrame>(d, "picMiniDisplayColor(0)"));
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::Color);
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("255"));
    QCOMPARE(background(popup()), QColor(255, 0, 0));
    // The label names its swatch; a cancelled colour dialog changes nothing.
    Prompt::queueText(QString());
    leftClick(named<QLabel>(d, "Label7"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::NameNumberForeColor), QStringLiteral("<none>"));
    Prompt::queueText(QStringLiteral("65280"));
    leftClick(named<QLabel>(d, "Label7"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::NameNumberForeColor), QStringLiteral("65280"));

    // Picture background, vibrate and its length: stored at once too.
    named<QCheckBox>(d, "chkPictureBackground")->click();
    QCOMPARE(popupOnDisk(m_session.home(), Key::PictureBackground), QStringLiteral("True"));
    auto* slider = named<QSlider>(d, "sldVibrate");
    QVERIFY(slider->isEnabled());
    slider->setValue(300);
    Q_EMIT slider->sliderReleased();
    QCOMPARE(popupOnDisk(m_session.home(), Key::VibrateDuration), QStringLiteral("300"));
    named<QCheckBox>(d, "chkVibrate")->click();
    QVERIFY(!slider->isEnabled());
    QCOMPARE(popupOnDisk(m_session.home(), Key::Vibrate), QStringLiteral("False"));
    // The pop-up option waits for Apply or OK.
    named<QCheckBox>(d, "chkMiniDisplayPopup")->click();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True")), QStringLiteral("True"));

    QVERIFY(click(d, "cmdCancel"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmCustomizeMiniDisplay::instance(false));
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("4731686"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::NameNumberForeColor), QStringLiteral("14102841"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::PictureBackground), QStringLiteral("False"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::Vibrate), QStringLiteral("True"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::VibrateDuration), QStringLiteral("100"));
    QCOMPARE(background(popup()), oldBack);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True")), QStringLiteral("True"));
    // Its place is kept (Top and Left only).
    QSettings file(m_session.home().file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    QVERIFY(file.contains(QStringLiteral("frmCustomizeMiniDisplay/Top")));
    QVERIFY(file.contains(QStringLiteral("frmCustomizeMiniDisplay/Left")));
    QVERIFY(!file.contains(QStringLiteral("frmCustomizeMiniDisplay/Width")));
}

void TestCustomizeMiniDisplay::applyKeepsWhatWasPreviewed()
{
    frmCustomizeMiniDisplay* d = open();
    Prompt::queueText(QStringLiteral("255"));
    leftClick(named<QFrame>(d, "picMiniDisplayColor(3)"));
    named<QCheckBox>(d, "chkMiniDisplayPopup")->click();
    QVERIFY(click(d, "cmdApply"));
    QVERIFY(d->isVisible());
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QString()), QStringLiteral("False"));
    QVERIFY(!named<QCheckBox>(d, "chkMiniDisplayPopup")->isChecked());
    // Both menus follow the option, and the menu's toggle is mirrored in the open dialog.
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuOptionsPopupScreen"))->isChecked());
    QVERIFY(!StandaloneSession::action(QStringLiteral("mnuPopupMenuPopupScreen"))->isChecked());
    TRIGGER(m_session.window(), "mnuOptionsPopupScreen");
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QString()), QStringLiteral("True"));
    QVERIFY(named<QCheckBox>(d, "chkMiniDisplayPopup")->isChecked());
    QVERIFY(click(d, "cmdCancel"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::ScreenColor), QStringLiteral("255"));
    QCOMPARE(background(ui::findByName<QWidget>(popup(), QStringLiteral("picScreen"))), QColor(255, 0, 0));
}

void TestCustomizeMiniDisplay::callerInformationListAndOrder()
{
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Total Calls;No Such Statistic;"));
    frmCustomizeMiniDisplay* d = open();
    auto* available = named<QListWidget>(d, "lstInfo");
    auto* current = named<QListWidget>(d, "lstCurrentInfo");
    QCOMPARE(items(current), QStringList{QStringLiteral("Total Calls")});
    QVERIFY(available->count() > 3);
    QCOMPARE(available->currentRow(), 0);
    const QString first = available->item(0)->text();
    const QString second = available->item(1)->text();
    QVERIFY(click(d, "cmdMove(0)"));
    QCOMPARE(items(current).last(), first);
    QCOMPARE(available->currentItem()->text(), second);
    // Up on the last entry, then down on the last changes nothing.
    current->setCurrentRow(1);
    QVERIFY(click(d, "cmdUpDown(0)"));
    QCOMPARE(items(current), (QStringList{first, QStringLiteral("Total Calls")}));
    QCOMPARE(current->currentRow(), 0);
    QVERIFY(click(d, "cmdUpDown(0)"));
    QCOMPARE(items(current), (QStringList{first, QStringLiteral("Total Calls")}));
    current->setCurrentRow(1);
    QVERIFY(click(d, "cmdUpDown(1)"));
    QCOMPARE(items(current), (QStringList{first, QStringLiteral("Total Calls")}));

    // All back, all over: the buttons follow the lists.
    QVERIFY(click(d, "cmdMove(3)"));
    QCOMPARE(current->count(), 0);
    QVERIFY(!named<QPushButton>(d, "cmdMove(2)")->isEnabled());
    QVERIFY(!named<QPushButton>(d, "cmdUpDown(0)")->isEnabled());
    QVERIFY(click(d, "cmdMove(1)"));
    QCOMPARE(available->count(), 0);
    QVERIFY(!named<QPushButton>(d, "cmdMove(0)")->isEnabled());
    QVERIFY(!named<QPushButton>(d, "cmdMove(1)")->isEnabled());
    // A double click moves one.
    current->setCurrentRow(0);
    const QString moved = current->item(0)->text();
    Q_EMIT current->itemDoubleClicked(current->item(0));
    QCOMPARE(items(available), QStringList{moved});

    const QStringList shown = items(current);
    // The statistics changed elsewhere: the lists are read again from the stored list.
    QVERIFY(windowLinks().customizeMiniDisplayLoadCallerInfoList);
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Most Calls in a Week"));
    windowLinks().customizeMiniDisplayLoadCallerInfoList();
    QCOMPARE(items(current), QStringList{QStringLiteral("Most Calls in a Week")});
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Total Calls;No Such Statistic;"));
    current->clear();
    current->addItems(shown);
    QVERIFY(click(d, "cmdOK"));
    QVERIFY(!windowLinks().customizeMiniDisplayLoadCallerInfoList);
    // ";" before each entry, none after the last; the unknown name is gone.
    QCOMPARE(popupOnDisk(m_session.home(), Key::CallerInfo), QLatin1Char(';') + shown.join(QLatin1Char(';')));
}

void TestCustomizeMiniDisplay::logSizeIsCheckedAndReloadsOnlyWhenChanged()
{
    addCalls(15);
    miniDisplay().LoadData();
    QCOMPARE(miniDisplay().Callers.size(), 10);
    frmCustomizeMiniDisplay* d = open();
    auto* size = named<QComboBox>(d, "cboCallLogSize");
    QCOMPARE(size->currentText(), QStringLiteral("10"));
    QCOMPARE(size->count(), 20);
    QCOMPARE(size->itemText(19), QStringLiteral("100"));
    QFocusEvent out(QEvent::FocusOut);
    size->setEditText(QStringLiteral("abc"));
    QApplication::sendEvent(size, &out);
    QCOMPARE(size->currentText(), QStringLiteral("10"));
    size->setEditText(QStringLiteral("50000"));
    QApplication::sendEvent(size, &out);
    QCOMPARE(size->currentText(), QStringLiteral("32767"));
    size->setEditText(QStringLiteral("0"));
    QApplication::sendEvent(size, &out);
    QCOMPARE(size->currentText(), QStringLiteral("1"));

    // Unchanged: no reload (a call logged meanwhile stays out of the list).
    size->setEditText(QStringLiteral("10"));
    Clock::advance(120);
    addCalls(1);
    QVERIFY(click(d, "cmdApply"));
    QCOMPARE(miniDisplay().Callers.first().Name, QStringLiteral("CALLER 14"));
    // Changed: the list is read again at its new length.
    size->setEditText(QStringLiteral("5"));
    QVERIFY(click(d, "cmdApply"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::LogSize), QStringLiteral("5"));
    QCOMPARE(miniDisplay().Callers.size(), 5);
    QCOMPARE(miniDisplay().Callers.first().Name, QStringLiteral("CALLER 0"));
}

void TestCustomizeMiniDisplay::defaultStoresEverything()
{
    SaveProperty(Section::frmMiniDisplay, Key::BackColor, QStringLiteral("255"));
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("40"));
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Total Calls"));
    frmCustomizeMiniDisplay* d = open();
    QCOMPARE(swatch(d, 0), 255u);
    QVERIFY(click(d, "cmdDefault"));
    QCOMPARE(swatch(d, 0), 4731686u);
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("4731686"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::LogSize), QStringLiteral("10"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::CallerInfo),
             QStringLiteral(";Total Calls;Calls Between 9pm and 1am;Most Calls in a Day;Most Calls in a Week"));
    // Cancel then puts back only the eight previewed values (the colour as it was when the dialog opened).
    QVERIFY(click(d, "cmdCancel"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("255"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::LogSize), QStringLiteral("10"));
}

void TestCustomizeMiniDisplay::alertTestShowsAndShakesThePopup()
{
    // Opened from the pop-up, which is then closed: the dialog has no owner and stays.
    frmCustomizeMiniDisplay* d = open();
    QVERIFY(d);
    popup()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!popup());
    QVERIFY(d->isVisible());
    StandaloneSession::action(QStringLiteral("mnuWindow(6)"))->setChecked(false);
    QVERIFY(named<QPushButton>(d, "cmdAlertTest")->isEnabled());
    QVERIFY(click(d, "cmdAlertTest"));
    QVERIFY(popup() && popup()->isVisible());
    QVERIFY(StandaloneSession::action(QStringLiteral("mnuWindow(6)"))->isChecked());
    QVERIFY(popup()->vibrator()->isRunning());
    d->close();
}

void TestCustomizeMiniDisplay::closedByTheProgramPutsThePreviewBack()
{
    frmCustomizeMiniDisplay* d = open();
    Prompt::queueText(QStringLiteral("255"));
    leftClick(named<QFrame>(d, "picMiniDisplayColor(1)"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::ButtonColor), QStringLiteral("255"));
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(popupOnDisk(m_session.home(), Key::ButtonColor), QStringLiteral("2693142"));
}

void TestCustomizeMiniDisplay::theOptionsGetAFreshDialogThatPutsBackWhatItFound()
{
    // Open from the pop-up's menu, with a colour tried out.
    const QPointer<frmCustomizeMiniDisplay> fromMenu = open();
    QVERIFY(fromMenu && fromMenu->isVisible());
    Prompt::queueText(QStringLiteral("255"));
    leftClick(named<QFrame>(fromMenu.data(), "picMiniDisplayColor(0)"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("255"));

    // The options' "Customize Mini Display...": the open one closes and puts its colour back; the options get
    // their own dialog, whose Cancel puts back what it found, vibrate and picture background included.
    QPointer<frmCustomizeMiniDisplay> fromOptions;
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        QVERIFY(click(d, "cmdCustomizeMiniDisplay"));
        QVERIFY(click(d, "cmdCancel"));
    });
    script.expect(QStringLiteral("frmCustomizeMiniDisplay"), [&](QDialog* c) {
        fromOptions = qobject_cast<frmCustomizeMiniDisplay*>(c);
        QVERIFY(fromOptions);
        QVERIFY(c->isModal());
        QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("4731686"));
        QCOMPARE(swatch(c, 0), 4731686u);
        Prompt::queueText(QStringLiteral("65280"));
        leftClick(named<QFrame>(c, "picMiniDisplayColor(3)"));
        named<QCheckBox>(c, "chkPictureBackground")->click();
        named<QCheckBox>(c, "chkVibrate")->click();
        QCOMPARE(popupOnDisk(m_session.home(), Key::ScreenColor), QStringLiteral("65280"));
        QCOMPARE(popupOnDisk(m_session.home(), Key::PictureBackground), QStringLiteral("True"));
        QCOMPARE(popupOnDisk(m_session.home(), Key::Vibrate), QStringLiteral("False"));
        QVERIFY(click(c, "cmdCancel"));
    });
    TRIGGER(m_session.window(), "mnuOptionsConfiguration");
    QVERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!fromMenu);
    QVERIFY(!fromOptions);
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("4731686"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::ScreenColor), QStringLiteral("15326429"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::PictureBackground), QStringLiteral("False"));
    QCOMPARE(popupOnDisk(m_session.home(), Key::Vibrate), QStringLiteral("True"));
    QCOMPARE(background(popup()), Colour::fromBgr(4731686));

    // The statistics customisation still reaches the dialog opened next.
    QVERIFY(open());
    QVERIFY(windowLinks().customizeMiniDisplayLoadCallerInfoList);
}

void TestCustomizeMiniDisplay::aColourChosenAfterTheDialogWentIsNotKept()
{
    // While the colour dialog waits, the customisation is unloaded (the program ends, or its owner goes).
    QPointer<frmCustomizeMiniDisplay> d = open();
    QVERIFY(d);
    Prompt::queueMeanwhile([&] { delete d.data(); });
    Prompt::queueText(QStringLiteral("255"));
    leftClick(named<QFrame>(d.data(), "picMiniDisplayColor(0)"));
    QVERIFY(!d);
    QCOMPARE(popupOnDisk(m_session.home(), Key::BackColor), QStringLiteral("4731686"));
    QCOMPARE(background(popup()), Colour::fromBgr(4731686));
    QVERIFY(!windowLinks().customizeMiniDisplayLoadCallerInfoList);
}

void TestCustomizeMiniDisplay::unloadedWhileOKReadsTheList()
{
    // A list long enough to be read behind the progress window, where the dialog is unloaded.
    addCalls(150);
    QPointer<frmCustomizeMiniDisplay> d = open();
    named<QComboBox>(d.data(), "cboCallLogSize")->setEditText(QStringLiteral("150"));
    bool fired = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        QWidget* progress = FindForm(QStringLiteral("frmProcessing"));
        if (fired || !progress || !progress->isVisible())
            return;
        fired = true;
        delete d.data();
    });
    watch.start(0);
    QVERIFY(click(d.data(), "cmdOK"));
    watch.stop();
    QVERIFY(fired);
    QVERIFY(!d);
    QCOMPARE(popupOnDisk(m_session.home(), Key::LogSize), QStringLiteral("150"));
    QCOMPARE(miniDisplay().Callers.size(), 150);
}

void TestCustomizeMiniDisplay::screenshot()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    const QString dir = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    frmCustomizeMiniDisplay* d = open();
    QCoreApplication::processEvents();
    const QImage image = d->grab().toImage();
    QCOMPARE(image.size(), d->size());
    // The five swatches are drawn in their colours.
    for (int i = 0; i < 5; ++i) {
        QWidget* frame = ui::findByName<QFrame>(d, QStringLiteral("picMiniDisplayColor(%1)").arg(i));
        const QPoint centre = frame->mapTo(d, frame->rect().center());
        QCOMPARE(Colour::toBgr(image.pixelColor(centre)), swatch(d, i));
    }
    const QString file = dir + QStringLiteral("/customize-mini-display.png");
    QVERIFY(image.save(file));
    QVERIFY(QFileInfo(file).size() > 5000);
}

QTEST_MAIN(TestCustomizeMiniDisplay)
#include "test_customizeminidisplay.moc"
