#include "platform/DiagnosticLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include "platform/ProgramFolder.h"

Q_LOGGING_CATEGORY(lcDiagnostics, "velquon.diagnostics", QtWarningMsg)

namespace DiagnosticLog {

QString path() { return programFolder() + QStringLiteral("/Diagnostics.log"); }

void write(const QString& text)
{
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The real time, not the program's clock: a test or a frozen clock must not blur when a failure happened.
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + oneLine;
    const QByteArray bytes = stamped.toUtf8() + '\n';

    const QString file = path();
    const QFileInfo info(file);
    if (info.isFile() && info.size() + bytes.size() > MaxBytes) {
        const QString older = file + QStringLiteral(".1");
        QFile::remove(older);
        // Moving it aside can fail (a read-only folder); starting the file afresh still keeps the bound.
        if (!QFile::rename(file, older))
            QFile(file).resize(0);
    }
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Append) && out.write(bytes) == bytes.size() && out.flush())
        return;
    qCWarning(lcDiagnostics).noquote() << stamped + QStringLiteral(" [") + file + QStringLiteral(": ") +
                                              out.errorString() + QLatin1Char(']');
}

} // namespace DiagnosticLog
