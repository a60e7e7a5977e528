#include "config/OptionLists.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"

namespace OptionLists {

namespace {

QStringList numbers(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

// Device names in the order people count them: ttyUSB2 before ttyUSB10.
void naturalSort(QStringList& list)
{
    static const QRegularExpression tail(QStringLiteral("^(.*?)(\\d+)$"));
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const QRegularExpressionMatch ma = tail.match(a);
        const QRegularExpressionMatch mb = tail.match(b);
        if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
            return ma.captured(2).toULongLong() < mb.captured(2).toULongLong();
        return a < b;
    });
}

} // namespace

QStringList speeds()
{
    return {"110",   "300",   "600",   "1200",  "2400",  "4800",   "9600",   "14400",
            "19200", "28800", "38400", "56000", "57600", "115200", "128000", "256000"};
}

QStringList dataBits() { return {"4", "5", "6", "7", "8"}; }
QStringList parities() { return {"Even", "Odd", "None", "Mark", "Space"}; }
QStringList stopBits() { return {"1", "1.5", "2"}; }
QStringList modemStrings() { return {"AT#CID=1", "AT+VCID=1", "AT#CC1", "AT*ID1", "AT#CID=2", "AT$%CCID=2"}; }
QStringList maxEventLog() { return {"10", "100", "500", "1000", "5000", "10000", "30000"}; }
QStringList dialToneWait() { return numbers(6, 30); }
QStringList voiceRates() { return numbers(-10, 10); }
QStringList soundTypes() { return {"Default Caller", "Immediate", "Ring"}; }

QStringList numberedPorts()
{
    QStringList out;
    for (int i = 1; i <= 16; ++i)
        out << QStringLiteral("Com") + QString::number(i);
    return out;
}

QStringList serialDevices(const QString& folder)
{
    QStringList found;
    // Built-in ports exist as device files whether or not there is hardware behind them; the serial layer
    // tells the real ones.
    if (folder == QLatin1String("/dev")) {
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo& p : ports) {
            const QString path = p.systemLocation();
            if (path.startsWith(QLatin1String("/dev/ttyS")) || path.startsWith(QLatin1String("/dev/ttyUSB")) ||
                path.startsWith(QLatin1String("/dev/ttyACM")))
                found << path;
        }
    }
    // USB adapters and modems have a device file only while they are plugged in.
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        const QString path = QDir(folder).filePath(name);
        if (!found.contains(path))
            found << path;
    }
    naturalSort(found);
    return withoutNumberedPorts(found);
}

QStringList withoutNumberedPorts(const QStringList& devices)
{
    QStringList out;
    for (const QString& path : devices) {
        if (numberedPortFor(path).isEmpty())
            out << path;
    }
    return out;
}

QString numberedPortFor(const QString& path)
{
    static const QRegularExpression builtIn(QStringLiteral("^/dev/ttyS(\\d{1,2})$"));
    const QRegularExpressionMatch m = builtIn.match(path.trimmed());
    if (!m.hasMatch())
        return QString();
    const int n = m.captured(1).toInt() + 1;
    return n <= 16 ? QStringLiteral("Com") + QString::number(n) : QString();
}

QStringList portEntries(const QString& deviceFolder) { return numberedPorts() + serialDevices(deviceFolder); }

std::optional<double> leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(0).trimmed().toDouble();
}

qint64 storedNumber(const QString& text) { return fieldNumber(QString::number(leadingNumber(text).value_or(0), 'f')); }

QString portEntryFor(const QString& commPort, const QStringList& entries)
{
    const QString text = commPort.trimmed();
    if (leadingNumber(text) && !text.startsWith(QLatin1Char('/'))) {
        const qint64 n = storedNumber(text);
        const QString entry = QStringLiteral("Com") + QString::number(n);
        return n >= 1 && n <= 16 && entries.contains(entry) ? entry : QString();
    }
    // A built-in port kept by its path is the numbered entry that stands for the same device.
    const QString numbered = numberedPortFor(text);
    if (!numbered.isEmpty())
        return entries.contains(numbered) ? numbered : QString();
    return entries.contains(text) ? text : QString();
}

QString commPortToStore(const QString& entry, const QString& stored)
{
    // The entry still stands for what is stored ("/dev/ttyS0" for Com1): the text is kept, so the port is
    // not reopened for a change of spelling.
    if (!stored.trimmed().isEmpty() && portEntryFor(stored, QStringList{entry}) == entry)
        return stored;
    return commPortFor(entry);
}

QString commPortFor(const QString& entry)
{
    if (entry.startsWith(QLatin1String("Com"), Qt::CaseInsensitive))
        return QString::number(textToWhole(entry.mid(3), 0));
    return entry;
}

CommFields parseCommSettings(const QString& stored)
{
    const QStringList fields = stored.split(QLatin1Char(','));
    CommFields out;
    auto match = [](const QStringList& entries, const QString& text) {
        for (const QString& e : entries) {
            if (e.compare(text, Qt::CaseInsensitive) == 0)
                return e;
        }
        return QString();
    };
    out.speed = match(speeds(), fields.value(0));
    const QString letter = fields.value(1).toUpper();
    if (letter.size() == 1) {
        for (const QString& p : parities()) {
            if (p.startsWith(letter))
                out.parity = p;
        }
    }
    out.dataBits = match(dataBits(), fields.value(2));
    out.stopBits = match(stopBits(), fields.value(3));
    return out;
}

QString buildCommSettings(const CommFields& chosen, const QString& stored)
{
    const QStringList old = stored.split(QLatin1Char(','));
    auto field = [&](const QString& entry, int index) { return entry.isEmpty() ? old.value(index) : entry.trimmed(); };
    QStringList fields{field(chosen.speed, 0), field(chosen.parity.left(1), 1), field(chosen.dataBits, 2),
                       field(chosen.stopBits, 3)};
    // A short stored text ("9600") stays short: the fields it never had and nobody chose are not added as
    // empty ones, so an unchanged text is written back exactly and the port is not reopened for it.
    while (fields.size() > old.size() && fields.last().isEmpty())
        fields.removeLast();
    return fields.join(QLatin1Char(','));
}

const QList<NumericField>& numericFields()
{
    static const QList<NumericField> fields = {
        {"cboMaxEventLog", 5, 32767, Key::MaxEventLog, "100"},
        {"txtLocalPort", 1, 65535, Key::LocalPort, "270"},
        {"txtRemoteLocalPort", 0, 65535, Key::RemoteLocalPort, "0"},
        {"txtRemotePort", 1, 65535, Key::RemotePort, "270"},
        {"cboVoiceRate", -10, 10, Key::VoiceRate, "0"},
        {"cmbDialToneWait", 6, 32767, Key::DialToneWait, "20"},
    };
    return fields;
}

const NumericField* numericField(const QString& control)
{
    for (const NumericField& f : numericFields()) {
        if (control == QLatin1String(f.control))
            return &f;
    }
    return nullptr;
}

QString checkedFieldText(const NumericField& field, const QString& text)
{
    const double fallback = double(storedNumber(GetProperty(Section::frmConfiguration, field.key, field.defaultValue)));
    return ValidateNumberText(text, field.minimum, field.maximum, fallback);
}

qint64 fieldNumber(const QString& text)
{
    // The fields hold whole numbers (their keys let only digits through); a pasted fraction is rounded.
    return qint64(std::llround(std::clamp(textToNumber(text, 0), -1e15, 1e15)));
}

} // namespace OptionLists
