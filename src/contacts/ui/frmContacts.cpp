#include "contacts/ui/frmContacts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include <charconv>

#include "contacts/ContactStore.h"
#include "contacts/ContactViews.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "contacts/ui/SeparatorKeyFilter.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/MenuShortcuts.h"

using ContactsWindow::isYes;
using ContactsWindow::SaveQuestion;

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

} // namespace

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

void frmContacts::unloadAtShutDown(const QString& endedBy)
{
    frmContacts* w = instance(false);
    if (!w)
        return;
    w->m_shuttingDown = true;
    w->m_endedBy = endedBy;
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
    if (form.changed() && !m_endedBy.isEmpty()) {
        // Nobody may be there to answer, and edits nobody confirmed are not written over a stored contact.
        const QString name = ContactCommand::contactName(form);
        AddLastingEvent(
            QStringLiteral("Ended on ") + m_endedBy + QStringLiteral(" without saving the contact book's changes to ") +
            (name.isEmpty() ? QStringLiteral("a new contact") : QLatin1Char('"') + name + QLatin1Char('"')));
    } else if (form.changed()) {
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
