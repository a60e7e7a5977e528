#include "core/modProperties.h"

#include "core/modError.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

std::unique_ptr<QSettings> g_store;
QString g_storePath;
int g_batchDepth = 0;
bool g_batchPending = false;

// A file with one line the INI reader cannot take (a slip in a hand edit) is never written again by
// QSettings, so every later change would be lost, and every read would give the empty text. Keep what can
// be read, put the damaged file aside beside it, and go on with a clean file holding those values.
void repairStore(const QString& path)
{
    QList<QPair<QString, QVariant>> readable;
    for (const QString& key : g_store->allKeys())
        readable.append({key, g_store->value(key)});
    g_store.reset();
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) {
        g_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
        return; // reads then report the damaged file
    }
    g_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
    for (const auto& [key, value] : readable)
        g_store->setValue(key, value);
    g_store->sync();
    SaveError(-2147024883,
              QStringLiteral("The settings file was damaged; its readable values were kept and the damaged file was "
                             "saved as ") +
                  aside,
              QStringLiteral("Settings"));
    ReportError(QStringLiteral("modProperties_ReadKey"));
}

QSettings& store()
{
    const QString path = settingsFilePath();
    if (!g_store || g_storePath != path) {
        g_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
        g_storePath = path;
        if (g_store->status() == QSettings::FormatError)
            repairStore(path);
    }
    return *g_store;
}

const QString kRoot = QStringLiteral("HKCU\\Software\\Velquon\\");

// "section\key" -> "section/key" for QSettings. A key never holds "\" or "/" in this program.
QString storeKey(const QString& path)
{
    QString p = path;
    if (p.startsWith(kRoot, Qt::CaseInsensitive))
        p = p.mid(kRoot.size());
    const qsizetype cut = p.lastIndexOf(QLatin1Char('\\'));
    if (cut < 0)
        return QStringLiteral("General/") + p;
    QString section = p.left(cut);
    section.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return section + QLatin1Char('/') + p.mid(cut + 1);
}

// Writes the store's changes to its file, unless a batch will do it at its end.
bool syncStore(QSettings& s)
{
    if (g_batchDepth > 0) {
        g_batchPending = true;
        return true;
    }
    s.sync();
    return s.status() == QSettings::NoError;
}

void reportWriteFailure(const QSettings& s, const QString& tag)
{
    SaveError(-2147024891, QStringLiteral("Unable to write the settings file ") + s.fileName(),
              QStringLiteral("Settings"));
    ReportError(tag);
}

} // namespace

SettingsBatch::SettingsBatch() { ++g_batchDepth; }

SettingsBatch::~SettingsBatch()
{
    if (--g_batchDepth > 0 || !g_batchPending)
        return;
    g_batchPending = false;
    if (!g_store)
        return;
    g_store->sync();
    if (g_store->status() != QSettings::NoError)
        reportWriteFailure(*g_store, QStringLiteral("modProperties_WriteKey"));
}

void resetSettingsStore()
{
    g_store.reset();
    g_storePath.clear();
}

QString settingPath(const QString& section, const QString& key) { return kRoot + section + QLatin1Char('\\') + key; }

void SaveProperty(const QString& section, const QString& key, const QString& value)
{
    WriteKey(settingPath(section, key), value);
}

QString GetProperty(const QString& section, const QString& key, const QString& defaultValue)
{
    return ReadKey(settingPath(section, key), defaultValue);
}

void WriteKey(const QString& path, const QString& value)
{
    QSettings& s = store();
    s.setValue(storeKey(path), value);
    if (!syncStore(s))
        reportWriteFailure(s, QStringLiteral("modProperties_WriteKey"));
}

QString ReadKey(const QString& path, const QString& defaultValue)
{
    QSettings& s = store();
    if (s.status() == QSettings::FormatError) {
        SaveError(-2147024883, QStringLiteral("The settings file is not readable: ") + s.fileName(),
                  QStringLiteral("Settings"));
        ReportError(QStringLiteral("modProperties_ReadKey"));
        return QString();
    }
    const QVariant v = s.value(storeKey(path));
    if (!v.isValid())
        return defaultValue;
    // A value edited by hand as a bare a,b list reads back as a list: join it again.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void DeleteKey(const QString& path)
{
    QSettings& s = store();
    s.remove(storeKey(path));
    if (!syncStore(s) && s.status() == QSettings::AccessError)
        reportWriteFailure(s, QStringLiteral("modProperties_DeleteKey"));
}

bool textToBool(const QString& text, bool fallback)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("-1") || t == QLatin1String("1") ||
        t == QLatin1String("yes") || t == QLatin1String("on"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no") || t == QLatin1String("off"))
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok)
        return d != 0;
    return fallback;
}

double textToNumber(const QString& text, double fallback)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    // "inf" and "nan" are words here: no setting holds them as numbers, and they would poison any arithmetic.
    return ok && std::isfinite(d) ? d : fallback;
}

int textToWhole(const QString& text, int fallback)
{
    const double value = textToNumber(text, fallback);
    return int(std::clamp(value, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

void ListToArray(const QString& list, QStringList& items)
{
    items = QStringList{QString()};
    const QStringList tokens = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& t : tokens) {
        if (!items.last().isEmpty())
            items.append(QString());
        items.last() = t;
    }
}

QStringList ListToArray(const QString& list)
{
    QStringList items;
    ListToArray(list, items);
    return items;
}

QString ArrayToList(const QStringList& items)
{
    QString out = QStringLiteral(";");
    for (const QString& i : items)
        out += i + QLatin1Char(';');
    return out;
}

void AddRecentItem(const QString& section, const QString& key, const QString& item)
{
    QStringList tokens = GetProperty(section, key, QString()).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // An empty list splits into one empty token, which gives the first entry its final ";".
    if (tokens.isEmpty())
        tokens << QString();
    QString result = QLatin1Char(';') + item;
    const QString upper = item.toUpper();
    for (int i = 0; i < tokens.size() && i < 9; ++i) {
        if (tokens[i].toUpper() != upper)
            result += QLatin1Char(';') + tokens[i];
    }
    SaveProperty(section, key, result);
}
