#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include <memory>
#include <optional>

#include "contacts/ContactForm.h"
#include "contacts/FormSnapshot.h"
#include "core/KeyedCollection.h"
#include "core/clsContact.h"
#include "core/clsNumber.h"

class ContactViews;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QToolBar;
class QTreeView;

// The contact book: every contact in a list (or a tree of attribute groups) on the left, the chosen one's
// name, numbers, group, picture and other information on the right. One program-wide window, modeless, in
// every mode; a client edits its server's contacts through messages and waits for the server to send the
// book back.
//
// The mode (strState) decides what an edit means: while the window fills its own boxes it is "loading",
// so their change events are not edits; an edit in the empty mode begins a new contact; a save adds in
// "adding" and changes the stored contact otherwise.
class frmContacts : public QMainWindow {
    Q_OBJECT
public:
    // The window, created (not shown) on first use.
    static frmContacts* instance(bool create = true);
    // Shows it modeless, owned by owner.
    static frmContacts* showOwnedBy(QWidget* owner);
    // Program shut-down: the save question (its answer cannot keep the window open), then the window goes.
    // endedBy names the signal that ends the program: nobody is asked, and unsaved edits are not saved but
    // said in the activity log.
    static void unloadAtShutDown(const QString& endedBy = QString());

    ~frmContacts() override;

    // --- window state shared by the contact book's commands ---
    std::shared_ptr<clsContact> objContact; // the stored contact shown (itself), or a new empty one
    KeyedCollection<clsNumber> colNumbers;  // the working numbers, in the order of lstNumbers
    QString strImageFile;                   // the working picture path
    QString strState;                       // the mode (ContactMode)

    // --- members other parts call ---
    void SetContact(const QString& name);
    bool ContactSelected() const;
    void SetState(const QString& state);
    void UpdateControls();
    void UpdateCounts();
    // The counts after a change made elsewhere, read once the event loop runs again.
    void countsChanged();
    void ConfigureForMode();
    void SaveFormPosition();
    Q_INVOKABLE void AddHints();
    // The store's upkeep calls (only while the window is loaded).
    void AddC(const clsContact& contact);
    void RemoveC(const QString& name);
    void EditC(const QString& oldName, const clsContact& contact);
    void UpdateList();
    void UpdateTree();
    void UpdateAttributeGroupList();

    // --- saving and removing ---
    bool CheckChange() const;
    // True when the form was saved, sent, or had nothing to save; false when a check or the store refused.
    bool SaveContact();
    // The same for the form as it was when the snapshot was taken (before a question that let the event
    // loop run): its contact and its fields are saved, whatever the form shows now.
    bool SaveContact(const FormSnapshot& form);
    void RemoveFormContact();

    // --- views and the form ---
    void ShowTreeView();
    void ShowListView();
    bool treeShown() const;
    void UpdateForm();
    void ClearContact();
    void SetNewContact();

    // --- attribute-group commands (their tests run them on a book they set up) ---
    void cmdAddAttributeGroup_Click();
    void cmdRemoveAttributeGroup_Click();
    void cmdEditAttributeGroup_Click();
    // Prints every contact on the printer chosen in the print dialog; false when nothing was printed.
    bool PrintContacts();
    // The same on a printer set up by the caller (tests print to a PDF file), the dialog still first.
    bool PrintContacts(QPrinter& printer);

    // The form's fields as CheckChange compares them.
    ContactFields fields() const;
    // What the form shows now: its contact (by its stored name), mode, fields and working numbers.
    FormSnapshot snapshot() const;
    // The picture shown (null for none).
    QPixmap shownPicture() const { return m_picture; }
    QString imageTag() const { return m_imageTag; }
    ContactViews& views() { return *m_views; }

    // --- controls other windows' tests still reach ---
    QTreeView* tvwContacts = nullptr;
    QLineEdit* txtName = nullptr;
    QListWidget* lstNumbers = nullptr;
    QPlainTextEdit* txtOtherInfo = nullptr;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class WaitingCommand;

    frmContacts();

    // --- handlers ---
    void cmdAddNumber_Click();
    void cmdRemoveNumber_Click();
    void cmdEditNumber_Click();
    void cmdChangeImage_Click();
    void cmdClearImage_Click();
    void cboAttributeGroup_Click();
    void lsvContacts_ItemClick();
    void tvwContacts_NodeClick();
    void lstNumbers_Click();
    void txtName_Change();
    void txtOtherInfo_Change();
    void Toolbar1_ButtonClick(QAction* button);
    // The "list" button follows the view the setting TreeView records.
    void Toolbar1_MouseUp();
    void mnuEditAdd_Click();
    void mnuEditRemove_Click() { RemoveFormContact(); }
    void mnuEditSave_Click() { SaveContact(); }
    void mnuFileClose_Click() { close(); }
    void mnuFileNew_Click();
    void mnuFileChange_Click();
    void mnuFileNewAttributeGroupFile_Click();
    void mnuFileChangeAttributeGroupFile_Click();
    void mnuFileRestore_Click();
    void mnuPrint_Click() { PrintContacts(); }
    void mnuEditFind_Click();
    void mnuViewList_Click();
    void mnuViewTree_Click();

    // --- controls ---
    QToolBar* Toolbar1 = nullptr;
    QTreeView* lsvContacts = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdAddNumber = nullptr;
    QPushButton* cmdRemoveNumber = nullptr;
    QPushButton* cmdEditNumber = nullptr;
    QLabel* label3 = nullptr;
    QComboBox* cboAttributeGroup = nullptr;
    QPushButton* cmdAddAttributeGroup = nullptr;
    QPushButton* cmdRemoveAttributeGroup = nullptr;
    QPushButton* cmdEditAttributeGroup = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* imgContactImage = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* lblImageHeight = nullptr;
    QLabel* lblImageWidth = nullptr;
    QPushButton* cmdClearImage = nullptr;
    QPushButton* cmdChangeImage = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* panelStatus = nullptr;
    QLabel* panelContacts = nullptr;
    QLabel* panelNumbers = nullptr;

    void buildControls();
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void Form_Load();
    void Form_Resize();
    void installLinks();
    void place(QWidget* w, double left, double top, double width = -1, double height = -1);
    void setPicture(const QString& path);
    QAction* button(const char* key) const;
    // Whether a refill may show the contact it selected, or must keep the fields being edited.
    // After another contact file: nothing shown, the views refilled.
    void reloadAfterDatabaseChange();
    // After another group file: the group list and the views refilled.
    void reloadAfterGroupFileChange();
    bool refillMayShow(bool adding, bool typedFound, const clsContact& candidate) const;
    // The contact a refill must highlight because its edits stay on the form (or nothing, once it is gone);
    // none when the refill may choose (and show) as usual.
    std::optional<QString> keptContact(bool adding) const;
    // After the client's own change came back from the server: the contact the form now equals, if any.
    std::shared_ptr<clsContact> echoOfForm() const;
    // Whether the form differs from the contact once its texts are cleaned as a save cleans them.
    bool formDiffersFrom(const clsContact& contact) const;
    void selectNumberLine(int row);
    // Sends a contact request to the server; false, with a box, when the server could not read it whole.
    bool sendRequest(const QString& request);
    // The save's roads: a new contact, a change of the stored one, and the offer to add a contact whose
    // stored name went while its edits stayed here.
    bool storeNew(const FormSnapshot& form, const clsContact& record);
    bool storeEdit(const FormSnapshot& form, const clsContact& record);
    bool offerAsNew(const FormSnapshot& form, const clsContact& record, const QString& question);
    void afterStore(const FormSnapshot& form, const clsContact& record);
    // Says in one box that the record a command began on went meanwhile.
    void sayGone(const QString& text);

    ContactViews* m_views = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuView = nullptr;
    QPixmap m_picture;
    QString m_imageTag;
    bool m_firstShow = true;
    bool m_shuttingDown = false;
    QString m_endedBy;
    bool m_closed = false;
    // Commands of this window waiting on the user, and a deletion that waits for them to return.
    int m_waiting = 0;
    bool m_deleteWhenDone = false;
    bool m_countsDue = false;
};
