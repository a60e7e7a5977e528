#include "core/modProperties.h"

#include "core/UnwrittenFiles.h"
#include "core/modError.h"
#include "platform/IniFile.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The settings of this run, read once from the file and written back whole after every change (or at the
// end of a batch).
struct Store {
    QString path;
    IniFile::Values values;
    bool loaded = false;
    // The damaged file could neither be put aside nor copied: changes hold for this run only, so the file
    // the user may still want to rescue is never overwritten.
    bool memoryOnly = false;
    // Something that is no file stands in the file's place (a folder, a named pipe): it is never read from
    // or written over, and changes hold for this run only. What it is, as a write's failure says it.
    QString notAFile;
};

Store g_store;
int g_batchDepth = 0;
bool g_batchPending = false;

const QString kReadTag = QStringLiteral("modProperties_ReadKey");

// Beside the damaged file, never over an earlier damaged copy.
QString asideName(const QString& path)
{
    const QString base = path + QStringLiteral(".damaged");
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) && n < 1000; ++n)
        name = base + QLatin1Char('.') + QString::number(n);
    return name;
}

// False with why when the file could not take the settings; it then holds what it held before, and the settings are
// held to be written at the next chance (UnwrittenFiles).
bool writeFile(QString* why, UnwrittenFiles::OnRefusal onRefusal = UnwrittenFiles::OnRefusal::Hold)
{
    if (g_store.memoryOnly)
        return true;
    if (!g_store.notAFile.isEmpty()) {
        *why = g_store.notAFile;
        return false;
    }
    return UnwrittenFiles::write(g_store.path, IniFile::serialize(g_store.values),
                                 QStringLiteral("The settings file ") + g_store.path, onRefusal, why);
}

// A file with lines that are not settings (a slip in a hand edit, a disk fault, bytes of another file) keeps
// what can be read; the rest reads as its defaults. The damaged file is put aside as it was, a clean file
// takes its place, and the user hears of it once.
void repairStore(const QByteArray& original, const IniFile::Parsed& parsed)
{
    const QString& path = g_store.path;
    const QString aside = asideName(path);
    // Only where the program may write: run as root, never in a folder another user controls.
    bool kept = PlainFile::wayTo(aside).refusal.isEmpty() && QFile::rename(path, aside);
    if (kept) {
        // Without a clean file in its place the next start would find none and begin as a new installation: the
        // damaged one goes back, and is not written over in this run.
        QString why;
        if (!writeFile(&why, UnwrittenFiles::OnRefusal::GiveUp)) {
            kept = false;
            QFile::rename(aside, path);
        }
    } else if (PlainFile::copyWhole(path, aside)) {
        kept = QFileInfo(aside).size() == original.size();
    }
    g_store.memoryOnly = !kept;
    const QString where =
        QStringLiteral(" (line %1").arg(parsed.firstDamagedLine) +
        (parsed.damagedLines > 1 ? QStringLiteral(" and %1 more)").arg(parsed.damagedLines - 1) : QStringLiteral(")"));
    SaveError(-2147024883, QStringLiteral("The settings file ") + path + QStringLiteral(" was damaged") + where,
              QStringLiteral("Settings"));
    ReportError(kReadTag);
    const QString text =
        kept ? QStringLiteral("The settings file %1 was damaged. The settings that could be read were kept, the "
                              "others are back at their defaults, and the damaged file was saved as %2.")
                   .arg(path, aside)
             : QStringLiteral("The settings file %1 is damaged. The settings that could be read are used and the "
                              "others are back at their defaults. The damaged file could not be put aside, so no "
                              "change of settings is saved until Velquon is started again.")
                   .arg(path);
    Prompt::notice(text, Prompt::Exclamation);
}

void loadStore(const QString& path)
{
    g_store = Store{};
    g_store.path = path;
    g_store.loaded = true;
    // What a write killed half-way left beside the file in an earlier run.
    PlainFile::removeLeftovers(path);
    const PlainFile::Kind kind = PlainFile::kindOf(path);
    if (kind == PlainFile::Kind::Missing)
        return;
    QFile f(path);
    QString why;
    if (!PlainFile::openToRead(f, path, &why)) {
        // Reads give the defaults; writes will report themselves.
        SaveError(-2147024891, QStringLiteral("The settings file ") + path + QStringLiteral(" cannot be read: ") + why,
                  QStringLiteral("Settings"));
        ReportError(kReadTag);
        const QString notAFile = PlainFile::notAFile(kind);
        if (!notAFile.isEmpty()) {
            g_store.notAFile = notAFile;
            Prompt::notice(QStringLiteral("The settings file %1 cannot be used: %2. Velquon runs on its default "
                                          "settings and saves no change of settings until a file can take its place "
                                          "and Velquon is started again.")
                               .arg(path, notAFile),
                           Prompt::Exclamation);
        }
        return;
    }
    const QByteArray bytes = f.readAll();
    f.close();
    const IniFile::Parsed parsed = IniFile::parse(bytes);
    g_store.values = parsed.values;
    if (parsed.damagedLines > 0)
        repairStore(bytes, parsed);
}

Store& store()
{
    const QString path = settingsFilePath();
    if (!g_store.loaded || g_store.path != path)
        loadStore(path);
    return g_store;
}

const QString kRoot = QStringLiteral("HKCU\\Software\\Velquon\\");

// "section\key" -> "section/key". A key never holds "\" or "/" in this program.
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

QString lookup(const QString& storeKey, const QString& defaultValue)
{
    const Store& s = store();
    const auto it = s.values.constFind(storeKey);
    return it == s.values.cend() ? defaultValue : *it;
}

// Writes the store's changes to its file, unless a batch will do it at its end.
bool syncStore(QString* why)
{
    if (g_batchDepth > 0) {
        g_batchPending = true;
        return true;
    }
    return writeFile(why);
}

void reportWriteFailure(const QString& tag, const QString& why)
{
    ReportUnwritten(-2147024891,
                    QStringLiteral("Unable to write the settings file ") + g_store.path + QStringLiteral(": ") + why,
                    QStringLiteral("Settings"), tag, g_store.path);
}

} // namespace

SettingsBatch::SettingsBatch() { ++g_batchDepth; }

SettingsBatch::~SettingsBatch()
{
    if (--g_batchDepth > 0 || !g_batchPending)
        return;
    g_batchPending = false;
    if (!g_store.loaded)
        return;
    if (QString why; !writeFile(&why))
        reportWriteFailure(QStringLiteral("modProperties_WriteKey"), why);
}

void resetSettingsStore() { g_store = Store{}; }

QString settingPath(const QString& section, const QString& key) { return kRoot + section + QLatin1Char('\\') + key; }

void SaveProperty(const QString& section, const QString& key, const QString& value)
{
    WriteKey(settingPath(section, key), value);
}

QString GetProperty(const QString& section, const QString& key, const QString& defaultValue)
{
    // The store's own key straight away: a call's road reads several settings before its clients hear of it.
    if (section.contains(QLatin1Char('\\')) || key.contains(QLatin1Char('\\')))
        return ReadKey(settingPath(section, key), defaultValue);
    return lookup(section + QLatin1Char('/') + key, defaultValue);
}

bool HasProperty(const QString& section, const QString& key)
{
    return store().values.contains(section + QLatin1Char('/') + key);
}

void WriteKey(const QString& path, const QString& value)
{
    Store& s = store();
    s.values.insert(storeKey(path), value);
    if (QString why; !syncStore(&why))
        reportWriteFailure(QStringLiteral("modProperties_WriteKey"), why);
}

QString ReadKey(const QString& path, const QString& defaultValue) { return lookup(storeKey(path), defaultValue); }

void DeleteKey(const QString& path)
{
    Store& s = store();
    if (s.values.remove(storeKey(path)) == 0)
        return;
    if (QString why; !syncStore(&why))
        reportWriteFailure(QStringLiteral("modProperties_DeleteKey"), why);
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
