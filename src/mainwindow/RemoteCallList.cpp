#include "mainwindow/RemoteCallList.h"

#include <QHash>

#include "core/clsCaller.h"
#include "core/modContactDB.h"
#include "network/clsRemoteSocket.h"

void RemoteCallList::readRows(CallRowBatch& batch)
{
    if (!gRemoteCallers)
        return;
    // A copy that shares the rows: the answer being read may replace gRemoteCallers under this pass.
    const QList<clsCaller> rows = *gRemoteCallers;
    batch.rows.reserve(size_t(rows.size()));
    // Calls from one number share their contact: each number is matched once a pass.
    QHash<QString, clsCaller> matched;
    for (const clsCaller& record : rows) {
        auto match = matched.constFind(record.Number.Number);
        if (match == matched.cend()) {
            clsCaller probe;
            MatchCallerToContact(record.Number.Number, probe);
            match = matched.insert(record.Number.Number, probe);
        }
        clsCaller caller = record;
        caller.ContactName = match->ContactName;
        caller.Number.Description = match->Number.Description;
        caller.AttributeGroup = match->AttributeGroup;
        batch.append({caller.PrintNameDescription(), caller.Number.Number, caller.CallerDate,
                      QString::number(caller.Rings), caller.Answered, QString::number(caller.ID)},
                     caller.ID, CallRowColour(caller.AttributeGroup));
    }
}
