#include "contacts/ContactFiles.h"

#include <QFile>
#include <QFileInfo>

#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/StoreLocks.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/DataFile.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

namespace ContactFiles {

namespace {

const QString DatabaseFilter = QStringLiteral("Access Files(*.mdb)");
const QString GroupFileFilter = QStringLiteral("Data Files (*.dat)");
const QString ExistsText = QStringLiteral("This file name already exits. Choose another file name.");

QString contactDBPath() { return GetProperty(Section::frmConfiguration, Key::ContactDBPath, defaultContactDBPath()); }

QString groupFilePath() { return StoreFiles::attributeGroups(); }

// OK: try again; anything else ends the command.
bool retry(const QString& text) { return Prompt::message(text, Prompt::OkCancel, Prompt::Critical) == Prompt::Ok; }

// The same file, however the path spells it (Linux names differ by case: only the file itself tells).
bool samePath(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() ? ca == QFileInfo(b).canonicalFilePath() : a == b;
}

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

// A long task may be reading the contacts or groups (a refill matching calls to contacts, a statistics run over
// the groups): they are not replaced under it. Asked before the file dialog and again after it, since a task may
// begin while the dialog waits.
bool busyWithDatabase() { return LongTask::refuse(QStringLiteral("the contact database cannot be changed")); }
bool busyWithGroups() { return LongTask::refuse(QStringLiteral("the attribute groups cannot be changed")); }

void reloadGroups(const QString& path)
{
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    LoadAttributeGroupsFromFile(path);
}

} // namespace

bool isContactDatabase(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    try {
        SqlDatabase db(path, SqlDatabase::Mode::ReadOnly);
        return db.tableExists(QStringLiteral("tblContacts")) && db.tableExists(QStringLiteral("tblNumbers"));
    } catch (const SqlError&) {
        return false;
    }
}

bool NewDatabase()
{
    if (isClientMode() || busyWithDatabase())
        return false;
    QString path;
    for (;;) {
        path = Prompt::saveFile(QString(), contactDBPath(), DatabaseFilter);
        if (path.isEmpty() || busyWithDatabase())
            return false;
        try {
            // The new file is opened once and replaces the open one, which is closed.
            if (CreateContactDB(path))
                break;
        } catch (const SqlError& e) {
            // Nothing was made: the setting keeps naming the file in use.
            SaveError(e.code(), e.message(), QStringLiteral("frmContacts_mnuFileNew_Click"));
            ShowError(QString());
            return false;
        }
        if (!retry(ExistsText))
            return false;
    }
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, path);
    AddEvent(QStringLiteral("Created and loaded new contact database ") + fileName(path));
    UpdateContactCollection();
    return true;
}

bool ChangeDatabase()
{
    if (isClientMode() || busyWithDatabase())
        return false;
    QString path;
    for (;;) {
        path = Prompt::openFile(QString(), contactDBPath(), DatabaseFilter);
        if (path.isEmpty() || busyWithDatabase())
            return false;
        QString refusal;
        if (!QFileInfo::exists(path))
            refusal = path + QStringLiteral(" is not a valid database file. Choose another file.");
        else if (samePath(path, contactDBPath()))
            refusal = path + QStringLiteral(" is already loaded. Choose another file.");
        else if (!isContactDatabase(path))
            // Kept as the setting, any other file would be opened and fail at every start.
            refusal = path + QStringLiteral(" is not a valid database file. Choose another file.");
        if (refusal.isEmpty())
            break;
        if (!retry(refusal))
            return false;
    }
    const QString before = contactDBPath();
    SaveProperty(Section::frmConfiguration, Key::ContactDBPath, path);
    AddEvent(QStringLiteral("Loaded contact database ") + fileName(path));
    try {
        // The open file is replaced (and closed) only once the new one is open.
        FindContactDB();
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmContacts_mnuFileChange_Click"));
        ReportError(QStringLiteral("frmContacts_mnuFileChange_Click"));
        // The file in use stays in use, and the setting says so.
        SaveProperty(Section::frmConfiguration, Key::ContactDBPath, before);
    }
    UpdateContactCollection();
    return true;
}

bool NewGroupFile()
{
    if (isClientMode() || busyWithGroups())
        return false;
    QString path;
    for (;;) {
        path = Prompt::saveFile(QString(), groupFilePath(), GroupFileFilter);
        if (path.isEmpty() || busyWithGroups())
            return false;
        if (!QFileInfo::exists(path))
            break;
        if (!retry(ExistsText))
            return false;
    }
    // The box that says why not comes once the locks are as they were: anything may happen while it is open.
    QString error;
    bool made = false;
    {
        StoreLocks::Change change(path);
        error = change.refusal();
        made = error.isEmpty() && DataFile::appendBytes(path, QByteArrayLiteral("\r\n"), &error);
        if (made) {
            SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, path);
            change.done();
        }
    }
    if (!made) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + error,
                  QStringLiteral("frmContacts_mnuFileNewAttributeGroupFile_Click"));
        ShowError(QString());
        return false;
    }
    AddEvent(QStringLiteral("Created new attribute groups file ") + fileName(path));
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    // The clients drop the groups that are gone with the old file.
    SendAttributeGroups();
    UpdateContactCollection();
    return true;
}

bool ChangeGroupFile()
{
    if (isClientMode() || busyWithGroups())
        return false;
    QString path;
    for (;;) {
        path = Prompt::openFile(QString(), groupFilePath(), GroupFileFilter);
        if (path.isEmpty() || busyWithGroups())
            return false;
        QString refusal;
        // A folder or a named pipe would be named as the file and passed over at every start.
        if (PlainFile::kindOf(path) != PlainFile::Kind::Plain)
            refusal = path + QStringLiteral(" is not a valid attribute group data file.");
        else if (samePath(path, groupFilePath()))
            refusal = path + QStringLiteral(" is already loaded.");
        if (refusal.isEmpty())
            break;
        if (!retry(refusal))
            return false;
    }
    QString refusal;
    {
        StoreLocks::Change change(path);
        refusal = change.refusal();
        if (refusal.isEmpty()) {
            SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, path);
            change.done();
        }
    }
    if (!refusal.isEmpty()) {
        SaveError(kFileAccessError, refusal, QStringLiteral("frmContacts_mnuFileChangeAttributeGroupFile_Click"));
        ShowError(QString());
        return false;
    }
    AddEvent(QStringLiteral("Loaded attribute groups file ") + fileName(path));
    reloadGroups(path);
    UpdateContactCollection();
    return true;
}

bool RestoreDefaultGroups()
{
    if (isClientMode() || busyWithGroups())
        return false;
    const QString path = defaultAttributeGroupsFile();
    if (QFileInfo::exists(path)) {
        const auto answer = Prompt::message(QStringLiteral("Warning this will overwrite ") + path + QStringLiteral("."),
                                            Prompt::OkCancel, Prompt::Exclamation);
        if (answer != Prompt::Ok || busyWithGroups())
            return false;
    }
    // The file could not be made (said): the groups and the setting stay as they were, nothing was restored.
    if (!CreateDefaultAttributeGroups())
        return false;
    SaveProperty(Section::frmContacts, Key::AttributeGroupsFile, path);
    StoreLocks::holdInUse();
    reloadGroups(path);
    AddEvent(QStringLiteral("Restored default attribute groups file"));
    UpdateContactCollection();
    return true;
}

} // namespace ContactFiles
