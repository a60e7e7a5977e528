#include "popup/ui/frmMiniDisplay.h"

#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "contacts/ContactPicture.h"
#include "contacts/ContactStore.h"
#include "contacts/ui/ContactPickers.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmWaiting.h"
#include "platform/Colour.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "platform/ui/KeepInSight.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/PopupLayout.h"
#include "popup/PopupVibrator.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/PopupDetailWindow.h"
#include "popup/ui/PopupWindows.h"
#include "popup/ui/frmCallerInfo.h"
#include "popup/ui/frmContactPicture.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "popup/ui/frmOtherInfo.h"
#include "statswindow/ui/frmStatistics.h"

namespace {

// A text box of the screen area whose lines can be kept clear of a strip at its right edge.
class PopupTextBox : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    void setRightMargin(int pixels) { setViewportMargins(0, 0, pixels, 0); }
};

} // namespace

namespace {

QPointer<frmMiniDisplay> g_instance;

// "Arial" and "Arial Black" are served by Liberation Sans; the symbol-font glyphs become Unicode.
const char* const TextFamily = "Liberation Sans";
const char* const GlyphFamily = "DejaVu Sans";
const char* const ArrowGlyphs[4] = {"\u25C0", "\u25B6", "\u25B2", "\u25BC"};
const char* const WindowGlyph = "\u2750";
constexpr double WindowButtonTwips = 225;

const char* const HintText =
    "This form displays information about the most recent callers. Click the left and right navigation buttons "
    "to view different callers. Click the up and down buttons to view different information about the "
    "currently displayed caller.";
const char* const OnTopHint = "Check this box to have this form always on top of others. This is separate from "
                              "the always on top property in configuration.";

void stopBlinking()
{
    if (gMainForm)
        gMainForm->StopBlinking();
}

QString popupSetting(const char* key, const char* defaultValue)
{
    return GetProperty(Section::frmMiniDisplay, QLatin1String(key), QLatin1String(defaultValue));
}

QRect toPixels(const QRectF& twips)
{
    return QRect(Twips::toPixels(twips.left()), Twips::toPixels(twips.top()), Twips::toPixels(twips.width()),
                 Twips::toPixels(twips.height()));
}

QSizeF toTwips(const QSize& pixels) { return {Twips::fromPixels(pixels.width()), Twips::fromPixels(pixels.height())}; }

void setPointSize(QWidget* w, double points)
{
    QFont f = w->font();
    f.setPointSizeF(std::max(1.0, points));
    w->setFont(f);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Loading and the one instance

frmMiniDisplay* frmMiniDisplay::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmMiniDisplay(miniDisplay());
    return g_instance;
}

void frmMiniDisplay::install()
{
    // A call shows it above every window of ours, an always-on-top main window too, without the keyboard: one
    // already on the screen would stay wherever the user's last click in another window left it.
    MiniDisplay::setWindowHooks({[] {
                                     frmMiniDisplay* w = instance();
                                     w->show();
                                     w->raise();
                                 },
                                 [] { return IsDialogOpen(); }});
}

void frmMiniDisplay::unloadForExit()
{
    if (frmMiniDisplay* popup = instance(false); popup && popup->isVisible())
        popup->close();
    for (int screen : {MiniDisplay::CallerInfoScreen, MiniDisplay::PictureScreen, MiniDisplay::OtherInfoScreen}) {
        if (PopupDetailWindow* w = detailWindow(screen, false); w && w->isVisible())
            w->closeByProgram();
    }
    // The list and the call that rang went with the mode that heard them, whether the pop-up was on show or not.
    miniDisplay().forgetCalls();
}

frmMiniDisplay::frmMiniDisplay(MiniDisplay& list) : QWidget(nullptr), m_list(&list)
{
    setObjectName(QStringLiteral("frmMiniDisplay"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A call shows it, or changes what it shows, while the user types elsewhere: it never takes the keyboard
    // as it shows (a click on it still gives it the keyboard).
    setAttribute(Qt::WA_ShowWithoutActivating);
    // On top at a place of its own: what the user must answer or reach opens beside it, never under it.
    KeepInSight::mark(this, KeepInSight::Kind::OnTop);
    // A sizable tool window with a close box only (its lock item makes it a fixed one).
    SetWindowStyle(this, BorderSizableToolWindow, false, true, false, false, false, false);
    setMouseTracking(true);
    buildControls();
    buildMenu();
    // A call shows the pop-up and shakes it at once. Until the window manager has framed it, a move would put
    // the client area where the frame belongs, a title bar lower, and the shake would take that for a drag and
    // end there: the moves wait for the frame, and the place the window was restored to stays its home.
    m_vibrator = new PopupVibrator([this] { return QPointF(twipsLeft(), twipsTop()); },
                                   [this](const QPointF& p) { shakeTo(p); }, this);
    m_vibrator->setObjectName(QStringLiteral("VibrateTimer"));
    ButtonTimer = new QTimer(this);
    ButtonTimer->setObjectName(QStringLiteral("ButtonTimer"));
    ButtonTimer->setInterval(100);
    connect(ButtonTimer, &QTimer::timeout, this, &frmMiniDisplay::ButtonTimer_Timer);

    // Form_Load
    setWindowIcon(QIcon());
    FirstShow = true;
    chkOnTop->blockSignals(true);
    chkOnTop->setChecked(textToBool(popupSetting(Key::OnTop, "True")));
    chkOnTop->blockSignals(false);
    SetOnTop(this, chkOnTop->isChecked());
    m_list->setView(this);
    m_list->EnablePopupMenu();
    Placing = true;
    resizeTwips(PopupLayout::NormalWidth, PopupLayout::NormalHeight);
    RestoreFormPosition(this);
    Placing = false;
    AddHints();
    UpdateAppearance();
    if (gRinging)
        m_list->IncomingCallTimer.start();
}

frmMiniDisplay::~frmMiniDisplay()
{
    if (m_list->view() == this)
        m_list->setView(nullptr);
    // The controls outlive this body: nothing they report on their way out may reach this window.
    detachChildren(this);
}

void frmMiniDisplay::buildControls()
{
    const QFont text(QString::fromLatin1(TextFamily));
    QFont nameFont(QString::fromLatin1(TextFamily));
    nameFont.setWeight(QFont::Black);
    const QFont glyph(QString::fromLatin1(GlyphFamily));

    picScreen = new QWidget(this);
    picScreen->setObjectName(QStringLiteral("picScreen"));
    picScreen->setAutoFillBackground(true);
    picScreen->setMouseTracking(true);

    imgContactImage = new QLabel(picScreen);
    imgContactImage->setAlignment(Qt::AlignCenter);
    lblNoPic = new QLabel(QStringLiteral("No Picture"), picScreen);
    lblNoPic->setFont(text);
    lblNoPic->setAutoFillBackground(true);
    imgContactImage->raise(); // the picture covers "No Picture" when there is one

    const auto label = [&](const char* name, const QFont& font) {
        auto* l = new QLabel(picScreen);
        l->setObjectName(QLatin1String(name));
        l->setFont(font);
        l->setAutoFillBackground(true);
        l->setMouseTracking(true);
        return l;
    };
    lblTime = label("lblTime", text);
    lblPosition = label("lblPosition", text);
    lblRings = label("lblRings", text);
    lblAnswered = label("lblAnswered", text);
    lblName = label("lblName", nameFont);
    lblNumber = label("lblNumber", nameFont);
    lblName->setAlignment(Qt::AlignCenter);
    lblNumber->setAlignment(Qt::AlignCenter);

    const auto textBox = [&](const char* name) {
        auto* t = new PopupTextBox(picScreen);
        t->setObjectName(QLatin1String(name));
        t->setFont(text);
        t->setReadOnly(true);
        t->setFrameShape(QFrame::NoFrame);
        t->viewport()->setMouseTracking(true);
        t->hide();
        return t;
    };
    txtCallerInfo = textBox("txtCallerInfo");
    txtOtherInfo = textBox("txtOtherInfo");

    picWindow = new QWidget(picScreen);
    picWindow->setAutoFillBackground(true);
    const QSize buttonSize(Twips::toPixels(WindowButtonTwips), Twips::toPixels(WindowButtonTwips));
    picWindow->resize(buttonSize);
    for (int i = 0; i < 2; ++i) {
        lblWindow[i] = new QLabel(QString::fromUtf8(WindowGlyph), i == 0 ? picWindow : picScreen);
        lblWindow[i]->setFont(glyph);
        lblWindow[i]->setAlignment(Qt::AlignCenter);
        lblWindow[i]->setAutoFillBackground(true);
        lblWindow[i]->setMouseTracking(true);
        lblWindow[i]->setGeometry(QRect(QPoint(0, 0), buttonSize));
    }
    picWindow->hide();
    lblWindow[1]->hide();

    for (int i = 0; i < 4; ++i) {
        lblNavigate[i] = new QLabel(QString::fromUtf8(ArrowGlyphs[i]), this);
        lblNavigate[i]->setFont(glyph);
        lblNavigate[i]->setMouseTracking(true);
    }
    lblBlock = new QLabel(QStringLiteral("Block"), this);
    lblBlock->setFont(text);
    lblBlock->setAlignment(Qt::AlignCenter);
    lblBlock->setAutoFillBackground(true);
    lblBlock->setMouseTracking(true);
    lblBlock->hide();
    chkOnTop = new QCheckBox(QStringLiteral("On Top"), this);
    chkOnTop->setFont(text);
    chkOnTop->setAutoFillBackground(true);
    chkOnTop->setMouseTracking(true);
    connect(chkOnTop, &QCheckBox::toggled, this, [this] { chkOnTop_Click(); });

    QList<QObject*> watched{picScreen,
                            lblName,
                            lblNumber,
                            lblTime,
                            lblPosition,
                            lblRings,
                            lblAnswered,
                            txtCallerInfo->viewport(),
                            txtOtherInfo->viewport(),
                            imgContactImage,
                            lblNoPic,
                            lblWindow[0],
                            lblWindow[1],
                            lblBlock,
                            chkOnTop};
    for (QLabel* l : lblNavigate)
        watched << l;
    for (QObject* o : watched)
        o->installEventFilter(this);

    const std::pair<QObject*, const char*> names[] = {{imgContactImage, "imgContactImage"},
                                                      {lblNoPic, "lblNoPic"},
                                                      {picWindow, "picWindow"},
                                                      {lblBlock, "lblBlock"},
                                                      {chkOnTop, "chkOnTop"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));
    for (int i = 0; i < 2; ++i)
        lblWindow[i]->setObjectName(QStringLiteral("lblWindow(%1)").arg(i));
    for (int i = 0; i < 4; ++i)
        lblNavigate[i]->setObjectName(QStringLiteral("lblNavigate(%1)").arg(i));
}

void frmMiniDisplay::buildMenu()
{
    mnuPopup = new QMenu(QStringLiteral("Popup"), this);
    mnuPopupLockSize = mnuPopup->addAction(QStringLiteral("Lock Mini Display Size"));
    mnuPopupLockSize->setCheckable(true);
    connect(mnuPopupLockSize, &QAction::triggered, this, [this](bool checked) {
        SaveProperty(QString::fromLatin1(Section::frmMiniDisplay), QString::fromLatin1(Key::LockSize),
                     boolText(checked));
        applyLockSize(checked);
    });
    QAction* hyphen1 = mnuPopup->addSeparator();
    QMenu* add = mnuPopup->addMenu(QStringLiteral("Add To Contact DB..."));
    mnuPopupAdd = add->menuAction();
    mnuPopupCreateNew = add->addAction(QStringLiteral("Add As New Contact..."));
    mnuPopupCreateNew->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    mnuPopupAddToCurrent = add->addAction(QStringLiteral("Add This Number To A Contact..."));
    mnuPopupAddToCurrent->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    QAction* hyphen2 = mnuPopup->addSeparator();
    QMenu* search = mnuPopup->addMenu(QStringLiteral("Search"));
    mnuPopupSearch = search->menuAction();
    mnuPopupSearchName = search->addAction(QStringLiteral("Search By Name"));
    mnuPopupSearchNumber = search->addAction(QStringLiteral("Search By Number"));
    mnuPopupSearchContact = search->addAction(QStringLiteral("Search By Contact"));
    mnuPopupViewStats = mnuPopup->addAction(QStringLiteral("View Statistics On This Caller..."));
    mnuPopupViewStats->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    mnuPopupViewOriginal = mnuPopup->addAction(QStringLiteral("View Original Caller ID Info..."));
    mnuPopupViewOriginal->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    QAction* hyphen3 = mnuPopup->addSeparator();
    mnuPopupCustomize = mnuPopup->addAction(QStringLiteral("Customize..."));
    const std::pair<QObject*, const char*> names[] = {{mnuPopup, "mnuPopup"},
                                                      {mnuPopupLockSize, "mnuPopupLockSize"},
                                                      {hyphen1, "mnuPopupHyphen1"},
                                                      {add, "mnuPopupAdd"},
                                                      {mnuPopupCreateNew, "mnuPopupCreateNew"},
                                                      {mnuPopupAddToCurrent, "mnuPopupAddToCurrent"},
                                                      {hyphen2, "mnuPopupHyphen2"},
                                                      {search, "mnuPopupSearch"},
                                                      {mnuPopupSearchName, "mnuPopupSearchName"},
                                                      {mnuPopupSearchNumber, "mnuPopupSearchNumber"},
                                                      {mnuPopupSearchContact, "mnuPopupSearchContact"},
                                                      {mnuPopupViewStats, "mnuPopupViewStats"},
                                                      {mnuPopupViewOriginal, "mnuPopupViewOriginal"},
                                                      {hyphen3, "mnuPopupHyphen3"},
                                                      {mnuPopupCustomize, "mnuPopupCustomize"}};
    for (const auto& [item, name] : names)
        item->setObjectName(QLatin1String(name));
    connect(mnuPopupCreateNew, &QAction::triggered, this, &frmMiniDisplay::mnuPopupCreateNew_Click);
    connect(mnuPopupAddToCurrent, &QAction::triggered, this, &frmMiniDisplay::mnuPopupAddToCurrent_Click);
    connect(mnuPopupCustomize, &QAction::triggered, this, &frmMiniDisplay::mnuPopupCustomize_Click);
    connect(mnuPopupSearchName, &QAction::triggered, this, &frmMiniDisplay::mnuPopupSearchName_Click);
    connect(mnuPopupSearchNumber, &QAction::triggered, this, &frmMiniDisplay::mnuPopupSearchNumber_Click);
    connect(mnuPopupSearchContact, &QAction::triggered, this, &frmMiniDisplay::mnuPopupSearchContact_Click);
    connect(mnuPopupViewOriginal, &QAction::triggered, this, &frmMiniDisplay::mnuPopupViewOriginal_Click);
    connect(mnuPopupViewStats, &QAction::triggered, this, &frmMiniDisplay::mnuPopupViewStats_Click);
    // The menu shows these four shortcuts; they work whenever the pop-up is the active window, not only
    // while its menu is open.
    addActions({mnuPopupCreateNew, mnuPopupAddToCurrent, mnuPopupViewStats, mnuPopupViewOriginal});
}

void frmMiniDisplay::mnuPopupCreateNew_Click()
{
    const clsCaller caller = m_list->CurrentCaller;
    if (caller.Number.Number.isEmpty() || caller.Name.isEmpty())
        return;
    // Not owned by the pop-up: the program may close and unload the pop-up while the dialog waits, and an
    // owner's deletion would take the dialog on this stack with it.
    frmNewContact dialog(nullptr);
    dialog.Prefill(caller.Name, caller.Number.Number);
    dialog.Tag = QStringLiteral("MINI DISPLAY");
    const QPointer<frmMiniDisplay> self(this);
    execDialog(dialog);
    // The pop-up went while the dialog waited (the program ends): nothing is left to act for.
    if (!self || !self->isShown())
        return;
    MiniDisplay* list = m_list;
    // A client's request goes out the way the pop-up's other requests do.
    ContactOpeners::CreateNew(dialog.ContactName(), dialog.Number(), dialog.Description(),
                              QStringLiteral("frmMiniDisplay_mnuPopupCreateNew"),
                              [list](const QString& text) { list->SendData(text); });
}

void frmMiniDisplay::mnuPopupAddToCurrent_Click()
{
    // The number is taken now: the caller shown may change while the chooser waits.
    const QString number = m_list->CurrentCaller.Number.Number;
    if (number.isEmpty())
        return;
    frmSelectContact dialog(nullptr);
    dialog.Tag = QStringLiteral("MINI DISPLAY");
    const QPointer<frmMiniDisplay> self(this);
    execDialog(dialog);
    if (!self || !self->isShown())
        return;
    MiniDisplay* list = m_list;
    ContactOpeners::AddNumberTo(dialog.ContactName(), number, dialog.Description(),
                                QStringLiteral("frmMiniDisplay_mnuPopupAddToCurrent"),
                                [list](const QString& text) { list->SendData(text); });
}

void frmMiniDisplay::mnuPopupSearchName_Click() { m_list->Search(MiniDisplay::SearchName); }
void frmMiniDisplay::mnuPopupSearchNumber_Click() { m_list->Search(MiniDisplay::SearchNumber); }
void frmMiniDisplay::mnuPopupSearchContact_Click() { m_list->Search(MiniDisplay::SearchContact); }
void frmMiniDisplay::mnuPopupViewOriginal_Click() { m_list->ViewOriginal(); }
// Without blocking and without an owner: the pop-up shows what is tried out in it.
void frmMiniDisplay::mnuPopupCustomize_Click() { frmCustomizeMiniDisplay::showModeless(); }

void frmMiniDisplay::mnuPopupViewStats_Click()
{
    const clsCaller& caller = m_list->CurrentCaller;
    if (!caller.Number.Number.isEmpty() && !caller.Name.isEmpty())
        frmStatistics::instance()->LoadNumber(caller.Number.Number, caller.Name);
}

void frmMiniDisplay::showLoggedRecord(const std::optional<LoggedRecord>& record)
{
    frmOriginalCallerIDInfo* w = frmOriginalCallerIDInfo::instance();
    // Shown without an owner, like the pop-up's other tool windows.
    w->showRecord(record ? *record : w->shown(), QStringLiteral("MINI DISPLAY"));
}

// ---------------------------------------------------------------------------------------------------------
// Geometry

double frmMiniDisplay::twipsLeft() const { return Twips::fromPixels(frameGeometry().x()); }
double frmMiniDisplay::twipsTop() const { return Twips::fromPixels(frameGeometry().y()); }
double frmMiniDisplay::twipsWidth() const { return Twips::fromPixels(frameGeometry().width()); }
double frmMiniDisplay::twipsHeight() const { return Twips::fromPixels(frameGeometry().height()); }
QSizeF frmMiniDisplay::outerSizeTwips() const { return toTwips(frameGeometry().size()); }
QSizeF frmMiniDisplay::innerSizeTwips() const { return toTwips(size()); }
bool frmMiniDisplay::framed() const { return frameGeometry().size() != size(); }

void frmMiniDisplay::moveTwips(double left, double top) { move(Twips::toPixels(left), Twips::toPixels(top)); }

void frmMiniDisplay::shakeTo(const QPointF& place)
{
    // Each move reaches the window system, even one to where Qt last heard the window was: under load the
    // window manager's word on an earlier move comes late, and a move home taken for no move at all would leave
    // the pop-up where the shake last put it. A close (a mode switch, the end) saves the place of the move home
    // the shake's stop has just sent.
    if (framed())
        MoveFrame(this, QPoint(Twips::toPixels(place.x()), Twips::toPixels(place.y())));
}

void frmMiniDisplay::resizeTwips(double width, double height)
{
    const QSize frame = frameGeometry().size() - size();
    resize(std::max(1, Twips::toPixels(width) - frame.width()), std::max(1, Twips::toPixels(height) - frame.height()));
}

void frmMiniDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMiniDisplay::Form_Resize()
{
    if (Placing)
        return;
    applyOnTop(textToBool(popupSetting(Key::OnTop, "True")));
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        // Clamp in whole pixels: the smallest size that is not below the limits, the largest not above.
        const double tpp = Twips::perPixel();
        const QSize outer = frameGeometry().size();
        const int minW = int(std::ceil(PopupLayout::MinWidth / tpp - 1e-9));
        const int minH = int(std::ceil(PopupLayout::MinHeight / tpp - 1e-9));
        const int maxH = int(std::floor(PopupLayout::MaxHeight / tpp + 1e-9));
        const QSize clamped(std::max(outer.width(), minW), std::clamp(outer.height(), minH, maxH));
        // Until the window manager has framed the window (as it is first shown) its outer size is not known,
        // and a size change then would make the window system put the client area where the stored place
        // of the frame is, a title bar lower. The size is kept as restored until the frame is there.
        if (clamped != outer && framed()) {
            Placing = true;
            const QSize frame = frameGeometry().size() - size();
            resize(clamped - frame);
            Placing = false;
        }
        layoutControls();
    }
    if (FirstShow)
        firstShow();
}

void frmMiniDisplay::layoutControls()
{
    const QSizeF outer = outerSizeTwips();
    const QSizeF inner = innerSizeTwips();
    const PopupLayout::Fonts fonts = PopupLayout::fonts(outer);

    for (QLabel* l : lblNavigate) {
        setPointSize(l, fonts.navigate);
        l->adjustSize();
    }
    for (QWidget* w : std::initializer_list<QWidget*>{lblTime, lblPosition, lblAnswered, lblRings, txtCallerInfo,
                                                      txtOtherInfo, lblNoPic})
        setPointSize(w, fonts.text);
    for (QLabel* l : {lblTime, lblPosition, lblAnswered, lblRings, lblNoPic})
        l->adjustSize();
    setPointSize(lblName, fonts.nameNumber);
    setPointSize(lblNumber, fonts.nameNumber);

    PopupLayout::Measured m;
    for (int i = 0; i < 4; ++i)
        m.navigate[i] = toTwips(lblNavigate[i]->size());
    m.time = toTwips(lblTime->size());
    m.position = toTwips(lblPosition->size());
    m.answered = toTwips(lblAnswered->size());
    m.rings = toTwips(lblRings->size());
    m.name = toTwips(lblName->sizeHint());
    m.number = toTwips(lblNumber->sizeHint());
    m.noPic = toTwips(lblNoPic->size());
    m.blockHeight = Twips::fromPixels(lblBlock->sizeHint().height());
    m.picWindow = toTwips(picWindow->size());
    m.window1 = toTwips(lblWindow[1]->size());
    m.onTop = toTwips(chkOnTop->sizeHint());

    // Where the scaled font is taller than the screen area leaves room for, the name and the number shrink
    // together until they fit; a text's height follows its size closely but not exactly, hence the steps.
    const double room = PopupLayout::nameNumberRoom(inner, m);
    double points = fonts.nameNumber;
    for (int i = 0; i < 20 && points > 1 && std::max(m.name.height(), m.number.height()) > room; ++i) {
        points = std::max(1.0, std::min(points * room / std::max(m.name.height(), m.number.height()), points - 0.5));
        setPointSize(lblName, points);
        setPointSize(lblNumber, points);
        m.name = toTwips(lblName->sizeHint());
        m.number = toTwips(lblNumber->sizeHint());
    }

    const PopupLayout::Placement p = PopupLayout::place(outer, inner, m);
    picScreen->setGeometry(toPixels(p.screen));
    lblTime->move(toPixels(p.time).topLeft());
    lblPosition->move(toPixels(p.position).topLeft());
    lblAnswered->move(toPixels(p.answered).topLeft());
    lblRings->move(toPixels(p.rings).topLeft());
    lblName->setGeometry(toPixels(p.name));
    lblNumber->setGeometry(toPixels(p.number));
    txtCallerInfo->setGeometry(toPixels(p.callerInfo));
    txtOtherInfo->setGeometry(toPixels(p.otherInfo));
    // The own-window button stands at the text boxes' top right corner: their lines end before it.
    const QRect button = toPixels(p.picWindow);
    for (QPlainTextEdit* box : {txtCallerInfo, txtOtherInfo})
        static_cast<PopupTextBox*>(box)->setRightMargin(std::max(0, box->geometry().right() - button.left() + 1));
    imgContactImage->setGeometry(toPixels(p.image));
    lblNoPic->move(toPixels(p.noPic).topLeft());
    for (int i = 0; i < 4; ++i)
        lblNavigate[i]->move(toPixels(p.navigate[i]).topLeft());
    lblNavigate[0]->raise();
    lblBlock->setGeometry(toPixels(p.block));
    picWindow->move(toPixels(p.picWindow).topLeft());
    lblWindow[1]->move(toPixels(p.window1).topLeft());
    chkOnTop->setGeometry(toPixels(p.onTop));
    picWindow->raise();
    lblWindow[1]->raise();
    showPicture();
}

void frmMiniDisplay::placeCornerLabels()
{
    // The position and answered labels keep to the right-hand corners as their texts change.
    const QSizeF screen = toTwips(picScreen->size());
    lblPosition->adjustSize();
    lblAnswered->adjustSize();
    lblTime->adjustSize();
    lblRings->adjustSize();
    const QSizeF pos = toTwips(lblPosition->size());
    const QSizeF ans = toTwips(lblAnswered->size());
    const QSizeF rings = toTwips(lblRings->size());
    lblPosition->move(Twips::toPixels(screen.width() - pos.width() - 50), 0);
    lblAnswered->move(Twips::toPixels(screen.width() - ans.width() - 50),
                      Twips::toPixels(screen.height() - ans.height() - 50));
    lblRings->move(Twips::toPixels(50), Twips::toPixels(screen.height() - rings.height() - 50));
}

void frmMiniDisplay::firstShow()
{
    FirstShow = false;
    m_list->Position = 1;
    m_list->LoadData();
    m_list->CurrentScreen = MiniDisplay::Labels;
    m_list->SetScreen();
    if (textToBool(GetProperty(Section::frmCallerInfo, Key::Visible, QStringLiteral("False"))))
        openDetail(MiniDisplay::CallerInfoScreen);
    if (!isClientMode() && textToBool(GetProperty(Section::frmContactPicture, Key::Visible, QStringLiteral("False"))))
        openDetail(MiniDisplay::PictureScreen);
    if (textToBool(GetProperty(Section::frmOtherInfo, Key::Visible, QStringLiteral("False"))))
        openDetail(MiniDisplay::OtherInfoScreen);
    applyLockSize(textToBool(popupSetting(Key::LockSize, "False")));
}

void frmMiniDisplay::applyLockSize(bool locked)
{
    mnuPopupLockSize->setChecked(locked);
    SetWindowStyle(this, locked ? BorderFixedToolWindow : BorderSizableToolWindow, false, true, false, false, false,
                   false);
}

void frmMiniDisplay::ToggleWideSize()
{
    stopBlinking();
    if (textToBool(popupSetting(Key::LockSize, "False")))
        return;
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const double screenWidth = s ? Twips::fromPixels(s->geometry().width()) : 0;
    const double top = twipsTop();
    if (twipsWidth() > screenWidth - 1000) {
        moveTwips(SavedLeft, top);
        resizeTwips(PopupLayout::NormalWidth, PopupLayout::NormalHeight);
    } else {
        SavedLeft = int(std::lround(twipsLeft()));
        moveTwips(0, top);
        resizeTwips(screenWidth, PopupLayout::WideHeight);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Closing

void frmMiniDisplay::closeEvent(QCloseEvent* event)
{
    // Closed along with the pop-up, the detail windows stay remembered as open.
    for (int screen : {MiniDisplay::PictureScreen, MiniDisplay::CallerInfoScreen, MiniDisplay::OtherInfoScreen}) {
        if (PopupDetailWindow* w = detailWindow(screen, false); w && w->isVisible())
            w->closeByProgram();
    }
    stopBlinking();
    m_vibrator->stop();
    SaveFormPosition();
    if (gMainForm)
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuMiniDisplay, false);
    ButtonTimer->stop();
    m_list->Unload();
    event->accept();
}

void frmMiniDisplay::SaveFormPosition() { ::SaveFormPosition(this, PlacePosition | PlaceSize); }

// ---------------------------------------------------------------------------------------------------------
// Appearance

void frmMiniDisplay::UpdateAppearance()
{
    const QColor screen = Colour::fromBgr(MiniDisplay::colourSetting(Key::ScreenColor, "15326429"));
    for (QWidget* w : std::initializer_list<QWidget*>{picScreen, lblName, lblNumber, lblTime, lblPosition, lblRings,
                                                      lblAnswered, picWindow, lblNoPic})
        setBackground(w, screen);
    setBackground(txtCallerInfo, screen);
    setBackground(txtOtherInfo, screen);

    setForeground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8464686")));
    const QColor fore = Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8418617"));
    for (QWidget* w : std::initializer_list<QWidget*>{lblTime, lblPosition, lblRings, lblAnswered, txtCallerInfo,
                                                      txtOtherInfo, lblNoPic})
        setForeground(w, fore);
    const QColor nameNumber = Colour::fromBgr(MiniDisplay::colourSetting(Key::NameNumberForeColor, "14102841"));
    setForeground(lblName, nameNumber);
    setForeground(lblNumber, nameNumber);
    ResetButtonColors();

    const QColor back = Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686"));
    setBackground(this, back);
    setAutoFillBackground(true);
    for (QWidget* w : std::initializer_list<QWidget*>{lblWindow[0], lblWindow[1], lblBlock, chkOnTop})
        setBackground(w, back);
    for (int screenIndex : {MiniDisplay::CallerInfoScreen, MiniDisplay::PictureScreen, MiniDisplay::OtherInfoScreen}) {
        if (PopupDetailWindow* w = detailWindow(screenIndex, false); w && w->isVisible())
            w->UpdateAppearance();
    }
}

void frmMiniDisplay::ResetButtonColors()
{
    const QColor button = Colour::fromBgr(MiniDisplay::colourSetting(Key::ButtonColor, "2693142"));
    setForeground(chkOnTop, button);
    setForeground(lblWindow[0], button);
    setForeground(lblWindow[1], button);
    setForeground(lblBlock, button);
    for (QLabel* l : lblNavigate)
        setForeground(l, button);
}

void frmMiniDisplay::hover(QWidget* button)
{
    const QColor hoverColour =
        Colour::fromBgr(MiniDisplay::hoverColour(MiniDisplay::colourSetting(Key::ButtonColor, "2693142")));
    if (foreground(button) == hoverColour)
        return;
    ResetButtonColors();
    setForeground(button, hoverColour);
    // Watches for the mouse leaving the window only while a button is lit: an idle pop-up runs no timer.
    ButtonTimer->start();
}

void frmMiniDisplay::ButtonTimer_Timer()
{
    // The highlight goes as soon as the mouse leaves the window.
    const QPoint cursor = QCursor::pos();
    const double x = Twips::fromPixels(cursor.x());
    const double y = Twips::fromPixels(cursor.y());
    const double left = twipsLeft();
    const double top = twipsTop();
    const bool inside = left < x && x < left + twipsWidth() && top < y && y < top + twipsHeight();
    if (!inside) {
        ResetButtonColors();
        ButtonTimer->stop();
    }
}

void frmMiniDisplay::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))))
        return;
    if (!gToolTip)
        return;
    gToolTip->SetToolTipObj(this, QString::fromLatin1(HintText));
    gToolTip->SetToolTipObj(picScreen, QString::fromLatin1(HintText));
    gToolTip->SetToolTipObj(chkOnTop, QString::fromLatin1(OnTopHint));
}

void frmMiniDisplay::applyOnTop(bool force) { SetOnTop(this, force); }

void frmMiniDisplay::chkOnTop_Click()
{
    stopBlinking();
    const bool onTop = chkOnTop->isChecked();
    SaveProperty(QString::fromLatin1(Section::frmMiniDisplay), QString::fromLatin1(Key::OnTop), boolText(onTop));
    SetOnTop(this, onTop);
    for (int screen : {MiniDisplay::CallerInfoScreen, MiniDisplay::PictureScreen, MiniDisplay::OtherInfoScreen}) {
        if (PopupDetailWindow* w = detailWindow(screen, false); w && w->isVisible())
            SetOnTop(w, onTop);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Ringing

void frmMiniDisplay::Vibrate()
{
    if (!textToBool(popupSetting(Key::Vibrate, "True")) || !isVisible())
        return;
    const double n = std::round(textToNumber(popupSetting(Key::VibrateDuration, "100"), 100));
    if (n < 0)
        return; // no round at all
    m_vibrator->start(int(std::min(n, 32767.0)));
}

void frmMiniDisplay::Flash()
{
    // Kept as the ring's second alert; the setting is there but nothing flashes.
    (void)popupSetting(Key::Flash, "True");
}

void frmMiniDisplay::lblBlock_Click()
{
    stopBlinking();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmConfiguration") && w->isVisible())
            return;
    }
    // The call the user means is the one ringing now; the question lets the event loop run, and the call may
    // end or another one begin before it is answered.
    MiniDisplay* list = m_list;
    const quint64 call = list->callSerial();
    const clsCaller ringing = list->liveCall();
    const QPointer<frmMiniDisplay> self(this);
    if (Prompt::message(QStringLiteral("Are you sure you want to block this call?"), Prompt::YesNo,
                        Prompt::Exclamation) != Prompt::Yes)
        return;
    if (!self)
        return;
    if (!gRinging || list->callSerial() != call) {
        QString name = ringing.PrintNameDescription();
        if (name.isEmpty())
            name = ringing.Number.Number;
        Prompt::message(QStringLiteral("The call from \"") + name +
                            QStringLiteral("\" ended while this window waited; nothing was changed."),
                        Prompt::OkOnly, Prompt::Exclamation);
        return;
    }
    if (isClientMode())
        list->SendData(QStringLiteral(";BLOCK CALL;"));
    else if (gMainForm)
        gMainForm->BlockCall();
}

// ---------------------------------------------------------------------------------------------------------
// Mouse

bool frmMiniDisplay::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint global = me->globalPosition().toPoint();

    int navigate = -1;
    for (int i = 0; i < 4; ++i) {
        if (watched == lblNavigate[i])
            navigate = i;
    }
    const int window = watched == lblWindow[0] ? 0 : watched == lblWindow[1] ? 1 : -1;
    const bool button = navigate >= 0 || window >= 0 || watched == lblBlock || watched == chkOnTop;
    const bool textBox = watched == txtCallerInfo->viewport() || watched == txtOtherInfo->viewport();
    // Right clicks on the text boxes, "No Picture" and the window buttons do not open the pop-up's menu.
    const bool menu = !textBox && watched != lblNoPic && window < 0;
    const bool doubleClick = !button && watched != lblNoPic;

    switch (type) {
    case QEvent::MouseMove:
        // Handled here and not passed on to the window, which would drag and end the highlight.
        if (button)
            hover(static_cast<QWidget*>(watched));
        else if (watched != lblNoPic)
            DragForm(me->buttons(), global);
        return watched != lblNoPic;
    case QEvent::MouseButtonPress:
        if (me->button() == Qt::RightButton) {
            // Consumed either way, so the screen area under the control does not open the menu instead.
            if (menu)
                mnuPopup->popup(global);
            return true;
        }
        if (me->button() == Qt::LeftButton) {
            m_dragOffset = global - frameGeometry().topLeft();
            m_dragging = false;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (me->button() == Qt::LeftButton &&
            static_cast<QWidget*>(watched)->rect().contains(me->position().toPoint())) {
            if (navigate >= 0) {
                m_list->lblNavigate_Click(navigate);
                return true;
            }
            if (window >= 0) {
                m_list->lblWindow_Click(window);
                return true;
            }
            if (watched == lblBlock) {
                lblBlock_Click();
                return true;
            }
        }
        return false;
    case QEvent::MouseButtonDblClick:
        if (doubleClick && me->button() == Qt::LeftButton) {
            ToggleWideSize();
            return true;
        }
        return !textBox; // not passed on to the screen area, which would toggle the size
    default:
        return false;
    }
}

void frmMiniDisplay::mouseMoveEvent(QMouseEvent* event)
{
    DragForm(event->buttons(), event->globalPosition().toPoint());
}

void frmMiniDisplay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        mnuPopup->popup(event->globalPosition().toPoint());
        return;
    }
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    m_dragging = false;
}

void frmMiniDisplay::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ToggleWideSize();
}

void frmMiniDisplay::DragForm(Qt::MouseButtons buttons, const QPoint& globalPos)
{
    if (buttons & Qt::LeftButton) {
        stopBlinking();
        if (!m_dragging) {
            // The window system moves the window as if its caption were dragged; where it cannot, we
            // follow the mouse ourselves.
            if (windowHandle() && windowHandle()->startSystemMove())
                m_dragging = true;
            else
                move(globalPos - m_dragOffset);
        }
    }
    ResetButtonColors();
}

// ---------------------------------------------------------------------------------------------------------
// MiniDisplayView

bool frmMiniDisplay::isShown() const { return !isHidden(); }

void frmMiniDisplay::showCallerLabels(bool withPicture, const QString& imageFile)
{
    lblWindow[1]->hide();
    picWindow->hide();
    txtCallerInfo->hide();
    lblNoPic->hide();
    txtOtherInfo->hide();
    for (QLabel* l : {lblName, lblNumber, lblTime, lblRings, lblAnswered, lblPosition})
        l->show();
    if (!withPicture) {
        imgContactImage->hide();
        return;
    }
    loadPicture(imageFile);
    imgContactImage->show();
    imgContactImage->lower(); // behind the labels
}

void frmMiniDisplay::setCallerTexts(const QString& position, const QString& name, const QString& number,
                                    const QString& time, const QString& rings, const QString& answered)
{
    lblPosition->setText(position);
    lblName->setText(name);
    lblNumber->setText(number);
    lblTime->setText(time);
    lblRings->setText(rings);
    lblAnswered->setText(answered);
    placeCornerLabels();
}

void frmMiniDisplay::showCallerInfo(const QString& text)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblName, lblNumber, lblTime, lblRings, lblAnswered, lblPosition,
                                                      imgContactImage, lblNoPic, txtOtherInfo, lblWindow[1]})
        w->hide();
    txtCallerInfo->show();
    picWindow->show();
    picWindow->raise();
    txtCallerInfo->clear();
    txtCallerInfo->setPlainText(text);
}

void frmMiniDisplay::showImage(const QString& imageFile)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblName, lblNumber, lblTime, lblRings, lblAnswered, lblPosition,
                                                      txtCallerInfo, txtOtherInfo, picWindow})
        w->hide();
    lblNoPic->show();
    imgContactImage->show();
    imgContactImage->raise();
    lblWindow[1]->show();
    lblWindow[1]->raise();
    loadPicture(imageFile);
}

void frmMiniDisplay::showOtherInfo(const QString& text)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblName, lblNumber, lblTime, lblRings, lblAnswered, lblPosition,
                                                      txtCallerInfo, imgContactImage, lblNoPic})
        w->hide();
    txtOtherInfo->show();
    picWindow->show();
    picWindow->raise();
    txtOtherInfo->setPlainText(text);
}

void frmMiniDisplay::loadPicture(const QString& imageFile)
{
    if (imageFile.isEmpty()) {
        m_picture = QPixmap();
    } else {
        // A picture path can come from a client's contact record: only a regular file of a bounded size is read.
        const QImage image = ContactPicture::load(imageFile);
        if (image.isNull())
            return; // an unreadable file leaves the picture that was there
        m_picture = QPixmap::fromImage(image);
    }
    showPicture();
}

void frmMiniDisplay::showPicture()
{
    if (m_picture.isNull()) {
        imgContactImage->clear();
        return;
    }
    imgContactImage->setPixmap(
        m_picture.scaled(imgContactImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

bool frmMiniDisplay::detailVisible(int screen) const
{
    PopupDetailWindow* w = detailWindow(screen, false);
    return w && w->isVisible();
}

void frmMiniDisplay::openDetail(int screen)
{
    if (PopupDetailWindow* w = detailWindow(screen, true))
        w->show();
}

void frmMiniDisplay::refreshDetail(int screen)
{
    if (PopupDetailWindow* w = detailWindow(screen, false))
        w->refreshContent();
}

void frmMiniDisplay::enablePopupMenu(bool callersListed)
{
    for (QAction* a : {mnuPopupAdd, mnuPopupCreateNew, mnuPopupAddToCurrent, mnuPopupSearch, mnuPopupSearchName,
                       mnuPopupSearchNumber, mnuPopupSearchContact, mnuPopupViewOriginal, mnuPopupViewStats})
        CommandState::setEnabled(a, callersListed);
}

void frmMiniDisplay::beep()
{
    ++m_beeps;
    QApplication::beep();
}

void frmMiniDisplay::setBlockVisible(bool visible) { lblBlock->setVisible(visible); }

QString frmMiniDisplay::caption() const { return windowTitle(); }

void frmMiniDisplay::setCaption(const QString& caption) { setWindowTitle(caption); }

void frmMiniDisplay::setCallerInfoText(const QString& text) { txtCallerInfo->setPlainText(text); }

void frmMiniDisplay::showWaiting(const QString& tag) { ShowWaiting(tag, this); }
