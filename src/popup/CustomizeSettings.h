#pragma once

#include <QString>
#include <QStringList>

#include <array>

// What the pop-up's customisation dialog reads, remembers and writes, without its widgets.
namespace CustomizeSettings {

// The five colours of the pop-up by swatch index: 0 BackColor, 1 ButtonColor, 2 ForeColor, 3 ScreenColor,
// 4 NameNumberForeColor (blue-green-red values, section "frmMiniDisplay").
constexpr int ColourCount = 5;
const char* colourKey(int index);
quint32 defaultColour(int index);
quint32 colour(int index);

// The eight values the dialog previews live (written at once so the pop-up shows them) and puts back when
// it closes without Apply or OK.
struct Remembered {
    std::array<quint32, ColourCount> colours{};
    bool PictureBackground = false;
    bool Vibrate = true;
    qint16 VibrateDuration = 100;
};
Remembered remember();
void restore(const Remembered& values);

// The caller information the pop-up's statistics screen shows: the entries of CallerInfo that name a
// statistic (in their order; the others are dropped), and every other statistic, in collection order.
struct CallerInfoLists {
    QStringList current;
    QStringList available;
};
CallerInfoLists callerInfoLists(const QString& callerInfo);
// The stored form of the shown list: ";" before each entry, no final ";" (";A;B").
QString callerInfoText(const QStringList& current);
// The first-run list, and the one the dialog's Default button shows.
QString firstRunCallerInfo();
QString defaultButtonCallerInfo();

// LogSize from what the box holds: a whole number from 1 to 32767; text that is no number gives the stored
// LogSize (itself held to that range).
QString checkedLogSize(const QString& text);
// The stored LogSize (default 10) as the number the box compares with.
double storedLogSize();

} // namespace CustomizeSettings
