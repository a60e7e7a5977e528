#pragma once

#include <QDialog>
#include <QList>

#include "popup/CustomizeSettings.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

// Sets how the caller pop-up looks and behaves: its five colours, the picture background, the vibrate
// alert, how many callers it lists, whether it pops up on a call, and which caller statistics its
// statistics screen shows in what order. Colours, picture background and vibrate are stored at once so the
// pop-up shows them while the user tries them; closing without Apply or OK puts the eight values back as
// they were when the dialog opened (or at the last Apply). One instance, shown modeless from the menus and
// modal from the options dialog.
class frmCustomizeMiniDisplay : public QDialog {
    Q_OBJECT
public:
    // The one dialog, created on first use when create is set; nullptr when it is not loaded.
    static frmCustomizeMiniDisplay* instance(bool create = true);
    // Shows it modeless, without an owner (the pop-up's and the main window's menus).
    static void showModeless();
    // Closes one that is open, then shows it modal over owner (the options dialog).
    static void showModal(QWidget* owner);

    ~frmCustomizeMiniDisplay() override;

    // Refills the two statistics lists from CallerInfo (the statistics changed).
    void LoadCallerInfoList();
    Q_INVOKABLE void AddHints();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    frmCustomizeMiniDisplay();

    // --- operations ---
    void LoadSettings();
    void SaveSettings();
    void RememberSettings();
    void RestoreSettings();
    void ApplySettings();
    void UpdateButtons();
    void releaseLink();

    // --- handlers ---
    void picMiniDisplayColor_Click(int index);
    void chkPictureBackground_Click();
    void chkVibrate_Click();
    void sldVibrate_MouseUp();
    void cboCallLogSize_LostFocus();
    void cmdMove_Click(int index);
    void cmdUpDown_Click(int index);
    void cmdDefault_Click();
    void cmdAlertTest_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdApply_Click() { ApplySettings(); }

    // --- controls ---
    QGroupBox* fraColor = nullptr;
    QFrame* picMiniDisplayColor[CustomizeSettings::ColourCount] = {};
    QLabel* colourLabels[CustomizeSettings::ColourCount] = {}; // Label3 .. Label7
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkPictureBackground = nullptr;
    QCheckBox* chkMiniDisplayPopup = nullptr;
    QCheckBox* chkVibrate = nullptr;
    QSlider* sldVibrate = nullptr;
    QPushButton* cmdAlertTest = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* cboCallLogSize = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* lstInfo = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* lstCurrentInfo = nullptr;
    QPushButton* cmdMove[4] = {};
    QPushButton* cmdUpDown[2] = {};
    QPushButton* cmdDefault = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;

    // The swatch's colour (blue-green-red).
    quint32 swatchColour(int index) const;
    void buildControls();
    void setSwatch(int index, quint32 bgr);
    void fillLists(const QString& callerInfo);
    void Form_Unload();
    static void refreshPopupLook(bool setScreen);

    CustomizeSettings::Remembered m_remembered;
    bool m_unloaded = false;
};
