#include "popup/ui/frmCustomizeMiniDisplay.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Colour.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupDetailWindow.h"
#include "popup/ui/PopupWindows.h"
#include "popup/ui/frmMiniDisplay.h"

namespace {

QPointer<frmCustomizeMiniDisplay> g_instance;

const char* const kColourLabels[CustomizeSettings::ColourCount] = {
    "Back Color:", "Button Color:", "Fore Color:", "Screen Color:", "Name Color:"};
const char* const kColourTips[CustomizeSettings::ColourCount] = {
    "Here you can set the back color of the mini display.", "Here you can set the button color of the mini display.",
    "Here you can set the fore color of the mini display.", "Here you can set the screen color of the mini display.",
    "Here you can set the name and number color of the mini display."};

QString popupSetting(const char* key, const char* defaultValue)
{
    return GetProperty(Section::frmMiniDisplay, key, QString::fromLatin1(defaultValue));
}

bool optionsDialogVisible()
{
    QWidget* options = FindForm(QStringLiteral("frmConfiguration"));
    return options && options->isVisible();
}

QPushButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmCustomizeMiniDisplay* frmCustomizeMiniDisplay::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmCustomizeMiniDisplay;
    return g_instance;
}

void frmCustomizeMiniDisplay::showModeless()
{
    frmCustomizeMiniDisplay* dialog = instance();
    dialog->setModal(false);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frmCustomizeMiniDisplay::showModal(QWidget* owner)
{
    // One open from a menu closes (its previews go back) and goes for good; the options get a fresh one,
    // which remembers the settings as they are now, so its own Cancel puts back what it found.
    if (frmCustomizeMiniDisplay* open = instance(false)) {
        open->close();
        g_instance = nullptr;
    }
    QPointer<frmCustomizeMiniDisplay> dialog = instance();
    // Owned by the options dialog while it is modal over it, so it stays in front of it.
    if (owner && dialog->parentWidget() != owner)
        dialog->setParent(owner, dialog->windowFlags());
    execDialog(*dialog);
    // A window closed here is unloaded (the modeless ones unload through their close).
    if (dialog)
        dialog->close();
}

frmCustomizeMiniDisplay::frmCustomizeMiniDisplay() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("frmCustomizeMiniDisplay"));
    setWindowTitle(QStringLiteral("Customize Mini Display"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();

    // Form_Load
    setWindowIcon(QIcon());
    SetOnTop(this, false);
    resize(Twips::toPixels(8070), Twips::toPixels(4740));
    RestoreFormPosition(this);
    RememberSettings();
    for (int i = 5; i <= 100; i += 5)
        cboCallLogSize->addItem(QString::number(i));
    AddHints();
    // The statistics window's customisation tells it when the statistics changed.
    windowLinks().customizeMiniDisplayLoadCallerInfoList = [this] { LoadCallerInfoList(); };
}

frmCustomizeMiniDisplay::~frmCustomizeMiniDisplay()
{
    detachChildren(this);
    releaseLink();
    // Unloaded without closing (the program ends): the previewed values still go back.
    Form_Unload();
}

void frmCustomizeMiniDisplay::buildControls()
{
    fraColor = new QGroupBox(QStringLiteral("Mini Display Colors"), this);
    fraColor->setObjectName(QStringLiteral("fraColor"));
    auto* colours = new QGridLayout(fraColor);
    for (int i = 0; i < CustomizeSettings::ColourCount; ++i) {
        colourLabels[i] = new QLabel(QString::fromLatin1(kColourLabels[i]), fraColor);
        colourLabels[i]->setObjectName(QStringLiteral("Label%1").arg(i + 3));
        colourLabels[i]->installEventFilter(this);
        picMiniDisplayColor[i] = new QFrame(fraColor);
        picMiniDisplayColor[i]->setObjectName(QStringLiteral("picMiniDisplayColor(%1)").arg(i));
        picMiniDisplayColor[i]->setFrameShape(QFrame::Box);
        picMiniDisplayColor[i]->setAutoFillBackground(true);
        picMiniDisplayColor[i]->setMinimumSize(Twips::toPixels(480), Twips::toPixels(300));
        picMiniDisplayColor[i]->setCursor(Qt::PointingHandCursor);
        picMiniDisplayColor[i]->installEventFilter(this);
        colours->addWidget(colourLabels[i], 0, i);
        colours->addWidget(picMiniDisplayColor[i], 1, i);
    }

    Frame1 = new QGroupBox(QStringLiteral("Options"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    chkPictureBackground = new QCheckBox(QStringLiteral("Picture Background"), Frame1);
    chkPictureBackground->setObjectName(QStringLiteral("chkPictureBackground"));
    chkMiniDisplayPopup = new QCheckBox(QStringLiteral("Mini Display Popup"), Frame1);
    chkMiniDisplayPopup->setObjectName(QStringLiteral("chkMiniDisplayPopup"));
    chkVibrate = new QCheckBox(QStringLiteral("Vibrate Alert"), Frame1);
    chkVibrate->setObjectName(QStringLiteral("chkVibrate"));
    sldVibrate = new QSlider(Qt::Horizontal, Frame1);
    sldVibrate->setObjectName(QStringLiteral("sldVibrate"));
    sldVibrate->setRange(50, 500);
    sldVibrate->setTickInterval(50);
    sldVibrate->setTickPosition(QSlider::TicksBelow);
    cmdAlertTest = button(QStringLiteral("Test Alerts"), QStringLiteral("cmdAlertTest"), Frame1);
    auto* options = new QGridLayout(Frame1);
    options->addWidget(chkPictureBackground, 0, 0);
    options->addWidget(chkMiniDisplayPopup, 1, 0);
    options->addWidget(chkVibrate, 2, 0);
    options->addWidget(sldVibrate, 3, 0);
    options->addWidget(cmdAlertTest, 4, 0);

    Label8 = new QLabel(QStringLiteral("Call Log Size:"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    cboCallLogSize = new QComboBox(this);
    cboCallLogSize->setObjectName(QStringLiteral("cboCallLogSize"));
    cboCallLogSize->setEditable(true);
    cboCallLogSize->setInsertPolicy(QComboBox::NoInsert);
    cboCallLogSize->installEventFilter(this);
    cboCallLogSize->lineEdit()->installEventFilter(this);
    Label8->setBuddy(cboCallLogSize);

    Label1 = new QLabel(QStringLiteral("Available Information:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lstInfo = new QListWidget(this);
    lstInfo->setObjectName(QStringLiteral("lstInfo"));
    Label2 = new QLabel(QStringLiteral("Current Information"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    lstCurrentInfo = new QListWidget(this);
    lstCurrentInfo->setObjectName(QStringLiteral("lstCurrentInfo"));
    const char* const moves[4] = {">", ">>", "<", "<<"};
    auto* moveColumn = new QVBoxLayout;
    moveColumn->addStretch();
    for (int i = 0; i < 4; ++i) {
        cmdMove[i] = button(QString::fromLatin1(moves[i]), QStringLiteral("cmdMove(%1)").arg(i), this);
        connect(cmdMove[i], &QPushButton::clicked, this, [this, i] { cmdMove_Click(i); });
        moveColumn->addWidget(cmdMove[i]);
    }
    moveColumn->addStretch();
    // The symbol font's up and down arrows.
    const char* const arrows[2] = {"\u25B2", "\u25BC"};
    auto* upDown = new QVBoxLayout;
    upDown->addStretch();
    for (int i = 0; i < 2; ++i) {
        cmdUpDown[i] = button(QString::fromUtf8(arrows[i]), QStringLiteral("cmdUpDown(%1)").arg(i), this);
        connect(cmdUpDown[i], &QPushButton::clicked, this, [this, i] { cmdUpDown_Click(i); });
        upDown->addWidget(cmdUpDown[i]);
    }
    upDown->addStretch();

    cmdDefault = button(QStringLiteral("&Default"), QStringLiteral("cmdDefault"), this);
    cmdCancel = button(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);
    cmdApply = button(QStringLiteral("&Apply"), QStringLiteral("cmdApply"), this);
    cmdOK = button(QStringLiteral("&OK"), QStringLiteral("cmdOK"), this);

    auto* lists = new QGridLayout;
    lists->addWidget(Label1, 0, 0);
    lists->addWidget(Label2, 0, 2);
    lists->addWidget(lstInfo, 1, 0);
    lists->addLayout(moveColumn, 1, 1);
    lists->addWidget(lstCurrentInfo, 1, 2);
    lists->addLayout(upDown, 1, 3);

    auto* logSize = new QHBoxLayout;
    logSize->addWidget(Label8);
    logSize->addWidget(cboCallLogSize);
    logSize->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDefault);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* top = new QHBoxLayout;
    top->addWidget(fraColor, 3);
    top->addWidget(Frame1, 2);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(logSize);
    main->addLayout(lists, 1);
    main->addLayout(buttons);

    connect(chkPictureBackground, &QCheckBox::toggled, this, &frmCustomizeMiniDisplay::chkPictureBackground_Click);
    connect(chkVibrate, &QCheckBox::toggled, this, &frmCustomizeMiniDisplay::chkVibrate_Click);
    connect(sldVibrate, &QSlider::sliderReleased, this, &frmCustomizeMiniDisplay::sldVibrate_MouseUp);
    connect(cmdAlertTest, &QPushButton::clicked, this, &frmCustomizeMiniDisplay::cmdAlertTest_Click);
    connect(lstInfo, &QListWidget::itemDoubleClicked, this, [this] { cmdMove_Click(0); });
    connect(lstCurrentInfo, &QListWidget::itemDoubleClicked, this, [this] { cmdMove_Click(2); });
    connect(cmdDefault, &QPushButton::clicked, this, &frmCustomizeMiniDisplay::cmdDefault_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCustomizeMiniDisplay::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmCustomizeMiniDisplay::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmCustomizeMiniDisplay::cmdOK_Click);
}

// ---------------------------------------------------------------------------------------------------------
// Showing, loading, saving

void frmCustomizeMiniDisplay::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    RememberSettings();
    LoadSettings();
    cmdAlertTest->setEnabled(!optionsDialogVisible());
}

quint32 frmCustomizeMiniDisplay::swatchColour(int index) const
{
    return Colour::toBgr(picMiniDisplayColor[index]->palette().color(QPalette::Window));
}

void frmCustomizeMiniDisplay::setSwatch(int index, quint32 bgr)
{
    QPalette p = picMiniDisplayColor[index]->palette();
    p.setColor(QPalette::Window, Colour::fromBgr(bgr));
    picMiniDisplayColor[index]->setPalette(p);
}

void frmCustomizeMiniDisplay::LoadSettings()
{
    for (int i = 0; i < CustomizeSettings::ColourCount; ++i)
        setSwatch(i, CustomizeSettings::colour(i));
    chkMiniDisplayPopup->setChecked(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True")) ==
                                    QLatin1String("True"));
    chkPictureBackground->setChecked(popupSetting(Key::PictureBackground, "False") == QLatin1String("True"));
    chkVibrate->setChecked(popupSetting(Key::Vibrate, "True") == QLatin1String("True"));
    // A value set from here acts as a click does, whether or not it changed the box.
    chkVibrate_Click();
    sldVibrate->setValue(textToWhole(popupSetting(Key::VibrateDuration, "100"), 100));
    cboCallLogSize->setEditText(popupSetting(Key::LogSize, "10"));
    LoadCallerInfoList();
}

void frmCustomizeMiniDisplay::SaveSettings()
{
    {
        SettingsBatch batch;
        for (int i = 0; i < CustomizeSettings::ColourCount; ++i)
            SaveProperty(Section::frmMiniDisplay, CustomizeSettings::colourKey(i), QString::number(swatchColour(i)));
        SaveProperty(Section::frmMiniDisplay, Key::Vibrate, boolText(chkVibrate->isChecked()));
        SaveProperty(Section::frmMiniDisplay, Key::VibrateDuration, QString::number(sldVibrate->value()));
        SaveProperty(Section::frmMiniDisplay, Key::LogSize,
                     CustomizeSettings::checkedLogSize(cboCallLogSize->currentText()));
        SaveProperty(Section::frmConfiguration, Key::PopupScreen, boolText(chkMiniDisplayPopup->isChecked()));
        SaveProperty(Section::frmMiniDisplay, Key::PictureBackground, boolText(chkPictureBackground->isChecked()));
        QStringList current;
        for (int i = 0; i < lstCurrentInfo->count(); ++i)
            current << lstCurrentInfo->item(i)->text();
        SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, CustomizeSettings::callerInfoText(current));
    }
    // The two menus and the options dialog show the pop-up option too.
    if (gMainForm)
        gMainForm->UpdateOptionChecks();
    if (QWidget* options = FindForm(QStringLiteral("frmConfiguration")); options && options->isVisible()) {
        if (auto* box = options->findChild<QCheckBox*>(QStringLiteral("chkPopup")))
            box->setChecked(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True")) ==
                            QLatin1String("True"));
    }
}

void frmCustomizeMiniDisplay::RememberSettings() { m_remembered = CustomizeSettings::remember(); }

void frmCustomizeMiniDisplay::RestoreSettings() { CustomizeSettings::restore(m_remembered); }

void frmCustomizeMiniDisplay::ApplySettings()
{
    cboCallLogSize_LostFocus();
    const bool changed = textToNumber(cboCallLogSize->currentText(), -1) != CustomizeSettings::storedLogSize();
    SaveSettings();
    RememberSettings();
    MiniDisplay& popup = miniDisplay();
    if (popup.CurrentScreen == MiniDisplay::CallerInfoScreen)
        popup.SetCallerInfo();
    if (PopupDetailWindow* info = detailWindow(MiniDisplay::CallerInfoScreen, false); info && info->isVisible())
        info->refreshContent();
    if (changed)
        popup.LoadData();
}

void frmCustomizeMiniDisplay::fillLists(const QString& callerInfo)
{
    lstInfo->clear();
    lstCurrentInfo->clear();
    const CustomizeSettings::CallerInfoLists lists = CustomizeSettings::callerInfoLists(callerInfo);
    lstCurrentInfo->addItems(lists.current);
    lstInfo->addItems(lists.available);
    SetListScrollWidth(lstInfo);
    SetListScrollWidth(lstCurrentInfo);
    UpdateButtons();
    if (lstInfo->count() > 0)
        lstInfo->setCurrentRow(0);
    if (lstCurrentInfo->count() > 0)
        lstCurrentInfo->setCurrentRow(0);
}

void frmCustomizeMiniDisplay::LoadCallerInfoList()
{
    fillLists(GetProperty(Section::frmMiniDisplay, Key::CallerInfo, CustomizeSettings::firstRunCallerInfo()));
}

void frmCustomizeMiniDisplay::UpdateButtons()
{
    cmdMove[0]->setEnabled(lstInfo->count() > 0);
    cmdMove[1]->setEnabled(lstInfo->count() > 0);
    for (QPushButton* b : {cmdMove[2], cmdMove[3], cmdUpDown[0], cmdUpDown[1]})
        b->setEnabled(lstCurrentInfo->count() > 0);
}

void frmCustomizeMiniDisplay::AddHints()
{
    if (GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True")) != QLatin1String("True") ||
        !gToolTip)
        return;
    auto tip = [](QWidget* w, const char* text) { gToolTip->SetToolTipObj(w, QString::fromLatin1(text)); };
    tip(fraColor, "Here you can customize various colors of the mini display.");
    for (int i = 0; i < CustomizeSettings::ColourCount; ++i)
        tip(picMiniDisplayColor[i], kColourTips[i]);
    tip(lstInfo, "This is a list of all possible information that can be viewed about each caller in the mini "
                 "display. To view this information in the mini display click the down navigation arrow.");
    tip(lstCurrentInfo, "This is a list of the current information that can be viewed in the mini display. To view "
                        "this information in the mini display click the down navigation arrow.");
    tip(chkMiniDisplayPopup, "This will popup the mini display when an incoming call is received.");
    tip(chkVibrate, "This vibrates the mini display each time the phone rings. This is to help alert you to an "
                    "incoming call.");
    tip(sldVibrate, "Here you can control how long the the form will vibrate for each ring.");
    tip(cmdAlertTest, "Click this button will test all the alert features you have set.");
    tip(cboCallLogSize, "This allows you to control how many calls are displayed in the mini display.");
    tip(cmdDefault, "Clicking this restores all the defualt values for the mini display.");
}

// ---------------------------------------------------------------------------------------------------------
// Live previews

void frmCustomizeMiniDisplay::refreshPopupLook(bool setScreen)
{
    if (frmMiniDisplay* popup = frmMiniDisplay::instance(false))
        popup->UpdateAppearance();
    if (setScreen)
        miniDisplay().SetScreen();
}

void frmCustomizeMiniDisplay::picMiniDisplayColor_Click(int index)
{
    if (index < 0 || index >= CustomizeSettings::ColourCount)
        return;
    const QPointer<frmCustomizeMiniDisplay> self(this);
    const std::optional<quint32> chosen = Prompt::chooseColor(swatchColour(index));
    // Closed while the colour dialog waited (the program ended, or the options opened their own): its
    // previews went back then, and a colour stored now would stay for good.
    if (!self || m_unloaded)
        return;
    if (!chosen) {
        SaveError(kCancelSelectedError, QStringLiteral("Cancel was selected."), QStringLiteral("CommonDialog"));
        return;
    }
    setSwatch(index, *chosen);
    SaveProperty(Section::frmMiniDisplay, CustomizeSettings::colourKey(index), QString::number(*chosen));
    refreshPopupLook(false);
}

void frmCustomizeMiniDisplay::chkPictureBackground_Click()
{
    SaveProperty(Section::frmMiniDisplay, Key::PictureBackground, boolText(chkPictureBackground->isChecked()));
    if (miniDisplay().CurrentScreen == MiniDisplay::Labels)
        miniDisplay().SetScreen();
}

void frmCustomizeMiniDisplay::chkVibrate_Click()
{
    sldVibrate->setEnabled(chkVibrate->isChecked());
    SaveProperty(Section::frmMiniDisplay, Key::Vibrate, boolText(chkVibrate->isChecked()));
}

void frmCustomizeMiniDisplay::sldVibrate_MouseUp()
{
    SaveProperty(Section::frmMiniDisplay, Key::VibrateDuration, QString::number(sldVibrate->value()));
}

void frmCustomizeMiniDisplay::cboCallLogSize_LostFocus()
{
    const QString checked = CustomizeSettings::checkedLogSize(cboCallLogSize->currentText());
    if (checked != cboCallLogSize->currentText())
        cboCallLogSize->setEditText(checked);
}

// ---------------------------------------------------------------------------------------------------------
// The two statistics lists

void frmCustomizeMiniDisplay::cmdMove_Click(int index)
{
    QListWidget* from = index < 2 ? lstInfo : lstCurrentInfo;
    QListWidget* to = index < 2 ? lstCurrentInfo : lstInfo;
    const bool all = index == 1 || index == 3;
    const int row = from->currentRow();
    if (row < 0)
        return; // every move needs a selection in its source list
    if (all) {
        while (from->count() > 0)
            to->addItem(from->takeItem(0));
    } else {
        to->addItem(from->takeItem(row));
        if (from->count() > 0)
            from->setCurrentRow(std::min(row, from->count() - 1));
    }
    if (to->currentRow() < 0 && to->count() > 0)
        to->setCurrentRow(0);
    SetListScrollWidth(lstInfo);
    SetListScrollWidth(lstCurrentInfo);
    UpdateButtons();
}

void frmCustomizeMiniDisplay::cmdUpDown_Click(int index)
{
    const int row = lstCurrentInfo->currentRow();
    const int target = index == 0 ? row - 1 : row + 1;
    if (row < 0 || target < 0 || target >= lstCurrentInfo->count())
        return;
    QListWidgetItem* item = lstCurrentInfo->takeItem(row);
    lstCurrentInfo->insertItem(target, item);
    lstCurrentInfo->setCurrentRow(target);
}

// ---------------------------------------------------------------------------------------------------------
// Buttons

void frmCustomizeMiniDisplay::cmdDefault_Click()
{
    for (int i = 0; i < CustomizeSettings::ColourCount; ++i)
        setSwatch(i, CustomizeSettings::defaultColour(i));
    chkPictureBackground->setChecked(false);
    chkPictureBackground_Click();
    chkVibrate->setChecked(true);
    chkVibrate_Click();
    sldVibrate->setValue(100);
    cboCallLogSize->setEditText(QStringLiteral("10"));
    fillLists(CustomizeSettings::defaultButtonCallerInfo());
    SaveSettings();
    refreshPopupLook(false);
}

void frmCustomizeMiniDisplay::cmdAlertTest_Click()
{
    if (gMainForm)
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuMiniDisplay, true);
    if (!optionsDialogVisible())
        miniDisplay().Show();
    if (frmMiniDisplay* popup = frmMiniDisplay::instance(false))
        popup->Vibrate();
}

void frmCustomizeMiniDisplay::cmdOK_Click()
{
    // Apply may read the pop-up's list behind a progress window, where the program can end.
    const QPointer<frmCustomizeMiniDisplay> self(this);
    ApplySettings();
    if (!self)
        return;
    close();
    if (frmMiniDisplay* popup = frmMiniDisplay::instance(false); popup && popup->isVisible())
        popup->activateWindow();
}

void frmCustomizeMiniDisplay::cmdCancel_Click() { close(); }

// ---------------------------------------------------------------------------------------------------------
// Events and unloading

bool frmCustomizeMiniDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < CustomizeSettings::ColourCount; ++i) {
            // A colour's label acts as a click on the swatch it names.
            if (watched == picMiniDisplayColor[i] || watched == colourLabels[i]) {
                picMiniDisplayColor_Click(i);
                return true;
            }
        }
    }
    if ((watched == cboCallLogSize || watched == cboCallLogSize->lineEdit()) && event->type() == QEvent::FocusOut)
        cboCallLogSize_LostFocus();
    return QDialog::eventFilter(watched, event);
}

void frmCustomizeMiniDisplay::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmCustomizeMiniDisplay::done(int result)
{
    // Escape and the modal loop's end close the window, so it unloads as every other way out does.
    QDialog::done(result);
    if (!m_unloaded) {
        Form_Unload();
        deleteLater();
    }
}

void frmCustomizeMiniDisplay::releaseLink()
{
    // A closed dialog goes later; by then a fresh one may hold the link.
    if (!g_instance || g_instance == this)
        windowLinks().customizeMiniDisplayLoadCallerInfoList = nullptr;
}

void frmCustomizeMiniDisplay::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    releaseLink();
    RestoreSettings();
    refreshPopupLook(true);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        SaveFormPosition(this, PlacePosition);
}
