#include "ManyCalls.h"

#include <QString>

#include "core/modCallerDB.h"
#include "platform/SqlDatabase.h"

void storeManyCalls(int count)
{
    gCallerDB->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ") +
                    QString::number(count) +
                    QStringLiteral(") INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "SELECT 'CALLER ' || (i % 10000), printf('555-%04d', i % 10000), "
                                   "strftime('%Y-%m-%d %H:%M:%S', '2024-03-21 14:00:00', '-' || i || ' minutes'), "
                                   "1 + i % 4, CASE WHEN i % 3 = 0 THEN 'YES' ELSE 'NO' END FROM n"));
}
