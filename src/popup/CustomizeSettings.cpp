#include "popup/CustomizeSettings.h"

#include <algorithm>
#include <cmath>

#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "popup/MiniDisplay.h"
#include "statistics/modStatistics.h"

namespace CustomizeSettings {

namespace {

const char* const kColourKeys[ColourCount] = {Key::BackColor, Key::ButtonColor, Key::ForeColor, Key::ScreenColor,
                                              Key::NameNumberForeColor};
const quint32 kDefaultColours[ColourCount] = {4731686, 2693142, 8418617, 15326429, 14102841};

QString popupSetting(const char* key, const QString& defaultValue)
{
    return GetProperty(Section::frmMiniDisplay, key, defaultValue);
}

void savePopupSetting(const char* key, const QString& value) { SaveProperty(Section::frmMiniDisplay, key, value); }

} // namespace

const char* colourKey(int index) { return index >= 0 && index < ColourCount ? kColourKeys[index] : ""; }

quint32 defaultColour(int index) { return index >= 0 && index < ColourCount ? kDefaultColours[index] : 0; }

quint32 colour(int index)
{
    return MiniDisplay::colourSetting(colourKey(index), QByteArray::number(defaultColour(index)).constData());
}

Remembered remember()
{
    Remembered r;
    for (int i = 0; i < ColourCount; ++i)
        r.colours[size_t(i)] = colour(i);
    r.PictureBackground = textToBool(popupSetting(Key::PictureBackground, QStringLiteral("False")));
    r.Vibrate = textToBool(popupSetting(Key::Vibrate, QStringLiteral("True")));
    r.VibrateDuration =
        qint16(std::clamp(textToWhole(popupSetting(Key::VibrateDuration, QStringLiteral("100")), 100), -32768, 32767));
    return r;
}

void restore(const Remembered& r)
{
    SettingsBatch batch;
    for (int i = 0; i < ColourCount; ++i)
        savePopupSetting(colourKey(i), QString::number(r.colours[size_t(i)]));
    savePopupSetting(Key::PictureBackground, boolText(r.PictureBackground));
    savePopupSetting(Key::Vibrate, boolText(r.Vibrate));
    savePopupSetting(Key::VibrateDuration, QString::number(r.VibrateDuration));
}

CallerInfoLists callerInfoLists(const QString& callerInfo)
{
    CallerInfoLists lists;
    const QStringList entries = callerInfo.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        if (!GetStatistic(entry, gStatistics.get())->Description.isEmpty())
            lists.current << entry;
    }
    if (gStatistics) {
        for (const auto& statistic : gStatistics->items()) {
            if (!lists.current.contains(statistic->Description))
                lists.available << statistic->Description;
        }
    }
    return lists;
}

QString callerInfoText(const QStringList& current)
{
    QString text;
    for (const QString& entry : current) {
        if (!entry.isEmpty())
            text += QLatin1Char(';') + entry;
    }
    return text;
}

QString firstRunCallerInfo()
{
    return QStringLiteral(";Total Calls;Calls in the Last Day;Calls in the Last Week;Calls Between 9pm and 1am;"
                          "Most Calls in a Day;Most Calls in a Week;");
}

QString defaultButtonCallerInfo()
{
    return QStringLiteral(";Total Calls;Calls Between 9pm and 1am;Most Calls in a Day;Most Calls in a Week;");
}

double storedLogSize() { return textToNumber(popupSetting(Key::LogSize, QStringLiteral("10")), 10); }

QString checkedLogSize(const QString& text)
{
    // A fraction would never equal the list's length (the list would grow without end): whole numbers only.
    const QString checked = ValidateNumberText(text, 1, 32767, std::clamp(storedLogSize(), 1.0, 32767.0));
    return QString::number(std::clamp(std::round(textToNumber(checked, 10)), 1.0, 32767.0));
}

} // namespace CustomizeSettings
