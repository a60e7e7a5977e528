#include "core/modError.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include "core/Globals.h"
#include "core/modMain.h"
#include "platform/DiagnosticLog.h"
#include "platform/Prompt.h"

qint32 gErrNumber = 0;
QString gErrDescription;
QString gErrSource;

namespace {
QString g_lastTag;
int g_withoutWaiting = 0;
// The refusal each tag said last (ReportUnwritten), and whether a main window showed it.
struct Said {
    QString description;
    bool shown = false;
    QString file;
};

QString fileKey(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }
QHash<QString, Said> g_unwrittenSaid;

void warn(const QString& text)
{
    if (g_withoutWaiting > 0)
        Prompt::notice(text, Prompt::Exclamation);
    else
        Prompt::message(text, Prompt::OkOnly, Prompt::Exclamation);
}
} // namespace

ReportWithoutWaiting::ReportWithoutWaiting() { ++g_withoutWaiting; }

ReportWithoutWaiting::~ReportWithoutWaiting() { --g_withoutWaiting; }

ReportAsUsual::ReportAsUsual() : m_withoutWaiting(g_withoutWaiting) { g_withoutWaiting = 0; }

ReportAsUsual::~ReportAsUsual() { g_withoutWaiting = m_withoutWaiting; }

void SaveError(qint32 number, const QString& description, const QString& source)
{
    gErrNumber = number;
    gErrDescription = description;
    gErrSource = source.isEmpty() ? QStringLiteral("Velquon") : source;
}

void ReportError(const QString& tag)
{
    g_lastTag = tag;
    DiagnosticLog::write(tag + QStringLiteral(": Error #") + QString::number(gErrNumber) + QStringLiteral(": ") +
                         gErrDescription + QStringLiteral(" Source: ") + gErrSource);
}

void ReportUnwritten(qint32 number, const QString& description, const QString& source, const QString& tag,
                     const QString& path)
{
    SaveError(number, description, source);
    // Every change tries the write again: the same refusal is said once, until its reason changes; said before a
    // main window showed the events, once more where the user sees it.
    Said& said = g_unwrittenSaid[tag];
    const bool shown = gMainForm != nullptr;
    if (said.description == description && (said.shown || !shown)) {
        g_lastTag = tag;
        return;
    }
    said = {description, shown, fileKey(path)};
    ReportError(tag);
    AddEvent(description);
}

void ForgetUnwrittenReports(const QString& path)
{
    const QString key = fileKey(path);
    g_unwrittenSaid.removeIf([&key](const QHash<QString, Said>::iterator it) { return it->file == key; });
}

QString lastReportedTag() { return g_lastTag; }

void ShowError(const QString& message)
{
    if (!message.isEmpty()) {
        QString oneLine = message;
        oneLine.remove(QStringLiteral("\r\n"));
        AddEvent(oneLine);
        warn(message);
        return;
    }
    const QString n = QString::number(gErrNumber);
    AddEvent(QStringLiteral("Cannot perform operation.Error #") + n + QStringLiteral(": ") + gErrDescription +
             QStringLiteral(" Source: ") + gErrSource);
    warn(QStringLiteral("Cannot perform operation.\r\nError #") + n + QStringLiteral(": ") + gErrDescription +
         QStringLiteral("\r\nSource: ") + gErrSource);
}
