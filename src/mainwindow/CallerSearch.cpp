#include "mainwindow/CallerSearch.h"

#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "platform/SqlError.h"
#include "statistics/modStatistics.h"

namespace {

const QString kHead = QStringLiteral("Select * From tblCID Where ");

QString quoted(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace

namespace CallerSearch {

QString ByName(const QString& idText, const QString& shownName)
{
    QString name = shownName;
    bool ok = false;
    const qint64 id = idText.trimmed().toLongLong(&ok);
    if (ok) {
        try {
            const QList<clsCaller> stored =
                SelectCallers(QStringLiteral("Select * From tblCID Where ID = ") + QString::number(id));
            if (!stored.isEmpty())
                name = stored.first().Name;
        } catch (const SqlError& e) {
            SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
            ReportError(QStringLiteral("frmBaseMain_mnuGridOptionsSearchName_Click"));
        }
    }
    return kHead + QStringLiteral("fldName = ") + quoted(name);
}

QString ByNumber(const QString& number) { return kHead + QStringLiteral("fldNumber = ") + quoted(number); }

QString ByContact(const QString& number)
{
    const auto contact = FindContactByNumber(number);
    QStringList conditions;
    if (!contact->Name.isEmpty())
        for (const auto& entry : contact->Numbers)
            conditions << NumberCondition(entry.item->Number);
    if (conditions.isEmpty())
        conditions << NumberCondition(number);
    return kHead + conditions.join(QStringLiteral(" or "));
}

} // namespace CallerSearch
