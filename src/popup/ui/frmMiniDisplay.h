#pragma once

#include "popup/MiniDisplayView.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <functional>

class MiniDisplay;
class PopupVibrator;
class QTimer;

// The caller pop-up: a small tool window above the others showing the recent callers. The list and the
// navigation live in MiniDisplay; this window lays itself out in proportion to its size, colours itself
// from the settings, shakes on a ring and asks before blocking a ringing call. Every control, menu item
// and timer carries its name as objectName (control arrays as lblNavigate(0)).
class frmMiniDisplay : public QWidget, public MiniDisplayView {
    Q_OBJECT
public:
    // The one window, created (loaded) on first use when create is set; nullptr when not loaded.
    static frmMiniDisplay* instance(bool create = true);
    // Lets the call road open the window and ask for open modal dialogs (called once at start-up).
    static void install();
    // The program ends (or its mode changes): the pop-up and its detail windows close as their own close
    // would, so their placement is kept, and the detail windows stay remembered as open. Nothing of the list
    // stays, shown or not.
    static void unloadForExit();

    ~frmMiniDisplay() override;

    MiniDisplay& list() const { return *m_list; }

    // --- public operations ---
    void UpdateAppearance();
    void Vibrate();
    void Flash();
    Q_INVOKABLE void AddHints();

    // The hover timer's tick: the lit button goes dark once the mouse has left the window.
    void ButtonTimer_Timer();
    // Block: asks, then blocks the call still ringing. Public while the modal-step tests run it directly.
    void lblBlock_Click();

    // --- MiniDisplayView ---
    bool isShown() const override;
    void showCallerLabels(bool withPicture, const QString& imageFile) override;
    void setCallerTexts(const QString& position, const QString& name, const QString& number, const QString& time,
                        const QString& rings, const QString& answered) override;
    void showCallerInfo(const QString& text) override;
    void showImage(const QString& imageFile) override;
    void showOtherInfo(const QString& text) override;
    bool detailVisible(int screen) const override;
    void openDetail(int screen) override;
    void refreshDetail(int screen) override;
    void enablePopupMenu(bool callersListed) override;
    void beep() override;
    void vibrate() override { Vibrate(); }
    void flash() override { Flash(); }
    void setBlockVisible(bool visible) override;
    QString caption() const override;
    void setCaption(const QString& caption) override;
    void showWaiting(const QString& tag) override;
    void showLoggedRecord(const std::optional<LoggedRecord>& record) override;
    QObject* windowObject() override { return this; }
    // The server's caller information for the caller shown (client mode).
    void setCallerInfoText(const QString& text);

    // --- geometry in twips (outer rectangle, as stored) ---
    double twipsLeft() const;
    double twipsTop() const;
    double twipsWidth() const;
    double twipsHeight() const;
    void moveTwips(double left, double top);
    void resizeTwips(double width, double height);

    PopupVibrator* vibrator() const { return m_vibrator; }

    int beepCount() const { return m_beeps; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    explicit frmMiniDisplay(MiniDisplay& list);
    // The window manager has put its frame round the window (its outer size is known).
    bool framed() const;
    // One move of the shake: only once the window is framed.
    void shakeTo(const QPointF& place);

    QWidget* picScreen = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblNumber = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblPosition = nullptr;
    QLabel* lblRings = nullptr;
    QLabel* lblAnswered = nullptr;
    QPlainTextEdit* txtCallerInfo = nullptr;
    QPlainTextEdit* txtOtherInfo = nullptr;
    QLabel* imgContactImage = nullptr;
    QLabel* lblNoPic = nullptr;
    QWidget* picWindow = nullptr;
    QLabel* lblWindow[2] = {};
    QLabel* lblNavigate[4] = {};
    QLabel* lblBlock = nullptr;
    QCheckBox* chkOnTop = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuPopupLockSize = nullptr;
    QAction* mnuPopupAdd = nullptr;
    QAction* mnuPopupCreateNew = nullptr;
    QAction* mnuPopupAddToCurrent = nullptr;
    QAction* mnuPopupSearch = nullptr;
    QAction* mnuPopupSearchName = nullptr;
    QAction* mnuPopupSearchNumber = nullptr;
    QAction* mnuPopupSearchContact = nullptr;
    QAction* mnuPopupViewStats = nullptr;
    QAction* mnuPopupViewOriginal = nullptr;
    QAction* mnuPopupCustomize = nullptr;
    QTimer* ButtonTimer = nullptr;

    void ToggleWideSize();
    void chkOnTop_Click();
    // The caller shown as a new contact, or its number added to a contact.
    void mnuPopupCreateNew_Click();
    void mnuPopupAddToCurrent_Click();
    void mnuPopupSearchName_Click();
    void mnuPopupSearchNumber_Click();
    void mnuPopupSearchContact_Click();
    void mnuPopupViewOriginal_Click();
    void mnuPopupViewStats_Click();
    void mnuPopupCustomize_Click();
    void ResetButtonColors();

    void buildControls();
    void buildMenu();
    void Form_Resize();
    void firstShow();
    void layoutControls();
    void placeCornerLabels();
    void DragForm(Qt::MouseButtons buttons, const QPoint& globalPos);
    void hover(QWidget* button);
    void applyLockSize(bool locked);
    void SaveFormPosition();
    void applyOnTop(bool force);
    void loadPicture(const QString& imageFile);
    void showPicture();
    QSizeF outerSizeTwips() const;
    QSizeF innerSizeTwips() const;

    MiniDisplay* m_list;
    PopupVibrator* m_vibrator = nullptr;
    bool FirstShow = true;
    bool Placing = false;
    int SavedLeft = 0; // Left before the window was made wide
    int m_beeps = 0;
    QPixmap m_picture;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
