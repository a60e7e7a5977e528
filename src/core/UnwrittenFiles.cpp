#include "core/UnwrittenFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <utility>

#include "core/modError.h"
#include "core/modMain.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/PlainFile.h"

namespace UnwrittenFiles {

namespace {

struct Held {
    QByteArray bytes;
    QString subject;
    QString why;     // the last refusal's reason
    QDateTime since; // the first change the file has not taken
};

// By the file's path as one spelling: a file is held once, with its newest content.
QMap<QString, Held> g_held;

QString keyOf(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

} // namespace

bool write(const QString& path, const QByteArray& bytes, const QString& subject, OnRefusal onRefusal, QString* why)
{
    const QString key = keyOf(path);
    QString reason;
    if (!PlainFile::replace(path, bytes, &reason)) {
        if (onRefusal == OnRefusal::Hold) {
            Held& held = g_held[key];
            if (held.since.isNull())
                held.since = Clock::now();
            held.bytes = bytes;
            held.subject = subject;
            held.why = reason;
        }
        if (why)
            *why = reason;
        return false;
    }
    // An older content held for the file would otherwise come back over this one.
    g_held.remove(key);
    // The disk took this one: there may be room for the others too.
    writeHeld();
    return true;
}

std::optional<QByteArray> held(const QString& path)
{
    const auto it = g_held.constFind(keyOf(path));
    if (it == g_held.cend())
        return std::nullopt;
    return it->bytes;
}

void forget(const QString& path) { g_held.remove(keyOf(path)); }

bool writeHeld()
{
    for (auto it = g_held.begin(); it != g_held.end();) {
        QString reason;
        if (PlainFile::replace(it.key(), it->bytes, &reason)) {
            it = g_held.erase(it);
        } else {
            it->why = reason;
            ++it;
        }
    }
    return g_held.isEmpty();
}

void writeHeldAtEnd()
{
    if (writeHeld())
        return;
    const QMap<QString, Held> lost = std::exchange(g_held, {});
    for (const Held& held : lost) {
        const QString text = held.subject + QStringLiteral(" could not be written before Velquon ended (") + held.why +
                             QStringLiteral("): the changes made to it since ") + DateText::format(held.since) +
                             QStringLiteral(" are lost");
        SaveError(kFileAccessError, text);
        ReportError(QStringLiteral("modMain_ShutDown"));
        AddLastingEvent(text);
    }
}

void reset() { g_held.clear(); }

} // namespace UnwrittenFiles
