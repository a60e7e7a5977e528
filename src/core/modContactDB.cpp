#include "core/modContactDB.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/StoreLocks.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/SqlTransaction.h"

std::unique_ptr<SqlDatabase> gContactDB;
KeyedCollection<clsContact> gContacts;

namespace {

// Both tables as the contact book has always had them: a number belongs to the contact whose name it
// carries, and text columns hold at most 50 characters (memo columns any length). Empty texts are fine.
const char kCreateTables[] = R"(
CREATE TABLE tblContacts (
    fldName TEXT NOT NULL DEFAULT '' COLLATE NOCASE CHECK (length(fldName) <= 50),
    fldAttributeGroup TEXT NOT NULL DEFAULT '' COLLATE NOCASE CHECK (length(fldAttributeGroup) <= 50),
    fldImageFile TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    fldOtherInfo TEXT NOT NULL DEFAULT '' COLLATE NOCASE
);
CREATE TABLE tblNumbers (
    fldNumber TEXT NOT NULL DEFAULT '' COLLATE NOCASE CHECK (length(fldNumber) <= 50),
    fldName TEXT NOT NULL DEFAULT '' COLLATE NOCASE CHECK (length(fldName) <= 50),
    fldDescription TEXT NOT NULL DEFAULT '' COLLATE NOCASE CHECK (length(fldDescription) <= 50)
);
)";

const char kLoadError[] = "An error occured while trying to load the contact database. \r\n"
                          "Contact databases created with version 2.0.7 or earlier \r\n"
                          "cannot be loaded using an updated version of Velquon.";

QString argText(sqlite3_value* v)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return data ? QString::fromUtf8(data, sqlite3_value_bytes(v)) : QString();
}

void sameText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    sqlite3_result_int(ctx, argText(argv[0]).compare(argText(argv[1]), Qt::CaseInsensitive) == 0 ? 1 : 0);
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

void keepSqlError(const SqlError& e, const QString& tag)
{
    SaveError(e.code(), e.message(), QStringLiteral("modContactDB"));
    ReportError(tag);
    // Kept under a number of its own: the callers tell the duplicate refusals (1 and 2) by number, and
    // SQLite's "no such table" is 1 too.
    SaveError(kDatabaseError, e.message(), QStringLiteral("modContactDB"));
}

void insertNumbers(const clsContact& contact)
{
    SqlStatement add = gContactDB->prepare(
        QStringLiteral("INSERT INTO tblNumbers (fldName, fldNumber, fldDescription) VALUES (?, ?, ?)"));
    for (const auto& entry : contact.Numbers) {
        add.bind(1, contact.Name);
        add.bind(2, entry.item->Number);
        add.bind(3, entry.item->Description);
        add.exec();
        add.reset();
    }
}

void bindContactColumns(SqlStatement& st, const clsContact& contact)
{
    st.bind(1, contact.Name);
    st.bind(2, contact.AttributeGroup);
    st.bind(3, contact.ImageFile);
    st.bind(4, contact.OtherInfo);
}

bool contactsWindowVisible() { return Links::contactsVisible(); }

} // namespace

QString duplicateNameText() { return QStringLiteral("Duplicate names in database."); }

QString duplicateNumberText(const QString& number)
{
    return number + QStringLiteral(" was found to be a duplicate numbers in the database.");
}

QString defaultContactDBPath() { return programFolder() + QStringLiteral("/dbContacts.mdb"); }

void registerContactFunctions(SqlDatabase& db)
{
    sqlite3_create_function_v2(db.handle(), "sametext", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sameText,
                               nullptr, nullptr, nullptr);
}

bool FindContactDB()
{
    if (isClientMode())
        return false;
    const QString path = GetProperty(Section::frmConfiguration, Key::ContactDBPath, defaultContactDBPath());
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    StoreLocks::Opening opening(path);
    // An empty file, or another program's database, opens as a database too: it is no contact book. It is
    // refused before anything is written, so it stays exactly as it was.
    const QStringList tables{QStringLiteral("tblContacts"), QStringLiteral("tblNumbers")};
    const SqlDatabase::Holds holds = SqlDatabase::lookAt(path, tables, false);
    auto db = std::make_unique<SqlDatabase>(path, SqlDatabase::Mode::ReadWrite);
    if (holds == SqlDatabase::Holds::NotLookedAt) {
        db->checkIntegrity();
        db->checkTables(tables);
    }
    db->checkWritable();
    registerContactFunctions(*db);
    gContactDB = std::move(db);
    opening.done();
    return true;
}

bool CreateContactDB(const QString& path)
{
    if (isClientMode())
        return false;
    StoreLocks::Opening opening(path);
    auto db = SqlDatabase::createWhole(path, [](SqlDatabase& made) { made.exec(QString::fromLatin1(kCreateTables)); });
    if (!db)
        return false;
    registerContactFunctions(*db);
    gContactDB = std::move(db);
    opening.done();
    return true;
}

void CloseContactDB() { gContactDB.reset(); }

bool CheckDuplicateName(const QString& name)
{
    SqlStatement st =
        gContactDB->prepare(QStringLiteral("SELECT 1 FROM tblContacts WHERE sametext(fldName, ?) LIMIT 1"));
    st.bind(1, name);
    if (st.step()) {
        SaveError(kDuplicateNameError, duplicateNameText());
        return false;
    }
    return true;
}

bool CheckDuplicateNumbers(const clsContact& contact, const QString& oldName)
{
    const QString owner = oldName.isEmpty() ? contact.Name : oldName;
    SqlStatement others =
        gContactDB->prepare(QStringLiteral("SELECT fldName FROM tblNumbers WHERE fldNumber = ? COLLATE BINARY"));
    for (const auto& entry : contact.Numbers) {
        const QString& n = entry.item->Number;
        int own = 0;
        for (const auto& other : contact.Numbers)
            own += other.item->Number == n ? 1 : 0;
        if (own >= 2) {
            SaveError(kDuplicateNumberError, duplicateNumberText(n));
            return false;
        }
        others.bind(1, n);
        while (others.step()) {
            if (!sameName(others.text(0), owner)) {
                SaveError(kDuplicateNumberError, duplicateNumberText(n));
                return false;
            }
        }
        others.reset();
    }
    return true;
}

bool AddContact(const clsContact& contact)
{
    if (isClientMode())
        return false;
    if (!gContactDB) {
        SaveError(kObjectNotSetError, QStringLiteral("Object variable or With block variable not set"),
                  QStringLiteral("modContactDB"));
        return false;
    }
    try {
        if (!CheckDuplicateName(contact.Name) || !CheckDuplicateNumbers(contact, QString()))
            return false;
        SqlTransaction tx(*gContactDB);
        SqlStatement add = gContactDB->prepare(QStringLiteral(
            "INSERT INTO tblContacts (fldName, fldAttributeGroup, fldImageFile, fldOtherInfo) VALUES (?, ?, ?, ?)"));
        bindContactColumns(add, contact);
        add.exec();
        insertNumbers(contact);
        tx.commit();
    } catch (const SqlError& e) {
        keepSqlError(e, QStringLiteral("modContactDB_AddContact"));
        return false;
    }
    UpdateContactCollection();
    if (contactsWindowVisible() && windowLinks().contactsAddC)
        windowLinks().contactsAddC(contact);
    return true;
}

bool EditContact(const QString& oldName, const clsContact& contact)
{
    if (isClientMode())
        return false;
    if (!gContactDB) {
        SaveError(kObjectNotSetError, QStringLiteral("Object variable or With block variable not set"),
                  QStringLiteral("modContactDB"));
        return false;
    }
    try {
        // A change of capitals only is the same name: no name check.
        if (!sameName(contact.Name, oldName) && !CheckDuplicateName(contact.Name))
            return false;
        if (!CheckDuplicateNumbers(contact, oldName))
            return false;
        SqlTransaction tx(*gContactDB);
        SqlStatement update = gContactDB->prepare(QStringLiteral(
            "UPDATE tblContacts SET fldName = ?, fldAttributeGroup = ?, fldImageFile = ?, fldOtherInfo = ? "
            "WHERE rowid = (SELECT rowid FROM tblContacts WHERE sametext(fldName, ?5) ORDER BY rowid LIMIT 1)"));
        bindContactColumns(update, contact);
        update.bind(5, oldName);
        update.exec();
        if (gContactDB->changes() == 0) {
            // Nothing stored under the old name: nothing is written.
            SaveError(kNoCurrentRecordError, QStringLiteral("No current record."), QStringLiteral("modContactDB"));
            return false;
        }
        SqlStatement drop = gContactDB->prepare(QStringLiteral("DELETE FROM tblNumbers WHERE sametext(fldName, ?)"));
        drop.bind(1, oldName);
        drop.exec();
        insertNumbers(contact);
        tx.commit();
    } catch (const SqlError& e) {
        keepSqlError(e, QStringLiteral("modContactDB_EditContact"));
        return false;
    }
    UpdateContactCollection();
    if (contactsWindowVisible() && windowLinks().contactsEditC)
        windowLinks().contactsEditC(oldName, contact);
    return true;
}

bool DeleteContact(const QString& name)
{
    if (isClientMode())
        return false;
    bool ok = gContactDB != nullptr;
    if (!gContactDB) {
        SaveError(kObjectNotSetError, QStringLiteral("Object variable or With block variable not set"),
                  QStringLiteral("modContactDB"));
    } else {
        // The numbers and the contact go together or not at all: a contact never loses only its numbers.
        try {
            SqlTransaction tx(*gContactDB);
            for (const char* sql : {"DELETE FROM tblNumbers WHERE sametext(fldName, ?)",
                                    "DELETE FROM tblContacts WHERE sametext(fldName, ?)"}) {
                SqlStatement st = gContactDB->prepare(QString::fromLatin1(sql));
                st.bind(1, name);
                st.exec();
            }
            tx.commit();
        } catch (const SqlError& e) {
            keepSqlError(e, QStringLiteral("modContactDB_DeleteContact"));
            ok = false;
        }
    }
    UpdateContactCollection();
    if (contactsWindowVisible() && windowLinks().contactsRemoveC)
        windowLinks().contactsRemoveC(name);
    return ok;
}

void UpdateContactCollection()
{
    if (isClientMode())
        return;
    gContacts = KeyedCollection<clsContact>();
    if (!gContactDB) {
        // No contact file is open: nothing to load, nothing to report.
        SaveError(kObjectNotSetError, QStringLiteral("Object variable or With block variable not set"),
                  QStringLiteral("modContactDB"));
        return;
    }
    try {
        // One pass over the numbers, grouped by their contact's name; each group keeps the table's order.
        QHash<QString, QList<std::shared_ptr<clsNumber>>> numbers;
        SqlStatement nums = gContactDB->prepare(
            QStringLiteral("SELECT fldName, fldNumber, fldDescription FROM tblNumbers ORDER BY rowid"));
        while (nums.step())
            numbers[nums.text(0).toCaseFolded()].append(std::make_shared<clsNumber>(nums.text(1), nums.text(2)));

        SqlStatement rows = gContactDB->prepare(QStringLiteral(
            "SELECT fldName, fldAttributeGroup, fldImageFile, fldOtherInfo FROM tblContacts ORDER BY rowid"));
        while (rows.step()) {
            auto contact = std::make_shared<clsContact>();
            contact->Name = rows.text(0);
            contact->ImageFile = rows.text(2);
            contact->OtherInfo = rows.text(3);
            // A group that no longer exists leaves the contact without one; the file keeps the stored name.
            if (const auto group = gAttributeGroups.item(rows.text(1)))
                contact->AttributeGroup = group->Description;
            for (const auto& number : numbers.value(contact->Name.toCaseFolded())) {
                if (!contact->AddNumber(number))
                    throw SqlError(SqlError::Kind::BadSql, 457,
                                   QStringLiteral("This key is already associated with an element of this collection"));
            }
            if (!gContacts.add(contact->Name, contact))
                throw SqlError(SqlError::Kind::BadSql, 457,
                               QStringLiteral("This key is already associated with an element of this collection"));
        }
    } catch (const SqlError& e) {
        keepSqlError(e, QStringLiteral("modContactDB_UpdateContactCollection"));
        // A socket or start-up path may be running: report without a modal loop.
        Prompt::notice(QString::fromLatin1(kLoadError), Prompt::Exclamation);
        return;
    }

    WindowLinks& links = windowLinks();
    if (Links::findVisible() && links.findUpdateContactNames)
        links.findUpdateContactNames();
    if (Links::miniDisplayVisible() && links.miniDisplayRefreshContactInfo)
        links.miniDisplayRefreshContactInfo();
    if (gMainForm)
        gMainForm->RefreshGrid();
    if (links.updateContactGroups)
        links.updateContactGroups();
    SendContacts();
}

void SendContacts()
{
    // No server, nobody to tell: the whole list is not even put together.
    if (isClientMode() || !windowLinks().broadcast)
        return;
    QString text = QStringLiteral(";CLEAR CONTACTS;");
    for (const auto& entry : gContacts)
        text += QStringLiteral(";CONTACT;") + entry.item->PrintSend();
    Links::broadcast(text);
}

namespace {

// Every stored number text with its first owner (in the contact book's order, then the contact's), made again
// whenever the book changes. A call number is then looked up by the pieces of it that are as long as some
// stored number, so a match costs the same whatever the size of the book.
struct NumberIndex {
    struct Owner {
        qint64 rank = 0; // the place of the number among all stored numbers, in book order
        std::shared_ptr<clsContact> contact;
        std::shared_ptr<clsNumber> number;
    };
    quint64 stamp = 0;
    QHash<QString, Owner> owners;
    QList<qsizetype> lengths; // the lengths stored numbers have, each once
};

const NumberIndex& numberIndex()
{
    static NumberIndex index;
    if (index.stamp == gContacts.stamp())
        return index;
    index = NumberIndex();
    index.stamp = gContacts.stamp();
    QSet<qsizetype> lengths;
    qint64 rank = 0;
    for (const auto& entry : gContacts) {
        for (const auto& n : entry.item->Numbers) {
            const QString& stored = n.item->Number;
            // An empty entry would be "inside" every number and claim every call.
            if (stored.isEmpty())
                continue;
            ++rank;
            if (index.owners.contains(stored))
                continue; // an earlier contact owns it
            index.owners.insert(stored, {rank, entry.item, n.item});
            lengths.insert(stored.size());
        }
    }
    index.lengths = lengths.values();
    return index;
}

// The first contact, and its number, whose stored number text occurs inside the given one (compared as
// stored, capitals counting).
std::pair<std::shared_ptr<clsContact>, std::shared_ptr<clsNumber>> firstOwner(const QString& number)
{
    const NumberIndex& index = numberIndex();
    const NumberIndex::Owner* best = nullptr;
    for (const qsizetype length : index.lengths) {
        for (qsizetype at = 0; at + length <= number.size(); ++at) {
            const auto it = index.owners.constFind(number.mid(at, length));
            if (it != index.owners.cend() && (!best || it->rank < best->rank))
                best = &*it;
        }
    }
    if (!best)
        return {nullptr, nullptr};
    return {best->contact, best->number};
}

} // namespace

void MatchCallerToContact(const QString& number, clsCaller& caller)
{
    const auto [contact, matched] = firstOwner(number);
    if (!contact) {
        caller.ContactName.clear();
        caller.AttributeGroup.clear();
        caller.Number.Description.clear();
        return;
    }
    caller.ContactName = contact->Name;
    caller.AttributeGroup = contact->AttributeGroup;
    caller.Number.Description = matched->Description;
}

std::shared_ptr<clsContact> FindContactByNumber(const QString& number)
{
    const auto found = firstOwner(number).first;
    return found ? found : std::make_shared<clsContact>();
}

std::shared_ptr<clsContact> GetContact(const QString& name)
{
    const auto found = gContacts.item(name);
    return found ? found : std::make_shared<clsContact>();
}
