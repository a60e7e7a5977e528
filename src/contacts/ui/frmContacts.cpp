#include "contacts/ui/frmContacts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <charconv>

#include "contacts/AttributeGroupEditing.h"
#include "contacts/ContactFiles.h"
#include "contacts/ContactPicture.h"
#include "contacts/ContactStore.h"
#include "contacts/ContactViews.h"
#include "contacts/ui/ContactListPrinter.h"
#include "contacts/ui/SeparatorKeyFilter.h"
#include "contacts/ui/frmAddAttributeGroup.h"
#include "contacts/ui/frmAddNumber.h"
#include "contacts/ui/frmFindContact.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/MenuShortcuts.h"
#include "platform/ui/ModalDialog.h"

namespace {

QPointer<frmContacts> g_instance;

constexpr int MaxName = 49;
// Layout in twips, from the top of the area between the toolbar and the status bar.
constexpr double ToolbarTwips = 360;
constexpr double StatusTwips = 375;
constexpr double ClientHeightTwips = 4830;
constexpr double LocalWidthTwips = 10485;
constexpr double ClientModeWidthTwips = 6855;
// The window's border, which the stored widths include.
constexpr double BorderTwips = 120;
constexpr double ListWidthTwips = 3375;
constexpr double ImageTwips = 1815;

const char* const SaveQuestion = "Do you want to save changes?";

// Commands of the book that other parts of the program build; they stay disabled until then.
const char* const NotBuiltProperty = "velquonNotBuilt";

void markNotBuilt(QObject* command)
{
    command->setProperty(NotBuiltProperty, true);
    if (auto* a = qobject_cast<QAction*>(command))
        a->setEnabled(false);
    else if (auto* w = qobject_cast<QWidget*>(command))
        w->setEnabled(false);
}

void setCommandEnabled(QWidget* w, bool enabled) { w->setEnabled(enabled && !w->property(NotBuiltProperty).toBool()); }

void setCommandEnabled(QAction* a, bool enabled) { a->setEnabled(enabled && !a->property(NotBuiltProperty).toBool()); }

// A single-precision value in its shortest decimal form ("121", "151.25").
QString shortestFloat(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, float(value));
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

bool isYes(Prompt::Answer a) { return a == Prompt::Yes; }

QStringList lineTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

// A command that waits on the user (a dialog, a question box) lets the event loop run, and the window may
// be closed meanwhile: the program ending or switching its mode closes it. Until every such command has
// returned, a close only hides the window and its deletion waits, so neither the command nor the Qt code
// below it (a view's click, a combo box's change, a button's click) runs on a deleted window, and a dialog
// the command made with the window as its parent is never deleted under it. open() tells the command
// whether it may go on once its wait is over.
class frmContacts::WaitingCommand {
public:
    explicit WaitingCommand(frmContacts* window) : m_window(window) { ++window->m_waiting; }
    ~WaitingCommand()
    {
        if (!m_window || --m_window->m_waiting > 0 || !m_window->m_deleteWhenDone)
            return;
        // From the event loop, once the handler that ran the command has returned. Not by deleteLater: Qt
        // drops a second deferred deletion of an object whose first one was not carried out.
        QTimer::singleShot(0, qApp, [window = m_window] { delete window.data(); });
    }
    WaitingCommand(const WaitingCommand&) = delete;
    WaitingCommand& operator=(const WaitingCommand&) = delete;

    bool open() const { return m_window && !m_window->m_closed; }

private:
    QPointer<frmContacts> m_window;
};

// ---------------------------------------------------------------------------------------------------------
// The one instance

frmContacts* frmContacts::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmContacts;
    return g_instance;
}

frmContacts* frmContacts::showOwnedBy(QWidget* owner)
{
    frmContacts* w = instance();
    ShowOwned(w, owner);
    w->raise();
    w->activateWindow();
    return w;
}

void frmContacts::unloadAtShutDown()
{
    frmContacts* w = instance(false);
    if (!w)
        return;
    w->m_shuttingDown = true;
    w->close();
}

frmContacts::frmContacts() : QMainWindow(nullptr)
{
    setObjectName(QString::fromLatin1(Section::frmContacts));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Contacts"));
    SetWindowStyle(this, BorderFixedToolWindow, false, true, false, false, false, false);
    objContact = std::make_shared<clsContact>();
    m_views = new ContactViews(this);
    buildControls();
    buildMenus();
    buildToolbar();
    buildStatusBar();
    // Ctrl+A adds a contact, as its menu says, also while the name or other-information box has the focus.
    MenuShortcuts::giveWayToMenus(this);
    installLinks();
    Form_Load();
}

frmContacts::~frmContacts()
{
    detachChildren(this);
    WindowLinks& links = windowLinks();
    links.contactsVisible = nullptr;
    links.contactsAddC = nullptr;
    links.contactsRemoveC = nullptr;
    links.contactsEditC = nullptr;
    links.contactsRefresh = nullptr;
    // The views go before the models and selections they show.
    delete lsvContacts;
    delete tvwContacts;
    lsvContacts = tvwContacts = nullptr;
    delete m_views;
    m_views = nullptr;
}

void frmContacts::installLinks()
{
    WindowLinks& links = windowLinks();
    // Loaded counts, not only shown: hidden with the minimised main window the book must still follow the
    // store, or it would come back showing contacts that are gone.
    links.contactsVisible = [this] { return !m_closed; };
    links.contactsAddC = [this](const clsContact& c) { AddC(c); };
    links.contactsRemoveC = [this](const QString& name) { RemoveC(name); };
    links.contactsEditC = [this](const QString& oldName, const clsContact& c) { EditC(oldName, c); };
    links.contactsRefresh = [this] {
        UpdateList();
        UpdateTree();
        countsChanged();
    };
}

// ---------------------------------------------------------------------------------------------------------
// Building

void frmContacts::place(QWidget* w, double left, double top, double width, double height)
{
    if (width < 0 || height < 0) {
        w->adjustSize();
        w->move(Twips::toPixels(left), Twips::toPixels(top));
        return;
    }
    w->setGeometry(Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width), Twips::toPixels(height));
}

void frmContacts::buildControls()
{
    // The window's places are fixed in twips; its texts are sized to fit them.
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);

    auto label = [central](const char* name, const char* caption) {
        auto* l = new QLabel(QString::fromLatin1(caption), central);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto pushButton = [central](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), central);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };

    lsvContacts = new QTreeView(central);
    lsvContacts->setObjectName(QStringLiteral("lsvContacts"));
    lsvContacts->setRootIsDecorated(false);
    lsvContacts->setItemsExpandable(false);
    lsvContacts->setUniformRowHeights(true);
    lsvContacts->setAllColumnsShowFocus(true);
    lsvContacts->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsvContacts->setModel(&m_views->list);
    lsvContacts->setSelectionModel(&m_views->listSelection);
    lsvContacts->header()->setStretchLastSection(false);

    tvwContacts = new QTreeView(central);
    tvwContacts->setObjectName(QStringLiteral("tvwContacts"));
    tvwContacts->setHeaderHidden(true);
    tvwContacts->setUniformRowHeights(true);
    tvwContacts->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvwContacts->setModel(&m_views->tree);
    tvwContacts->setSelectionModel(&m_views->treeSelection);
    tvwContacts->hide();

    connect(&m_views->listSelection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_views->programmatic() && m_views->listSelectedRow() >= 0)
            lsvContacts_ItemClick();
    });
    connect(&m_views->treeSelection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_views->programmatic() && m_views->treeSelected().isValid())
            tvwContacts_NodeClick();
    });
    connect(m_views, &ContactViews::listScrollRequested, lsvContacts,
            [this](const QModelIndex& i) { lsvContacts->scrollTo(i); });
    connect(m_views, &ContactViews::treeScrollRequested, tvwContacts,
            [this](const QModelIndex& i) { tvwContacts->scrollTo(i); });

    Label1 = label("Label1", "Name:");
    txtName = new QLineEdit(central);
    txtName->setObjectName(QStringLiteral("txtName"));
    SeparatorKeyFilter::install(txtName);
    connect(txtName, &QLineEdit::textChanged, this, &frmContacts::txtName_Change);

    Label2 = label("Label2", "Numbers:");
    lstNumbers = new QListWidget(central);
    lstNumbers->setObjectName(QStringLiteral("lstNumbers"));
    connect(lstNumbers, &QListWidget::currentRowChanged, this, &frmContacts::lstNumbers_Click);
    connect(lstNumbers, &QListWidget::itemSelectionChanged, this, &frmContacts::lstNumbers_Click);
    cmdAddNumber = pushButton("cmdAddNumber", "Add");
    cmdRemoveNumber = pushButton("cmdRemoveNumber", "Remove");
    cmdEditNumber = pushButton("cmdEditNumber", "Edit");
    connect(cmdAddNumber, &QPushButton::clicked, this, &frmContacts::cmdAddNumber_Click);
    connect(cmdRemoveNumber, &QPushButton::clicked, this, &frmContacts::cmdRemoveNumber_Click);
    connect(cmdEditNumber, &QPushButton::clicked, this, &frmContacts::cmdEditNumber_Click);

    label3 = label("label3", "Attribute Group:");
    cboAttributeGroup = new QComboBox(central);
    cboAttributeGroup->setObjectName(QStringLiteral("cboAttributeGroup"));
    // Chosen by the user or by code: both count (the programmatic choice after a group command is an edit).
    connect(cboAttributeGroup, &QComboBox::currentIndexChanged, this, &frmContacts::cboAttributeGroup_Click);
    cmdAddAttributeGroup = pushButton("cmdAddAttributeGroup", "Add");
    cmdRemoveAttributeGroup = pushButton("cmdRemoveAttributeGroup", "Remove");
    cmdEditAttributeGroup = pushButton("cmdEditAttributeGroup", "Edit");
    connect(cmdAddAttributeGroup, &QPushButton::clicked, this, &frmContacts::cmdAddAttributeGroup_Click);
    connect(cmdRemoveAttributeGroup, &QPushButton::clicked, this, &frmContacts::cmdRemoveAttributeGroup_Click);
    connect(cmdEditAttributeGroup, &QPushButton::clicked, this, &frmContacts::cmdEditAttributeGroup_Click);

    Label4 = label("Label4", "Contact Image:");
    imgContactImage = new QLabel(central);
    imgContactImage->setObjectName(QStringLiteral("imgContactImage"));
    imgContactImage->setAlignment(Qt::AlignCenter);
    Label6 = label("Label6", "Image Dimensions:");
    lblImageHeight = label("lblImageHeight", "");
    lblImageWidth = label("lblImageWidth", "");
    cmdClearImage = pushButton("cmdClearImage", "Clear Image");
    cmdChangeImage = pushButton("cmdChangeImage", "Change Image...");
    connect(cmdClearImage, &QPushButton::clicked, this, &frmContacts::cmdClearImage_Click);
    connect(cmdChangeImage, &QPushButton::clicked, this, &frmContacts::cmdChangeImage_Click);

    Label5 = label("Label5", "Other Information:");
    txtOtherInfo = new QPlainTextEdit(central);
    txtOtherInfo->setObjectName(QStringLiteral("txtOtherInfo"));
    txtOtherInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SeparatorKeyFilter::install(txtOtherInfo);
    connect(txtOtherInfo, &QPlainTextEdit::textChanged, this, &frmContacts::txtOtherInfo_Change);

    // Places as designed for local mode; ConfigureForMode moves what the client's layout changes.
    const double y = ToolbarTwips;
    place(lsvContacts, 0, 360 - y, ListWidthTwips, 4095);
    place(tvwContacts, 0, 360 - y, ListWidthTwips, 4095);
    place(Label1, 3480, 360 - y);
    place(txtName, 3480, 600 - y, 3135, 285);
    place(Label2, 3480, 960 - y);
    place(lstNumbers, 3480, 1200 - y, 3135, 1815);
    place(label3, 3480, 3480 - y);
    place(cboAttributeGroup, 3480, 3720 - y, 3135, 315);
    place(cmdAddAttributeGroup, 3480, 4095 - y, 975, 255);
    place(cmdRemoveAttributeGroup, 4560, 4095 - y, 975, 255);
    place(cmdEditAttributeGroup, 5640, 4095 - y, 975, 255);
    place(Label4, 6840, 360 - y);
    place(imgContactImage, 6840, 600 - y, ImageTwips, ImageTwips);
    place(Label6, 8880, 600 - y);
    place(cmdClearImage, 8880, 1560 - y, 1455, 375);
    place(cmdChangeImage, 8880, 2040 - y, 1455, 375);
}

void frmContacts::buildMenus()
{
    struct Row {
        const char* name;
        const char* caption; // none: a separator
        QKeyCombination key = QKeyCombination();
        void (frmContacts::*handler)() = nullptr;
        bool check = false;
    };
    auto addRows = [this](QMenu* menu, std::initializer_list<Row> rows) {
        for (const Row& r : rows) {
            QAction* a = r.caption ? menu->addAction(QString::fromLatin1(r.caption)) : menu->addSeparator();
            a->setObjectName(QLatin1String(r.name));
            if (!r.caption)
                continue;
            a->setCheckable(r.check);
            if (r.key.key() != Qt::Key_unknown)
                a->setShortcut(QKeySequence(r.key));
            if (r.handler)
                connect(a, &QAction::triggered, this, r.handler);
            else
                markNotBuilt(a);
        }
    };
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QLatin1String(name));
        return m;
    };

    mnuFile = menu("mnuFile", "&File");
    addRows(mnuFile, {
                         {"mnuFileNew", "&New DB...", {}, &frmContacts::mnuFileNew_Click},
                         {"mnuFileChange", "&Change DB...", {}, &frmContacts::mnuFileChange_Click},
                         {"mnuFileHyphen1", nullptr},
                         {"mnuFileNewAttributeGroupFile",
                          "New &Attribute Group File...",
                          {},
                          &frmContacts::mnuFileNewAttributeGroupFile_Click},
                         {"mnuFileChangeAttributeGroupFile",
                          "Change Attribute &Group File...",
                          {},
                          &frmContacts::mnuFileChangeAttributeGroupFile_Click},
                         {"mnuFileHyphen2", nullptr},
                         {"mnuFileRestore", "Restore Default Attribute Groups", {}, &frmContacts::mnuFileRestore_Click},
                         {"mnuFileHyphen3", nullptr},
                         {"mnuPrint", "&Print Contacts...", {}, &frmContacts::mnuPrint_Click},
                         {"mnuFileHyphen4", nullptr},
                         {"mnuFileClose", "C&lose", {}, &frmContacts::mnuFileClose_Click},
                     });
    mnuEdit = menu("mnuEdit", "&Edit");
    addRows(mnuEdit, {
                         {"mnuEditFind", "&Find Contact...", Qt::CTRL | Qt::Key_F, &frmContacts::mnuEditFind_Click},
                         {"mnuEditHyphen1", nullptr},
                         {"mnuEditRemove", "&Remove Contact", Qt::CTRL | Qt::Key_R, &frmContacts::mnuEditRemove_Click},
                         {"mnuEditHyphen2", nullptr},
                         {"mnuEditAdd", "&Add Contact", Qt::CTRL | Qt::Key_A, &frmContacts::mnuEditAdd_Click},
                         {"mnuEditSave", "&Save Contact", Qt::CTRL | Qt::Key_S, &frmContacts::mnuEditSave_Click},
                     });
    mnuView = menu("mnuView", "&View");
    addRows(mnuView, {
                         {"mnuViewList", "&List View", {}, &frmContacts::mnuViewList_Click, true},
                         {"mnuViewTree", "&Tree View", {}, &frmContacts::mnuViewTree_Click, true},
                     });
}

void frmContacts::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setFixedHeight(Twips::toPixels(ToolbarTwips));
    Toolbar1->setIconSize(QSize(Twips::toPixels(240), Twips::toPixels(240)));
    struct Button {
        const char* key; // also its description and image key
        const char* tip;
        QStyle::StandardPixmap icon;
        bool built;
    };
    const Button buttons[] = {
        {"print", "Print", QStyle::SP_FileIcon, true},
        {"list", "Tree View", QStyle::SP_FileDialogListView, true},
        {"find", "Find Contact", QStyle::SP_FileDialogContentsView, true},
        {"delete", "Remove Contact", QStyle::SP_TrashIcon, true},
        {"add", "Add New Contact", QStyle::SP_FileDialogNewFolder, true},
        {"save", "Save Contact", QStyle::SP_DialogSaveButton, true},
    };
    for (const Button& b : buttons) {
        QAction* a = Toolbar1->addAction(style()->standardIcon(b.icon), QString::fromLatin1(b.tip));
        a->setObjectName(QStringLiteral("Toolbar1.Buttons(%1)").arg(QLatin1String(b.key)));
        a->setToolTip(QString::fromLatin1(b.tip));
        a->setData(QString::fromLatin1(b.key));
        if (QLatin1String(b.key) == QLatin1String("list"))
            a->setCheckable(true);
        if (!b.built)
            markNotBuilt(a);
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this, [this](QAction* a) {
        Toolbar1_ButtonClick(a);
        Toolbar1_MouseUp();
    });
}

void frmContacts::buildStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setFixedHeight(Twips::toPixels(StatusTwips));
    auto panel = [this](const char* key) {
        auto* l = new QLabel(statusBar());
        l->setObjectName(QStringLiteral("StatusBar1.Panels(%1)").arg(QLatin1String(key)));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        return l;
    };
    panelStatus = panel("status");
    panelContacts = panel("contacts");
    panelNumbers = panel("numbers");
    panelStatus->setMinimumWidth(1);
    statusBar()->addWidget(panelStatus, 1);
    statusBar()->addPermanentWidget(panelContacts);
    statusBar()->addPermanentWidget(panelNumbers);
}

QAction* frmContacts::button(const char* key) const
{
    return Toolbar1->findChild<QAction*>(QStringLiteral("Toolbar1.Buttons(%1)").arg(QLatin1String(key)));
}

// ---------------------------------------------------------------------------------------------------------
// Opening, showing, closing

void frmContacts::Form_Load()
{
    setWindowIcon(QIcon());
    ConfigureForMode(); // the window's size, before its place is restored
    SetOnTop(this, false);
    RestoreFormPosition(this);
    AddHints();
    // The picture box's size in pixels, from its designed size in twips.
    const double tpp = Twips::perPixel();
    lblImageHeight->setText(QStringLiteral("Height: ") + shortestFloat(ImageTwips / tpp) + QStringLiteral("pixels"));
    lblImageWidth->setText(QStringLiteral("Width: ") + shortestFloat(ImageTwips / tpp) + QStringLiteral("pixels"));
    lblImageHeight->adjustSize();
    lblImageWidth->adjustSize();
    lsvContacts->header()->resizeSection(0, std::max(1, Twips::toPixels(ListWidthTwips - 100)));
    UpdateCounts();
}

bool frmContacts::event(QEvent* event)
{
    // Asked to go while a command of its own waits on the user: it goes once that command has returned.
    // Until then it counts as closed, and it is no longer its owner's child, whose deletion would take it
    // along at once.
    if (event->type() == QEvent::DeferredDelete && m_waiting > 0) {
        m_deleteWhenDone = true;
        m_closed = true;
        hide();
        if (parentWidget())
            setParent(nullptr);
        return true;
    }
    return QMainWindow::event(event);
}

void frmContacts::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        Form_Resize();
    }
}

void frmContacts::Form_Resize()
{
    ConfigureForMode();
    UpdateAttributeGroupList();
    UpdateList();
    UpdateTree();
    if (textToBool(GetProperty(Section::frmContacts, Key::TreeView, QStringLiteral("False"))))
        ShowTreeView();
    else
        ShowListView();
    if (treeShown())
        tvwContacts->setFocus(Qt::OtherFocusReason);
    else
        lsvContacts->setFocus(Qt::OtherFocusReason);
}

void frmContacts::ConfigureForMode()
{
    const bool client = isClientMode();
    const double width = client ? ClientModeWidthTwips : LocalWidthTwips;
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(Twips::toPixels(width - BorderTwips), Twips::toPixels(ClientHeightTwips) + menuHeight);
    centralWidget()->setFixedHeight(Twips::toPixels(ClientHeightTwips - ToolbarTwips - StatusTwips));

    for (const char* name : {"mnuFileNew", "mnuFileChange", "mnuFileHyphen1", "mnuFileNewAttributeGroupFile",
                             "mnuFileChangeAttributeGroupFile", "mnuFileHyphen2", "mnuFileRestore", "mnuFileHyphen3"})
        if (QAction* a = findChild<QAction*>(QLatin1String(name)))
            a->setVisible(!client);
    for (QWidget* w : std::initializer_list<QWidget*>{
             label3, cboAttributeGroup, cmdAddAttributeGroup, cmdRemoveAttributeGroup, cmdEditAttributeGroup, Label4,
             imgContactImage, Label6, lblImageHeight, lblImageWidth, cmdClearImage, cmdChangeImage})
        w->setVisible(!client);

    const double y = ToolbarTwips;
    place(lstNumbers, 3480, 1200 - y, 3135, client ? 1035 : 1815);
    const double buttonsTop = (client ? 2280 : 3120) - y;
    place(cmdAddNumber, 3480, buttonsTop, 975, 255);
    place(cmdRemoveNumber, 4560, buttonsTop, 975, 255);
    place(cmdEditNumber, 5640, buttonsTop, 975, 255);
    place(lblImageHeight, 9075, 840 - y);
    place(lblImageWidth, 9120, 1080 - y);
    if (client) {
        place(Label5, 3480, 2640 - y);
        place(txtOtherInfo, 3480, 2880 - y, 3135, 1575);
    } else {
        place(Label5, 6840, 2520 - y);
        place(txtOtherInfo, 6840, 2760 - y, 3495, 1695);
    }
}

void frmContacts::SaveFormPosition()
{
    // Only the place: the window's size is fixed. Nothing is kept from a minimised or maximised window.
    ::SaveFormPosition(this, PlacePosition);
}

void frmContacts::closeEvent(QCloseEvent* event)
{
    // The form as the question finds it: a refill while it waits changes nothing of what Yes saves.
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        // A save that is refused keeps the edits and the window, unless the program is ending.
        if (isYes(answer) && !SaveContact(form) && !m_shuttingDown) {
            event->ignore();
            return;
        }
    }
    m_closed = true;
    SaveFormPosition();
    if (gMainForm)
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuContacts, false);
    objContact = std::make_shared<clsContact>();
    colNumbers = KeyedCollection<clsNumber>();
    if (gMainForm)
        gMainForm->SetFocus();
    event->accept();
}

void frmContacts::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    const struct {
        QWidget* window;
        const char* text;
    } hints[] = {
        {this, "The contacts form allows you to enter contact information into the contacts database.  All the "
               "contacts in the current contact database are displayed in the list on the left side of the form.  "
               "Highlighting a name in this list will display this contacts information in the boxes to the right "
               "of the list. The contact database is separate from the caller database so only the original caller "
               "ID information is stored in the caller database. The contact form will remember its last position."},
        {lsvContacts, "This is a list of all the contacts in the contact database. Clicking a contact in this list "
                      "will display that contacts information. You can change contact databases under the File "
                      "menu."},
        {txtName, "This is the name associated with this contact. This is what appears in the main display if the "
                  "contact has a number matching the caller ID information."},
        {lstNumbers, "This is a list of this contacts numbers. An unlimited amount of numbers can be added to each "
                     "contact."},
        {cmdAddNumber, "Clicking this button will allow you to add a number to the currently highlighted contact. "
                       "Changes will not take effect until the contact is saved."},
        {cmdRemoveNumber, "Clicking this button will remove the currently highlighted number in the list above. "
                          "Changes will not take effect until the contact is saved."},
        {cmdEditNumber, "Click this button to edit the currently highlighted number in the list above. Changes will "
                        "not take effect until the contact is saved."},
    };
    for (const auto& h : hints)
        gToolTip->SetToolTipObj(h.window, QString::fromLatin1(h.text), false);
}

// ---------------------------------------------------------------------------------------------------------
// Mode, controls, counts

void frmContacts::SetState(const QString& state)
{
    const ContactMode::Change change = ContactMode::next(strState, state);
    if (change.beginsNewContact) {
        objContact = std::make_shared<clsContact>();
        m_views->clearListSelection();
        m_views->clearTreeSelection();
    }
    strState = change.mode;
    if (const auto text = ContactMode::statusText(strState, objContact->Name, contactDatabaseName(), isClientMode()))
        panelStatus->setText(*text);
    UpdateControls();
}

bool frmContacts::ContactSelected() const
{
    if (!treeShown())
        return m_views->listSelectedRow() >= 0;
    return m_views->treeContactSelected();
}

void frmContacts::UpdateControls()
{
    const bool contact = ContactSelected();
    if (QAction* remove = findChild<QAction*>(QStringLiteral("mnuEditRemove")))
        setCommandEnabled(remove, contact);
    if (QAction* del = button("delete"))
        setCommandEnabled(del, contact);
    const bool numberChosen =
        lstNumbers->currentRow() >= 0 && lstNumbers->currentItem() && lstNumbers->currentItem()->isSelected();
    setCommandEnabled(cmdRemoveNumber, numberChosen);
    setCommandEnabled(cmdEditNumber, numberChosen);
    const QString group = cboAttributeGroup->currentText();
    const bool groupChosen = !group.isEmpty() && !groupFromBoxText(group).isEmpty();
    setCommandEnabled(cmdRemoveAttributeGroup, groupChosen);
    setCommandEnabled(cmdEditAttributeGroup, groupChosen);
}

void frmContacts::countsChanged()
{
    // Changes made elsewhere come in bursts (a group's rename touches each of its contacts): the counts are
    // read once, when the burst is over.
    if (m_countsDue)
        return;
    m_countsDue = true;
    QTimer::singleShot(0, this, [this] {
        m_countsDue = false;
        UpdateCounts();
    });
}

void frmContacts::UpdateCounts()
{
    if (isClientMode())
        return;
    const ContactCounts counts = CountContacts();
    panelNumbers->setText(QString::number(counts.numbers) + QStringLiteral(" Numbers"));
    panelContacts->setText(QString::number(counts.contacts) + QStringLiteral(" Contacts"));
    // Room for the vertical scroll bar once the list scrolls.
    const double margin = counts.contacts > 19 ? 350 : 100;
    lsvContacts->header()->resizeSection(0, std::max(1, Twips::toPixels(ListWidthTwips - margin)));
}

// ---------------------------------------------------------------------------------------------------------
// The form

FormSnapshot frmContacts::snapshot() const
{
    FormSnapshot s;
    s.storedName = objContact->Name;
    s.mode = strState;
    s.fields = fields();
    s.stored = *objContact;
    s.client = isClientMode();
    s.contactSelected = ContactSelected();
    return s;
}

void frmContacts::sayGone(const QString& text) { Prompt::message(text, Prompt::OkOnly, Prompt::Exclamation); }

ContactFields frmContacts::fields() const
{
    ContactFields f;
    f.name = txtName->text();
    f.groupText = cboAttributeGroup->currentText();
    f.imageFile = strImageFile;
    f.otherInfo = txtOtherInfo->toPlainText();
    f.numbers = colNumbers.items();
    return f;
}

bool frmContacts::CheckChange() const { return formDiffers(fields(), *objContact, isClientMode()); }

bool frmContacts::formDiffersFrom(const clsContact& contact) const
{
    return formDiffers(cleanedFields(fields()), contact, isClientMode());
}

void frmContacts::setPicture(const QString& path)
{
    const QImage image = ContactPicture::load(path);
    m_picture = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    if (m_picture.isNull()) {
        imgContactImage->clear();
        return;
    }
    imgContactImage->setPixmap(
        m_picture.scaled(imgContactImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmContacts::selectNumberLine(int row)
{
    if (row < 0 || row >= lstNumbers->count()) {
        lstNumbers->setCurrentRow(-1);
        lstNumbers->clearSelection();
    } else {
        lstNumbers->setCurrentRow(row);
    }
}

void frmContacts::UpdateForm()
{
    SetState(ContactMode::Loading);
    ClearContact();
    if (objContact->Name.isEmpty()) {
        ClearContact();
        SetState(ContactMode::Empty);
    } else {
        txtName->setText(objContact->Name);
        for (const auto& entry : objContact->Numbers) {
            const QString text = entry.item->PrintNumberDescription();
            colNumbers.add(text, entry.item);
            lstNumbers->addItem(text);
        }
        SetListScrollWidth(lstNumbers);
        if (lstNumbers->count() > 0 && lstNumbers->currentRow() < 0)
            lstNumbers->setCurrentRow(0);
        SelectListItem(cboAttributeGroup, objContact->AttributeGroup);
        strImageFile = objContact->ImageFile;
        setPicture(strImageFile);
        txtOtherInfo->setPlainText(objContact->OtherInfo);
        SetState(ContactMode::Viewing);
    }
    UpdateControls();
}

void frmContacts::ClearContact()
{
    const QString kept = strState;
    SetState(ContactMode::Loading);
    colNumbers = KeyedCollection<clsNumber>();
    txtName->clear();
    lstNumbers->clear();
    SetListScrollWidth(lstNumbers);
    strImageFile.clear();
    m_picture = QPixmap();
    imgContactImage->clear();
    txtOtherInfo->clear();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    // Back to the mode it had, without a new status text.
    strState = kept;
}

void frmContacts::SetContact(const QString& name)
{
    if (name == objContact->Name)
        return;
    if (treeShown())
        m_views->selectTreeContact(name);
    else
        m_views->selectListItem(name);
    objContact = GetContact(name);
    UpdateForm();
}

void frmContacts::SetNewContact()
{
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        if (isYes(answer) && (!SaveContact(form) || !command.open()))
            return; // the edits stay; nothing is begun
    }
    ClearContact();
    objContact = std::make_shared<clsContact>();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    m_views->clearListSelection();
    m_views->clearTreeSelection();
    SetState(ContactMode::Adding);
    UpdateControls();
}

void frmContacts::UpdateAttributeGroupList()
{
    const QString kept = strState;
    SetState(ContactMode::Loading);
    cboAttributeGroup->clear();
    cboAttributeGroup->addItem(QStringLiteral("<none>"));
    for (const auto& entry : gAttributeGroups)
        cboAttributeGroup->addItem(entry.item->Description);
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    strState = kept;
}

void frmContacts::cboAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const auto group = GetAttributeGroup(cboAttributeGroup->currentText());
    const bool asks =
        strState == ContactMode::Adding || strState == ContactMode::Editing || strState == ContactMode::Viewing;
    if (asks && group->Block) {
        const FormSnapshot began = snapshot();
        WaitingCommand command(this);
        const auto answer = Prompt::message(
            QStringLiteral("This attribute group WILL BE BLOCKED from making \r\nincoming calls? Are you sure you "
                           "want to block all \r\nof this contact's calls?"),
            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open())
            return;
        // The group was chosen for the contact the form showed; replaced meanwhile, the choice went with it.
        if (!ContactCommand::sameContact(began, snapshot())) {
            sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
            return;
        }
        if (!isYes(answer))
            SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    }
    UpdateControls();
    SetState(ContactMode::Editing);
}

void frmContacts::cmdAddAttributeGroup_Click()
{
    if (isClientMode())
        return;
    WaitingCommand command(this);
    frmAddAttributeGroup editor(this);
    editor.setMode(QStringLiteral("add"));
    execDialog(editor);
    if (!command.open() || editor.Description.isEmpty())
        return;
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = editor.Description;
    group->Color = editor.Color;
    group->Block = editor.Block;
    group->Sound = editor.Sound;
    if (!AttributeGroupEditing::addGroup(group)) {
        SaveError(kDuplicateKeyError,
                  QStringLiteral("This key is already associated with an element of this collection"));
        ReportError(QStringLiteral("frmContacts_cmdAddAttributeGroup"));
        return;
    }
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    // Chosen by code, so the block warning and the edit follow as for a click.
    SelectListItem(cboAttributeGroup, group->Description);
    m_views->tree.addGroup(group->Description, quint32(group->Color));
    SetState(ContactMode::Editing);
}

void frmContacts::cmdRemoveAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const QString name = cboAttributeGroup->currentText();
    if (groupFromBoxText(name).isEmpty()) {
        Prompt::message(QStringLiteral("You must select an attribute group to remove."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    WaitingCommand command(this);
    if (textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")))) {
        const auto answer =
            Prompt::message(QStringLiteral("Are you sure you want to permanently remove this attribute group?"),
                            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open() || !isYes(answer))
            return;
        // By its description again: the group the user chose, or nothing when it went meanwhile.
        if (!gAttributeGroups.contains(name)) {
            sayGone(ContactCommand::groupGoneMessage(name));
            return;
        }
    }
    const QString removed = GetAttributeGroup(name)->Description;
    AttributeGroupEditing::removeGroup(name);
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    RefreshAttributeGroup(removed.isEmpty() ? name : removed, QString());
    m_views->tree.removeGroup(name);
    SetState(ContactMode::Editing);
    SendContacts();
    if (gMainForm)
        gMainForm->RefreshGrid();
}

void frmContacts::cmdEditAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const QString oldName = cboAttributeGroup->currentText();
    if (groupFromBoxText(oldName).isEmpty()) {
        Prompt::message(QStringLiteral("You must select an attribute group to edit."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    WaitingCommand command(this);
    frmAddAttributeGroup editor(this);
    {
        // The editor starts from the group's values; the group itself is looked up again by its name after.
        const auto group = GetAttributeGroup(oldName);
        editor.setMode(QStringLiteral("edit"), group->Description);
        editor.fill(group->Description, group->Color, group->Block, group->Sound);
    }
    execDialog(editor);
    if (!command.open() || editor.Description.isEmpty())
        return;
    if (!gAttributeGroups.contains(oldName)) {
        sayGone(ContactCommand::groupGoneMessage(oldName));
        return;
    }
    clsAttributeGroup edited;
    edited.Description = editor.Description;
    edited.Color = editor.Color;
    edited.Block = editor.Block;
    edited.Sound = editor.Sound;
    // The editor refuses another group's name; should one slip through, nothing is merged or lost.
    if (!AttributeGroupEditing::editGroup(oldName, edited)) {
        Prompt::message(QStringLiteral("You cannot have duplicate descriptions."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    m_views->tree.renameGroup(oldName, edited.Description, quint32(edited.Color));
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    SelectListItem(cboAttributeGroup, edited.Description);
    RefreshAttributeGroup(oldName, edited.Description);
    SetState(ContactMode::Editing);
    // The clients' contacts carry the group's name: they get the renamed one now, not at the next push.
    SendContacts();
    if (gMainForm)
        gMainForm->RefreshGrid();
}

// ---------------------------------------------------------------------------------------------------------
// Saving and removing

bool frmContacts::SaveContact() { return SaveContact(snapshot()); }

bool frmContacts::SaveContact(const FormSnapshot& form)
{
    const auto decision = ContactCommand::decideSave(form, gContacts);
    switch (decision.kind) {
    case ContactCommand::SaveDecision::Refused: {
        WaitingCommand command(this);
        Prompt::message(decision.text, Prompt::OkOnly, Prompt::Critical);
        if (command.open() && form.typedName().isEmpty())
            txtName->setFocus(Qt::OtherFocusReason);
        return false;
    }
    case ContactCommand::SaveDecision::Unchanged:
        return true;
    case ContactCommand::SaveDecision::Add:
        return storeNew(form, decision.record);
    case ContactCommand::SaveDecision::Edit:
        return storeEdit(form, decision.record);
    case ContactCommand::SaveDecision::NotStored:
        return offerAsNew(form, decision.record, decision.text);
    }
    return false;
}

bool frmContacts::storeNew(const FormSnapshot& form, const clsContact& record)
{
    if (form.client) {
        SendContactRequest(ContactRequests::add(record));
        // The server's echo is found by the typed name, as for any contact being added.
        SetState(ContactMode::Adding);
        afterStore(form, record);
        return true;
    }
    const QString before = strState;
    SetState(ContactMode::Saving);
    if (!AddContact(record)) {
        // The mode before the save comes back, so the next try takes the same road.
        SetState(before);
        WaitingCommand command(this);
        ShowError(QString());
        return false;
    }
    m_views->selectListItem(record.Name);
    m_views->selectTreeContact(record.Name);
    // The status names the contact just stored.
    if (const auto stored = gContacts.item(record.Name))
        objContact = stored;
    SetState(ContactMode::Viewing);
    afterStore(form, record);
    return true;
}

bool frmContacts::storeEdit(const FormSnapshot& form, const clsContact& record)
{
    if (form.client) {
        SendContactRequest(ContactRequests::edit(form.storedName, record));
        afterStore(form, record);
        return true;
    }
    const QString before = strState;
    SetState(ContactMode::Saving);
    const QModelIndex node = m_views->treeSelected();
    const bool expanded = node.isValid() && tvwContacts->isExpanded(node);
    const int numberLine = lstNumbers->currentRow();
    const int nameCaret = txtName->cursorPosition();
    const int nameSelection = int(txtName->selectedText().size());
    const QTextCursor infoCursor = txtOtherInfo->textCursor();
    const int infoCaret = infoCursor.position();
    const int infoAnchor = infoCursor.anchor();

    if (!EditContact(form.storedName, record)) {
        SetState(before);
        // Nothing is stored under that name any more: the edits are offered as a new contact, never dropped
        // without a word.
        if (gErrNumber == kNoCurrentRecordError)
            return offerAsNew(form, record, ContactCommand::notStoredQuestion(form.storedName));
        WaitingCommand command(this);
        ShowError(QString());
        return false;
    }
    txtName->setCursorPosition(nameCaret);
    if (nameSelection > 0)
        txtName->setSelection(nameCaret, nameSelection);
    QTextCursor c = txtOtherInfo->textCursor();
    const int length = int(txtOtherInfo->toPlainText().size());
    c.setPosition(std::min(infoAnchor, length));
    c.setPosition(std::min(infoCaret, length), QTextCursor::KeepAnchor);
    txtOtherInfo->setTextCursor(c);
    selectNumberLine(std::min(numberLine, lstNumbers->count() - 1));
    m_views->selectListItem(record.Name);
    m_views->selectTreeContact(record.Name);
    const QModelIndex now = m_views->treeSelected();
    if (now.isValid())
        tvwContacts->setExpanded(now, expanded);
    SetState(ContactMode::Viewing);
    afterStore(form, record);
    return true;
}

bool frmContacts::offerAsNew(const FormSnapshot& form, const clsContact& record, const QString& question)
{
    WaitingCommand command(this);
    const auto answer = Prompt::message(question, Prompt::YesNo, Prompt::Exclamation);
    // No: the edits stay on the form, nothing is written.
    if (!command.open() || !isYes(answer))
        return false;
    return storeNew(form, record);
}

void frmContacts::afterStore(const FormSnapshot& form, const clsContact& record)
{
    const auto stored = gContacts.item(record.Name);
    objContact = stored ? stored : std::make_shared<clsContact>();
    // What was typed was cleaned on the way in, and a refill while a question waited may have changed the
    // form: it shows what is now stored.
    if (!form.client && stored && formDiffers(fields(), *stored, false))
        UpdateForm();
    UpdateCounts();
}

void frmContacts::RemoveFormContact()
{
    const FormSnapshot began = snapshot();
    ContactCommand::RemoveDecision decision = ContactCommand::decideRemove(began, gContacts);
    WaitingCommand command(this);
    if (decision.kind == ContactCommand::RemoveDecision::NothingChosen) {
        Prompt::message(decision.text, Prompt::OkOnly, Prompt::Critical);
        return;
    }
    if (decision.kind == ContactCommand::RemoveDecision::Remove &&
        textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")))) {
        const auto answer = Prompt::message(QStringLiteral("Are you sure you want to permanently remove this ") +
                                                QStringLiteral("contact from the database?"),
                                            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open() || !isYes(answer))
            return;
        // By the name taken before the question: a change while it waited may have renamed or removed it.
        decision = ContactCommand::decideRemove(began, gContacts);
    }
    if (decision.kind != ContactCommand::RemoveDecision::Remove) {
        sayGone(decision.text);
        return;
    }
    if (began.client) {
        SendContactRequest(ContactRequests::remove(decision.name));
        return;
    }
    SetState(ContactMode::Saving);
    DeleteContact(decision.name);
    objContact = std::make_shared<clsContact>();
    const QString shown = treeShown() ? (m_views->treeContactSelected() ? m_views->treeSelectedText() : QString())
                                      : m_views->listSelectedText();
    if (const auto found = gContacts.item(shown))
        objContact = found;
    UpdateForm();
    UpdateCounts();
    // With no contact left to show the window is empty, not viewing nothing: an edit then begins a new
    // contact instead of changing one that is gone.
    SetState(objContact->Name.isEmpty() ? ContactMode::Empty : ContactMode::Viewing);
}

// ---------------------------------------------------------------------------------------------------------
// List and tree

bool frmContacts::treeShown() const { return tvwContacts->isVisibleTo(const_cast<frmContacts*>(this)); }

std::shared_ptr<clsContact> frmContacts::echoOfForm() const
{
    const auto stored = gContacts.item(cleanedName(txtName->text()));
    return stored && !formDiffersFrom(*stored) ? stored : nullptr;
}

std::optional<QString> frmContacts::keptContact(bool adding) const
{
    if (adding || strState == ContactMode::Saving || !CheckChange())
        return std::nullopt;
    // A change of ours the server has sent back: the contact it made is highlighted, and shown.
    if (const auto echo = echoOfForm())
        return echo->Name;
    return objContact->Name;
}

bool frmContacts::refillMayShow(bool adding, bool typedFound, const clsContact& candidate) const
{
    if (adding)
        return typedFound;
    if (strState == ContactMode::Saving)
        return true;
    // Edits not yet saved stay on the form, unless the contact about to be shown is what the form holds.
    return !CheckChange() || !formDiffersFrom(candidate);
}

void frmContacts::UpdateList()
{
    const int numberLine = lstNumbers->currentRow();
    const bool adding = strState == ContactMode::Adding;
    // The server's echo of a new contact comes back cleaned: it is looked for under the cleaned name.
    const bool found =
        m_views->refillList(gContacts, gAttributeGroups, adding, cleanedName(txtName->text()), keptContact(adding));
    if (treeShown())
        return;
    const auto candidate = GetContact(m_views->listSelectedText());
    if (!refillMayShow(adding, found, *candidate))
        return;
    objContact = candidate;
    UpdateForm();
    const int count = lstNumbers->count();
    if (numberLine == -1 && count > 1)
        selectNumberLine(0);
    else if (count <= 1)
        selectNumberLine(-1);
    else
        selectNumberLine(std::min(numberLine, count - 1));
}

void frmContacts::UpdateTree()
{
    const int numberLine = lstNumbers->currentRow();
    const bool adding = strState == ContactMode::Adding;
    const bool found =
        m_views->refillTree(gContacts, gAttributeGroups, adding, cleanedName(txtName->text()), keptContact(adding));
    if (!treeShown())
        return;
    const auto candidate =
        m_views->treeContactSelected() ? GetContact(m_views->treeSelectedText()) : std::make_shared<clsContact>();
    if (!refillMayShow(adding, found, *candidate))
        return;
    objContact = candidate;
    UpdateForm();
    selectNumberLine(std::min(numberLine, lstNumbers->count() - 1));
}

void frmContacts::AddC(const clsContact& contact)
{
    m_views->addContact(contact, gAttributeGroups);
    // A change from another window (the call list's and the pop-up's pickers, a client) counts too.
    countsChanged();
}

void frmContacts::RemoveC(const QString& name)
{
    // Removed elsewhere (a client's request) while this window shows it: the highlight moves on, and the
    // form follows it as after a refill, unless it keeps edits; then nothing stays highlighted.
    const bool shown = strState != ContactMode::Saving && ContactCommand::sameName(objContact->Name, name);
    const bool keepsEdits = shown && CheckChange();
    m_views->removeContact(name);
    if (keepsEdits) {
        m_views->clearListSelection();
        m_views->clearTreeSelection();
        UpdateControls();
    } else if (shown) {
        const QString selected = treeShown()
                                     ? (m_views->treeContactSelected() ? m_views->treeSelectedText() : QString())
                                     : m_views->listSelectedText();
        objContact = GetContact(selected);
        UpdateForm();
    }
    countsChanged();
}

void frmContacts::EditC(const QString& oldName, const clsContact& contact)
{
    const QModelIndex node = m_views->treeSelected();
    const bool expanded = node.isValid() && tvwContacts->isExpanded(node);
    m_views->editContact(oldName, contact, gAttributeGroups);
    countsChanged();
    if (objContact->Name != oldName)
        return;
    const auto candidate = GetContact(contact.Name);
    // A change made elsewhere (a client, a group rename) does not overwrite edits in progress here.
    if (strState != ContactMode::Saving && CheckChange() && formDiffersFrom(*candidate))
        return;
    objContact = candidate;
    UpdateForm();
    if (treeShown()) {
        m_views->selectTreeContact(contact.Name);
        const QModelIndex now = m_views->treeSelected();
        if (now.isValid())
            tvwContacts->setExpanded(now, expanded);
    }
}

void frmContacts::ShowTreeView()
{
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("True"));
    tvwContacts->show();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewTree")))
        a->setChecked(true);
    const QString listed = m_views->listSelectedText();
    if (!listed.isEmpty())
        m_views->selectTreeContact(listed);
    tvwContacts->scrollTo(m_views->treeSelected());
    lsvContacts->hide();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewList")))
        a->setChecked(false);
    if (QAction* list = button("list"))
        list->setChecked(true);
    UpdateControls();
}

void frmContacts::ShowListView()
{
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("False"));
    lsvContacts->show();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewList")))
        a->setChecked(true);
    // A group or number node names no list item: the list keeps its own selection.
    if (m_views->treeContactSelected())
        m_views->selectListItem(m_views->treeSelectedText());
    lsvContacts->scrollTo(m_views->listSelection.currentIndex());
    tvwContacts->hide();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewTree")))
        a->setChecked(false);
    if (QAction* list = button("list"))
        list->setChecked(false);
    UpdateControls();
}

void frmContacts::lsvContacts_ItemClick()
{
    const QString text = m_views->listSelectedText();
    if (text == objContact->Name)
        return;
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        const bool saved = isYes(answer) && SaveContact(form);
        if (!command.open())
            return;
        // A refused save keeps the edits, and the contact they belong to; so does a click on a contact that
        // went while the question waited.
        const bool clickedGone = !gContacts.contains(text);
        if ((isYes(answer) && !saved) || clickedGone) {
            if (clickedGone)
                sayGone(ContactCommand::goneMessage(text));
            if (!command.open())
                return;
            if (!m_views->selectListItem(objContact->Name))
                m_views->clearListSelection();
            UpdateControls();
            return;
        }
        m_views->selectListItem(text);
    }
    objContact = GetContact(text);
    UpdateForm();
}

void frmContacts::tvwContacts_NodeClick()
{
    const QString text = m_views->treeSelectedText();
    const bool isContact = m_views->treeContactSelected();
    if (isContact && text == objContact->Name)
        return;
    const auto ref = m_views->tree.refOf(m_views->treeSelected());
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        const bool saved = isYes(answer) && SaveContact(form);
        if (!command.open())
            return;
        const bool clickedGone = isContact && !gContacts.contains(text);
        if ((isYes(answer) && !saved) || clickedGone) {
            if (clickedGone)
                sayGone(ContactCommand::goneMessage(text));
            if (!command.open())
                return;
            if (!m_views->selectTreeContact(objContact->Name))
                m_views->clearTreeSelection();
            UpdateControls();
            return;
        }
        // Saving may have moved the selection: the clicked node, by its key.
        if (ref)
            m_views->selectTree(m_views->tree.find(*ref));
    }
    // A group or number node shows no contact.
    objContact = isContact ? GetContact(text) : std::make_shared<clsContact>();
    UpdateForm();
}

// ---------------------------------------------------------------------------------------------------------
// Numbers and picture

void frmContacts::cmdAddNumber_Click()
{
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    frmAddNumber dialog(this);
    execDialog(dialog);
    if (!command.open() || dialog.Number().isEmpty())
        return;
    // The number belongs to the contact the form showed when the dialog opened, never to whatever a refill
    // put there meanwhile.
    if (!ContactCommand::sameContact(began, snapshot())) {
        sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
        return;
    }
    auto number = std::make_shared<clsNumber>(dialog.Number(), dialog.Description());
    const QString text = number->PrintNumberDescription();
    if (!colNumbers.add(text, number)) {
        Prompt::message(QStringLiteral("You cannot have duplicate numbers in this database."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    lstNumbers->addItem(text);
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdEditNumber_Click()
{
    const QListWidgetItem* line = lstNumbers->currentItem();
    if (!line || !line->isSelected()) {
        Prompt::message(QStringLiteral("You must select a number to edit."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    // The line is kept by its text and the contact by its name: a refill while the dialog waits deletes the
    // lines and makes new ones.
    const QString oldText = line->text();
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    frmAddNumber dialog(this);
    dialog.setWindowTitle(QStringLiteral("Edit Number"));
    if (const auto working = colNumbers.item(oldText)) {
        dialog.Prefill(working->Number, working->Description);
    }
    execDialog(dialog);
    if (!command.open() || dialog.Number().isEmpty())
        return;
    const auto where = ContactCommand::findLine(began, snapshot(), lineTexts(lstNumbers), oldText);
    if (where.kind != ContactCommand::LineDecision::Apply) {
        sayGone(where.text);
        return;
    }
    auto number = std::make_shared<clsNumber>(dialog.Number(), dialog.Description());
    const QString text = number->PrintNumberDescription();
    if (colNumbers.contains(text) && text.compare(oldText, Qt::CaseInsensitive) != 0) {
        Prompt::message(QStringLiteral("You cannot have duplicate numbers in this database."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    // The edited number goes to the end of the contact's numbers; its line keeps its place until the
    // contact is shown again.
    colNumbers.remove(oldText);
    colNumbers.add(text, number);
    lstNumbers->item(where.row)->setText(text);
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdRemoveNumber_Click()
{
    const int row = lstNumbers->currentRow();
    QListWidgetItem* line = lstNumbers->currentItem();
    if (row < 0 || !line || !line->isSelected()) {
        Prompt::message(QStringLiteral("You must select a number to remove."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    colNumbers.remove(line->text());
    delete lstNumbers->takeItem(row);
    // The line that took its place, or the new last one; none when the list is empty.
    selectNumberLine(std::min(row, lstNumbers->count() - 1));
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdChangeImage_Click()
{
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    for (;;) {
        const QString folder = m_imageTag.isEmpty() ? programFolder() : m_imageTag;
        const QString path = Prompt::openFile(QStringLiteral("Change Image"), folder, ContactPicture::fileFilter());
        if (!command.open() || path.isEmpty())
            return;
        QString refusal;
        if (!QFileInfo::exists(path))
            refusal = path + QStringLiteral(" was not found. Choose another file.");
        else if (const auto bad = ContactPicture::pathRefusal(path))
            refusal = *bad;
        else if (path == strImageFile)
            refusal = path + QStringLiteral(" is already loaded. Choose another file.");
        if (!refusal.isEmpty()) {
            const auto again = Prompt::message(refusal, Prompt::OkCancel, Prompt::Critical);
            if (!command.open() || again != Prompt::Ok)
                return;
            continue;
        }
        // The picture is the one of the contact the form showed when the dialog opened.
        if (!ContactCommand::sameContact(began, snapshot())) {
            sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
            return;
        }
        strImageFile = path;
        m_imageTag = path;
        setPicture(path);
        SetState(ContactMode::Editing);
        return;
    }
}

void frmContacts::cmdClearImage_Click()
{
    if (isClientMode())
        return;
    strImageFile.clear();
    m_picture = QPixmap();
    imgContactImage->clear();
    SetState(ContactMode::Editing);
}

// ---------------------------------------------------------------------------------------------------------
// Commands, typing

void frmContacts::lstNumbers_Click() { UpdateControls(); }

void frmContacts::txtName_Change()
{
    SetState(ContactMode::Editing);
    LimitText(txtName, MaxName);
}

void frmContacts::txtOtherInfo_Change() { SetState(ContactMode::Editing); }

void frmContacts::mnuEditAdd_Click()
{
    SetNewContact();
    txtName->setFocus(Qt::OtherFocusReason);
}

void frmContacts::mnuViewList_Click()
{
    if (!treeShown()) {
        // Already the list: only the check mark the click took away comes back.
        if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewList")))
            a->setChecked(true);
        return;
    }
    ShowListView();
}

void frmContacts::mnuViewTree_Click()
{
    if (treeShown()) {
        if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewTree")))
            a->setChecked(true);
        return;
    }
    ShowTreeView();
}

void frmContacts::Toolbar1_ButtonClick(QAction* pressed)
{
    if (!pressed)
        return;
    const QString word = pressed->data().toString().toUpper();
    if (word == QLatin1String("LIST")) {
        if (treeShown())
            ShowListView();
        else
            ShowTreeView();
    } else if (word == QLatin1String("DELETE")) {
        RemoveFormContact();
    } else if (word == QLatin1String("ADD")) {
        SetNewContact();
        txtName->setFocus(Qt::OtherFocusReason);
    } else if (word == QLatin1String("SAVE")) {
        SaveContact();
    } else if (word == QLatin1String("PRINT")) {
        PrintContacts();
    } else if (word == QLatin1String("FIND")) {
        mnuEditFind_Click();
    }
}

void frmContacts::Toolbar1_MouseUp()
{
    if (QAction* list = button("list"))
        list->setChecked(textToBool(GetProperty(Section::frmContacts, Key::TreeView, QStringLiteral("False"))));
}

// ---------------------------------------------------------------------------------------------------------
// Files, search, printing

void frmContacts::reloadAfterDatabaseChange()
{
    // Edits of the contact shown are dropped: it belonged to the other file.
    ClearContact();
    objContact = std::make_shared<clsContact>();
    UpdateList();
    UpdateTree();
    UpdateForm();
    UpdateCounts();
}

void frmContacts::reloadAfterGroupFileChange()
{
    UpdateAttributeGroupList();
    UpdateList();
    UpdateTree();
}

void frmContacts::mnuFileNew_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::NewDatabase() && command.open())
        reloadAfterDatabaseChange();
}

void frmContacts::mnuFileChange_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::ChangeDatabase() && command.open())
        reloadAfterDatabaseChange();
}

void frmContacts::mnuFileNewAttributeGroupFile_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::NewGroupFile() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuFileChangeAttributeGroupFile_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::ChangeGroupFile() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuFileRestore_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::RestoreDefaultGroups() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuEditFind_Click() { frmFindContact::showOwnedBy(this); }

bool frmContacts::PrintContacts()
{
    QPrinter printer(QPrinter::HighResolution);
    return PrintContacts(printer);
}

bool frmContacts::PrintContacts(QPrinter& printer)
{
    // The book is read once the print dialog has closed: what is printed is the book as it is then.
    WaitingCommand command(this);
    return ContactListPrinter::PrintContacts(printer, gContacts);
}
