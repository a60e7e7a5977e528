#pragma once

#include <QString>
#include <QStringList>

// The settings store: every option, placement and remembered choice is one text value addressed by a
// section and a key, always read with a default. Kept in an INI file (see settingsFilePath()).

void SaveProperty(const QString& section, const QString& key, const QString& value);
QString GetProperty(const QString& section, const QString& key, const QString& defaultValue);
// Whether the store holds a value (an empty one too) for the key.
bool HasProperty(const QString& section, const QString& key);

// Path form "HKCU\Software\Velquon\<section>\<key>" (or "<section>\<key>"), kept so that callers written
// against the registry layout work unchanged.
void WriteKey(const QString& path, const QString& value);
QString ReadKey(const QString& path, const QString& defaultValue);
void DeleteKey(const QString& path);
QString settingPath(const QString& section, const QString& key);

// Boolean settings: "True"/"False" written exactly; reading accepts any case and the usual other forms.
inline QString boolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
bool textToBool(const QString& text, bool fallback = false);
// Numbers read the way the program's settings are written (decimal text, '.' as separator); text that is
// not a number gives fallback.
double textToNumber(const QString& text, double fallback = 0);
// A whole-number setting: text that is not a number gives fallback; a number beyond the int range
// (say "1e12" typed by hand) is held at its end rather than converted out of range.
int textToWhole(const QString& text, int fallback = 0);

// ";"-lists.
void ListToArray(const QString& list, QStringList& items);
QStringList ListToArray(const QString& list);
QString ArrayToList(const QStringList& items);
void AddRecentItem(const QString& section, const QString& key, const QString& item);

// Writes the first-run values once (until InitializedSettings is "True"); a value the file holds already
// (written by hand before the first start) is kept.
void InitializeSettings();

// The screen size the first-run placements are centred on, in twips. An injected size (tests) wins over
// the primary screen's.
void setInitialScreenSizeTwips(double width, double height);

// Within a batch, writes go to the store at once (the next read sees them) but reach the file only once,
// when the outermost batch ends: many writes in a row cost one file rewrite instead of one each.
class SettingsBatch {
public:
    SettingsBatch();
    ~SettingsBatch();
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;
};

// Drops the cached store so the next access reopens the file (tests, a changed VELQUON_HOME).
void resetSettingsStore();
