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
#include "platform/SingleInstance.h"

namespace UnwrittenFiles {

namespace {

struct Held {
    QByteArray bytes;
    QString subject;
    QString why;     // the last refusal's reason
    QDateTime since; // the first change the file has not taken
    bool whileInUse = false;
};

// By the file's path as one spelling: a file is held once, with its newest content.
QMap<QString, Held> g_held;

QString keyOf(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// A store's file is written only while this copy holds its folder: a process that is no running copy holds none,
// and keeps nothing from anyone.
bool stillOurs(const QString& key, const Held& held)
{
    const SingleInstance& single = SingleInstance::instance();
    return !held.whileInUse || !single.running() || single.holdsFolder(QFileInfo(key).absolutePath());
}

// What is given up, with why and since when.
QString lostLine(const Held& held, const QString& when)
{
    return held.subject + QStringLiteral(" could not be written ") + when + QStringLiteral(" (") + held.why +
           QStringLiteral("): the changes made to it since ") + DateText::format(held.since) +
           QStringLiteral(" are lost");
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, const QString& subject, OnRefusal onRefusal, QString* why)
{
    const QString key = keyOf(path);
    QString reason;
    if (!PlainFile::replace(path, bytes, &reason)) {
        if (onRefusal != OnRefusal::GiveUp) {
            Held& held = g_held[key];
            if (held.since.isNull())
                held.since = Clock::now();
            held.bytes = bytes;
            held.subject = subject;
            held.why = reason;
            held.whileInUse = onRefusal == OnRefusal::HoldWhileInUse;
        }
        if (why)
            *why = reason;
        return false;
    }
    // An older content held for the file would otherwise come back over this one.
    g_held.remove(key);
    ForgetUnwrittenReports(key);
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

void storesInUse(const QStringList& paths)
{
    QStringList keys;
    for (const QString& path : paths)
        keys << keyOf(path);
    QStringList lost;
    for (auto it = g_held.begin(); it != g_held.end();) {
        if (!it->whileInUse || keys.contains(it.key())) {
            ++it;
            continue;
        }
        lost << lostLine(*it, QStringLiteral("before Velquon let go of it"));
        it = g_held.erase(it);
    }
    // Said where it stays: the activity log, or the diagnostic log when that cannot be written.
    for (const QString& line : std::as_const(lost))
        AddLastingEvent(line);
}

bool writeHeld()
{
    for (auto it = g_held.begin(); it != g_held.end();) {
        QString reason;
        if (!stillOurs(it.key(), *it)) {
            ++it;
        } else if (PlainFile::replace(it.key(), it->bytes, &reason)) {
            ForgetUnwrittenReports(it.key());
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
        const QString text = lostLine(held, QStringLiteral("before Velquon ended"));
        SaveError(kFileAccessError, text);
        ReportError(QStringLiteral("modMain_ShutDown"));
        AddLastingEvent(text);
    }
}

void reset() { g_held.clear(); }

} // namespace UnwrittenFiles
