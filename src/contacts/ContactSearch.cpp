#include "contacts/ContactSearch.h"

#include <QSet>

#include "core/SettingsKeys.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

namespace ContactSearch {

namespace {

const char* const kSection = Section::frmFindContact;
const char* const ConditionsKey = Key::Conditions;

QString queryFor(Field field)
{
    // LIKE here runs the database's Jet Like on the bound pattern.
    switch (field) {
    case ContactName:
        return QStringLiteral("SELECT fldName FROM tblContacts WHERE fldName LIKE ?1 ORDER BY rowid");
    case ContactNumber:
        return QStringLiteral("SELECT fldName FROM tblNumbers WHERE fldNumber LIKE ?1 ORDER BY rowid");
    case AttributeGroup:
        return QStringLiteral("SELECT fldName FROM tblContacts WHERE fldAttributeGroup LIKE ?1 ORDER BY rowid");
    case OtherInfo:
        return QStringLiteral("SELECT fldName FROM tblContacts WHERE fldOtherInfo LIKE ?1 ORDER BY rowid");
    }
    return QString();
}

} // namespace

Result run(Field field, const QString& pattern)
{
    Result result;
    if (!gContactDB || pattern.isEmpty())
        return result;
    try {
        SqlStatement st = gContactDB->prepare(queryFor(field));
        st.bind(1, pattern);
        // Each name once whatever the book's size: a pattern every number matches finds three records a
        // contact, and comparing each with every name listed so far held the window for seconds.
        QSet<QString> listed;
        while (st.step()) {
            const QString name = st.text(0);
            ++result.records;
            if (!listed.contains(name.toCaseFolded())) {
                listed.insert(name.toCaseFolded());
                result.names << name;
            }
        }
    } catch (const SqlError& e) {
        // The list shows names of this query or none at all.
        SaveError(e.code(), e.message(), QStringLiteral("frmFindContact"));
        ReportError(QStringLiteral("frmFindContact_cmdFind_Click"));
        return Result();
    }
    return result;
}

void remember(const QString& pattern)
{
    AddRecentItem(QString::fromLatin1(kSection), QString::fromLatin1(ConditionsKey), pattern);
}

QStringList history()
{
    QStringList out;
    for (const QString& entry :
         ListToArray(GetProperty(QString::fromLatin1(kSection), QString::fromLatin1(ConditionsKey), QString()))) {
        if (!entry.isEmpty())
            out << entry;
    }
    return out;
}

} // namespace ContactSearch
