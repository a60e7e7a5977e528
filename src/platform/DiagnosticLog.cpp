#include "platform/DiagnosticLog.h"

#include <QDateTime>
#include <QLoggingCategory>

#include "platform/DataFile.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"

Q_LOGGING_CATEGORY(lcDiagnostics, "velquon.diagnostics", QtWarningMsg)

namespace DiagnosticLog {

QString path() { return programFolder() + QStringLiteral("/Diagnostics.log"); }

bool write(const QString& text)
{
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The real time, not the program's clock: a test or a frozen clock must not blur when a failure happened.
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + oneLine;
    const QByteArray bytes = stamped.toUtf8() + '\n';

    const QString file = path();
    // Moving it aside can fail (a read-only folder, a folder in the older file's place); starting the file afresh
    // still keeps the bound, but the trail it held is gone, which is said once.
    if (PlainFile::keepWithin(file, MaxBytes, bytes.size()) == PlainFile::Bound::Emptied) {
        static bool said = false;
        if (!said) {
            said = true;
            qCWarning(lcDiagnostics).noquote()
                << QStringLiteral("%1 could not be moved aside to %2; it was started afresh")
                       .arg(file, file + QStringLiteral(".1"));
        }
    }
    // Never opened to wait on it: a FIFO or a folder in its place sends the line to standard error.
    QString error;
    if (DataFile::appendBytes(file, bytes, &error))
        return true;
    qCWarning(lcDiagnostics).noquote() << stamped + QStringLiteral(" [") + file + QStringLiteral(": ") + error +
                                              QLatin1Char(']');
    return false;
}

} // namespace DiagnosticLog
