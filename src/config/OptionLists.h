#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The fixed entries of the options dialog's lists, the serial ports it offers, and the translation between
// the stored modem settings and those entries. No widgets: the dialog and the first-run window fill their
// boxes from here, and the tests read the same lists.
namespace OptionLists {

QStringList speeds();   // "110" ... "256000"
QStringList dataBits(); // "4" ... "8"
QStringList parities(); // "Even", "Odd", "None", "Mark", "Space"
QStringList stopBits(); // "1", "1.5", "2"
QStringList modemStrings();
QStringList maxEventLog();  // "10" ... "30000"
QStringList dialToneWait(); // "6" ... "30"
QStringList voiceRates();   // "-10" ... "10"
QStringList soundTypes();   // "Default Caller", "Immediate", "Ring"

// The number a stored text begins with ("270", " 12abc" gives 12), or nothing.
std::optional<double> leadingNumber(const QString& text);
// What a numeric option shows: the whole number its stored text begins with, 0 when it begins with none.
qint64 storedNumber(const QString& text);

// "Com1" to "Com16" (Com n is the n-th serial port, /dev/ttyS(n-1)).
QStringList numberedPorts();
// The serial devices this machine really has, by path: the built-in ports the serial layer finds
// (/dev/ttyS* beyond the sixteen numbered ones), and the USB adapters and modems (ttyUSB*, ttyACM*) present in folder.
// In natural order.
QStringList serialDevices(const QString& folder = QStringLiteral("/dev"));
// The devices without the built-in ports /dev/ttyS0../dev/ttyS15, which the numbered entries stand for.
QStringList withoutNumberedPorts(const QStringList& devices);
// "Com n" for the built-in port /dev/ttyS(n-1) with n 1..16; empty for any other path.
QString numberedPortFor(const QString& path);
// What a port chooser lists: the numbered ports, then the devices.
QStringList portEntries(const QString& deviceFolder = QStringLiteral("/dev"));
// The entry that stands for a stored CommPort: "Com n" for a number 1..16, else a listed device path;
// empty when the list cannot show it (0, 17, a device that is not there).
QString portEntryFor(const QString& commPort, const QStringList& entries);
// The CommPort to store for an entry: the number after "Com", or the device path as it is.
QString commPortFor(const QString& entry);
// The same, but the stored text as it is when the entry stands for it already.
QString commPortToStore(const QString& entry, const QString& stored);

// CommSettings ("9600,N,8,1") as list entries; a field that matches no entry gives an empty text.
struct CommFields {
    QString speed;
    QString parity; // the entry: "None" for N ...
    QString dataBits;
    QString stopBits;
};
CommFields parseCommSettings(const QString& stored);
// The text to store for the chosen entries. A list left without a choice keeps that field of the stored
// text as it was, so a value the lists cannot show (a hand-written speed) survives.
QString buildCommSettings(const CommFields& chosen, const QString& stored);

// The six numeric fields of the options dialog, with their ranges and the option whose stored value is
// the fallback for a text that is not a number.
struct NumericField {
    const char* control;
    double minimum;
    double maximum;
    const char* key;
    const char* defaultValue;
};
const QList<NumericField>& numericFields(); // in the order the field check takes them
const NumericField* numericField(const QString& control);
// The field's text after the range check (fallback: the stored option, itself brought into range).
QString checkedFieldText(const NumericField& field, const QString& text);
// The whole number a (checked) field's text stands for; a text that is no number gives 0.
qint64 fieldNumber(const QString& text);

} // namespace OptionLists
