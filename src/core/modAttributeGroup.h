#pragma once

#include "core/KeyedCollection.h"
#include "core/clsAttributeGroup.h"
#include "platform/DataFile.h"

#include <QString>

#include <memory>

// The attribute groups: the program-wide collection and the file "AttributeGroups.dat". The file and
// network operations do nothing in client mode, whose groups come from the server; the look-ups work in
// every mode.

// Keyed by Description, case ignored, in file order. Replace it by a new empty collection to start over.
extern KeyedCollection<clsAttributeGroup> gAttributeGroups;

// Adds the groups of a data file to gAttributeGroups (groups already there win over lines of the same
// name), then sends them to the clients. A missing file loads nothing and sends nothing. A line that holds
// no group is skipped; the skipped lines are said in one event line, and the file as it was is kept beside
// it (".damaged") before a later rewrite can leave them out.
void LoadAttributeGroupsFromFile(const QString& path);
// Replaces the program folder's "AttributeGroups.dat" by the three default groups; the collection is
// neither changed nor sent. False when the file could not be written (it stays as it was; said) or in client mode.
bool CreateDefaultAttributeGroups();
// Rewrites the file named by the setting AttributeGroupsFile from gAttributeGroups, then sends the groups.
void RefreshAttributeGroupFile();
// The parts of the file functions that work on the file's records (tested and fuzzed without a file): the
// groups of the records added as LoadAttributeGroupsFromFile adds them, and the records
// RefreshAttributeGroupFile writes.
struct AttributeGroupLines {
    int skipped = 0;
    int firstSkipped = 0; // 1-based record number of the first skipped line
};
AttributeGroupLines AddAttributeGroups(const QList<DataFile::Record>& records);
QList<DataFile::Record> AttributeGroupRecords();
// Sends every group to every connected client.
void SendAttributeGroups();
// The group of that name (case ignored); a name that is not there gives a new empty group.
std::shared_ptr<clsAttributeGroup> GetAttributeGroup(const QString& name);
bool CheckDuplicateAttributeGroup(const QString& name);
// Renames a group in every contact: in gContacts (telling the contact book about each contact changed)
// and in tblContacts. "<none>" on either side, and client mode, change nothing.
void RefreshAttributeGroup(const QString& oldName, const QString& newName);

// The program folder's group file.
QString defaultAttributeGroupsFile();
