#include "config/ui/frmFind.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>

#include "config/CallLogSearch.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmWaiting.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/DialogKeys.h"
#include "popup/PopupVibrator.h"

namespace {

QPointer<frmFind> g_instance;

const char* const kTabs[4] = {"Name/Number", "Contacts", "Date/Time", "Custom SQL"};

QLabel* label(const char* name, const char* caption, QWidget* parent)
{
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QComboBox* comboBox(const char* name, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumWidth(Twips::toPixels(4500));
    return c;
}

} // namespace

frmFind* frmFind::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmFind;
    return g_instance;
}

frmFind::frmFind() : QWidget(nullptr, Qt::Window)
{
    setObjectName(QString::fromLatin1(Section::frmFind));
    setWindowTitle(QStringLiteral("Find"));

    tbsFind = new QTabBar(this);
    tbsFind->setObjectName(QStringLiteral("tbsFind"));
    tbsFind->setDrawBase(true);
    auto* pageArea = new QWidget(this);
    m_pages = new QStackedLayout(pageArea);
    for (int i = 0; i < 4; ++i) {
        auto* page = new QWidget(pageArea);
        page->setObjectName(QStringLiteral("picFind(%1)").arg(i));
        picFind << page;
        m_pages->addWidget(page);
    }

    // Page 0: a name or number.
    {
        QWidget* p = picFind[0];
        auto* caption = label("lblNameNumber", "&Enter a name or number to find:", p);
        cboNameNumber = comboBox("cboNameNumber", p);
        caption->setBuddy(cboNameNumber);
        auto* frame = new QGroupBox(QStringLiteral("Search By:"), p);
        frame->setObjectName(QStringLiteral("fraSearchBy"));
        chkNameField = new QCheckBox(QStringLiteral("&Name Field"), frame);
        chkNameField->setObjectName(QStringLiteral("chkNameField"));
        chkNumberField = new QCheckBox(QStringLiteral("N&umber Field"), frame);
        chkNumberField->setObjectName(QStringLiteral("chkNumberField"));
        auto* frameLayout = new QVBoxLayout(frame);
        frameLayout->addWidget(chkNameField);
        frameLayout->addWidget(chkNumberField);
        auto* note = label("lblWildCard",
                           "The asterick (*) character can be used as a wild card character when searching for "
                           "names or numbers.",
                           p);
        note->setWordWrap(true);
        auto* grid = new QGridLayout(p);
        grid->addWidget(caption, 0, 0);
        grid->addWidget(cboNameNumber, 1, 0);
        grid->addWidget(note, 2, 0);
        grid->addWidget(frame, 0, 1, 3, 1);
        grid->setRowStretch(3, 1);
        // ";" and "|" would split a request to the server: typed, they are refused; pasted, dropped.
        connect(cboNameNumber->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            const QString clean = CallLogSearch::StripRequestSeparators(text);
            if (clean == text)
                return;
            QLineEdit* edit = cboNameNumber->lineEdit();
            const int caret = int(edit->cursorPosition() - (text.size() - clean.size()));
            edit->setText(clean);
            edit->setCursorPosition(std::max(0, caret));
        });
    }
    // Page 1: contacts.
    {
        QWidget* p = picFind[1];
        auto* caption = label("lblContacts", "Select &Contacts To Find:", p);
        lstContacts = new QListWidget(p);
        lstContacts->setObjectName(QStringLiteral("lstContacts"));
        lstContacts->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        caption->setBuddy(lstContacts);
        cmdSelectAll = button(QStringLiteral("cmdSelectAll"), QStringLiteral("&Select All"), p);
        cmdUnselectAll = button(QStringLiteral("cmdUnselectAll"), QStringLiteral("&Unselect All"), p);
        auto* grid = new QGridLayout(p);
        grid->addWidget(caption, 0, 0);
        grid->addWidget(lstContacts, 1, 0, 3, 1);
        grid->addWidget(cmdSelectAll, 1, 1);
        grid->addWidget(cmdUnselectAll, 2, 1);
        grid->setRowStretch(3, 1);
        connect(cmdSelectAll, &QPushButton::clicked, this, &frmFind::cmdSelectAll_Click);
        connect(cmdUnselectAll, &QPushButton::clicked, this, &frmFind::cmdUnselectAll_Click);
    }
    // Page 2: a date range.
    {
        QWidget* p = picFind[2];
        auto* startCaption = label("lblStartingDate", "&Starting Date (M/D/Y H:M:S AM/PM):", p);
        cboStartingDate = comboBox("cboStartingDate", p);
        startCaption->setBuddy(cboStartingDate);
        auto* endCaption = label("lblEndingDate", "&Ending Date (M/D/Y H:M:S AM/PM):", p);
        cboEndingDate = comboBox("cboEndingDate", p);
        endCaption->setBuddy(cboEndingDate);
        auto* note =
            label("lblDateNote",
                  "Both the starting date and ending date must be in date format of the search to execute.", p);
        note->setWordWrap(true);
        auto* grid = new QGridLayout(p);
        grid->addWidget(startCaption, 0, 0);
        grid->addWidget(cboStartingDate, 1, 0);
        grid->addWidget(endCaption, 0, 1);
        grid->addWidget(cboEndingDate, 1, 1);
        grid->addWidget(note, 2, 0, 1, 2);
        grid->setRowStretch(3, 1);
    }
    // Page 3: free SQL.
    {
        QWidget* p = picFind[3];
        auto* caption = label("lblCustomSQL", "&Enter a SQL statement to execute:", p);
        txtCustomSQL = new QLineEdit(p);
        txtCustomSQL->setObjectName(QStringLiteral("txtCustomSQL"));
        caption->setBuddy(txtCustomSQL);
        // Index 1 goes back to older entries (left), index 0 forward to newer ones (right).
        cmdNavigateSQL << button(QStringLiteral("cmdNavigateSQL(0)"), QStringLiteral("\u25B6"), p)
                       << button(QStringLiteral("cmdNavigateSQL(1)"), QStringLiteral("\u25C0"), p);
        cmdClearCustomSQL = button(QStringLiteral("cmdClearCustomSQL"), QStringLiteral("Clea&r"), p);
        auto* currentCaption = label("lblCurrentSQL", "&Current SQL Statement:", p);
        txtCurrentSQL = new QLineEdit(p);
        txtCurrentSQL->setObjectName(QStringLiteral("txtCurrentSQL"));
        txtCurrentSQL->setReadOnly(true);
        currentCaption->setBuddy(txtCurrentSQL);
        cmdCopyPasteCustomSQL = button(QStringLiteral("cmdCopyPasteCustomSQL"),
                                       QStringLiteral("Copy And &Paste Into Custom SQL Statement"), p);
        auto* grid = new QGridLayout(p);
        grid->addWidget(caption, 0, 0, 1, 4);
        grid->addWidget(txtCustomSQL, 1, 0);
        grid->addWidget(cmdNavigateSQL[1], 1, 1);
        grid->addWidget(cmdNavigateSQL[0], 1, 2);
        grid->addWidget(cmdClearCustomSQL, 1, 3);
        grid->addWidget(currentCaption, 2, 0, 1, 4);
        grid->addWidget(txtCurrentSQL, 3, 0, 1, 4);
        grid->addWidget(cmdCopyPasteCustomSQL, 4, 0, 1, 4, Qt::AlignLeft);
        grid->setColumnStretch(0, 1);
        for (int i = 0; i < 2; ++i) {
            cmdNavigateSQL[i]->setFixedWidth(Twips::toPixels(375));
            connect(cmdNavigateSQL[i], &QPushButton::clicked, this, [this, i] { cmdNavigateSQL_Click(i); });
        }
        connect(cmdClearCustomSQL, &QPushButton::clicked, this, &frmFind::cmdClearCustomSQL_Click);
        connect(cmdCopyPasteCustomSQL, &QPushButton::clicked, this, &frmFind::cmdCopyPasteCustomSQL_Click);
    }

    cmdFind = button(QStringLiteral("cmdFind"), QStringLiteral("&Find"), this);
    cmdFind->setDefault(true);
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), this);
    lblSecret = label("lblSecret", "Records Found:", this);
    lblSecret->installEventFilter(this);
    lblRecords = label("lblRecords", "", this);
    lblRecords->setMinimumWidth(Twips::toPixels(900));
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(tbsFind, &QTabBar::currentChanged, this, &frmFind::tbsFind_Click);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblSecret);
    bottom->addWidget(lblRecords);
    bottom->addStretch(1);
    bottom->addWidget(cmdFind);
    bottom->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(tbsFind);
    layout->addWidget(pageArea, 1);
    layout->addSpacing(6);
    layout->addLayout(bottom);

    // Enter runs Find and Escape is Cancel, as in a dialog.
    DialogKeys::install(this, cmdFind, cmdCancel);

    // Ctrl+Tab steps through the tabs, wherever the focus is in the window.
    auto* nextTabKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    nextTabKey->setObjectName(QStringLiteral("NextTabKey"));
    nextTabKey->setContext(Qt::WindowShortcut);
    connect(nextTabKey, &QShortcut::activated, this, &frmFind::nextTab);

    // The window keeps the size that holds its largest page: nothing in it grows. The tabs are counted in,
    // or the pages would lose their height to them once they are there.
    {
        const QSignalBlocker block(tbsFind);
        for (const char* caption : kTabs)
            tbsFind->addTab(QString::fromLatin1(caption));
    }
    setFixedSize(sizeHint());

    m_shaker =
        new PopupVibrator([this] { return QPointF(Twips::fromPixels(x()), Twips::fromPixels(y())); },
                          [this](const QPointF& p) { move(Twips::toPixels(p.x()), Twips::toPixels(p.y())); }, this);
    m_shaker->setObjectName(QStringLiteral("VibrateTimer"));
    connect(m_shaker, &PopupVibrator::finished, this, [this] {
        for (QWidget* w : std::as_const(m_hiddenForShake))
            if (w)
                w->show();
        m_hiddenForShake.clear();
    });

    WindowLinks& links = windowLinks();
    links.findVisible = [] { return g_instance && g_instance->isVisible(); };
    links.findUpdateContactNames = [] {
        if (g_instance)
            g_instance->UpdateContactNames();
    };
    links.findSetCurrentSQL = [](const QString& sql) {
        if (g_instance)
            g_instance->setCurrentSQL(sql);
    };
    links.findSetRecords = [](int records) {
        if (g_instance)
            g_instance->setRecords(records);
    };
}

frmFind::~frmFind()
{
    WindowLinks& links = windowLinks();
    links.findVisible = nullptr;
    links.findUpdateContactNames = nullptr;
    links.findSetCurrentSQL = nullptr;
    links.findSetRecords = nullptr;
    detachChildren(this);
}

// --- opening and closing ---------------------------------------------------------------------------------

void frmFind::setVisible(bool visible)
{
    // Opening loads and sets the window up. Shown again after the main window came back from the tray, it
    // is still open and keeps what the user typed.
    if (!visible || m_open || isVisible()) {
        QWidget::setVisible(visible);
        return;
    }
    m_open = true;
    Form_Load();
    QWidget::setVisible(true);
    setUp();
}

void frmFind::Form_Load()
{
    setWindowIcon(QIcon());
    SetOnTop(this, false);
    RestoreFormPosition(this);
    AddHints();
}

void frmFind::setUp()
{
    CallLogSearch& search = callLogSearch();
    search.strFindSQL.clear();
    cboNameNumber->setCurrentText(QString());
    chkNameField->setChecked(true);
    chkNumberField->setChecked(true);
    search.intSQLIndex = 0;
    txtCustomSQL->clear();

    {
        const QSignalBlocker block(tbsFind);
        while (tbsFind->count() > 0)
            tbsFind->removeTab(0);
        for (const char* caption : kTabs)
            tbsFind->addTab(QString::fromLatin1(caption));
        tbsFind->setCurrentIndex(0);
    }
    for (int i = 0; i < picFind.size(); ++i)
        picFind[i]->setEnabled(i == 0);
    m_pages->setCurrentIndex(0);

    UpdateContactNames();
    lblRecords->clear();
    if (MainWindow* main = gMainForm) {
        // The main window tells its record count through the window's links.
        main->UpdateStatus();
        txtCurrentSQL->setText(main->strSQL);
    }
    LoadNameNumberHistory();
    LoadStartDateHistory();
    LoadEndDateHistory();

    cboNameNumber->setCurrentText(search.strLastNameNumber);
    if (!search.strNameField.isEmpty()) {
        chkNameField->setChecked(ConvertCheck(search.strNameField).toInt() == 1);
        chkNumberField->setChecked(ConvertCheck(search.strNumberField).toInt() == 1);
    }
    cboStartingDate->setCurrentText(search.strLastStartDate);
    cboEndingDate->setCurrentText(search.strLastEndDate.isEmpty() ? CallLogSearch::Present : search.strLastEndDate);
    txtCustomSQL->setText(search.strLastCustomSQL);
    focusSelected(cboNameNumber);
}

void frmFind::closeEvent(QCloseEvent* event)
{
    // A shake in progress ends at home before the place is saved.
    m_shaker->stop();
    SaveFormPosition(this, PlacePosition);
    CallLogSearch& search = callLogSearch();
    search.strNameField = boolText(chkNameField->isChecked());
    search.strNumberField = boolText(chkNumberField->isChecked());
    m_open = false;
    event->accept();
    if (MainWindow* main = gMainForm) {
        main->CheckWindowMenuItem(MainWindow::WindowMenuFind, false);
        main->SetFocus();
    }
}

// --- pages -------------------------------------------------------------------------------------------------

int frmFind::activePage() const
{
    for (int i = 0; i < picFind.size(); ++i)
        if (picFind[i]->isEnabledTo(const_cast<frmFind*>(this)))
            return i;
    return -1;
}

void frmFind::tbsFind_Click()
{
    const int selected = tbsFind->currentIndex();
    for (int i = 0; i < picFind.size(); ++i)
        picFind[i]->setEnabled(i == selected);
    if (selected < 0 || selected >= picFind.size())
        return;
    m_pages->setCurrentIndex(selected);
    switch (selected) {
    case CallLogSearch::NameNumberPage:
        focusSelected(cboNameNumber);
        break;
    case CallLogSearch::ContactsPage:
        lstContacts->setFocus();
        break;
    case CallLogSearch::DateTimePage:
        focusSelected(cboStartingDate);
        break;
    case CallLogSearch::CustomSQLPage:
        focusSelected(txtCustomSQL);
        break;
    default:
        break;
    }
}

void frmFind::nextTab()
{
    if (tbsFind->count() > 0)
        tbsFind->setCurrentIndex((tbsFind->currentIndex() + 1) % tbsFind->count());
}

void frmFind::focusSelected(QWidget* box)
{
    box->setFocus();
    if (auto* combo = qobject_cast<QComboBox*>(box))
        combo->lineEdit()->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(box))
        edit->selectAll();
}

// --- searching ---------------------------------------------------------------------------------------------

void frmFind::cmdFind_Click()
{
    // A refused date or statement is said in a box; the program may end while it waits, and this window
    // (owned by the main window) with it.
    const QPointer<frmFind> self(this);
    CallLogSearch& search = callLogSearch();
    switch (activePage()) {
    case CallLogSearch::NameNumberPage:
        search.WriteNameNumberSQL(cboNameNumber->currentText(), chkNameField->isChecked(), chkNumberField->isChecked());
        LoadNameNumberHistory();
        focusSelected(cboNameNumber);
        break;
    case CallLogSearch::ContactsPage: {
        QStringList checked;
        for (int i = 0; i < lstContacts->count(); ++i)
            if (lstContacts->item(i)->checkState() == Qt::Checked)
                checked << lstContacts->item(i)->text();
        search.WriteContactsSQL(checked);
        break;
    }
    case CallLogSearch::DateTimePage: {
        const CallLogSearch::DateBox refused =
            search.WriteDateTimeSQL(cboStartingDate->currentText(), cboEndingDate->currentText());
        if (!self)
            return;
        if (refused == CallLogSearch::DateBox::None) {
            LoadStartDateHistory();
            LoadEndDateHistory();
        }
        focusSelected(refused == CallLogSearch::DateBox::End ? cboEndingDate : cboStartingDate);
        break;
    }
    case CallLogSearch::CustomSQLPage:
        search.WriteCustomSQL(txtCustomSQL->text());
        if (!self)
            return;
        focusSelected(txtCustomSQL);
        break;
    default:
        search.strFindSQL = CallLogSearch::NotValid;
        break;
    }
    const CallLogSearch::Outcome outcome = search.HandOver([this](const QString& sql) { txtCurrentSQL->setText(sql); },
                                                           [this] { ShowWaiting(QStringLiteral("SQL"), this); });
    if (self && outcome.records)
        setRecords(*outcome.records);
}

void frmFind::setCurrentSQL(const QString& sql) { txtCurrentSQL->setText(sql); }

void frmFind::setRecords(qint64 records) { lblRecords->setText(QString::number(records)); }

// --- histories ---------------------------------------------------------------------------------------------

void frmFind::loadCombo(QComboBox* box, const QStringList& items)
{
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setCurrentText(text);
}

void frmFind::LoadNameNumberHistory() { loadCombo(cboNameNumber, CallLogSearch::NameNumberHistory()); }

void frmFind::LoadStartDateHistory() { loadCombo(cboStartingDate, CallLogSearch::StartDateHistory()); }

void frmFind::LoadEndDateHistory() { loadCombo(cboEndingDate, CallLogSearch::EndDateHistory()); }

void frmFind::cmdNavigateSQL_Click(int index)
{
    if (const auto entry = callLogSearch().NavigateSQL(index))
        txtCustomSQL->setText(*entry);
    txtCustomSQL->deselect();
    txtCustomSQL->setCursorPosition(int(txtCustomSQL->text().size()));
    txtCustomSQL->setFocus();
}

void frmFind::cmdCopyPasteCustomSQL_Click()
{
    txtCustomSQL->setText(txtCurrentSQL->text());
    txtCustomSQL->setCursorPosition(int(txtCustomSQL->text().size()));
    txtCustomSQL->setFocus();
}

void frmFind::cmdClearCustomSQL_Click()
{
    txtCustomSQL->clear();
    txtCustomSQL->setFocus();
}

// --- contacts ----------------------------------------------------------------------------------------------

void frmFind::UpdateContactNames()
{
    lstContacts->clear();
    for (const auto& entry : gContacts) {
        auto* item = new QListWidgetItem(entry.item->Name, lstContacts);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    SetListScrollWidth(lstContacts);
    if (lstContacts->isEnabledTo(this) && lstContacts->count() > 0)
        lstContacts->setCurrentRow(0);
}

void frmFind::cmdSelectAll_Click()
{
    for (int i = 0; i < lstContacts->count(); ++i)
        lstContacts->item(i)->setCheckState(Qt::Checked);
    lstContacts->setCurrentRow(-1);
}

void frmFind::cmdUnselectAll_Click()
{
    for (int i = 0; i < lstContacts->count(); ++i)
        lstContacts->item(i)->setCheckState(Qt::Unchecked);
}

// --- the histories' secret reset ---------------------------------------------------------------------------

bool frmFind::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblSecret && event->type() == QEvent::MouseButtonDblClick) {
        lblSecret_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmFind::lblSecret_DblClick()
{
    if (callLogSearch().SecretClick())
        VibrateForm();
}

bool frmFind::isShaking() const { return m_shaker->isRunning(); }

void frmFind::VibrateForm()
{
    // A shake asked for while one runs is not started again: the window is already moving.
    if (m_shaker->isRunning())
        return;
    // The statistics window's chart and graph would repaint at every move.
    if (QWidget* stats = FindForm(QStringLiteral("frmStatistics")); stats && stats->isVisible()) {
        for (const char* name : {"mscChart", "mscGraph"}) {
            QWidget* w = stats->findChild<QWidget*>(QLatin1String(name));
            if (w && w->isVisible()) {
                w->hide();
                m_hiddenForShake << w;
            }
        }
    }
    m_shaker->start(textToWhole(GetProperty(Section::frmFind, Key::VibrateDuration, QStringLiteral("100")), 100));
}

// --- tooltips ----------------------------------------------------------------------------------------------

void frmFind::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    const std::pair<QWidget*, const char*> tips[] = {
        {this, "The find form is used to search through the database generated by the program.  This form basically "
               "helps you construct the necessary SQL statements to find records.  The results of a search are "
               "displayed in the main form. The SQL statement that is currently displayed in the main form is shown "
               "in the current SQL statement box. The find form will remember it's last position."},
        {cboNameNumber, "Enter a caller name or number to search the caller database for. Use the asterisk(*) "
                        "character as a wild card for more results."},
        {chkNameField, "Check this box to search the name field of the caller database."},
        {chkNumberField, "Check this box to search the number field of the caller database."},
        {lstContacts, "This is a list of all the contact names in your contact database. Check the contacts in this "
                      "list to find all the records with matching numbers to those of the checked contacts."},
        {cmdSelectAll, "This will select all the contacts in the list."},
        {cmdUnselectAll, "This will unselect all the contacts in the list."},
        {cboStartingDate, "Only records having dates after the date entered here will be displayed. Selecting "
                          "Beginning Of Records will enter the date of the first record in the database."},
        {cboEndingDate, "Only records having dates before the date entered here will be displayed. Selecting Present "
                        "will enter the current date and time into this textbox. Selecting the End Of Records will "
                        "enter the date of the most current record found in the database."},
        {txtCustomSQL, "Enter a custom SQL statement to search the current database."},
        {cmdClearCustomSQL, "This clears the custom SQL textbox."},
        {cmdNavigateSQL[0], "This button is used to display previous custom SQL searchs."},
        {cmdNavigateSQL[1], "This button is used to display previous custom SQL searchs."},
        {txtCurrentSQL, "This textbox displays the currently displayed SQL statement."},
        {cmdCopyPasteCustomSQL, "This will copy and paste the current SQL statement into the custom SQL statement "
                                "box."},
        {cmdFind, "Click this button to execute the search you have created. The search results will be shown in the "
                  "main display."},
        {cmdCancel, "Click this button to close this form without executing the search you have created."},
    };
    for (const auto& [widget, text] : tips)
        gToolTip->SetToolTipObj(widget, QString::fromLatin1(text), false);
}
