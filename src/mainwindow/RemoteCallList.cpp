#include "mainwindow/RemoteCallList.h"

#include "core/modError.h"
#include "network/clsRemoteSocket.h"

QList<clsCaller> RemoteCallList::readRows()
{
    // A copy that shares the rows: the answer being read may replace gRemoteCallers under this pass.
    return gRemoteCallers ? *gRemoteCallers : QList<clsCaller>();
}

void RemoteCallList::rowFailed(const QString& description)
{
    // Kept, not shown: the list keeps the rows handed over so far.
    SaveError(0, description, QStringLiteral("frmRemoteMain"));
    ReportError(QStringLiteral("frmRemoteMain_RefreshGrid"));
}
