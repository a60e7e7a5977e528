#include "core/modError.h"

#include "core/modMain.h"
#include "platform/Prompt.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcErrors, "velquon.errors", QtWarningMsg)

qint32 gErrNumber = 0;
QString gErrDescription;
QString gErrSource;

namespace {
QString g_lastTag;
}

void SaveError(qint32 number, const QString& description, const QString& source)
{
    gErrNumber = number;
    gErrDescription = description;
    gErrSource = source.isEmpty() ? QStringLiteral("Velquon") : source;
}

void ReportError(const QString& tag)
{
    g_lastTag = tag;
    qCDebug(lcErrors) << tag << gErrNumber << gErrDescription;
}

QString lastReportedTag() { return g_lastTag; }

void ShowError(const QString& message)
{
    if (!message.isEmpty()) {
        QString oneLine = message;
        oneLine.remove(QStringLiteral("\r\n"));
        AddEvent(oneLine);
        Prompt::message(message, Prompt::OkOnly, Prompt::Exclamation);
        return;
    }
    const QString n = QString::number(gErrNumber);
    AddEvent(QStringLiteral("Cannot perform operation.Error #") + n + QStringLiteral(": ") + gErrDescription +
             QStringLiteral(" Source: ") + gErrSource);
    Prompt::message(QStringLiteral("Cannot perform operation.\r\nError #") + n + QStringLiteral(": ") +
                        gErrDescription + QStringLiteral("\r\nSource: ") + gErrSource,
                    Prompt::OkOnly, Prompt::Exclamation);
}
